#pragma once
// The report of a link: a summary page (the link's identity from the files, the thresholds
// applied, all traces on one plot with a legend, and a table with one row per trace), then
// the printed page of each trace as the print command draws it, with the trace in its own
// colour, a legend and its failing events marked. On a printer without colour every trace is
// black and the legend tells them apart by line style. Summary rows that do not fit go on to
// another summary page.

#include "analysis/LinkThresholds.h"
#include "display/TracePrintout.h"

#include <QString>

#include <functional>
#include <limits>
#include <optional>
#include <vector>

class CSignal;
class QPrinter;

// What the report says of one trace beyond the trace itself.
struct CReportTrace {
    const CSignal* signal = nullptr;
    // Its colour on the screen.
    std::uint32_t colour = 0;
    // Thresholds were applied; without them there is no verdict.
    bool checked = false;
    bool passed = true;
    // "норма" or "не норма" in the interface's words; empty when not checked.
    QString verdict;
    // Per event, what it breaks, a line a breach (empty when it passes).
    std::vector<QString> eventMarks;
    // What the whole link breaks (end-to-end loss, return loss, a section's attenuation).
    std::vector<QString> linkMarks;
    // dB; NaN when unknown.
    double endToEndLoss = std::numeric_limits<double>::quiet_NaN();
    double returnLoss = std::numeric_limits<double>::quiet_NaN();
};

struct CReportContent {
    // The project's name, in the header of the summary.
    QString title;
    std::vector<CReportTrace> traces;
    // The plot's captions, label decimals, markers and the date, as the print command takes
    // them; each trace's page shows its own trace whole.
    CPrintContent page;
    bool colour = true;
    // The thresholds in force, caption and value; empty when none are on.
    std::vector<CPrintRow> thresholds;
};

// One row of the summary table, as printed.
struct CSummaryRow {
    QString file;
    QString fibre;
    QString wavelength;
    QString pulse;
    QString length;
    QString loss;
    QString returnLoss;
    QString events;
    QString worst;
    QString verdict;
    bool failed = false;
};
// The trace checked against the thresholds (none on: no verdict), with its link totals.
CReportTrace ReportTraceOf(const CSignal& signal, std::uint32_t colour,
                           const CLinkThresholds& thresholds);
// The thresholds that are on, as the summary lists them; none when all are off.
std::vector<CPrintRow> ThresholdRows(const CLinkThresholds& thresholds);
CSummaryRow SummaryRow(const CReportTrace& trace);
// The link's identity from the files: cable, places A and B, operator and date, each the
// values the traces give, different ones joined.
std::vector<CPrintRow> LinkIdentity(const std::vector<CReportTrace>& traces);
// The pen of the trace at index on the page: its colour, or on a black page a line style.
CPen ReportTracePen(const CReportTrace& trace, std::size_t index, bool colour, int dpiX);

inline constexpr std::uint32_t kReportMarkColour = 0x0000D0; // red

class CReportPrintout {
public:
    // newPage ends the page drawn last and starts the next; false when the printer fails.
    CReportPrintout(CDrawSurface& surface, const CPageMetrics& page, std::function<bool()> newPage);

    // Every page. False when a new page could not be started.
    bool Draw(const CReportContent& content);
    int PageCount() const { return sheet_; }

private:
    bool DrawSummary(const CReportContent& content);
    bool DrawTracePage(const CReportContent& content, std::size_t index);
    // The summary table from row first on; the index of the first row that did not fit.
    std::size_t DrawSummaryTable(CTracePrintout& printout, const std::vector<CSummaryRow>& rows,
                                 std::size_t first);
    bool NextPage();

    CDrawSurface& surface_;
    CPageMetrics metrics_;
    std::function<bool()> newPage_;
    int sheet_ = 0;
    std::uint32_t markColour_ = 0x000000;
};

// The report on a printer already chosen (or a PDF file), without a dialog. False, after
// telling the user, when nothing or not all was printed.
bool PrintReport(QPrinter& printer, const CReportContent& content);
