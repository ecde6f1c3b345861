#include "display/PlotGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

int Rnd(double v) {
    const double shifted = v + 0.5;
    if (std::isnan(shifted))
        return 0;
    if (shifted >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (shifted <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(shifted);
}

QString FormatNumber(double value, int decimals) {
    if (!std::isfinite(value))
        return QStringLiteral("--");
    // Beyond 17 decimals a double holds nothing more.
    const int n = std::clamp(decimals, 0, 17);
    char buffer[400]; // the largest double has 309 integer digits
    std::snprintf(buffer, sizeof buffer, "%.*f", n, std::fabs(value));
    std::string text = buffer;
    if (n > 0) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    // A tiny negative value such as a tenth of a window that came out as -1e-17 must not
    // read "-0".
    if (value < 0 && text != "0")
        text.insert(text.begin(), '-');
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

CScaleTicks ScaleTicks(int first, int last) {
    CScaleTicks ticks;
    const double s = (last - first - 1) * 0.1;
    ticks.spacing = s;
    ticks.minorLevel = (s >= 5 ? 1 : 0) + (s >= 20 ? 1 : 0);
    for (int i = 0; i <= 10; ++i)
        ticks.major[static_cast<std::size_t>(i)] = first + Rnd(i * s);
    if (ticks.minorLevel == 0)
        return ticks;
    for (int i = 0; i < 10; ++i) {
        for (int k = 0; k < 10; ++k) {
            const bool mid = k == 5;
            if (!mid && ticks.minorLevel < 2)
                continue;
            const int pos = first + static_cast<int>(k * s * 0.1 + i * s + 0.5);
            ticks.minor.push_back({pos, mid});
        }
    }
    return ticks;
}

double ScaleValue(double from, double to, int i) {
    return from + i * (to - from) * 0.1;
}

CPixelRect ScalePlotRect(const CPixelRect& area, bool legend, int marginX, int marginY,
                         CPixelSize vertCaption, CPixelSize horzCaption,
                         const CCaptionSides& sides) {
    CPixelRect plot;
    if (!legend) {
        plot = area.Shrunk(3, 3);
    } else {
        plot = area.Shrunk(marginX, marginY);
        if (sides.left)
            plot.left += vertCaption.cy;
        if (sides.right)
            plot.right -= vertCaption.cy;
        if (sides.top)
            plot.top += horzCaption.cy;
        if (sides.bottom)
            plot.bottom -= horzCaption.cy;
    }
    // A window smaller than its margins gets an empty plot, not an inverted one, so that
    // nothing below divides by a negative or zero width unawares.
    plot.right = std::max(plot.right, plot.left);
    plot.bottom = std::max(plot.bottom, plot.top);
    return plot;
}

CScreenPoint HorzLabelAbove(int x, CPixelSize text, const CPixelRect& plot) {
    return {x - (text.cx + 1) / 2, plot.top - text.cy - 8};
}

CScreenPoint HorzLabelBelow(int x, CPixelSize text, const CPixelRect& plot) {
    return {x - (text.cx + 1) / 2, plot.bottom + 7};
}

CScreenPoint VertLabelLeft(int y, CPixelSize text, const CPixelRect& plot) {
    return {plot.left - text.cx - 8, y - (text.cy + 1) / 2};
}

CScreenPoint VertLabelRight(int y, CPixelSize text, const CPixelRect& plot) {
    return {plot.right + 7, y - (text.cy + 1) / 2};
}

int HorzCaptionX(const CPixelRect& plot, double spacing, CPixelSize caption) {
    return plot.left + static_cast<int>(5 * spacing - caption.cx / 2 + 0.5);
}

int VertCaptionY(const CPixelRect& plot, double spacing, CPixelSize caption) {
    return plot.top + static_cast<int>((caption.cx + 1) / 2 + 5 * spacing);
}

std::array<CScreenPoint, 5> FramePoints(const CPixelRect& plot) {
    const int l = plot.left - 1;
    const int t = plot.top - 1;
    return {{{l, t}, {l, plot.bottom}, {plot.right, plot.bottom}, {plot.right, t}, {l, t}}};
}

std::vector<CSegment> GridSegments(const CPixelRect& plot, int style) {
    std::vector<CSegment> segments;
    const int l = plot.left;
    const int t = plot.top;
    const int r = plot.right;
    const int b = plot.bottom;
    const double dx = (r - l - 1) * 0.1;
    const double dy = (b - t - 1) * 0.1;
    if (style >= 0 && style <= 2) {
        // A plot narrower or lower than ten pixels would put two grid lines on one column or
        // row, and under NOT-XOR the second would wipe out the first: each is drawn once.
        std::vector<int> rows;
        for (int i = 1; i <= 9; ++i) {
            const int y = t + Rnd(i * dy);
            if (rows.empty() || y > rows.back())
                rows.push_back(y);
        }
        int start = l;
        int previous = l - 1;
        for (int k = 1; k <= 9; ++k) {
            const int x = l + Rnd(k * dx);
            if (x <= previous)
                continue;
            previous = x;
            segments.push_back({{x, t}, {x, b}});
            for (const int y : rows)
                segments.push_back({{start, y}, {x, y}});
            start = x + 1;
        }
        for (const int y : rows)
            segments.push_back({{start, y}, {r, y}});
    } else if (style == 3) {
        for (int i = 1; i <= 9; ++i) {
            const int x = l + Rnd(i * dx);
            segments.push_back({{x, t}, {x, t + 10}});
            segments.push_back({{x, b}, {x, b - 10}});
            const int y = t + Rnd(i * dy);
            segments.push_back({{l, y}, {l + 10, y}});
            segments.push_back({{r, y}, {r - 10, y}});
        }
    }
    return segments;
}

PenStyle GridPenStyle(int style) {
    if (style == 1)
        return PenStyle::Dash;
    if (style == 2)
        return PenStyle::Dot;
    return PenStyle::Solid;
}

namespace {

// Perceived brightness 0..255 of a 0x00BBGGRR colour.
int Luma(std::uint32_t colour) {
    const int r = static_cast<int>(colour & 0xFF);
    const int g = static_cast<int>((colour >> 8) & 0xFF);
    const int b = static_cast<int>((colour >> 16) & 0xFF);
    return (r * 299 + g * 587 + b * 114) / 1000;
}

} // namespace

std::uint32_t GridColourOn(std::uint32_t grid, std::uint32_t background) {
    // Less apart than this, a one-pixel dotted line is lost on the screen and on paper.
    constexpr int kLeastContrast = 48;
    const int back = Luma(background);
    if (std::abs(Luma(grid) - back) >= kLeastContrast)
        return grid & 0xFFFFFF;
    return back >= 128 ? 0x404040 : 0xC0C0C0;
}

std::pair<int, int> ThumbSpan(int trackFrom, int trackTo, double fullFrom, double fullTo,
                              double viewFrom, double viewTo) {
    const double k = (trackTo - trackFrom - kMinThumb) / (fullTo - fullFrom);
    // An empty full range (a single point) or a track too short for a thumb: nothing to
    // show but the whole track.
    if (trackTo - trackFrom <= kMinThumb || !std::isfinite(k))
        return {trackFrom, trackTo};
    int start = trackFrom + Rnd(k * (viewFrom - fullFrom));
    int end = trackFrom + kMinThumb + Rnd(k * (viewTo - fullFrom));
    // Only a window outside the full range could reach past the track.
    start = std::clamp(start, trackFrom, trackTo);
    end = std::clamp(end, start, trackTo);
    return {start, end};
}

CBarLayout LayoutBars(const CPixelRect& client, int barSize, const CWorldWindow& world) {
    const int s = barSize;
    CBarLayout bars;
    bars.valid = true;
    bars.horzBar = {client.left, client.bottom - s, client.right - s, client.bottom};
    bars.vertBar = {client.right - s, client.top, client.right, client.bottom - s};
    bars.corner = {client.right - s, client.bottom - s, client.right, client.bottom};

    const CPixelRect& h = bars.horzBar;
    const int horzEdges[6][2] = {
        {h.left, h.left + s},   {h.left + s, h.left + 2 * s},   {h.left + 2 * s, h.left + 3 * s},
        {h.right - s, h.right}, {h.right - 2 * s, h.right - s}, {h.right - 3 * s, h.right - 2 * s}};
    const CPixelRect& v = bars.vertBar;
    const int vertEdges[6][2] = {{v.top, v.top + s},
                                 {v.top + s, v.top + 2 * s},
                                 {v.top + 2 * s, v.top + 3 * s},
                                 {v.bottom - s, v.bottom},
                                 {v.bottom - 2 * s, v.bottom - s},
                                 {v.bottom - 3 * s, v.bottom - 2 * s}};
    for (std::size_t i = 0; i < 6; ++i) {
        bars.buttons[i] = {horzEdges[i][0], h.top, horzEdges[i][1], h.bottom};
        bars.buttons[i + 6] = {v.left, vertEdges[i][0], v.right, vertEdges[i][1]};
    }

    // A bar too short for its six buttons has an empty track.
    bars.horzTrack = {h.left + 3 * s, h.top, std::max(h.left + 3 * s, h.right - 3 * s), h.bottom};
    bars.vertTrack = {v.left, v.top + 3 * s, v.right, std::max(v.top + 3 * s, v.bottom - 3 * s)};

    const auto [left, right] = ThumbSpan(bars.horzTrack.left, bars.horzTrack.right, world.fullLeft,
                                         world.fullRight, world.viewLeft, world.viewRight);
    bars.horzThumb = {left, h.top, right, h.bottom};
    const auto [top, bottom] = ThumbSpan(bars.vertTrack.top, bars.vertTrack.bottom, world.fullTop,
                                         world.fullBottom, world.viewTop, world.viewBottom);
    bars.vertThumb = {v.left, top, v.right, bottom};
    return bars;
}

int ButtonImage(int code) {
    switch (code) {
    case kHitCorner:
        return 8;
    case kHitExtendLeft:
    case kHitShrinkRight:
        return 4;
    case kHitShrinkLeft:
    case kHitExtendRight:
        return 5;
    case kHitPanLeft:
        return 0;
    case kHitPanRight:
        return 1;
    case kHitExtendUp:
    case kHitShrinkBottom:
        return 7;
    case kHitShrinkTop:
    case kHitExtendDown:
        return 6;
    case kHitPanUp:
        return 3;
    case kHitPanDown:
        return 2;
    default:
        return -1;
    }
}

int BarHitTest(const CBarLayout& bars, int x, int y) {
    if (!bars.valid)
        return kHitNone;
    if (bars.corner.HoldsInclusive(x, y))
        return kHitCorner;
    for (std::size_t i = 0; i < bars.buttons.size(); ++i) {
        if (bars.buttons[i].HoldsInclusive(x, y))
            return kHitExtendLeft + static_cast<int>(i);
    }
    const CPixelRect& ht = bars.horzTrack;
    if (x >= ht.left && x <= ht.right && y >= bars.horzBar.top && y <= bars.horzBar.bottom) {
        const CPixelRect& thumb = bars.horzThumb;
        if (x <= thumb.left)
            return kHitPageLeft;
        if (x <= thumb.left + 2)
            return kHitThumbLeft;
        if (x <= thumb.right - 3)
            return kHitHorzThumb;
        if (x < thumb.right)
            return kHitThumbRight;
        return kHitPageRight;
    }
    const CPixelRect& vt = bars.vertTrack;
    if (y >= vt.top && y <= vt.bottom && x >= bars.vertBar.left && x <= bars.vertBar.right) {
        const CPixelRect& thumb = bars.vertThumb;
        if (y <= thumb.top)
            return kHitPageUp;
        if (y <= thumb.top + 2)
            return kHitThumbTop;
        if (y <= thumb.bottom - 3)
            return kHitVertThumb;
        if (y < thumb.bottom)
            return kHitThumbBottom;
        return kHitPageDown;
    }
    return kHitNone;
}

bool PageAreaHolds(const CBarLayout& bars, int code, CScreenPoint p) {
    const CPixelRect& h = bars.horzBar;
    const CPixelRect& v = bars.vertBar;
    const bool inHorzBar = p.y >= h.top && p.y <= h.bottom;
    const bool inVertBar = p.x >= v.left && p.x <= v.right;
    switch (code) {
    case kHitPageLeft:
        return inHorzBar && p.x >= bars.horzTrack.left && p.x <= bars.horzThumb.left - 1;
    case kHitPageRight:
        return inHorzBar && p.x >= bars.horzThumb.right + 1 && p.x <= bars.horzTrack.right;
    case kHitPageUp:
        return inVertBar && p.y >= bars.vertTrack.top && p.y <= bars.vertThumb.top - 1;
    case kHitPageDown:
        return inVertBar && p.y >= bars.vertThumb.bottom + 1 && p.y <= bars.vertTrack.bottom;
    default:
        return false;
    }
}

CPixelRect PageHighlight(const CBarLayout& bars, int code) {
    const CPixelRect& ht = bars.horzTrack;
    const CPixelRect& vt = bars.vertTrack;
    switch (code) {
    case kHitPageLeft:
        return {ht.left, ht.top, bars.horzThumb.left, ht.bottom};
    case kHitPageRight:
        return {bars.horzThumb.right, ht.top, ht.right, ht.bottom};
    case kHitPageUp:
        return {vt.left, vt.top, vt.right, bars.vertThumb.top};
    case kHitPageDown:
        return {vt.left, bars.vertThumb.bottom, vt.right, vt.bottom};
    default:
        return {};
    }
}

namespace {

// Pans keep the window's size and stop flush with the end of the full range.
void PanLeft(CWorldWindow& w, double d) {
    if (w.fullLeft + d > w.viewLeft) {
        w.viewRight = w.fullLeft + (w.viewRight - w.viewLeft);
        w.viewLeft = w.fullLeft;
    } else {
        w.viewLeft -= d;
        w.viewRight -= d;
    }
}

void PanRight(CWorldWindow& w, double d) {
    if (w.viewRight + d > w.fullRight) {
        w.viewLeft = w.fullRight - (w.viewRight - w.viewLeft);
        w.viewRight = w.fullRight;
    } else {
        w.viewLeft += d;
        w.viewRight += d;
    }
}

void PanUp(CWorldWindow& w, double d) {
    if (w.viewTop + d > w.fullTop) {
        w.viewBottom = w.fullTop - (w.viewTop - w.viewBottom);
        w.viewTop = w.fullTop;
    } else {
        w.viewTop += d;
        w.viewBottom += d;
    }
}

void PanDown(CWorldWindow& w, double d) {
    if (w.fullBottom + d > w.viewBottom) {
        w.viewTop = w.fullBottom + (w.viewTop - w.viewBottom);
        w.viewBottom = w.fullBottom;
    } else {
        w.viewTop -= d;
        w.viewBottom -= d;
    }
}

} // namespace

bool ApplyBarAction(CWorldWindow& w, int code) {
    const double page = kPageSteps * w.step;
    switch (code) {
    case kHitCorner:
        w.viewLeft = w.fullLeft;
        w.viewRight = w.fullRight;
        w.viewTop = w.fullTop;
        w.viewBottom = w.fullBottom;
        return true;
    case kHitExtendLeft:
        w.viewLeft = std::max(w.viewLeft - w.step, w.fullLeft);
        return true;
    case kHitExtendRight:
        w.viewRight = std::min(w.viewRight + w.step, w.fullRight);
        return true;
    case kHitExtendUp:
        w.viewTop = std::min(w.viewTop + w.step, w.fullTop);
        return true;
    case kHitExtendDown:
        w.viewBottom = std::max(w.viewBottom - w.step, w.fullBottom);
        return true;
    // A window already narrower than step (a full range that small) stays as it is rather
    // than growing out of the full range.
    case kHitShrinkLeft:
        w.viewLeft = std::max(w.viewLeft, std::min(w.viewLeft + w.step, w.viewRight - w.step));
        return true;
    case kHitShrinkRight:
        w.viewRight = std::min(w.viewRight, std::max(w.viewRight - w.step, w.viewLeft + w.step));
        return true;
    case kHitShrinkTop:
        w.viewTop = std::min(w.viewTop, std::max(w.viewTop - w.step, w.viewBottom + w.step));
        return true;
    case kHitShrinkBottom:
        w.viewBottom = std::max(w.viewBottom, std::min(w.viewBottom + w.step, w.viewTop - w.step));
        return true;
    case kHitPanLeft:
        PanLeft(w, w.step);
        return true;
    case kHitPanRight:
        PanRight(w, w.step);
        return true;
    case kHitPanUp:
        PanUp(w, w.step);
        return true;
    case kHitPanDown:
        PanDown(w, w.step);
        return true;
    case kHitPageLeft:
        PanLeft(w, page);
        return true;
    case kHitPageRight:
        PanRight(w, page);
        return true;
    case kHitPageUp:
        PanUp(w, page);
        return true;
    case kHitPageDown:
        PanDown(w, page);
        return true;
    default:
        return false;
    }
}

void ApplyThumbDrag(CWorldWindow& w, int dragCode, CScreenPoint from, CScreenPoint to,
                    const CBarLayout& bars) {
    // Where two limits contradict (a window already narrower than step), the full range
    // wins: it is applied last.
    const int horzSpan = bars.horzTrack.Width() - kMinThumb;
    const int vertSpan = bars.vertTrack.Height() - kMinThumb;
    switch (dragCode) {
    case kHitHorzThumb:
    case kHitThumbLeft:
    case kHitThumbRight: {
        if (horzSpan <= 0)
            return;
        double e = (from.x - to.x) * (w.fullRight - w.fullLeft) / horzSpan;
        if (dragCode == kHitHorzThumb) {
            e = std::min(std::max(e, w.viewRight - w.fullRight), w.viewLeft - w.fullLeft);
            w.viewLeft -= e;
            w.viewRight -= e;
        } else if (dragCode == kHitThumbLeft) {
            e = std::max(e, w.viewLeft - w.viewRight + w.step);
            e = std::min(e, w.viewLeft - w.fullLeft);
            w.viewLeft -= e;
        } else {
            e = std::min(e, w.viewRight - w.viewLeft - w.step);
            e = std::max(e, w.viewRight - w.fullRight);
            w.viewRight -= e;
        }
        return;
    }
    case kHitVertThumb:
    case kHitThumbTop:
    case kHitThumbBottom: {
        if (vertSpan <= 0)
            return;
        double e = (from.y - to.y) * (w.fullTop - w.fullBottom) / vertSpan;
        if (dragCode == kHitVertThumb) {
            e = std::min(std::max(e, w.fullBottom - w.viewBottom), w.fullTop - w.viewTop);
            w.viewTop += e;
            w.viewBottom += e;
        } else if (dragCode == kHitThumbTop) {
            e = std::max(e, w.step + w.viewBottom - w.viewTop);
            e = std::min(e, w.fullTop - w.viewTop);
            w.viewTop += e;
        } else {
            e = std::min(e, w.viewTop - w.viewBottom - w.step);
            e = std::max(e, w.fullBottom - w.viewBottom);
            w.viewBottom += e;
        }
        return;
    }
    default:
        return;
    }
}

BarCursor BarCursorAt(const CBarLayout& bars, int x, int y) {
    if (!bars.valid)
        return BarCursor::Arrow;
    const CPixelRect& h = bars.horzThumb;
    if (y >= bars.horzBar.top && y <= bars.horzBar.bottom &&
        ((x > h.left && x < h.left + 3) || (x > h.right - 3 && x < h.right)))
        return BarCursor::HorzResize;
    const CPixelRect& v = bars.vertThumb;
    if (x >= bars.vertBar.left && x <= bars.vertBar.right &&
        ((y > v.top && y < v.top + 3) || (y > v.bottom - 3 && y < v.bottom)))
        return BarCursor::VertResize;
    return BarCursor::Arrow;
}

CPattern HalftonePattern(std::uint32_t buttonFace) {
    CPattern pattern;
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column)
            pattern.pixels[static_cast<std::size_t>(row * 8 + column)] =
                (row + column) % 2 != 0 ? buttonFace : 0xFFFFFF;
    }
    return pattern;
}
