#pragma once
// The plot's geometry as plain functions of values: scale label places, the grid,
// the zoom bars with their hit codes, and what the bars do to the visible window. Pixels are
// device pixels, world values are the plot's units (km across, dB upwards).

#include "core/ScaleTicks.h"
#include "display/DrawSurface.h"
#include "scan/GridStyle.h"

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
enum class HitCode : int {
    None = -1,
    // A held control whose repeat has run out: it lies under no point.
    Spent = 0,
    Corner = 0x100,
    ExtendLeft = 0x1101,
    ShrinkLeft = 0x1102,
    PanLeft = 0x1103,
    ExtendRight = 0x1104,
    ShrinkRight = 0x1105,
    PanRight = 0x1106,
    ExtendUp = 0x1107,
    ShrinkTop = 0x1108,
    PanUp = 0x1109,
    ExtendDown = 0x110A,
    ShrinkBottom = 0x110B,
    PanDown = 0x110C,
    HorzThumb = 0x20D,
    VertThumb = 0x20E,
    ThumbLeft = 0x213,
    ThumbRight = 0x214,
    ThumbTop = 0x215,
    ThumbBottom = 0x216,
    PageLeft = 0x140F,
    PageRight = 0x1410,
    PageUp = 0x1411,
    PageDown = 0x1412,
};

enum class HitClass { None, Button, Thumb, Page };
HitClass ClassOf(HitCode code);
// Whether the control acts again and again while the mouse button is held.
bool Repeats(HitCode code);
// The code of bar button i (0..11): ExtendLeft + i.
HitCode ButtonCode(std::size_t i);

// Shortest thumb, pixels.
inline constexpr int kMinThumb = 6;
// Pages move the window by this many steps.
inline constexpr int kPageSteps = 10;

// "%.nf" of the value without trailing fraction zeros: 12.5, 3, 0.05, -0.5. A value that
// rounds to zero reads "0" without a sign; NaN and infinities read "--".
QString FormatNumber(double value, int decimals);

// --- Scales ---------------------------------------------------------------------------------

// Which scale: along the horizontal sides (top and bottom) or the vertical ones.
enum class Orientation { Horizontal, Vertical };

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
// Grid lines for the style (solid, dashes, dots: the full grid; broken: stubs of 10 pixels at
// the edges). The full grid's horizontal lines come in ten pieces that leave every
// crossing to the vertical line, so no pixel is drawn twice.
std::vector<CSegment> GridSegments(const CPixelRect& plot, GridStyle style);
PenStyle GridPenStyle(GridStyle style);
// The colour the grid is drawn in on the background (both 0x00BBGGRR): the grid colour, unless
// it is too close to the background to be seen; then a grey that stands out from it.
std::uint32_t GridColourOn(std::uint32_t grid, std::uint32_t background);

// --- Zoom bars ------------------------------------------------------------------------------

// Everything of the bars a paint lays out. buttons[i] belongs to ButtonCode(i).
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
int ButtonImage(HitCode code);
// The hit code at a client point; both edges of every rectangle count as inside.
HitCode BarHitTest(const CBarLayout& bars, int x, int y);
// Whether the point still lies in the part of the track a page code pages towards.
bool PageAreaHolds(const CBarLayout& bars, HitCode code, CScreenPoint point);
// The part of the track shown black while a page code is held; empty for other codes.
CPixelRect PageHighlight(const CBarLayout& bars, HitCode code);

// Performs the corner box, an edge or pan button, or a page step (without the pointer test).
// False for any other code. Edges stop at the full range; shrinking stops at step and never
// moves an edge outwards.
bool ApplyBarAction(CWorldWindow& world, HitCode code);
// Moves the dragged thumb part by the pointer's movement, converted to world units through
// the track. The window stays inside the full range and no narrower than step.
void ApplyThumbDrag(CWorldWindow& world, HitCode dragCode, CScreenPoint from, CScreenPoint to,
                    const CBarLayout& bars);

enum class BarCursor { Arrow, HorzResize, VertResize };
// The pointer shape over the bars: resize arrows over the end zones of a thumb.
BarCursor BarCursorAt(const CBarLayout& bars, int x, int y);

// The track brush: button face where column + row is odd, white where it is even.
CPattern HalftonePattern(std::uint32_t buttonFace);
