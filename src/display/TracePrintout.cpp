#include "display/TracePrintout.h"

#include "core/CSignal.h"
#include "display/MarkerReadout.h"
#include "display/PrintArt.h"
#include "display/QtShapes.h"
#include "display/TraceGeometry.h"
#include "platform/Translation.h"
#include "project/CWorkspace.h"

#include <QCoreApplication>
#include <QFile>
#include <QPrinter>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <span>

const char* const kProgramVersion = "Version " LUMETRA_VERSION;

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr int kDotsPerInch = 300;
constexpr int kCyrillicCharset = 204;
constexpr int kDefaultCharset = 1;
constexpr int kDraftQuality = 1;

// The event table's columns: headers and shares of the page width in percent.
constexpr std::array<const char*, 7> kTableHeaders{
    QT_TRANSLATE_NOOP("CTracePrintout", "Ном."),
    QT_TRANSLATE_NOOP("CTracePrintout", "Тип события"),
    QT_TRANSLATE_NOOP("CTracePrintout", "Расстояние (km)"),
    QT_TRANSLATE_NOOP("CTracePrintout", "Потери (dB)"),
    QT_TRANSLATE_NOOP("CTracePrintout", "Отражение (dB)"),
    QT_TRANSLATE_NOOP("CTracePrintout", "Ослабление (dB/km)"),
    QT_TRANSLATE_NOOP("CTracePrintout", "Описание")};
constexpr std::array<int, 7> kTablePercent{5, 14, 15, 13, 14, 18, 21};

// The window system's MulDiv: a * b / c rounded half away from zero, in 64 bits.
int MulDiv(int a, int b, int c) {
    if (c == 0)
        return 0;
    const long long product = static_cast<long long>(a) * b;
    const long long half = (c < 0 ? -c : c) / 2;
    const long long rounded =
        ((product < 0) != (c < 0)) ? (product - half) / c : (product + half) / c;
    return static_cast<int>(std::clamp<long long>(rounded, INT_MIN, INT_MAX));
}

} // namespace

// --- Scales and page ------------------------------------------------------------------------

CPrintScales::CPrintScales(int dpiX, int dpiY)
    : dpiX_(dpiX), dpiY_(dpiY), sx_(dpiX / static_cast<double>(kDotsPerInch)),
      sy_(dpiY / static_cast<double>(kDotsPerInch)) {}

int CPrintScales::X(int dots) const {
    return TruncSat(dots * sx_);
}

int CPrintScales::Y(int dots) const {
    return TruncSat(dots * sy_);
}

bool IsLandscapePage(const CPageMetrics& page) {
    const CPrintScales scales(page.dpiX, page.dpiY);
    return Rnd(page.height / scales.Sy()) < Rnd(page.width / scales.Sx());
}

CPixelRect PrintPageRect(const CPageMetrics& page) {
    return {std::max(0, page.dpiX - page.offsetX), std::max(0, page.dpiY / 2 - page.offsetY),
            std::min(page.width, page.width - page.dpiX + page.offsetX),
            std::min(page.height, page.height - page.dpiY / 2 + page.offsetY)};
}

LogFont PrintPageFont(int dpiY) {
    LogFont font;
    font.height = MulDiv(10, dpiY, 72);
    font.weight = 400;
    font.charSet = kCyrillicCharset;
    font.quality = kDraftQuality;
    font.faceName = "MS Shell Dlg";
    return font;
}

LogFont PrintTextFont(int points, bool bold, int dpiY) {
    LogFont font;
    font.height = points * dpiY / 72;
    font.weight = bold ? 700 : 400;
    font.charSet = kDefaultCharset;
    font.quality = kDraftQuality;
    font.faceName = "MS Sans Serif";
    return font;
}

// --- What is printed ------------------------------------------------------------------------

std::vector<const CSignal*> PrintedSignals(CWorkspace& workspace, PrintChoice choice) {
    std::vector<const CSignal*> signals;
    const auto take = [&signals](CProject& project) {
        for (int j = 0; j < project.GetEntryCount(); ++j) {
            if (const CSignal* signal = project.GetEntry(j).GetTrace())
                signals.push_back(signal);
        }
    };
    if (choice == PrintChoice::AllSignals) {
        for (int i = 0; i < workspace.GetProjectCount(); ++i)
            take(workspace.GetProject(i));
    } else if (choice == PrintChoice::ActiveProject) {
        if (CProject* project = workspace.ActiveProject())
            take(*project);
    } else if (const CSignalEntry* entry = workspace.ActiveEntry(); entry && entry->GetTrace()) {
        signals.push_back(entry->GetTrace());
    }
    return signals;
}

std::vector<CPrintRow> ParameterRows(const CSignal& signal) {
    std::vector<CPrintRow> rows;
    for (int i = 0; i < signal.GetDescriptionCount(); ++i) {
        std::string label;
        std::string value;
        if (signal.GetDescription(i, label, value))
            rows.push_back({Utf8(TranslateLabel(label)), Utf8(value)});
    }
    return rows;
}

std::vector<CPrintRow> MarkerRows(float a, float b, const CSignal* signal) {
    std::vector<CPrintRow> rows;
    for (int row = 0; row < kMarkerRowCount; ++row) {
        CPrintRow printed;
        if (MarkerReadoutRow(row, a, b, signal, printed.caption, printed.value))
            rows.push_back(std::move(printed));
    }
    return rows;
}

// --- The page -------------------------------------------------------------------------------

CTracePrintout::CTracePrintout(CDrawSurface& surface, const CPageMetrics& page)
    : surface_(surface), scales_(page.dpiX, page.dpiY), pageFont_(PrintPageFont(page.dpiY)),
      page_(PrintPageRect(page)) {}

void CTracePrintout::BeginPage() {
    surface_.SetFont(pageFont_);
    surface_.SetTextColour(kBlack);
    surface_.SetTextBackground(kWhite);
    surface_.SetRasterMode(RasterMode::Copy);
}

void CTracePrintout::Draw(const CPrintContent& content) {
    BeginPage();
    DrawHeader(content);
    DrawPlotSection(content);
    DrawBlocks(content);
    if (content.active)
        DrawEventTable(*content.active, content.eventMarks, content.markColour);
}

CPixelSize CTracePrintout::DrawTextAt(const QString& text, const CPixelRect& rect, Align align,
                                      int points, bool bold) {
    const LogFont previous = surface_.SetFont(PrintTextFont(points, bold, scales_.DpiY()));
    CPixelSize size = surface_.MeasureText(text);
    if (text.isEmpty())
        size = {0, surface_.MeasureText(QStringLiteral(" ")).cy};
    const int x = align == Align::TopRight ? rect.right - size.cx : rect.left;
    const int y = align == Align::BottomLeft ? rect.bottom - size.cy : rect.top;
    surface_.DrawText(x, y, text);
    surface_.SetFont(previous);
    return size;
}

void CTracePrintout::Rule(int y) {
    surface_.MoveTo(page_.left, y);
    surface_.LineTo(page_.right, y);
}

void CTracePrintout::DrawHeader(const CPrintContent& content) {
    const int left = page_.left;
    const int right = page_.right;
    surface_.SetPen({PenStyle::Solid, scales_.Y(3), kBlack});
    surface_.StretchBitmap(PrintLogo(), {left, page_.top, left + scales_.X(kLogoWidth),
                                         page_.top + scales_.Y(kLogoHeight)});
    int y = page_.top;
    const QString title = QStringLiteral("Lumetra View %1").arg(QLatin1String(kProgramVersion));
    y += DrawTextAt(title, {0, y, right, 0}, Align::TopRight, 12, true).cy;
    y += DrawTextAt(content.date, {0, y, right, 0}, Align::TopRight, 8, false).cy;
    y += DrawTextAt(QCoreApplication::translate("CTracePrintout", "Лист : %1").arg(content.sheet),
                    {0, y, right, 0}, Align::TopRight, 8, false)
             .cy;
    const QString file =
        content.active ? QFile::decodeName(content.active->GetFileName().c_str()) : QString();
    const QString line =
        content.headerLine.isEmpty()
            ? QCoreApplication::translate("CTracePrintout", "Трасса : %1").arg(file)
            : content.headerLine;
    DrawTextAt(line, {left, 0, 0, y}, Align::BottomLeft, 10, false);
    y += 10; // device pixels, not scaled
    Rule(y);
    page_.top = y;
}

void CTracePrintout::DrawPlotSection(const CPrintContent& content) {
    CPixelRect outer = page_;
    outer.top = page_.top + scales_.Y(20);
    outer.bottom = std::min(
        page_.bottom, outer.top + TruncSat(content.plotHeightShare * (outer.right - outer.left)));
    const CPixelSize number = surface_.MeasureText(QStringLiteral("000.00"));
    plot_ = ScalePlotRect(outer, true, scales_.X(50) + number.cx, scales_.Y(50) + number.cy,
                          surface_.MeasureText(content.verticalCaption),
                          surface_.MeasureText(content.horizontalCaption), content.captionSides);
    DrawScale(content, outer, Orientation::Horizontal);
    DrawScale(content, outer, Orientation::Vertical);
    DrawTraces(content);
    DrawLegendBox(content);
    DrawEventIcons(content);
    if (content.showMarkers)
        DrawMarkers(content);
    page_.top = outer.bottom;
}

void CTracePrintout::DrawScale(const CPrintContent& content, const CPixelRect& outer,
                               Orientation orientation) {
    const bool across = orientation == Orientation::Horizontal;
    // Pens are as wide as dots along the scale, ticks as long as dots across it.
    const double along = across ? scales_.Sx() : scales_.Sy();
    const auto dotsAcross = [&](int dots) { return across ? scales_.Y(dots) : scales_.X(dots); };
    const CPen thin{PenStyle::Solid, 1, kBlack};
    const CPen normal{PenStyle::Solid, TruncSat(along), kBlack};
    const CPen thick{PenStyle::Solid, TruncSat(2 * along), kBlack};
    const int tick = dotsAcross(20);
    const int low = across ? plot_.top : plot_.left;
    const int high = across ? plot_.bottom : plot_.right;
    const auto line = [&](int pos, int from, int to) {
        surface_.MoveTo(across ? pos : from, across ? from : pos);
        surface_.LineTo(across ? pos : to, across ? to : pos);
    };
    // Outwards on both sides, the bottom or right one first.
    const auto ticksAt = [&](int pos, int length) {
        line(pos, high, high + length);
        line(pos, low, low - length);
    };
    const CScaleTicks ticks =
        across ? ScaleTicks(plot_.left, plot_.right) : ScaleTicks(plot_.top, plot_.bottom);
    const CWorldWindow& world = content.window;
    for (int i = 0; i <= 10; ++i) {
        const int pos = ticks.major[static_cast<std::size_t>(i)];
        surface_.SetPen(thick);
        ticksAt(pos, tick);
        const double value = across ? ScaleValue(world.viewLeft, world.viewRight, i)
                                    : ScaleValue(world.viewTop, world.viewBottom, i);
        const QString label = FormatNumber(value, content.labelDecimals);
        const CPixelSize size = surface_.MeasureText(label);
        if (across) {
            surface_.DrawText(pos - (size.cx + 1) / 2, low - tick - size.cy, label);
            surface_.DrawText(pos - (size.cx + 1) / 2, high + tick, label);
        } else {
            surface_.DrawText(low - tick - size.cx, pos - (size.cy + 1) / 2, label);
            surface_.DrawText(high + tick, pos - (size.cy + 1) / 2, label);
        }
        // The grid line, the outer two as thick as the major ticks.
        surface_.SetPen(i == 0 || i == 10 ? thick : thin);
        line(pos, low, high);
        if (i == 10)
            break;
        surface_.SetPen(normal);
        for (int k = 0; k < 10; ++k)
            ticksAt(ticks.minor[static_cast<std::size_t>(10 * i + k)],
                    dotsAcross(k == 5 ? 15 : 10));
    }

    if (across) {
        const CPixelSize caption = surface_.MeasureText(content.horizontalCaption);
        const int x = HorzCaptionX(plot_, ticks.spacing, caption);
        if (content.captionSides.top)
            surface_.DrawText(x, outer.top + tick, content.horizontalCaption);
        if (content.captionSides.bottom)
            surface_.DrawText(x, outer.bottom - tick - caption.cy, content.horizontalCaption);
        return;
    }
    // The caption reads upwards beside the plot.
    const CPixelSize caption = surface_.MeasureText(content.verticalCaption);
    const int y = VertCaptionY(plot_, ticks.spacing, caption);
    const LogFont previous = surface_.SetFont(RotatedFont(pageFont_));
    if (content.captionSides.left)
        surface_.DrawText(outer.left + tick, y, content.verticalCaption);
    if (content.captionSides.right)
        surface_.DrawText(outer.right - tick - caption.cy, y, content.verticalCaption);
    surface_.SetFont(previous);
}

void CTracePrintout::DrawTraces(const CPrintContent& content) {
    const CWorldWindow& world = content.window;
    std::vector<CScreenPoint> points(2 * static_cast<std::size_t>(plot_.Width() + 1));
    surface_.SetPen({PenStyle::Solid, 1, kBlack});
    for (std::size_t i = 0; i < content.traces.size(); ++i) {
        const CTraceData* trace = content.traces[i];
        if (i < content.tracePens.size())
            surface_.SetPen(content.tracePens[i]);
        const int count = trace->BuildPolyline(
            points, plot_, static_cast<float>(world.viewLeft), static_cast<float>(world.viewTop),
            static_cast<float>(world.viewRight), static_cast<float>(world.viewBottom));
        if (count > 0)
            surface_.Polyline(std::span(points.data(), static_cast<std::size_t>(count)));
    }
}

void CTracePrintout::DrawEventIcons(const CPrintContent& content) {
    if (!content.active)
        return;
    const CWorldWindow& world = content.window;
    const double span = world.viewRight - world.viewLeft;
    if (!(span > 0.0))
        return;
    const int e = scales_.X(8);
    const int width = plot_.Width();
    const int bottom = plot_.bottom - scales_.Y(10);
    const int top = bottom - scales_.Y(16);
    const CSignal& signal = *content.active;
    for (int i = 0; i < signal.GetEventCount(); ++i) {
        const CKeyEvent event = signal.GetEvent(i);
        const int m = Rnd((event.GetPosition() - world.viewLeft) * width / span);
        if (e <= m && m <= width - e)
            surface_.StretchImage(PrintEventImages(), event.GetImageIndex(),
                                  {plot_.left + m - e, top, plot_.left + m + e, bottom});
    }
}

void CTracePrintout::DrawLegendBox(const CPrintContent& content) {
    if (content.legend.empty())
        return;
    // Below the marker labels, which stack two high at the top of the plot.
    const int labelBand = 2 * surface_.MeasureText(QStringLiteral("A")).cy;
    const LogFont previous = surface_.SetFont(PrintTextFont(8, false, scales_.DpiY()));
    CLegendStyle style;
    style.inset = scales_.X(20);
    style.padding = scales_.X(12);
    style.sampleLength = scales_.X(90);
    style.gap = scales_.X(20);
    style.sampleLines = std::max(1, scales_.Y(4));
    style.frameWidth = std::max(1, scales_.Y(2));
    DrawLegend(surface_, plot_, labelBand, content.legend, style);
    surface_.SetFont(previous);
}

void CTracePrintout::DrawMarkers(const CPrintContent& content) {
    surface_.SetPen({PenStyle::Solid, scales_.X(2), kBlack});
    ::DrawMarkers(surface_, plot_, content.window.viewLeft, content.window.viewRight,
                  content.markerA, content.markerB);
}

// --- Blocks and table -----------------------------------------------------------------------

CPixelSize CTracePrintout::DrawBlock(int x0, int y0, const QString& title,
                                     const std::vector<CPrintRow>& rows) {
    if (rows.empty())
        return {};
    const CPixelSize titleSize =
        DrawTextAt(title, {x0, y0 + scales_.Y(10), 0, 0}, Align::TopLeft, 10, true);
    const int d = titleSize.cy + scales_.Y(20);
    int captionWidth = 0;
    int y = y0 + d;
    for (const CPrintRow& row : rows) {
        const CPixelSize size = DrawTextAt(row.caption, {x0, y, 0, 0}, Align::TopLeft, 10, false);
        captionWidth = std::max(captionWidth, size.cx);
        y += size.cy;
    }
    const int labels = std::max(titleSize.cx, captionWidth);
    const int valueX = x0 + labels + scales_.X(20);
    int valueWidth = 0;
    int valueHeight = 0;
    for (const CPrintRow& row : rows) {
        const CPixelSize size =
            DrawTextAt(row.value, {valueX, y0 + d + valueHeight, 0, 0}, Align::TopLeft, 10, false);
        valueWidth = std::max(valueWidth, size.cx);
        valueHeight += size.cy;
    }
    const int width = labels + scales_.X(20) + valueWidth;
    for (const int ruleY : {y0, y0 + d, y0 + d + valueHeight}) {
        surface_.MoveTo(x0, ruleY);
        surface_.LineTo(x0 + width, ruleY);
    }
    return {width, d + valueHeight};
}

void CTracePrintout::DrawBlocks(const CPrintContent& content) {
    DrawBlockPair(QCoreApplication::translate("CTracePrintout", "Параметры:"), content.parameters,
                  QCoreApplication::translate("CTracePrintout", "Маркеры:"), content.markers);
}

void CTracePrintout::DrawBlockPair(const QString& leftTitle, const std::vector<CPrintRow>& left,
                                   const QString& rightTitle, const std::vector<CPrintRow>& right) {
    surface_.SetPen({PenStyle::Solid, scales_.Y(2), kBlack});
    const int top = page_.top;
    const CPixelSize first = DrawBlock(page_.left, top, leftTitle, left);
    const CPixelSize second =
        DrawBlock(page_.left + first.cx + scales_.X(50), top, rightTitle, right);
    page_.top += std::max(first.cy, second.cy);
}

void CTracePrintout::DrawEventTable(const CSignal& signal, const std::vector<QString>& marks,
                                    std::uint32_t markColour) {
    surface_.SetPen({PenStyle::Solid, scales_.Y(2), kBlack});
    int y = page_.top + scales_.Y(20);
    Rule(y);
    y += scales_.Y(10);

    const int pageWidth = page_.Width();
    std::array<int, kTableHeaders.size()> columns{};
    double share = 0.0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        columns[i] = page_.left + TruncSat(share);
        share += pageWidth * kTablePercent[i] * 0.01;
    }
    int headerHeight = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        // A face wider than the one the columns were made for would run each header into
        // the next: such a header gets a smaller size, down to 6 points.
        const QString header = QCoreApplication::translate("CTracePrintout", kTableHeaders[i]);
        const int room =
            (i + 1 < columns.size() ? columns[i + 1] : page_.right) - columns[i] - scales_.X(8);
        int points = 9;
        for (; points > 6; --points) {
            const LogFont previous = surface_.SetFont(PrintTextFont(points, true, scales_.DpiY()));
            const int width = surface_.MeasureText(header).cx;
            surface_.SetFont(previous);
            if (width <= room)
                break;
        }
        const CPixelSize size =
            DrawTextAt(header, {columns[i], y, 0, 0}, Align::TopLeft, points, true);
        headerHeight = std::max(headerHeight, size.cy);
    }
    y += headerHeight + scales_.Y(10) + 2;
    Rule(y);

    const int iconSize = scales_.X(32);
    const int iconHeight = scales_.Y(32);
    const int count = std::min(signal.GetEventCount(), kMaxPrintedEvents);
    for (int i = 0; i < count; ++i) {
        const CKeyEvent event = signal.GetEvent(i);
        const auto text = [&](std::size_t column, const QString& value, int indent = 0) {
            return DrawTextAt(value, {columns[column] + indent, y, 0, 0}, Align::TopLeft, 9, false);
        };
        // Numbered from 1, as the event list on screen.
        const bool marked = static_cast<std::size_t>(i) < marks.size() &&
                            !marks[static_cast<std::size_t>(i)].isEmpty();
        CPixelSize number;
        if (marked) {
            const std::uint32_t previous = surface_.SetTextColour(markColour);
            number = DrawTextAt(QStringLiteral("%1 !").arg(i + 1), {columns[0], y, 0, 0},
                                Align::TopLeft, 9, true);
            surface_.SetTextColour(previous);
        } else {
            number = text(0, QString::number(i + 1));
        }
        text(1, Utf8(Translate(event.GetTypeName())), iconSize);
        text(2, Utf8(event.GetPositionText()));
        text(3, Utf8(event.GetLossText()));
        text(4, Utf8(event.GetReflectanceText()));
        text(5, Utf8(event.GetAttenuationText()));
        text(6, Utf8(event.GetComment()));
        const int rowHeight = std::max(iconHeight, number.cy);
        const int slack = (rowHeight - iconHeight) / 2;
        surface_.StretchImage(
            PrintListImages(), event.GetImageIndex(),
            {columns[1], y + slack, columns[1] + iconSize, y + rowHeight - slack});
        y += rowHeight + 2;
    }
    y += scales_.Y(10);
    Rule(y);
    page_.top = y;
}

CPageMetrics PageMetricsOf(QPrinter& printer) {
    CPageMetrics page;
    page.dpiX = printer.logicalDpiX();
    page.dpiY = printer.logicalDpiY();
    page.width = printer.width();
    page.height = printer.height();
    const QRect printable = printer.pageLayout().paintRectPixels(printer.resolution());
    page.offsetX = printable.left();
    page.offsetY = printable.top();
    return page;
}
