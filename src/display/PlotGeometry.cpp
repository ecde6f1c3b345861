#include "display/PlotGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

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

std::vector<CSegment> GridSegments(const CPixelRect& plot, GridStyle style) {
    std::vector<CSegment> segments;
    const int l = plot.left;
    const int t = plot.top;
    const int r = plot.right;
    const int b = plot.bottom;
    const double dx = (r - l - 1) * 0.1;
    const double dy = (b - t - 1) * 0.1;
    if (style == GridStyle::Solid || style == GridStyle::Dashes || style == GridStyle::Dots) {
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
    } else if (style == GridStyle::Broken) {
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

PenStyle GridPenStyle(GridStyle style) {
    if (style == GridStyle::Dashes)
        return PenStyle::Dash;
    if (style == GridStyle::Dots)
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

HitClass ClassOf(HitCode code) {
    switch (static_cast<int>(code) & 0xF00) {
    case 0x100:
        return HitClass::Button;
    case 0x200:
        return HitClass::Thumb;
    case 0x400:
        return HitClass::Page;
    default:
        return HitClass::None;
    }
}

bool Repeats(HitCode code) {
    return (static_cast<int>(code) & 0x1000) != 0;
}

HitCode ButtonCode(std::size_t i) {
    return static_cast<HitCode>(static_cast<int>(HitCode::ExtendLeft) + static_cast<int>(i));
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

int ButtonImage(HitCode code) {
    switch (code) {
    case HitCode::Corner:
        return 8;
    case HitCode::ExtendLeft:
    case HitCode::ShrinkRight:
        return 4;
    case HitCode::ShrinkLeft:
    case HitCode::ExtendRight:
        return 5;
    case HitCode::PanLeft:
        return 0;
    case HitCode::PanRight:
        return 1;
    case HitCode::ExtendUp:
    case HitCode::ShrinkBottom:
        return 7;
    case HitCode::ShrinkTop:
    case HitCode::ExtendDown:
        return 6;
    case HitCode::PanUp:
        return 3;
    case HitCode::PanDown:
        return 2;
    default:
        return -1;
    }
}

HitCode BarHitTest(const CBarLayout& bars, int x, int y) {
    if (!bars.valid)
        return HitCode::None;
    if (bars.corner.HoldsInclusive(x, y))
        return HitCode::Corner;
    for (std::size_t i = 0; i < bars.buttons.size(); ++i) {
        if (bars.buttons[i].HoldsInclusive(x, y))
            return ButtonCode(i);
    }
    const CPixelRect& ht = bars.horzTrack;
    if (x >= ht.left && x <= ht.right && y >= bars.horzBar.top && y <= bars.horzBar.bottom) {
        const CPixelRect& thumb = bars.horzThumb;
        if (x <= thumb.left)
            return HitCode::PageLeft;
        if (x <= thumb.left + 2)
            return HitCode::ThumbLeft;
        if (x <= thumb.right - 3)
            return HitCode::HorzThumb;
        if (x < thumb.right)
            return HitCode::ThumbRight;
        return HitCode::PageRight;
    }
    const CPixelRect& vt = bars.vertTrack;
    if (y >= vt.top && y <= vt.bottom && x >= bars.vertBar.left && x <= bars.vertBar.right) {
        const CPixelRect& thumb = bars.vertThumb;
        if (y <= thumb.top)
            return HitCode::PageUp;
        if (y <= thumb.top + 2)
            return HitCode::ThumbTop;
        if (y <= thumb.bottom - 3)
            return HitCode::VertThumb;
        if (y < thumb.bottom)
            return HitCode::ThumbBottom;
        return HitCode::PageDown;
    }
    return HitCode::None;
}

bool PageAreaHolds(const CBarLayout& bars, HitCode code, CScreenPoint p) {
    const CPixelRect& h = bars.horzBar;
    const CPixelRect& v = bars.vertBar;
    const bool inHorzBar = p.y >= h.top && p.y <= h.bottom;
    const bool inVertBar = p.x >= v.left && p.x <= v.right;
    switch (code) {
    case HitCode::PageLeft:
        return inHorzBar && p.x >= bars.horzTrack.left && p.x <= bars.horzThumb.left - 1;
    case HitCode::PageRight:
        return inHorzBar && p.x >= bars.horzThumb.right + 1 && p.x <= bars.horzTrack.right;
    case HitCode::PageUp:
        return inVertBar && p.y >= bars.vertTrack.top && p.y <= bars.vertThumb.top - 1;
    case HitCode::PageDown:
        return inVertBar && p.y >= bars.vertThumb.bottom + 1 && p.y <= bars.vertTrack.bottom;
    default:
        return false;
    }
}

CPixelRect PageHighlight(const CBarLayout& bars, HitCode code) {
    const CPixelRect& ht = bars.horzTrack;
    const CPixelRect& vt = bars.vertTrack;
    switch (code) {
    case HitCode::PageLeft:
        return {ht.left, ht.top, bars.horzThumb.left, ht.bottom};
    case HitCode::PageRight:
        return {bars.horzThumb.right, ht.top, ht.right, ht.bottom};
    case HitCode::PageUp:
        return {vt.left, vt.top, vt.right, bars.vertThumb.top};
    case HitCode::PageDown:
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

bool ApplyBarAction(CWorldWindow& w, HitCode code) {
    const double page = kPageSteps * w.step;
    switch (code) {
    case HitCode::Corner:
        w.viewLeft = w.fullLeft;
        w.viewRight = w.fullRight;
        w.viewTop = w.fullTop;
        w.viewBottom = w.fullBottom;
        return true;
    case HitCode::ExtendLeft:
        w.viewLeft = std::max(w.viewLeft - w.step, w.fullLeft);
        return true;
    case HitCode::ExtendRight:
        w.viewRight = std::min(w.viewRight + w.step, w.fullRight);
        return true;
    case HitCode::ExtendUp:
        w.viewTop = std::min(w.viewTop + w.step, w.fullTop);
        return true;
    case HitCode::ExtendDown:
        w.viewBottom = std::max(w.viewBottom - w.step, w.fullBottom);
        return true;
    // A window already narrower than step (a full range that small) stays as it is rather
    // than growing out of the full range.
    case HitCode::ShrinkLeft:
        w.viewLeft = std::max(w.viewLeft, std::min(w.viewLeft + w.step, w.viewRight - w.step));
        return true;
    case HitCode::ShrinkRight:
        w.viewRight = std::min(w.viewRight, std::max(w.viewRight - w.step, w.viewLeft + w.step));
        return true;
    case HitCode::ShrinkTop:
        w.viewTop = std::min(w.viewTop, std::max(w.viewTop - w.step, w.viewBottom + w.step));
        return true;
    case HitCode::ShrinkBottom:
        w.viewBottom = std::max(w.viewBottom, std::min(w.viewBottom + w.step, w.viewTop - w.step));
        return true;
    case HitCode::PanLeft:
        PanLeft(w, w.step);
        return true;
    case HitCode::PanRight:
        PanRight(w, w.step);
        return true;
    case HitCode::PanUp:
        PanUp(w, w.step);
        return true;
    case HitCode::PanDown:
        PanDown(w, w.step);
        return true;
    case HitCode::PageLeft:
        PanLeft(w, page);
        return true;
    case HitCode::PageRight:
        PanRight(w, page);
        return true;
    case HitCode::PageUp:
        PanUp(w, page);
        return true;
    case HitCode::PageDown:
        PanDown(w, page);
        return true;
    default:
        return false;
    }
}

void ApplyThumbDrag(CWorldWindow& w, HitCode dragCode, CScreenPoint from, CScreenPoint to,
                    const CBarLayout& bars) {
    // Where two limits contradict (a window already narrower than step), the full range
    // wins: it is applied last.
    const int horzSpan = bars.horzTrack.Width() - kMinThumb;
    const int vertSpan = bars.vertTrack.Height() - kMinThumb;
    switch (dragCode) {
    case HitCode::HorzThumb:
    case HitCode::ThumbLeft:
    case HitCode::ThumbRight: {
        if (horzSpan <= 0)
            return;
        double e = (from.x - to.x) * (w.fullRight - w.fullLeft) / horzSpan;
        if (dragCode == HitCode::HorzThumb) {
            e = std::min(std::max(e, w.viewRight - w.fullRight), w.viewLeft - w.fullLeft);
            w.viewLeft -= e;
            w.viewRight -= e;
        } else if (dragCode == HitCode::ThumbLeft) {
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
    case HitCode::VertThumb:
    case HitCode::ThumbTop:
    case HitCode::ThumbBottom: {
        if (vertSpan <= 0)
            return;
        double e = (from.y - to.y) * (w.fullTop - w.fullBottom) / vertSpan;
        if (dragCode == HitCode::VertThumb) {
            e = std::min(std::max(e, w.fullBottom - w.viewBottom), w.fullTop - w.viewTop);
            w.viewTop += e;
            w.viewBottom += e;
        } else if (dragCode == HitCode::ThumbTop) {
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
