#pragma once
// How the mouse wheel and the overview move the trace view's window, as plain functions of
// values. World values are km across and dB upwards; pixels are client pixels.

#include "core/CTraceData.h"
#include "display/DrawSurface.h"

// One notch of the wheel narrows the window to this share of its width (or widens it by the
// inverse when turned the other way).
inline constexpr double kWheelZoomStep = 0.8;

// [low, high] scaled by factor about anchor, which keeps its place within the window; no
// narrower than minWidth, no wider than [min, max], moved back inside it as a whole. A window
// that cannot be formed (no room, values not finite) stays as it was.
void ZoomAbout(double& low, double& high, double anchor, double factor, double minWidth, double min,
               double max);
// [low, high] moved, keeping its width, so that centre lies in its middle, but never past
// [min, max].
void CentreInside(double& low, double& high, double centre, double min, double max);
// The world value at a pixel between from (the value `first`) and to (the value `last`), the
// pixel clamped into that span; first when the span is empty.
double WorldAtPixel(int pixel, int from, int to, double first, double last);
// The point of the overview's picture of extent (drawn over client) under pixel (x, y).
void OverviewWorldAt(const CPixelRect& client, const CWorldRect& extent, int x, int y,
                     double& distance, double& level);
