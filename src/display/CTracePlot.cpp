#include "display/CTracePlot.h"

#include "core/CSignal.h"
#include "display/PlotArt.h"
#include "display/PlotLegend.h"
#include "display/TraceGeometry.h"
#include "platform/MainMessages.h"
#include "project/CWorkspace.h"
#include "scan/CAppSettings.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <span>

CTracePlot::CTracePlot(CWorkspace& workspace, const CAppSettings& appSettings, QWidget* parent)
    : CPlotWnd(appSettings, parent), workspace_(workspace), eventImages_(EventImages()) {
    verticalCaption = tr("Уровень (dB)");
    horizontalCaption = tr("Расстояние (km)");
    labelDecimals = 2;
    markerA = static_cast<float>(viewLeft);
    markerB = static_cast<float>(viewRight);
    // A click gives the plot the keyboard, so the markers can be nudged at once.
    setFocusPolicy(Qt::StrongFocus);
}

CTracePlot::~CTracePlot() = default;

CSignal* CTracePlot::ActiveSignal() const {
    CSignalEntry* entry = workspace_.ActiveEntry();
    return entry ? entry->GetTrace() : nullptr;
}

// --- Range and window -----------------------------------------------------------------------

void CTracePlot::RecalcRange() {
    std::vector<const CSignal*> signals;
    for (int i = 0; i < workspace_.GetProjectCount(); ++i) {
        CProject& project = workspace_.GetProject(i);
        for (int j = 0; j < project.GetEntryCount(); ++j) {
            if (const CSignal* signal = project.GetEntry(j).GetTrace())
                signals.push_back(signal);
        }
    }
    const bool hadData = hasData;
    const std::optional<CWorldRect> extent = SignalsExtent(signals);
    hasData = extent.has_value();
    if (hasData) {
        // The first trace after an empty plot is shown whole, whatever window came before.
        if (!hadData) {
            viewLeft = fullLeft;
            viewRight = fullRight;
            viewTop = fullTop;
            viewBottom = fullBottom;
        }
        SetFullRange(*this, *extent);
        KeepAllMarkersInRange();
    }
    Redraw();
}

void CTracePlot::SetHorzWindow(double from, double to) {
    // Written so that a bound that is not a number gives way to the full range.
    viewLeft = from > fullLeft ? from : fullLeft;
    viewRight = to < fullRight ? to : fullRight;
    // An event beyond the trace's end asks for a window outside the range.
    if (!(viewLeft < viewRight)) {
        viewLeft = fullLeft;
        viewRight = fullRight;
    }
    Redraw();
}

CWorldRect CTracePlot::GetWorldWindow() const {
    return {viewLeft, viewTop, viewRight, viewBottom};
}

// --- Drawing --------------------------------------------------------------------------------

void CTracePlot::DrawSignal(CDrawSurface& surface, const CPixelRect& plot, const CSignal& signal,
                            std::uint32_t colour) {
    const std::span<const CScreenPoint> points = projector.Project(
        signal.GetTraceData(), plot, static_cast<float>(viewLeft), static_cast<float>(viewTop),
        static_cast<float>(viewRight), static_cast<float>(viewBottom));
    if (points.empty())
        return;
    surface.SetPen({PenStyle::Solid, 1, colour});
    surface.Polyline(points);
}

void CTracePlot::DrawEventIcons(CDrawSurface& surface, const CPixelRect& plot,
                                const CSignal& signal) {
    const int count = signal.GetEventCount();
    const int selected = signal.GetSelectedEvent();
    const auto draw = [&](int index, int imageOffset) {
        const CKeyEvent event = signal.GetEvent(index);
        if (const auto at = EventIconPlace(plot, viewLeft, viewRight, event.GetPosition()))
            surface.DrawImage(eventImages_, event.GetImageIndex() + imageOffset, at->x, at->y,
                              false);
    };
    for (int i = 0; i < count; ++i) {
        if (i != selected)
            draw(i, 0);
    }
    // The selected event last, highlighted, so no neighbour covers it.
    if (selected >= 0 && selected < count)
        draw(selected, kEventIconCount);
}

void CTracePlot::DrawData(CDrawSurface& surface, const CPixelRect& plot) {
    const int activeProject = workspace_.ActiveProjectIndex();
    const int activeEntry =
        activeProject < 0 ? -1 : workspace_.GetProject(activeProject).ActiveEntryIndex();
    if (!settings.IsOneTraceMode()) {
        for (int i = 0; i < workspace_.GetProjectCount(); ++i) {
            CProject& project = workspace_.GetProject(i);
            for (int j = 0; j < project.GetEntryCount(); ++j) {
                if (i == activeProject && j == activeEntry)
                    continue;
                const CSignalEntry& entry = project.GetEntry(j);
                if (const CSignal* signal = entry.GetTrace())
                    DrawSignal(surface, plot, *signal, entry.GetColour());
            }
        }
    }
    // The active trace on top of the others.
    if (activeEntry >= 0) {
        const CSignalEntry& entry = workspace_.GetProject(activeProject).GetEntry(activeEntry);
        if (const CSignal* signal = entry.GetTrace()) {
            DrawSignal(surface, plot, *signal, entry.GetColour());
            DrawEventIcons(surface, plot, *signal);
        }
    }
    // Traces closed or hidden since give their memory back.
    projector.Sweep();
}

void CTracePlot::OnWorldWindowChanged() {
    RequestOverviewRedraw();
}

void CTracePlot::DrawOverlay(CDrawSurface& surface, const CPixelRect& plot) {
    const std::uint32_t colour = settings.GetMarkerColour();
    const CPen previousPen = surface.SetPen({PenStyle::Solid, 1, colour});
    const LogFont previousFont = surface.SetFont(settings.GetFont(CAppSettings::FontSlot::Plot));
    const std::uint32_t previousText = surface.SetTextColour(colour);
    const std::uint32_t previousBack = surface.SetTextBackground(settings.GetBackgroundColour());

    if (settings.IsLegendShown())
        DrawTraceLegend(surface, plot);
    DrawMarkers(surface, plot, viewLeft, viewRight, markerA, markerB);
    if (SubMarkersShown())
        DrawSubMarkers(surface, plot);

    surface.SetTextBackground(previousBack);
    surface.SetTextColour(previousText);
    surface.SetFont(previousFont);
    surface.SetPen(previousPen);
}

void CTracePlot::DrawTraceLegend(CDrawSurface& surface, const CPixelRect& plot) {
    std::vector<CLegendEntry> entries;
    for (const CLegendTrace& trace : VisibleTraces(workspace_, settings.IsOneTraceMode()))
        entries.push_back({trace.name, {PenStyle::Solid, 1, trace.colour}, trace.colour});
    CLegendStyle style;
    style.sampleLines = 2;
    style.frame = settings.GetAxisColour();
    style.background = settings.GetBackgroundColour();
    // Below both marker labels, which stack at the top of the plot.
    const int labelBand = 2 * surface.MeasureText(QStringLiteral("A")).cy;
    DrawLegend(surface, plot, labelBand, entries, style);
}

void CTracePlot::DrawOnWindow(CDrawSurface& window) {
    if (zoomBoxActive)
        DrawZoomBox(window);
    if (levelShiftActive)
        DrawShiftLine(window);
}

void CTracePlot::DrawZoomBox(CDrawSurface& surface) const {
    // The outline of a rectangle from the box's top-left pixel up to, not including, its
    // bottom-right corner, every pixel once so that NOT-XOR shows each of them.
    const int left = std::min(zoomBox.left, zoomBox.right);
    const int right = std::max(zoomBox.left, zoomBox.right) - 1;
    const int top = std::min(zoomBox.top, zoomBox.bottom);
    const int bottom = std::max(zoomBox.top, zoomBox.bottom) - 1;
    if (right < left || bottom < top)
        return;
    const CPen previousPen = surface.SetPen({PenStyle::Solid, 1, settings.GetMarkerColour()});
    const RasterMode previousMode = surface.SetRasterMode(RasterMode::NotXor);
    // A box one pixel thin is a single line; a closed chain would draw it twice.
    surface.MoveTo(left, top);
    if (top == bottom) {
        surface.LineTo(right + 1, top);
    } else if (left == right) {
        surface.LineTo(left, bottom + 1);
    } else {
        surface.LineTo(right, top);
        surface.LineTo(right, bottom);
        surface.LineTo(left, bottom);
        surface.LineTo(left, top);
    }
    surface.SetRasterMode(previousMode);
    surface.SetPen(previousPen);
}

void CTracePlot::DrawShiftLine(CDrawSurface& surface) const {
    const CPen previousPen = surface.SetPen({PenStyle::Solid, 1, shiftColour});
    const RasterMode previousMode = surface.SetRasterMode(RasterMode::NotXor);
    surface.MoveTo(plotRect.left, shiftCurrentY);
    surface.LineTo(plotRect.right, shiftCurrentY);
    surface.SetRasterMode(previousMode);
    surface.SetPen(previousPen);
}

// --- Mouse ----------------------------------------------------------------------------------

CScreenPoint CTracePlot::Confine(int x, int y) const {
    if (!confined_)
        return {x, y};
    // The window system keeps a confined pointer on the pixels inside the rectangle.
    return {std::clamp(x, plotRect.left, std::max(plotRect.left, plotRect.right - 1)),
            std::clamp(y, plotRect.top, std::max(plotRect.top, plotRect.bottom - 1))};
}

void CTracePlot::OnLButtonDown(int x, int y, Qt::KeyboardModifiers modifiers) {
    const CPixelRect slack{plotRect.left - kPlotClickSlack, plotRect.top,
                           plotRect.right + kPlotClickSlack, plotRect.bottom};
    if (!hasData || plotRect.IsEmpty() || !slack.HoldsInclusive(x, y)) {
        CPlotWnd::OnLButtonDown(x, y, modifiers);
        return;
    }
    // One gesture per press: Shift before Ctrl, both before the markers.
    if (modifiers & Qt::ShiftModifier) {
        zoomBox = {x, y, x, y};
        zoomBoxActive = true;
        confined_ = true;
        Redraw();
    } else if (modifiers & Qt::ControlModifier) {
        CSignalEntry* entry = workspace_.ActiveEntry();
        if (entry && entry->GetTrace()) {
            shiftColour = entry->GetColour();
            shiftStartY = shiftCurrentY = y;
            confined_ = true;
            levelShiftActive = true;
            Redraw();
        }
    } else {
        const int marker = PickAnyMarker(x);
        if (marker >= 0) {
            markerDrag = true;
            grabbedMarker = marker;
            confined_ = true;
        }
    }
}

void CTracePlot::OnMouseMove(int x, int y, bool leftDown, Qt::KeyboardModifiers modifiers) {
    const CScreenPoint p = Confine(x, y);
    if (markerDrag) {
        if (const auto marker = MarkerAtColumn(plotRect, viewLeft, viewRight, p.x))
            MarkerRef(grabbedMarker) = *marker;
        // The range's very end reads nothing.
        KeepAllMarkersInRange();
        Redraw();
        NotifyMarkersChanged();
    }
    if (levelShiftActive) {
        shiftCurrentY = p.y;
        Redraw();
    }
    if (zoomBoxActive) {
        zoomBox.right = p.x;
        zoomBox.bottom = p.y;
        Redraw();
    }
    CPlotWnd::OnMouseMove(p.x, p.y, leftDown, modifiers);
}

void CTracePlot::OnLButtonUp(int x, int y, Qt::KeyboardModifiers modifiers) {
    const CScreenPoint p = Confine(x, y);
    confined_ = false;
    if (markerDrag)
        EndMarkerDrag(p.x);
    if (levelShiftActive)
        EndLevelShift(p.y);
    if (zoomBoxActive)
        EndZoomBox(p.x, p.y);
    CPlotWnd::OnLButtonUp(p.x, p.y, modifiers);
}

void CTracePlot::EndMarkerDrag(int x) {
    markerDrag = false;
    if (const auto marker = MarkerAtColumn(plotRect, viewLeft, viewRight, x))
        MarkerRef(grabbedMarker) = *marker;
    KeepAllMarkersInRange();
    keyboardMarker_ = std::max(grabbedMarker, 0);
    grabbedMarker = -1;
    Redraw();
    NotifyMarkersChanged();
}

void CTracePlot::EndLevelShift(int y) {
    levelShiftActive = false;
    const float offset = LevelShiftOffset(*this, plotRect, shiftStartY, y);
    // A Ctrl-click that moved nothing leaves the trace unedited.
    if (CSignal* signal = ActiveSignal(); signal && offset != 0.0f) {
        signal->OffsetLevels(offset);
        // The level range follows, so the shifted trace cannot leave it.
        RecalcRange();
        // The overview shows the trace itself, whether or not the window moved.
        RequestOverviewRedraw();
    }
    Redraw();
    NotifyMarkersChanged();
}

void CTracePlot::EndZoomBox(int x, int y) {
    zoomBoxActive = false;
    zoomBox.right = x;
    zoomBox.bottom = y;
    if (const auto zoom = ZoomToBox(*this, plotRect, zoomBox)) {
        viewLeft = zoom->left;
        viewRight = zoom->right;
        viewTop = zoom->top;
        viewBottom = zoom->bottom;
    }
    Redraw();
}

void CTracePlot::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        CPlotWnd::OnLButtonDown(p.x(), p.y(), event->modifiers());
    }
}
