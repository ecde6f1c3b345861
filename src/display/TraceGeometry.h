#pragma once
// The trace view's geometry as plain functions of values: where markers, their labels and
// event icons go, which marker a click grabs, and what the zoom box, the level shift and the
// full range do to the visible window. Pixels are client pixels; world values are km across
// and displayed dB upwards.

#include "display/DrawSurface.h"
#include "display/PlotGeometry.h"

#include <optional>
#include <span>

class CSignal;

// A click grabs a marker whose line is at most this many pixels away.
inline constexpr int kMarkerGrabDistance = 10;
// The thinnest window a zoom box gives, world units.
inline constexpr double kMinZoom = 0.1;
// A click this many pixels left or right of the plot still belongs to the plot's gestures.
inline constexpr int kPlotClickSlack = 5;

// trunc(v) saturated well inside int, so a pixel offset can be added; 0 for NaN.
int TruncSat(double v);

// One marker as the overlay draws it: the line at x from lineTop down to the plot bottom,
// the label's top-left corner at label.
struct CMarkerPlace {
    int x = 0;
    CScreenPoint label;
    int lineTop = 0;
    friend bool operator==(const CMarkerPlace&, const CMarkerPlace&) = default;
};

struct CMarkerPlaces {
    CMarkerPlace a;
    CMarkerPlace b;
};

// Both markers with labels of the given sizes. A marker outside the window sits at the
// nearest plot edge (L or R - 1). A label in the right half of the plot hangs to the left of
// its line; when the two labels touch or overlap, B's moves down by the height of A's.
CMarkerPlaces PlaceMarkers(const CPixelRect& plot, double viewLeft, double viewRight, float markerA,
                           float markerB, CPixelSize labelA, CPixelSize labelB);
// Both marker lines, from their labels down to the plot's bottom, and the labels "A : x km",
// "B : x km", in the surface's current pen, font and text colours. The screen and the printout
// share it.
void DrawMarkers(CDrawSurface& surface, const CPixelRect& plot, double viewLeft, double viewRight,
                 float markerA, float markerB);

// The column a click is compared with to grab a marker.
int MarkerGrabX(const CPixelRect& plot, double viewLeft, double viewRight, float marker);
// 0 for A, 1 for B, -1 when neither line is within kMarkerGrabDistance of x. B wins only
// when strictly closer, so a click midway grabs A.
int PickMarker(const CPixelRect& plot, double viewLeft, double viewRight, float markerA,
               float markerB, int x);
// The distance of column x for a dragged marker: viewLeft at L, viewRight at R - 1.
// Nothing for a plot narrower than two pixels.
std::optional<float> MarkerAtColumn(const CPixelRect& plot, double viewLeft, double viewRight,
                                    int x);

// Top-left corner of an event's 8 by 8 icon along the bottom of the plot, or nothing when the
// icon would come closer than 5 pixels to either end (or the window has no width).
std::optional<CScreenPoint> EventIconPlace(const CPixelRect& plot, double viewLeft,
                                           double viewRight, float position);

// The visible window a zoom box asks for; the box's corners may come in any order. It stays
// inside the full range and is at least kMinZoom wide and high (or as wide or high as a
// narrower full range). Nothing for a plot too small
// to map pixels back to the world.
std::optional<CWorldRect> ZoomToBox(const CWorldWindow& world, const CPixelRect& plot,
                                    const CPixelRect& box);

// dB added to every stored level when the shift line started at startY is dropped at y:
// dragging down lowers the displayed trace. 0 for a plot without height.
float LevelShiftOffset(const CWorldWindow& world, const CPixelRect& plot, int startY, int y);

// Each edge of the visible window into the full range, separately, so a zoom survives a new
// full range. An axis on which the window no longer overlaps the range shows all of it.
void ClampViewToFull(CWorldWindow& world);
// Takes the new full range (left, top, right, bottom). An axis whose window showed the whole
// old range shows the whole new one, so a longer trace or a shifted level comes into view;
// a zoomed axis keeps its window, clamped as above.
void SetFullRange(CWorldWindow& world, const CWorldRect& full);
// The range over the signals, always holding 0 km and 0 dB; values that are not finite take
// no part. Nothing without a signal.
std::optional<CWorldRect> SignalsExtent(std::span<const CSignal* const> signals);
// Both markers into left..right. The right end itself lies past the last sample of the
// longest trace and reads nothing, so a marker there moves to the nearest value below it.
void KeepMarkersInRange(float& a, float& b, double left, double right);

// The visible window drawn over an overview of the extent (the edge lines' corners); the left
// and top edges stay in the client, the right and bottom do not pass its edges. Nothing when
// the extent has no width or height.
std::optional<CPixelRect> OverviewFrame(const CPixelRect& client, const CWorldRect& extent,
                                        const CWorldRect& view);
