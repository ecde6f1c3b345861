#include "display/TraceGeometry.h"

#include "core/CSignal.h"

#include <algorithm>
#include <cmath>

namespace {

// Half the int range either way leaves room for adding a pixel offset.
constexpr double kSatLimit = 1 << 30;

int Clamp(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

// Single precision 0.1, as the zoom's right and top limits use it.
constexpr double kMinZoomSingle = static_cast<double>(static_cast<float>(kMinZoom));

float ToFloat(double value) {
    // Out-of-range doubles would make the conversion undefined.
    constexpr double kFloatMax = 3.4028234663852886e38;
    if (value > kFloatMax)
        return INFINITY;
    if (value < -kFloatMax)
        return -INFINITY;
    return static_cast<float>(value);
}

int LabelStart(int x, int width, const CPixelRect& plot) {
    const int half = (plot.right - plot.left - 1) / 2;
    return x - plot.left > half ? x - width : x;
}

} // namespace

int TruncSat(double v) {
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(std::trunc(v), -kSatLimit, kSatLimit));
}

CMarkerPlaces PlaceMarkers(const CPixelRect& plot, double viewLeft, double viewRight, float markerA,
                           float markerB, CPixelSize labelA, CPixelSize labelB) {
    const float k = ToFloat((plot.right - plot.left) / (viewRight - viewLeft));
    const int last = std::max(plot.left, plot.right - 1);
    const auto column = [&](float marker) {
        return Clamp(plot.left + TruncSat((marker - viewLeft) * k), plot.left, last);
    };
    CMarkerPlaces places;
    places.a.x = column(markerA);
    places.b.x = column(markerB);
    const int startA = LabelStart(places.a.x, labelA.cx, plot);
    const int startB = LabelStart(places.b.x, labelB.cx, plot);
    const bool overlap = (startB >= startA && startB <= startA + labelA.cx) ||
                         (startA >= startB && startA <= startB + labelB.cx);
    places.a.label = {startA, plot.top};
    places.b.label = {startB, overlap ? plot.top + labelA.cy : plot.top};
    places.a.lineTop = plot.top + labelA.cy;
    places.b.lineTop = places.b.label.y + labelB.cy;
    return places;
}

int MarkerGrabX(const CPixelRect& plot, double viewLeft, double viewRight, float marker) {
    const double k = (plot.right - plot.left - 1) / (viewRight - viewLeft);
    const int last = std::max(plot.left, plot.right - 1);
    return Clamp(TruncSat(plot.left + k * (marker - viewLeft)), plot.left, last);
}

int PickMarker(const CPixelRect& plot, double viewLeft, double viewRight, float markerA,
               float markerB, int x) {
    const int dA = std::abs(x - MarkerGrabX(plot, viewLeft, viewRight, markerA));
    const int dB = std::abs(x - MarkerGrabX(plot, viewLeft, viewRight, markerB));
    if (dB < dA)
        return dB <= kMarkerGrabDistance ? 1 : -1;
    return dA <= kMarkerGrabDistance ? 0 : -1;
}

std::optional<float> MarkerAtColumn(const CPixelRect& plot, double viewLeft, double viewRight,
                                    int x) {
    const int columns = plot.right - plot.left - 1;
    if (columns <= 0)
        return std::nullopt;
    const float marker = ToFloat(viewLeft + (viewRight - viewLeft) / columns * (x - plot.left));
    if (!std::isfinite(marker))
        return std::nullopt;
    return marker;
}

std::optional<CScreenPoint> EventIconPlace(const CPixelRect& plot, double viewLeft,
                                           double viewRight, float position) {
    const int w = plot.right - plot.left;
    const double s = w / (viewRight - viewLeft);
    if (!(viewRight > viewLeft) || !std::isfinite(s))
        return std::nullopt;
    const int x = Rnd((position - viewLeft) * s);
    if (x <= 4 || x > w - 5)
        return std::nullopt;
    return CScreenPoint{plot.left + x - 4, plot.bottom - 9};
}

std::optional<CWorldRect> ZoomToBox(const CWorldWindow& world, const CPixelRect& plot,
                                    const CPixelRect& box) {
    const int columns = plot.right - plot.left - 1;
    const int rows = plot.bottom - plot.top - 1;
    if (columns <= 0 || rows <= 0)
        return std::nullopt;
    const int boxLeft = std::min(box.left, box.right);
    const int boxRight = std::max(box.left, box.right);
    const int boxTop = std::min(box.top, box.bottom);
    const int boxBottom = std::max(box.top, box.bottom);
    const double kx = (world.viewRight - world.viewLeft) / columns;
    const double ky = (world.viewBottom - world.viewTop) / rows;
    CWorldRect zoom;
    zoom.left = (boxLeft - plot.left) * kx + world.viewLeft;
    zoom.right = (boxRight - plot.left) * kx + world.viewLeft;
    zoom.top = (boxTop - plot.top) * ky + world.viewTop;
    zoom.bottom = (boxBottom - plot.top) * ky + world.viewTop;

    // Each limit in turn, lower then upper, so a later one wins over an earlier one.
    const auto limit = [](double value, double low, double high) {
        value = value < low ? low : value;
        return value > high ? high : value;
    };
    zoom.left = limit(zoom.left, world.fullLeft, world.viewRight - kMinZoom);
    zoom.right = limit(zoom.right, world.viewLeft + kMinZoomSingle, world.fullRight);
    zoom.top = limit(zoom.top, world.viewBottom + kMinZoomSingle, world.fullTop);
    zoom.bottom = limit(zoom.bottom, world.fullBottom, world.viewTop - kMinZoom);
    if (zoom.right - zoom.left < kMinZoom) {
        zoom.right = zoom.left + kMinZoom;
        if (zoom.right > world.fullRight) {
            zoom.left = world.fullRight - kMinZoom;
            zoom.right = world.fullRight;
        }
    }
    if (zoom.top - zoom.bottom < kMinZoom) {
        zoom.bottom = zoom.top - kMinZoom;
        if (zoom.bottom < world.fullBottom) {
            zoom.top = world.fullBottom + kMinZoom;
            zoom.bottom = world.fullBottom;
        }
    }
    // A range narrower than the thinnest zoom (a short patch cord) can only be shown whole;
    // widening the box would carry the window past the range's ends.
    if (world.fullRight - world.fullLeft < kMinZoom) {
        zoom.left = world.fullLeft;
        zoom.right = world.fullRight;
    }
    if (world.fullTop - world.fullBottom < kMinZoom) {
        zoom.top = world.fullTop;
        zoom.bottom = world.fullBottom;
    }
    return zoom;
}

float LevelShiftOffset(const CWorldWindow& world, const CPixelRect& plot, int startY, int y) {
    const int height = plot.bottom - plot.top;
    if (height <= 0)
        return 0.0f;
    const float offset =
        -ToFloat((world.viewBottom - world.viewTop) / height) * static_cast<float>(y - startY);
    // A window that is not a number must not turn every level into one.
    return std::isfinite(offset) ? offset : 0.0f;
}

void ClampViewToFull(CWorldWindow& world) {
    world.viewTop = std::min(world.viewTop, world.fullTop);
    world.viewBottom = std::max(world.viewBottom, world.fullBottom);
    world.viewLeft = std::max(world.viewLeft, world.fullLeft);
    world.viewRight = std::min(world.viewRight, world.fullRight);
    if (!(world.viewLeft < world.viewRight)) {
        world.viewLeft = world.fullLeft;
        world.viewRight = world.fullRight;
    }
    if (!(world.viewBottom < world.viewTop)) {
        world.viewTop = world.fullTop;
        world.viewBottom = world.fullBottom;
    }
}

void SetFullRange(CWorldWindow& world, const CWorldRect& full) {
    if (world.viewLeft == world.fullLeft && world.viewRight == world.fullRight) {
        world.viewLeft = full.left;
        world.viewRight = full.right;
    }
    if (world.viewTop == world.fullTop && world.viewBottom == world.fullBottom) {
        world.viewTop = full.top;
        world.viewBottom = full.bottom;
    }
    world.fullLeft = full.left;
    world.fullTop = full.top;
    world.fullRight = full.right;
    world.fullBottom = full.bottom;
    ClampViewToFull(world);
}

std::optional<CWorldRect> SignalsExtent(std::span<const CSignal* const> signals) {
    const auto lower = [](double& range, double value) {
        if (std::isfinite(value) && value < range)
            range = value;
    };
    const auto raise = [](double& range, double value) {
        if (std::isfinite(value) && value > range)
            range = value;
    };
    CWorldRect extent;
    bool any = false;
    for (const CSignal* signal : signals) {
        if (!signal)
            continue;
        lower(extent.left, signal->GetStartDistance());
        raise(extent.right, signal->GetEndDistance());
        raise(extent.top, signal->GetMaxLevel());
        lower(extent.bottom, signal->GetMinLevel());
        any = true;
    }
    if (!any)
        return std::nullopt;
    return extent;
}

void KeepMarkersInRange(float& a, float& b, double left, double right) {
    if (!(left < right))
        return;
    const float low = static_cast<float>(left);
    float high = static_cast<float>(right);
    if (static_cast<double>(high) >= right)
        high = std::nextafter(high, low);
    for (float* marker : {&a, &b}) {
        if (!(*marker >= low))
            *marker = low;
        else if (*marker > high)
            *marker = high;
    }
}

std::optional<CPixelRect> OverviewFrame(const CPixelRect& client, const CWorldRect& extent,
                                        const CWorldRect& view) {
    const double kx = client.Width() / std::fabs(extent.right - extent.left);
    const double ky = client.Height() / std::fabs(extent.bottom - extent.top);
    if (!std::isfinite(kx) || !std::isfinite(ky))
        return std::nullopt;
    CPixelRect frame;
    frame.left = std::max(client.left, client.left + TruncSat(kx * (view.left - extent.left)));
    frame.right = std::min(client.right, client.left + TruncSat(kx * (view.right - extent.left)));
    frame.top = std::max(client.top, client.top + TruncSat(ky * (extent.top - view.top)));
    frame.bottom = std::min(client.bottom, client.top + TruncSat(ky * (extent.top - view.bottom)));
    return frame;
}

void DrawMarkers(CDrawSurface& surface, const CPixelRect& plot, double viewLeft, double viewRight,
                 float markerA, float markerB) {
    const QString textA = QStringLiteral("A : %1 km").arg(FormatNumber(markerA, 3));
    const QString textB = QStringLiteral("B : %1 km").arg(FormatNumber(markerB, 3));
    const CMarkerPlaces places =
        PlaceMarkers(plot, viewLeft, viewRight, markerA, markerB, surface.MeasureText(textA),
                     surface.MeasureText(textB));
    surface.MoveTo(places.a.x, places.a.lineTop);
    surface.LineTo(places.a.x, plot.bottom);
    surface.MoveTo(places.b.x, places.b.lineTop);
    surface.LineTo(places.b.x, plot.bottom);
    surface.DrawText(places.a.label.x, places.a.label.y, textA);
    surface.DrawText(places.b.label.x, places.b.label.y, textB);
}
