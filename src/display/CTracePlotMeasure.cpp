// The trace plot's sub-markers a1 and b1: the outer ends of the least-squares windows of the
// four-point measurements, shown only while the chosen mode uses them.

#include "display/CTracePlot.h"
#include "display/MeasurementReadout.h"
#include "display/TraceGeometry.h"
#include "platform/MainMessages.h"
#include "scan/CAppSettings.h"

#include <QString>

#include <cstdlib>

namespace {

// Sub-markers placed anew lie this fraction of the visible width outside A and B.
constexpr double kSubMarkerFraction = 0.05;

} // namespace

float& CTracePlot::MarkerRef(int index) {
    switch (index) {
    case 1:
        return markerB;
    case 2:
        return markerA1_;
    case 3:
        return markerB1_;
    default:
        return markerA;
    }
}

void CTracePlot::KeepAllMarkersInRange() {
    KeepMarkersInRange(markerA, markerB, fullLeft, fullRight);
    KeepMarkersInRange(markerA1_, markerB1_, fullLeft, fullRight);
}

bool CTracePlot::SubMarkersShown() const {
    return UsesSubMarkers(measureMode_);
}

void CTracePlot::SetMeasureMode(EMeasureMode mode) {
    if (mode == measureMode_)
        return;
    const bool shownBefore = SubMarkersShown();
    measureMode_ = mode;
    if (SubMarkersShown() && !shownBefore) {
        CMarkerSet markers = GetMarkerSet();
        PlaceSubMarkers(markers, kSubMarkerFraction * (viewRight - viewLeft));
        markerA1_ = static_cast<float>(markers.a1);
        markerB1_ = static_cast<float>(markers.b1);
        if (hasData)
            KeepAllMarkersInRange();
    }
    // Hidden sub-markers hand the keys back to their main markers.
    if (!SubMarkersShown() && keyboardMarker_ >= 2)
        keyboardMarker_ -= 2;
    Redraw();
    NotifyMarkersChanged();
}

int CTracePlot::PickAnyMarker(int x) const {
    const int main = PickMarker(plotRect, viewLeft, viewRight, markerA, markerB, x);
    if (!SubMarkersShown())
        return main;
    int best = main;
    int nearest = main < 0 ? kMarkerGrabDistance + 1
                           : std::abs(x - MarkerGrabX(plotRect, viewLeft, viewRight,
                                                      main == 1 ? markerB : markerA));
    for (int sub : {2, 3}) {
        const int distance = std::abs(
            x - MarkerGrabX(plotRect, viewLeft, viewRight, sub == 2 ? markerA1_ : markerB1_));
        if (distance < nearest) {
            nearest = distance;
            best = sub;
        }
    }
    return best;
}

void CTracePlot::DrawSubMarkers(CDrawSurface& surface, const CPixelRect& plot) {
    const CPen previous = surface.SetPen({PenStyle::Dash, 1, settings.GetMarkerColour()});
    const QString texts[] = {QStringLiteral("a1"), QStringLiteral("b1")};
    const float markers[] = {markerA1_, markerB1_};
    for (int i = 0; i < 2; ++i) {
        const int x = MarkerGrabX(plot, viewLeft, viewRight, markers[i]);
        const CPixelSize size = surface.MeasureText(texts[i]);
        // Labelled at the bottom, clear of A's and B's labels along the top.
        surface.MoveTo(x, plot.top);
        surface.LineTo(x, plot.bottom - size.cy);
        const int half = (plot.right - plot.left - 1) / 2;
        surface.DrawText(x - plot.left > half ? x - size.cx : x, plot.bottom - size.cy, texts[i]);
    }
    surface.SetPen(previous);
}
