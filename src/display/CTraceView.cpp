#include "display/CTraceView.h"

#include "display/CTracePlot.h"
#include "display/MarkerReadout.h"
#include "project/CWorkspace.h"

#include <QResizeEvent>

CTraceView::CTraceView(CWorkspace& workspace, const CAppSettings& settings, QWidget* parent)
    : QWidget(parent), workspace_(workspace), plot_(new CTracePlot(workspace, settings, this)) {
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    plot_->setGeometry(rect());
}

CTraceView::~CTraceView() = default;

void CTraceView::RecalcRange() {
    plot_->RecalcRange();
}

void CTraceView::Repaint() {
    plot_->update();
}

void CTraceView::SetHorzWindow(double from, double to) {
    plot_->SetHorzWindow(from, to);
}

void CTraceView::GetWorldWindow(CWorldRect& window) const {
    window = plot_->GetWorldWindow();
}

int CTraceView::GetMarkerRowCount() const {
    return kMarkerRowCount;
}

bool CTraceView::GetMarkerRow(int row, QString& caption, QString& value) const {
    const CSignalEntry* entry = workspace_.ActiveEntry();
    if (!entry)
        return false;
    return MarkerReadoutRow(row, plot_->GetMarkerA(), plot_->GetMarkerB(), entry->GetTrace(),
                            caption, value);
}

void CTraceView::resizeEvent(QResizeEvent* event) {
    plot_->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void CTraceView::Print() {}
