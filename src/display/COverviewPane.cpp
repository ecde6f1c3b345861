#include "display/COverviewPane.h"

#include "core/CSignal.h"
#include "display/CQtSurface.h"
#include "display/TraceGeometry.h"
#include "display/ViewNavigation.h"
#include "project/CWorkspace.h"
#include "scan/CAppSettings.h"

#include <QMouseEvent>

#include <span>

COverviewPane::COverviewPane(CWorkspace& workspace, const CAppSettings& settings, QWidget* parent)
    : QFrame(parent), workspace_(workspace), settings_(settings) {
    // The window system's sunken client edge.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

COverviewPane::~COverviewPane() = default;

void COverviewPane::PaintTo(CDrawSurface& surface, const CPixelRect& client) {
    surface.FillRect(client, 0xFFFFFF);
    const CSignalEntry* entry = workspace_.ActiveEntry();
    const CSignal* signal = entry ? entry->GetTrace() : nullptr;
    if (client.Width() <= 0 || !signal)
        return;
    const std::size_t capacity = 2 * static_cast<std::size_t>(client.Width() + 1);
    if (pointBuffer_.size() != capacity)
        pointBuffer_.assign(capacity, {});

    const CWorldRect extent = signal->GetBounds();
    const CWorldRect view = window_.value_or(extent);

    const int count = signal->BuildPolylineFull(pointBuffer_, client);
    if (count > 0) {
        surface.SetPen({PenStyle::Solid, 1, entry->GetColour()});
        surface.Polyline(
            std::span<const CScreenPoint>(pointBuffer_.data(), static_cast<std::size_t>(count)));
    }
    if (const auto frame = OverviewFrame(client, extent, view)) {
        surface.SetPen({PenStyle::Solid, 1, settings_.GetMarkerColour()});
        surface.MoveTo(frame->left, frame->top);
        surface.LineTo(frame->left, frame->bottom);
        surface.LineTo(frame->right, frame->bottom);
        surface.LineTo(frame->right, frame->top);
        surface.LineTo(frame->left, frame->top);
    }
}

void COverviewPane::SetWorldWindow(const CWorldRect& window) {
    window_ = window;
    update();
}

void COverviewPane::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect inner = contentsRect();
    if (inner.isEmpty())
        return;
    CQtSurface surface(*this);
    surface.Painter().setClipRect(inner);
    surface.Painter().translate(inner.topLeft());
    PaintTo(surface, {0, 0, inner.width(), inner.height()});
}

void COverviewPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    RequestMoveTo(event->position().toPoint());
}

void COverviewPane::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) == 0) {
        QFrame::mouseMoveEvent(event);
        return;
    }
    RequestMoveTo(event->position().toPoint());
}

void COverviewPane::RequestMoveTo(QPoint at) {
    const CSignalEntry* entry = workspace_.ActiveEntry();
    const CSignal* signal = entry ? entry->GetTrace() : nullptr;
    const QRect inner = contentsRect();
    if (!signal || inner.isEmpty())
        return;
    // The same picture PaintTo draws: the trace's extent over the inner rectangle.
    double distance = 0.0;
    double level = 0.0;
    OverviewWorldAt({0, 0, inner.width(), inner.height()}, signal->GetBounds(),
                    at.x() - inner.left(), at.y() - inner.top(), distance, level);
    Q_EMIT MoveViewRequested(distance, level);
}
