#pragma once
// The plot's geometry as plain functions of values: scale ticks and label places, the grid,
// the zoom bars with their hit codes, and what the bars do to the visible window. Pixels are
// device pixels, world values are the plot's units (km across, dB upwards).

#include "display/DrawSurface.h"

#include <QString>

#include <array>
#include <utility>
#include <vector>

// The visible window and the range it may move in. The vertical axis grows upwards, so top
// holds the larger value. The bars keep fullLeft <= viewLeft < viewRight <= fullRight and
// fullBottom <= viewBottom < viewTop <= fullTop, and narrow the window to no less than step.
struct CWorldWindow {
    double viewTop = 0.0;
    double viewBottom = -64.535;
    double viewLeft = 0.0;
    double viewRight = 100.0;
    double fullTop = 0.0;
    double fullBottom = -64.535;
    double fullLeft = 0.0;
    double fullRight = 100.0;
    // Zoom and pan step of both axes, world units.
    double step = 0.1;
};

// Hit codes of the zoom bars. The bits 0xF00 give the class, 0x1000 marks codes that repeat
// while the mouse button is held.
inline constexpr int kHitNone = -1;
inline constexpr int kHitCorner = 0x100;
inline constexpr int kHitExtendLeft = 0x1101;
inline constexpr int kHitShrinkLeft = 0x1102;
inline constexpr int kHitPanLeft = 0x1103;
inline constexpr int kHitExtendRight = 0x1104;
inline constexpr int kHitShrinkRight = 0x1105;
inline constexpr int kHitPanRight = 0x1106;
inline constexpr int kHitExtendUp = 0x1107;
inline constexpr int kHitShrinkTop = 0x1108;
inline constexpr int kHitPanUp = 0x1109;
inline constexpr int kHitExtendDown = 0x110A;
inline constexpr int kHitShrinkBottom = 0x110B;
inline constexpr int kHitPanDown = 0x110C;
inline constexpr int kHitHorzThumb = 0x20D;
inline constexpr int kHitVertThumb = 0x20E;
inline constexpr int kHitThumbLeft = 0x213;
inline constexpr int kHitThumbRight = 0x214;
inline constexpr int kHitThumbTop = 0x215;
inline constexpr int kHitThumbBottom = 0x216;
inline constexpr int kHitPageLeft = 0x140F;
inline constexpr int kHitPageRight = 0x1410;
inline constexpr int kHitPageUp = 0x1411;
inline constexpr int kHitPageDown = 0x1412;

inline constexpr int kHitClassMask = 0xF00;
inline constexpr int kHitClassButton = 0x100;
inline constexpr int kHitClassThumb = 0x200;
inline constexpr int kHitClassPage = 0x400;
inline constexpr int kHitRepeats = 0x1000;

// Shortest thumb, pixels.
inline constexpr int kMinThumb = 6;
// Pages move the window by this many steps.
inline constexpr int kPageSteps = 10;

// The integer part of v + 0.5, saturated to int; 0 for NaN.
int Rnd(double v);

// "%.nf" of the value without trailing fraction zeros: 12.5, 3, 0.05, -0.5. A value that
// rounds to zero reads "0" without a sign; NaN and infinities read "--".
QString FormatNumber(double value, int decimals);

// --- Scales ---------------------------------------------------------------------------------

struct CMinorTick {
    int pos = 0;
    bool mid = false; // the longer tick halfway between two major ones
};

// Ticks along one side of the plot from first (L or T) to last (R or B). Major ticks are
// (last - first - 1) / 10 apart; minor ticks appear from 5 pixels (the mid one) and from 20
// pixels (all nine).
struct CScaleTicks {
    double spacing = 0.0;
    int minorLevel = 0; // 0 none, 1 mid only, 2 all
    std::array<int, 11> major{};
    std::vector<CMinorTick> minor;
};
CScaleTicks ScaleTicks(int first, int last);

// The value of label i (0..10) on a side running from `from` to `to`.
double ScaleValue(double from, double to, int i);

// Which sides carry the axis captions.
struct CCaptionSides {
    bool left = true;
    bool right = false;
    bool top = true;
    bool bottom = false;
};

// The plot rectangle inside the plot area. Without the legend it is the area less 3 pixels
// on every side; with it, less the margins and the caption heights on the caption sides.
// Never inverted: a plot too small for its margins is empty.
CPixelRect ScalePlotRect(const CPixelRect& area, bool legend, int marginX, int marginY,
                         CPixelSize vertCaption, CPixelSize horzCaption,
                         const CCaptionSides& sides);

// Top-left corners of the label texts of the major tick at x (horizontal scale) or y.
CScreenPoint HorzLabelAbove(int x, CPixelSize text, const CPixelRect& plot);
CScreenPoint HorzLabelBelow(int x, CPixelSize text, const CPixelRect& plot);
CScreenPoint VertLabelLeft(int y, CPixelSize text, const CPixelRect& plot);
CScreenPoint VertLabelRight(int y, CPixelSize text, const CPixelRect& plot);
// Left edge of the horizontal caption, centred over the plot.
int HorzCaptionX(const CPixelRect& plot, double spacing, CPixelSize caption);
// Bottom end of the upward vertical caption, centred beside the plot.
int VertCaptionY(const CPixelRect& plot, double spacing, CPixelSize caption);

// --- Frame and grid -------------------------------------------------------------------------

struct CSegment {
    CScreenPoint from;
    CScreenPoint to; // not drawn
};

// The frame just outside the plot rectangle: a closed chain of five points.
std::array<CScreenPoint, 5> FramePoints(const CPixelRect& plot);
// Grid lines for the style (0 solid, 1 dashes, 2 dots: the full grid; 3 stubs of 10 pixels at
// the edges; 4 none). The full grid's horizontal lines come in ten pieces that leave every
// crossing to the vertical line, so no pixel is drawn twice.
std::vector<CSegment> GridSegments(const CPixelRect& plot, int style);
PenStyle GridPenStyle(int style);
// The colour the grid is drawn in on the background (both 0x00BBGGRR): the grid colour, unless
// it is too close to the background to be seen; then a grey that stands out from it.
std::uint32_t GridColourOn(std::uint32_t grid, std::uint32_t background);

// --- Zoom bars ------------------------------------------------------------------------------

// Everything of the bars a paint lays out. buttons[i] belongs to hit code 0x1101 + i.
struct CBarLayout {
    bool valid = false; // false before the first paint with data: nothing can be hit
    CPixelRect horzBar;
    CPixelRect vertBar;
    CPixelRect corner;
    std::array<CPixelRect, 12> buttons{};
    CPixelRect horzTrack;
    CPixelRect vertTrack;
    CPixelRect horzThumb;
    CPixelRect vertThumb;
};

// Bars of barSize pixels along the bottom and the right of the client rectangle.
CBarLayout LayoutBars(const CPixelRect& client, int barSize, const CWorldWindow& world);
// Start and end of a thumb on a track from trackFrom to trackTo, at least kMinThumb long.
// The thumb fills the track when the full range is empty or the track too short, and never
// leaves the track.
std::pair<int, int> ThumbSpan(int trackFrom, int trackTo, double fullFrom, double fullTo,
                              double viewFrom, double viewTo);
// The arrow image of a bar button (8 for the corner box), -1 for other codes.
int ButtonImage(int code);
// The hit code at a client point; both edges of every rectangle count as inside.
int BarHitTest(const CBarLayout& bars, int x, int y);
// Whether the point still lies in the part of the track a page code pages towards.
bool PageAreaHolds(const CBarLayout& bars, int code, CScreenPoint point);
// The part of the track shown black while a page code is held; empty for other codes.
CPixelRect PageHighlight(const CBarLayout& bars, int code);

// Performs the corner box, an edge or pan button, or a page step (without the pointer test).
// False for any other code. Edges stop at the full range; shrinking stops at step and never
// moves an edge outwards.
bool ApplyBarAction(CWorldWindow& world, int code);
// Moves the dragged thumb part by the pointer's movement, converted to world units through
// the track. The window stays inside the full range and no narrower than step.
void ApplyThumbDrag(CWorldWindow& world, int dragCode, CScreenPoint from, CScreenPoint to,
                    const CBarLayout& bars);

enum class BarCursor { Arrow, HorzResize, VertResize };
// The pointer shape over the bars: resize arrows over the end zones of a thumb.
BarCursor BarCursorAt(const CBarLayout& bars, int x, int y);

// The track brush: button face where column + row is odd, white where it is even.
CPattern HalftonePattern(std::uint32_t buttonFace);
