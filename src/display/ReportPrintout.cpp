#include "display/ReportPrintout.h"

#include "core/CSignal.h"
#include "display/CQtSurface.h"
#include "display/QtShapes.h"
#include "display/ThresholdText.h"
#include "display/TraceGeometry.h"
#include "platform/CPrompts.h"
#include "platform/Translation.h"

#include <QCoreApplication>
#include <QPrinter>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr int kMarkerEnd = 2;
constexpr int kMarkerStart = 1;

QString Tr(const char* text) {
    return QCoreApplication::translate("Report", text);
}

// The value of the file's detail line with this label (as the files' details name it).
QString Detail(const CSignal& signal, const char* label) {
    for (const CDetailLine& line : signal.GetDetails()) {
        if (line.label == label)
            return Utf8(line.value);
    }
    return {};
}

// The parameter line at index (1 pulse, 2 wavelength), with its unit; "--" for none.
QString Description(const CSignal& signal, int index) {
    std::string label;
    std::string value;
    return signal.GetDescription(index, label, value) ? Utf8(value) : QStringLiteral("--");
}

QString Decibels(double value, int decimals) {
    return std::isfinite(value) ? QStringLiteral("%1 dB").arg(value, 0, 'f', decimals)
                                : QStringLiteral("--");
}

bool Marked(const std::vector<QString>& marks, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < marks.size() &&
           !marks[static_cast<std::size_t>(index)].isEmpty();
}

// The summary table's columns: headers and shares of the page width in percent.
const std::array<const char*, 11> kSummaryHeaders{

    QT_TRANSLATE_NOOP("Report", "№"),       QT_TRANSLATE_NOOP("Report", "Файл"),
    QT_TRANSLATE_NOOP("Report", "Волокно"), QT_TRANSLATE_NOOP("Report", "Длина волны"),
    QT_TRANSLATE_NOOP("Report", "Импульс"), QT_TRANSLATE_NOOP("Report", "Длина"),
    QT_TRANSLATE_NOOP("Report", "Потери"),  QT_TRANSLATE_NOOP("Report", "ORL"),
    QT_TRANSLATE_NOOP("Report", "События"), QT_TRANSLATE_NOOP("Report", "Худшее событие"),
    QT_TRANSLATE_NOOP("Report", "Итог")};
constexpr std::array<int, 11> kSummaryPercent{3, 18, 9, 8, 8, 9, 8, 7, 8, 13, 9};

QString Cell(const CSummaryRow& row, std::size_t column, int index) {
    switch (column) {
    case 0:
        return QString::number(index + 1);
    case 1:
        return row.file;
    case 2:
        return row.fibre;
    case 3:
        return row.wavelength;
    case 4:
        return row.pulse;
    case 5:
        return row.length;
    case 6:
        return row.loss;
    case 7:
        return row.returnLoss;
    case 8:
        return row.events;
    case 9:
        return row.worst;
    default:
        return row.verdict;
    }
}

} // namespace

CReportTrace ReportTraceOf(const CSignal& signal, std::uint32_t colour,
                           const CLinkThresholds& thresholds) {
    CReportTrace trace;
    trace.signal = &signal;
    trace.colour = colour;
    const CLinkVerdict verdict = CheckSignal(signal, thresholds);
    const CLinkFacts facts = verdict.checked ? CLinkFacts{} : LinkFactsOf(signal);
    const std::optional<double> loss = verdict.checked ? verdict.endToEndLoss : facts.endToEndLoss;
    const std::optional<double> orl = verdict.checked ? verdict.returnLoss : facts.returnLoss;
    if (loss)
        trace.endToEndLoss = *loss;
    if (orl)
        trace.returnLoss = *orl;
    trace.checked = verdict.checked;
    trace.passed = verdict.Passed();
    trace.verdict = VerdictText(verdict);
    for (int i = 0; i < signal.GetEventCount(); ++i)
        trace.eventMarks.push_back(BreachesText(verdict, i));
    for (const CThresholdBreach& breach : verdict.Of(-1))
        trace.linkMarks.push_back(BreachText(breach));
    return trace;
}

std::vector<CPrintRow> ThresholdRows(const CLinkThresholds& thresholds) {
    std::vector<CPrintRow> rows;
    if (!thresholds.AnyOn())
        return rows;
    if (!thresholds.name.empty())
        rows.push_back({Tr(QT_TRANSLATE_NOOP("Report", "Набор:")), Utf8(thresholds.name)});
    const std::pair<EThreshold, const std::optional<double>*> limits[] = {
        {EThreshold::SpliceLoss, &thresholds.spliceLoss},
        {EThreshold::ConnectorLoss, &thresholds.connectorLoss},
        {EThreshold::Reflectance, &thresholds.reflectance},
        {EThreshold::SectionAttenuation, &thresholds.sectionAttenuation},
        {EThreshold::EndToEndLoss, &thresholds.endToEndLoss},
        {EThreshold::MinReturnLoss, &thresholds.minReturnLoss},
    };
    for (const auto& [threshold, limit] : limits) {
        if (*limit)
            rows.push_back({ThresholdName(threshold) + QLatin1Char(':'),
                            QStringLiteral("%1 %2 %3")
                                .arg(threshold == EThreshold::MinReturnLoss ? QStringLiteral("≥")
                                                                            : QStringLiteral("≤"))
                                .arg(**limit, 0, 'f', 2)
                                .arg(ThresholdUnit(threshold))});
    }
    return rows;
}

CSummaryRow SummaryRow(const CReportTrace& trace) {
    CSummaryRow row;
    const CSignal& signal = *trace.signal;
    row.file = BaseFileName(signal.GetFileName());
    row.fibre = Detail(signal, "Волокно:");
    if (row.fibre.isEmpty())
        row.fibre = QStringLiteral("--");
    row.pulse = Description(signal, 1);
    row.wavelength = Description(signal, 2);

    // The fibre ends at its end event; without one the trace's last event or its range.
    const int count = signal.GetEventCount();
    double length = signal.GetEndDistance();
    for (int i = 0; i < count; ++i) {
        const CKeyEvent event = signal.GetEvent(i);
        if (event.GetMarker() == kMarkerEnd || i == count - 1)
            length = event.GetPosition();
        if (event.GetMarker() == kMarkerEnd)
            break;
    }
    row.length = std::isfinite(length) ? QStringLiteral("%1 km").arg(length, 0, 'f', 3)
                                       : QStringLiteral("--");
    row.loss = Decibels(trace.endToEndLoss, 2);
    row.returnLoss = Decibels(trace.returnLoss, 1);
    row.events = QString::number(count);

    // The worst event: the greatest loss among the failing events, or among all events of
    // the fibre (its start and end excepted) when none fails.
    bool anyFails = false;
    for (int i = 0; i < count; ++i)
        anyFails = anyFails || Marked(trace.eventMarks, i);
    // Losses as the event list shows them: a reflection's stored loss does not count.
    const auto hasLoss = [](const CKeyEvent& event) { return event.GetLossText() != "--"; };
    int worst = -1;
    float worstLoss = 0.0f;
    for (int i = 0; i < count; ++i) {
        const CKeyEvent event = signal.GetEvent(i);
        if (anyFails ? !Marked(trace.eventMarks, i)
                     : (event.GetMarker() == kMarkerStart || event.GetMarker() == kMarkerEnd ||
                        !hasLoss(event)))
            continue;
        const float loss = hasLoss(event) ? event.GetLoss() : 0.0f;
        if (worst < 0 || loss > worstLoss) {
            worst = i;
            worstLoss = loss;
        }
    }
    if (worst >= 0) {
        // A failing reflection is named by its reflectance.
        const CKeyEvent event = signal.GetEvent(worst);
        const std::string value = hasLoss(event) ? event.GetLossText() : event.GetReflectanceText();
        row.worst = QStringLiteral("%1: %2").arg(worst + 1).arg(
            value == "--" ? Utf8(Translate(event.GetTypeName()))
                          : Utf8(value) + QStringLiteral(" dB"));
        if (anyFails)
            row.worst += QStringLiteral(" !");
    } else {
        row.worst = QStringLiteral("--");
    }

    row.failed = trace.checked && !trace.passed;
    row.verdict = trace.checked ? trace.verdict : QStringLiteral("--");
    return row;
}

std::vector<CPrintRow> LinkIdentity(const std::vector<CReportTrace>& traces) {
    const std::array<std::pair<const char*, const char*>, 5> fields{{
        {"Кабель:", QT_TRANSLATE_NOOP("Report", "Кабель:")},
        {"Место A:", QT_TRANSLATE_NOOP("Report", "Место A:")},
        {"Место B:", QT_TRANSLATE_NOOP("Report", "Место B:")},
        {"Оператор:", QT_TRANSLATE_NOOP("Report", "Оператор:")},
        {"Дата и время:", QT_TRANSLATE_NOOP("Report", "Дата:")},
    }};
    std::vector<CPrintRow> rows;
    for (const auto& [label, caption] : fields) {
        const bool date = std::string_view(label) == "Дата и время:";
        QStringList values;
        for (const CReportTrace& trace : traces) {
            QString value = Detail(*trace.signal, label);
            // The day tells measurements of one link apart, not the time of each trace.
            if (date)
                value = value.section(QLatin1Char(' '), 0, 0);
            if (!value.isEmpty() && !values.contains(value))
                values << value;
        }
        if (date && values.size() > 1) {
            // A link measured over several days: its first and last day.
            std::sort(values.begin(), values.end(), [](const QString& a, const QString& b) {
                const auto key = [](const QString& d) {
                    return d.section(QLatin1Char('.'), 2) + d.section(QLatin1Char('.'), 1, 1) +
                           d.section(QLatin1Char('.'), 0, 0);
                };
                return key(a) < key(b);
            });
            values = QStringList{values.first() + QStringLiteral(" – ") + values.last()};
        }
        rows.push_back({Tr(caption), values.isEmpty() ? QStringLiteral("--")
                                                      : values.join(QStringLiteral("; "))});
    }
    return rows;
}

CPen ReportTracePen(const CReportTrace& trace, std::size_t index, bool colour, int dpiX) {
    if (colour)
        return {PenStyle::Solid, 1, trace.colour};
    // Three one-pixel styles, then a wide solid line; beyond four traces the styles repeat.
    switch (index % 4) {
    case 0:
        return {PenStyle::Solid, 1, kBlack};
    case 1:
        return {PenStyle::Dash, 1, kBlack};
    case 2:
        return {PenStyle::Dot, 1, kBlack};
    default:
        return {PenStyle::Solid, std::max(2, CPrintScales(dpiX, dpiX).X(5)), kBlack};
    }
}

// --- The pages ------------------------------------------------------------------------------

CReportPrintout::CReportPrintout(CDrawSurface& surface, const CPageMetrics& page,
                                 std::function<bool()> newPage)
    : surface_(surface), metrics_(page), newPage_(std::move(newPage)) {}

bool CReportPrintout::NextPage() {
    if (sheet_ > 0 && !newPage_())
        return false;
    ++sheet_;
    return true;
}

bool CReportPrintout::Draw(const CReportContent& content) {
    sheet_ = 0;
    markColour_ = content.colour ? kReportMarkColour : kBlack;
    if (!DrawSummary(content))
        return false;
    for (std::size_t i = 0; i < content.traces.size(); ++i) {
        if (!DrawTracePage(content, i))
            return false;
    }
    return true;
}

bool CReportPrintout::DrawSummary(const CReportContent& content) {
    std::vector<CSummaryRow> rows;
    std::vector<const CSignal*> signals;
    for (const CReportTrace& trace : content.traces) {
        rows.push_back(SummaryRow(trace));
        signals.push_back(trace.signal);
    }
    std::size_t next = 0;
    do {
        if (!NextPage())
            return false;
        CTracePrintout printout(surface_, metrics_);
        printout.BeginPage();
        CPrintContent page = content.page;
        page.sheet = sheet_;
        page.active = nullptr;
        page.headerLine = (next == 0 ? Tr(QT_TRANSLATE_NOOP("Report", "Отчёт : %1"))
                                     : Tr(QT_TRANSLATE_NOOP("Report", "Отчёт : %1 (продолжение)")))
                              .arg(content.title);
        printout.DrawHeader(page);
        if (next == 0) {
            printout.DrawBlockPair(Tr(QT_TRANSLATE_NOOP("Report", "Линия:")),
                                   LinkIdentity(content.traces),
                                   Tr(QT_TRANSLATE_NOOP("Report", "Пороги:")), content.thresholds);
            // Every trace on one plot, whole, told apart by the legend.
            if (const std::optional<CWorldRect> extent = SignalsExtent(signals)) {
                CWorldWindow& world = page.window;
                world.fullLeft = world.viewLeft = extent->left;
                world.fullRight = world.viewRight = extent->right;
                world.fullTop = world.viewTop = extent->top;
                world.fullBottom = world.viewBottom = extent->bottom;
            }
            page.showMarkers = false;
            page.plotHeightShare = 0.45;
            for (std::size_t i = 0; i < content.traces.size(); ++i) {
                const CReportTrace& trace = content.traces[i];
                const CPen pen = ReportTracePen(trace, i, content.colour, metrics_.dpiX);
                page.traces.push_back(&trace.signal->GetTraceData());
                page.tracePens.push_back(pen);
                page.legend.push_back({rows[i].file, pen, content.colour ? trace.colour : kBlack});
            }
            printout.DrawPlotSection(page);
        }
        next = DrawSummaryTable(printout, rows, next);
    } while (next < rows.size());
    return true;
}

std::size_t CReportPrintout::DrawSummaryTable(CTracePrintout& printout,
                                              const std::vector<CSummaryRow>& rows,
                                              std::size_t first) {
    const CPrintScales& scales = printout.Scales();
    const CPixelRect& page = printout.Page();
    surface_.SetPen({PenStyle::Solid, scales.Y(2), kBlack});
    const auto rule = [&](int y) {
        surface_.MoveTo(page.left, y);
        surface_.LineTo(page.right, y);
    };
    int y = page.top + scales.Y(20);
    rule(y);
    y += scales.Y(10);

    std::array<int, kSummaryHeaders.size() + 1> edges{};
    double share = 0.0;
    for (std::size_t i = 0; i < kSummaryHeaders.size(); ++i) {
        edges[i] = page.left + TruncSat(share);
        share += page.Width() * kSummaryPercent[i] * 0.01;
    }
    edges.back() = page.right;
    const int cellGap = scales.X(10);
    // Each text in a column is cut to the column, so no column runs into the next.
    const auto fits = [&](std::size_t column, const QString& text, int points, bool bold) {
        const LogFont previous = surface_.SetFont(PrintTextFont(points, bold, scales.DpiY()));
        const int room = edges[column + 1] - edges[column] - cellGap;
        const QString fitted = ElideMiddle(surface_, text, room);
        surface_.SetFont(previous);
        return fitted;
    };
    const auto cell = [&](std::size_t column, const QString& text, int points, bool bold,
                          int below = 0) {
        return printout.DrawTextAt(fits(column, text, points, bold),
                                   {edges[column], y + below, 0, 0}, CTracePrintout::Align::TopLeft,
                                   points, bold);
    };
    // A header too wide for its column goes on two lines, a word a line.
    int headerHeight = 0;
    for (std::size_t i = 0; i < kSummaryHeaders.size(); ++i) {
        const QString header = Tr(kSummaryHeaders[i]);
        const QStringList lines = fits(i, header, 8, true) == header
                                      ? QStringList{header}
                                      : header.split(QLatin1Char(' '));
        int height = 0;
        for (const QString& line : lines)
            height += cell(i, line, 8, true, height).cy;
        headerHeight = std::max(headerHeight, height);
    }
    y += headerHeight + scales.Y(10);
    rule(y);
    y += scales.Y(10);

    std::size_t index = first;
    for (; index < rows.size(); ++index) {
        const CSummaryRow& row = rows[index];
        const int rowHeight = surface_.MeasureText(QStringLiteral("Ag")).cy; // the page font's line
        // At least one row on every page, so a page too small still ends.
        if (index > first && y + rowHeight + scales.Y(30) > page.bottom)
            break;
        int height = 0;
        for (std::size_t column = 0; column < kSummaryHeaders.size(); ++column) {
            const bool mark = row.failed && (column == 9 || column == 10);
            const std::uint32_t previous = surface_.SetTextColour(mark ? markColour_ : kBlack);
            height = std::max(height, cell(column, Cell(row, column, static_cast<int>(index)), 8,
                                           mark && column == 10)
                                          .cy);
            surface_.SetTextColour(previous);
        }
        y += height + scales.Y(8);
    }
    y += scales.Y(2);
    rule(y);
    return index;
}

bool CReportPrintout::DrawTracePage(const CReportContent& content, std::size_t index) {
    if (!NextPage())
        return false;
    const CReportTrace& trace = content.traces[index];
    const CSignal& signal = *trace.signal;
    CPrintContent page = content.page;
    page.sheet = sheet_;
    const CSignal* const one[] = {&signal};
    if (const std::optional<CWorldRect> extent = SignalsExtent(one)) {
        CWorldWindow& world = page.window;
        world.fullLeft = world.viewLeft = extent->left;
        world.fullRight = world.viewRight = extent->right;
        world.fullTop = world.viewTop = extent->top;
        world.fullBottom = world.viewBottom = extent->bottom;
        // A shorter trace than the one the markers were set on keeps them on its plot.
        KeepMarkersInRange(page.markerA, page.markerB, extent->left, extent->right);
    }
    const CPen pen = ReportTracePen(trace, index, content.colour, metrics_.dpiX);
    page.traces = {&signal.GetTraceData()};
    page.tracePens = {pen};
    page.legend = {
        {BaseFileName(signal.GetFileName()), pen, content.colour ? trace.colour : kBlack}};
    page.active = &signal;
    page.parameters = ParameterRows(signal);
    page.markers = MarkerRows(page.markerA, page.markerB, &signal);
    page.eventMarks = trace.eventMarks;
    page.markColour = markColour_;

    CTracePrintout printout(surface_, metrics_);
    printout.Draw(page);
    if (!trace.checked)
        return true;

    // Under the table: what fails, and the verdict.
    const CPrintScales& scales = printout.Scales();
    const int left = printout.Page().left;
    int y = printout.Page().top + scales.Y(20);
    const auto line = [&](const QString& text, bool bold, std::uint32_t colour) {
        const std::uint32_t previous = surface_.SetTextColour(colour);
        y += printout.DrawTextAt(text, {left, y, 0, 0}, CTracePrintout::Align::TopLeft, 9, bold).cy;
        surface_.SetTextColour(previous);
    };
    std::vector<QString> failures;
    for (std::size_t i = 0; i < trace.eventMarks.size(); ++i) {
        if (trace.eventMarks[i].isEmpty())
            continue;
        for (const QString& breach : trace.eventMarks[i].split(QLatin1Char('\n')))
            failures.push_back(
                Tr(QT_TRANSLATE_NOOP("Report", "Событие %1 !  %2")).arg(i + 1).arg(breach));
    }
    for (const QString& mark : trace.linkMarks)
        failures.push_back(Tr(QT_TRANSLATE_NOOP("Report", "Линия !  %1")).arg(mark));
    if (!failures.empty()) {
        line(Tr(QT_TRANSLATE_NOOP("Report", "Превышения порогов:")), true, kBlack);
        // Nothing runs past the page: what does not fit is counted.
        const int lineHeight = surface_.MeasureText(QStringLiteral("Ag")).cy;
        const int room = std::max<int>(
            1, (printout.Page().bottom - y - 3 * lineHeight - scales.Y(10)) / lineHeight);
        for (std::size_t i = 0; i < failures.size(); ++i) {
            if (static_cast<int>(i) + 1 == room && failures.size() > i + 1) {
                line(Tr(QT_TRANSLATE_NOOP("Report", "… ещё %1")).arg(failures.size() - i), false,
                     page.markColour);
                break;
            }
            line(failures[i], false, page.markColour);
        }
        y += scales.Y(10);
    }
    line(Tr(QT_TRANSLATE_NOOP("Report", "Итог : %1")).arg(trace.verdict), true,
         trace.passed ? kBlack : page.markColour);
    return true;
}

// --- On a printer ---------------------------------------------------------------------------

bool PrintReport(QPrinter& printer, const CReportContent& content) {
    const auto warn = [](const char* text, const char* caption) {
        GetPrompts().Show(text, caption, CPrompts::Icon::Warning);
    };
    if (content.traces.empty()) {
        warn(kMsgNoSignal, kCaptionAttention);
        return false;
    }
    if (!printer.isValid()) {
        warn(kMsgNoPrinter, kCaptionPrinterError);
        return false;
    }
    // Measured before the document starts, as for a single page.
    const CPageMetrics page = PageMetricsOf(printer);
    if (page.dpiX <= 0 || page.dpiY <= 0 || page.width <= 0 || page.height <= 0) {
        warn(kMsgNoPage, kCaptionError);
        return false;
    }
    if (IsLandscapePage(page)) {
        warn(kMsgLandscape, kCaptionError);
        return false;
    }
    CQtSurface surface(printer);
    if (!surface.Painter().isActive()) {
        warn(kMsgNoPrinter, kCaptionPrinterError);
        return false;
    }
    CReportPrintout report(surface, page, [&printer] { return printer.newPage(); });
    const bool drawn = report.Draw(content);
    if (!drawn)
        warn(kMsgNoPage, kCaptionError);
    if (!surface.Painter().end() && drawn) {
        warn(kMsgNoPrinter, kCaptionPrinterError);
        return false;
    }
    return drawn;
}
