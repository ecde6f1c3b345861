#include "display/CTraceView.h"

#include "core/CSignal.h"
#include "display/COtdrPrintDialog.h"
#include "display/CQtSurface.h"
#include "display/CTracePlot.h"
#include "display/MarkerReadout.h"
#include "display/MeasurementReadout.h"
#include "display/ReportPrintout.h"
#include "display/TraceGeometry.h"
#include "display/TracePrintout.h"
#include "platform/CPrompts.h"
#include "platform/TextFill.h"
#include "platform/Translation.h"
#include "project/CWorkspace.h"
#include "scan/CAppSettings.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QResizeEvent>

namespace {

void Warn(const char* text, const char* caption) {
    GetPrompts().Show(Translate(text), Translate(caption), CPrompts::Icon::Warning);
}

} // namespace

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
    return MeasurementRowCount(plot_->GetMeasureMode());
}

bool CTraceView::GetMarkerRow(int row, QString& caption, QString& value) const {
    QString tip;
    return GetMarkerRow(row, caption, value, tip);
}

bool CTraceView::GetMarkerRow(int row, QString& caption, QString& value, QString& tip) const {
    const CSignalEntry* entry = workspace_.ActiveEntry();
    if (!entry)
        return false;
    return MeasurementRow(row, plot_->GetMeasureMode(), plot_->GetMarkerSet(), entry->GetTrace(),
                          caption, value, tip);
}

void CTraceView::resizeEvent(QResizeEvent* event) {
    plot_->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void CTraceView::Print() {
    const CSignalEntry* entry = workspace_.ActiveEntry();
    if (!entry || !entry->GetTrace()) {
        Warn(kMsgNoSignal, kCaptionAttention);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    // Also the name the dialog proposes for a PDF file.
    printer.setDocName(QString::fromLatin1(kPrintDocumentName));
    COtdrPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintTo(printer, dialog.GetChoice());
}

bool CTraceView::PrintTo(QPrinter& printer, PrintChoice choice) {
    const CSignalEntry* entry = workspace_.ActiveEntry();
    const CSignal* active = entry ? entry->GetTrace() : nullptr;
    if (!active) {
        Warn(kMsgNoSignal, kCaptionAttention);
        return false;
    }
    if (!printer.isValid()) {
        Warn(kMsgNoPrinter, kCaptionPrinterError);
        return false;
    }
    // The page is measured before the document starts: a PDF cannot be taken back once
    // begun, and a refused page must leave no file and no job behind.
    const CPageMetrics page = PageMetricsOf(printer);
    if (page.dpiX <= 0 || page.dpiY <= 0 || page.width <= 0 || page.height <= 0) {
        Warn(kMsgNoPage, kCaptionError);
        return false;
    }
    if (IsLandscapePage(page)) {
        Warn(kMsgLandscape, kCaptionError);
        return false;
    }

    const std::vector<const CSignal*> printed = PrintedSignals(workspace_, choice);
    CPrintContent content = PageContent();
    // The page shows the printed traces whole, whatever the screen is zoomed to or whichever
    // trace set the screen's range.
    if (const std::optional<CWorldRect> extent = SignalsExtent(printed)) {
        CWorldWindow& world = content.window;
        world.fullLeft = world.viewLeft = extent->left;
        world.fullRight = world.viewRight = extent->right;
        world.fullTop = world.viewTop = extent->top;
        world.fullBottom = world.viewBottom = extent->bottom;
    }
    for (const CSignal* signal : printed)
        content.traces.push_back(&signal->GetTraceData());
    content.active = active;
    content.parameters = ParameterRows(*active);
    if (plot_->GetMeasureMode() == EMeasureMode::TwoPoint) {
        content.markers = MarkerRows(content.markerA, content.markerB, active);
    } else {
        CPrintRow printed;
        QString tip;
        for (int row = 0; MeasurementRow(row, plot_->GetMeasureMode(), plot_->GetMarkerSet(),
                                         active, printed.caption, printed.value, tip);
             ++row)
            content.markers.push_back(printed);
    }

    printer.setDocName(QString::fromLatin1(kPrintDocumentName));
    CQtSurface surface(printer);
    if (!surface.Painter().isActive()) {
        Warn(kMsgNoPrinter, kCaptionPrinterError);
        return false;
    }
    CTracePrintout(surface, page).Draw(content);
    if (!surface.Painter().end()) {
        Warn(kMsgNoPrinter, kCaptionPrinterError);
        return false;
    }
    return true;
}

CPrintContent CTraceView::PageContent() const {
    CPrintContent content;
    content.window = *plot_;
    content.verticalCaption = plot_->verticalCaption;
    content.horizontalCaption = plot_->horizontalCaption;
    content.captionSides = {plot_->captionLeft, plot_->captionRight, plot_->captionTop,
                            plot_->captionBottom};
    content.labelDecimals = plot_->labelDecimals;
    content.markerA = plot_->GetMarkerA();
    content.markerB = plot_->GetMarkerB();
    content.date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    return content;
}

CReportContent CTraceView::ReportContent(bool colour, const CLinkThresholds& thresholds) const {
    CReportContent content;
    content.page = PageContent();
    content.colour = colour;
    content.thresholds = ThresholdRows(thresholds);
    CProject* project = workspace_.ActiveProject();
    if (!project)
        return content;
    content.title = QString::fromStdString(ShownName(project->GetName()));
    for (int i = 0; i < project->GetEntryCount(); ++i) {
        const CSignalEntry& entry = project->GetEntry(i);
        if (const CSignal* signal = entry.GetTrace())
            content.traces.push_back(ReportTraceOf(*signal, entry.GetColour(), thresholds));
    }
    return content;
}

void CTraceView::PrintReport(const CLinkThresholds& thresholds) {
    const CProject* project = workspace_.ActiveProject();
    if (ReportContent(true, {}).traces.empty()) {
        Warn(kMsgNoSignal, kCaptionAttention);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(ShownName(project->GetName())));
    // A PDF beside the project is offered first; the dialog can send it to a printer instead.
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString name = QString::fromStdString(ShownName(project->GetName()))
                             .replace(QLatin1Char('/'), QLatin1Char('_')) +
                         QStringLiteral(".pdf");
    const QString folder = project->HasPath()
                               ? QFileInfo(QFile::decodeName(project->GetPath().c_str())).path()
                               : QDir::homePath();
    printer.setOutputFileName(QDir(folder).filePath(name));
    printer.setColorMode(QPrinter::Color);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("Отчёт по проекту"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintReportTo(printer, thresholds);
}

bool CTraceView::PrintReportTo(QPrinter& printer, const CLinkThresholds& thresholds) {
    return ::PrintReport(printer,
                         ReportContent(printer.colorMode() == QPrinter::Color, thresholds));
}
