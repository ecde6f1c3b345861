#pragma once
// The trace plot: every loaded trace of the workspace (or only the active one) in its entry's
// colour, the active trace last with its key events as icons along the bottom, and the two
// markers A and B over the grid. Three gestures start inside the plot with the left button:
// dragging a marker, a zoom box with Shift, and a vertical shift of the active trace with
// Ctrl. Outside the plot the zoom bars take the mouse. With the keyboard focus the arrows move
// a marker (A and B choose which), Shift with the arrows pans, + and - zoom about the middle and
// Home shows the full range. The wheel zooms about the pointer.
//
// The plot holds no traces: it reads the workspace at every paint, and its paint sends
// nothing. Marker moves and level shifts notify the main frame (NotifyMarkersChanged); a new
// visible window and a shifted trace ask for the overview to be redrawn.

#include "analysis/Measurements.h"
#include "display/CPlotWnd.h"
#include "display/CTraceProjector.h"

#include <cstdint>
#include <vector>

class CImageStrip;
class CSignal;
class CWorkspace;

class CTracePlot : public CPlotWnd {
    Q_OBJECT

public:
    // The workspace and the settings are read at every paint and must outlive the plot.
    CTracePlot(CWorkspace& workspace, const CAppSettings& settings, QWidget* parent = nullptr);
    ~CTracePlot() override;

    // The full range over every loaded trace of every project, always holding 0 km and 0 dB.
    // An axis that showed the whole range shows the whole new one, a zoomed one is clamped
    // into it, and the markers are brought into it. Nothing loaded: no data.
    void RecalcRange();
    // Shows from..to (km), within the full range.
    void SetHorzWindow(double from, double to);
    // viewLeft, viewTop, viewRight, viewBottom.
    CWorldRect GetWorldWindow() const;
    // Moves the visible window, keeping its size, so that (distance, level) is in its middle
    // as far as the full range allows (the overview's click).
    void CentreWindowAt(double distance, double level);

    // Marker distances, km.
    float GetMarkerA() const { return markerA; }
    float GetMarkerB() const { return markerB; }
    // The sub-markers of the four-point modes, km; drawn, dragged and moved by the keys
    // (Shift+A, Shift+B) only while the mode uses them.
    float GetMarkerA1() const { return markerA1_; }
    float GetMarkerB1() const { return markerB1_; }
    CMarkerSet GetMarkerSet() const { return {markerA, markerB, markerA1_, markerB1_}; }
    EMeasureMode GetMeasureMode() const { return measureMode_; }
    // A mode that shows the sub-markers after one that did not places them a fixed fraction
    // of the view outside A and B.
    void SetMeasureMode(EMeasureMode mode);
    // -1 none, 0 A, 1 B, 2 a1, 3 b1.
    int GetGrabbedMarker() const { return grabbedMarker; }
    // The marker the arrow keys move: 0 A, 1 B, 2 a1, 3 b1; the last one dragged or chosen.
    int GetKeyboardMarker() const { return keyboardMarker_; }
    bool IsMarkerDragActive() const { return markerDrag; }
    bool IsZoomBoxActive() const { return zoomBoxActive; }
    bool IsLevelShiftActive() const { return levelShiftActive; }
    // First corner, then the corner under the pointer, client pixels.
    const CPixelRect& GetZoomBox() const { return zoomBox; }
    int GetShiftLineY() const { return shiftCurrentY; }

protected:
    void DrawData(CDrawSurface& surface, const CPixelRect& plot) override;
    void DrawOverlay(CDrawSurface& surface, const CPixelRect& plot) override;
    // The zoom box outline or the shift line, in NOT-XOR over the plot.
    void DrawOnWindow(CDrawSurface& window) override;
    void OnWorldWindowChanged() override;

    void OnLButtonDown(int x, int y, Qt::KeyboardModifiers modifiers) override;
    void OnLButtonUp(int x, int y, Qt::KeyboardModifiers modifiers) override;
    void OnMouseMove(int x, int y, bool leftDown, Qt::KeyboardModifiers modifiers) override;
    // A double click is the zoom bars' alone: inside the plot it starts no gesture.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The wheel zooms the distance axis about the pointer; with Ctrl the level axis.
    void wheelEvent(QWheelEvent* event) override;

    // One trace as the plot projects it: at most two points per pixel column.
    void DrawSignal(CDrawSurface& surface, const CPixelRect& plot, const CSignal& signal,
                    std::uint32_t colour);
    void DrawEventIcons(CDrawSurface& surface, const CPixelRect& plot, const CSignal& signal);
    // The box naming each trace drawn, in its colour, when the legend is shown.
    void DrawTraceLegend(CDrawSurface& surface, const CPixelRect& plot);

    bool markerDrag = false;
    bool zoomBoxActive = false;
    bool levelShiftActive = false;
    int grabbedMarker = -1;
    // Where the level shift began and where its line was drawn last, client y.
    int shiftStartY = 0;
    int shiftCurrentY = 0;
    // The active entry's colour when the shift began.
    std::uint32_t shiftColour = 0;
    // km; they keep their values when the traces change, as far as the full range allows.
    float markerA = 0.0f;
    float markerB = 100.0f;
    // Each drawn trace's points, reused while the window stays.
    CTraceProjector projector;
    CPixelRect zoomBox;

private:
    // The active entry's loaded trace, or null.
    CSignal* ActiveSignal() const;
    // During a gesture the pointer cannot leave the plot rectangle.
    CScreenPoint Confine(int x, int y) const;
    void DrawZoomBox(CDrawSurface& surface) const;
    void DrawShiftLine(CDrawSurface& surface) const;
    void EndMarkerDrag(int x);
    void EndLevelShift(int y);
    void EndZoomBox(int x, int y);
    // The marker of index 0..3 (see GetGrabbedMarker).
    float& MarkerRef(int index);
    // All markers into the full range.
    void KeepAllMarkersInRange();
    bool SubMarkersShown() const;
    // The marker (see GetGrabbedMarker) a click at column x grabs: A or B as PickMarker
    // chooses, unless a shown sub-marker's line is nearer; -1 for none within grab distance.
    int PickAnyMarker(int x) const;
    void DrawSubMarkers(CDrawSurface& surface, const CPixelRect& plot);

    CWorkspace& workspace_;
    const CImageStrip& eventImages_;
    bool confined_ = false;
    int keyboardMarker_ = 0;
    EMeasureMode measureMode_ = EMeasureMode::TwoPoint;
    float markerA1_ = 0.0f;
    float markerB1_ = 0.0f;
};
