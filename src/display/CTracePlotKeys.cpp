// The trace plot's keyboard and wheel: a technician who is reading values wants to step a marker
// column by column, which the mouse cannot do reliably, and to zoom where the pointer is, as in
// every plotting program.

#include "display/CTracePlot.h"
#include "display/ViewNavigation.h"
#include "platform/MainMessages.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Moves [low, high] by delta while keeping it inside [min, max]; its width is kept.
void ShiftInside(double& low, double& high, double delta, double min, double max) {
    delta = std::min(std::max(delta, min - low), max - high);
    low += delta;
    high += delta;
}

// [low, high] scaled by factor about its middle, no narrower than minWidth, inside [min, max].
void ScaleInside(double& low, double& high, double factor, double minWidth, double min,
                 double max) {
    const double middle = (low + high) * 0.5;
    const double half = std::max((high - low) * factor, minWidth) * 0.5;
    double newLow = middle - half;
    double newHigh = middle + half;
    if (newLow < min) {
        newHigh = std::min(max, newHigh + (min - newLow));
        newLow = min;
    }
    if (newHigh > max) {
        newLow = std::max(min, newLow - (newHigh - max));
        newHigh = max;
    }
    if (newLow < newHigh) {
        low = newLow;
        high = newHigh;
    }
}

} // namespace

void CTracePlot::keyPressEvent(QKeyEvent* event) {
    // Gestures of the mouse own the window while they run; no data, nothing to move.
    if (!hasData || markerDrag || zoomBoxActive || levelShiftActive || plotRect.IsEmpty()) {
        CPlotWnd::keyPressEvent(event);
        return;
    }
    const auto modifiers = event->modifiers();
    const bool shift = (modifiers & Qt::ShiftModifier) != 0;
    const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
    const double width = viewRight - viewLeft;
    const double height = viewTop - viewBottom;
    switch (event->key()) {
    case Qt::Key_A:
    case Qt::Key_B:
        keyboardMarker_ =
            (event->key() == Qt::Key_B ? 1 : 0) + (shift && SubMarkersShown() ? 2 : 0);
        return;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const double sign = event->key() == Qt::Key_Left ? -1.0 : 1.0;
        if (shift) {
            ShiftInside(viewLeft, viewRight, sign * width * 0.1, fullLeft, fullRight);
            Redraw();
            return;
        }
        // One pixel column, ten with Ctrl; a marker outside the window comes to its edge.
        const int columns = std::max(1, plotRect.right - plotRect.left - 1);
        const double move = sign * (ctrl ? 10.0 : 1.0) * width / columns;
        float& marker = MarkerRef(keyboardMarker_);
        marker = static_cast<float>(std::clamp(double(marker) + move, viewLeft, viewRight));
        Redraw();
        NotifyMarkersChanged();
        return;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!shift)
            break;
        ShiftInside(viewBottom, viewTop, (event->key() == Qt::Key_Up ? 0.1 : -0.1) * height,
                    fullBottom, fullTop);
        Redraw();
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus:
        ScaleInside(viewLeft, viewRight, event->key() == Qt::Key_Minus ? 2.0 : 0.5, step, fullLeft,
                    fullRight);
        Redraw();
        return;
    case Qt::Key_Home:
        viewLeft = fullLeft;
        viewRight = fullRight;
        viewTop = fullTop;
        viewBottom = fullBottom;
        Redraw();
        return;
    default:
        break;
    }
    CPlotWnd::keyPressEvent(event);
}

void CTracePlot::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (!hasData || markerDrag || zoomBoxActive || levelShiftActive || plotRect.IsEmpty() ||
        delta == 0) {
        CPlotWnd::wheelEvent(event);
        return;
    }
    event->accept();
    // 120 is one notch; touchpads send parts of one.
    const double factor = std::pow(kWheelZoomStep, delta / 120.0);
    const QPoint at = event->position().toPoint();
    if ((event->modifiers() & Qt::ControlModifier) != 0) {
        const double anchor =
            WorldAtPixel(at.y(), plotRect.top, plotRect.bottom - 1, viewTop, viewBottom);
        ZoomAbout(viewBottom, viewTop, anchor, factor, step, fullBottom, fullTop);
    } else {
        const double anchor =
            WorldAtPixel(at.x(), plotRect.left, plotRect.right - 1, viewLeft, viewRight);
        ZoomAbout(viewLeft, viewRight, anchor, factor, step, fullLeft, fullRight);
    }
    Redraw();
}

void CTracePlot::CentreWindowAt(double distance, double level) {
    if (!hasData)
        return;
    CentreInside(viewLeft, viewRight, distance, fullLeft, fullRight);
    CentreInside(viewBottom, viewTop, level, fullBottom, fullTop);
    Redraw();
}
