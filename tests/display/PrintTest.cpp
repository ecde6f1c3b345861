// The printed page: its geometry on a recording surface at two resolutions, and real PDF
// pages read back with poppler's tools (skipped where they are missing).

#include "TraceTestSupport.h"
#include "display/COtdrPrintDialog.h"
#include "display/CTraceView.h"
#include "display/PrintArt.h"
#include "display/TracePrintout.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <cstdlib>

namespace {

using Kind = CRecordingSurface::Kind;

// A trace with no parameter lines and the given event positions.
class CBareSignal : public CSignal {
public:
    explicit CBareSignal(const std::vector<float>& positions) {
        SetLevels(Ramp(200, 1.0f, 0.1f), 0.0f, 20.0f);
        for (float km : positions) {
            CKeyEvent event;
            event.SetPosition(km);
            InsertEventSorted(event);
        }
    }
};

std::vector<CRecordPlan> ThirtyEvents() {
    std::vector<CRecordPlan> plans;
    for (int i = 0; i < 30; ++i)
        plans.push_back({0.5 + 0.6 * i, i % 2, kOriginFound, 0.1f, -40.0, " "});
    return plans;
}

// An A4 page's printable area at the resolution, with no unprintable strips.
CPageMetrics A4(int dpi) {
    return {dpi, dpi, dpi * 827 / 100, dpi * 1169 / 100, 0, 0};
}

CPrintContent ContentFor(const CSignal& signal) {
    CPrintContent content;
    content.window.viewLeft = 0.0;
    content.window.viewRight = 20.0;
    content.window.viewTop = 0.0;
    content.window.viewBottom = -25.0;
    content.verticalCaption = QStringLiteral("Уровень (dB)");
    content.horizontalCaption = QStringLiteral("Расстояние (km)");
    content.markerA = 2.0f;
    content.markerB = 15.0f;
    content.traces = {&signal.GetTraceData()};
    content.active = &signal;
    content.parameters = ParameterRows(signal);
    content.markers = MarkerRows(content.markerA, content.markerB, &signal);
    content.date = QStringLiteral("07.12.2026");
    return content;
}

std::vector<CRecordingSurface::Call> TextsOf(const CRecordingSurface& surface,
                                             const QString& text) {
    std::vector<CRecordingSurface::Call> found;
    for (const auto& call : surface.CallsOf(Kind::Text)) {
        if (call.text == text)
            found.push_back(call);
    }
    return found;
}

int Length(const CRecordingSurface::Call& line) {
    return std::abs(line.to.x - line.from.x) + std::abs(line.to.y - line.from.y);
}

// The tool's standard output, or nothing when the tool is not installed.
std::optional<QString> RunTool(const QString& tool, const QStringList& arguments) {
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(PrintPageTest, MarginsScalesAndOrientation) {
    // One inch left and right, half an inch top and bottom from the paper's edges.
    EXPECT_EQ(PrintPageRect({600, 600, 4800, 6800, 100, 80}), (CPixelRect{500, 220, 4300, 6580}));
    EXPECT_EQ(PrintPageRect({300, 300, 2400, 3300, 400, 200}), (CPixelRect{0, 0, 2400, 3300}));
    EXPECT_EQ(CPrintScales(600, 600).Y(3), 6);
    EXPECT_EQ(CPrintScales(72, 72).X(20), 4);
    EXPECT_TRUE(IsLandscapePage({300, 300, 3300, 2400, 0, 0}));
    EXPECT_FALSE(IsLandscapePage({300, 300, 2400, 2400, 0, 0}));
    EXPECT_FALSE(IsLandscapePage(A4(600)));
    // A page of different horizontal and vertical resolution is compared in 300 dpi dots.
    EXPECT_FALSE(IsLandscapePage({600, 300, 4000, 3000, 0, 0}));
}

class PrintoutTest : public TraceFixture {
protected:
    CRecordingSurface DrawPage(const CPrintContent& content, const CPageMetrics& page) {
        CRecordingSurface surface;
        CTracePrintout printout(surface, page);
        printout.Draw(content);
        plotRect = printout.PlotRect();
        return surface;
    }

    CPixelRect plotRect;
};

TEST_F(PrintoutTest, HeaderRuleAndTickMarksScaleWithTheResolution) {
    const CBareSignal signal({5.0f});
    for (const int dpi : {300, 600}) {
        SCOPED_TRACE(dpi);
        const int scale = dpi / 300;
        const CPixelRect page = PrintPageRect(A4(dpi));
        const CRecordingSurface surface = DrawPage(ContentFor(signal), A4(dpi));
        const auto lines = surface.CallsOf(Kind::Line);

        // The header rule is the first line drawn, across the page.
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].pen, (CPen{PenStyle::Solid, 3 * scale, 0}));
        EXPECT_EQ(lines[0].from.x, page.left);
        EXPECT_EQ(lines[0].to.x, page.right);

        // Major ticks: eleven a side on four sides; minor ticks: the mid one longer.
        const auto count = [&](int width, int length) {
            return std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
                return line.pen.width == width && Length(line) == length;
            });
        };
        EXPECT_EQ(count(2 * scale, 20 * scale), 44);
        EXPECT_EQ(count(scale, 15 * scale), 40);
        EXPECT_EQ(count(scale, 10 * scale), 360);
        const auto& bottomTick = *std::find_if(lines.begin(), lines.end(), [&](const auto& l) {
            return l.pen.width == 2 * scale &&
                   l.from == CScreenPoint{plotRect.left, plotRect.bottom};
        });
        EXPECT_EQ(bottomTick.to, (CScreenPoint{plotRect.left, plotRect.bottom + 20 * scale}));

        // Every trace and every line is black.
        for (const auto& call : surface.Calls()) {
            if (call.kind == Kind::Line || call.kind == Kind::Polyline) {
                EXPECT_EQ(call.pen.colour, 0u);
            }
        }
    }
}

TEST_F(PrintoutTest, HeaderTextsStackAtTheRightAndTheTraceLineSitsOnTheSheetLine) {
    CBareSignal signal({});
    const CPageMetrics metrics = A4(600);
    const CPixelRect page = PrintPageRect(metrics);
    CPrintContent content = ContentFor(signal);
    const CRecordingSurface surface = DrawPage(content, metrics);

    // The recording surface measures 7 pixels a character and the font's height:
    // 12 points at 600 dpi are 100 pixels, 8 points 66, 10 points 83.
    const QString title = QStringLiteral("Lumetra View Version 1.0.7");
    ASSERT_EQ(TextsOf(surface, title).size(), 1u);
    EXPECT_EQ(TextsOf(surface, title)[0].from,
              (CScreenPoint{page.right - 7 * int(title.size()), page.top}));
    EXPECT_EQ(TextsOf(surface, title)[0].font.weight, 700);
    ASSERT_EQ(TextsOf(surface, content.date).size(), 1u);
    EXPECT_EQ(TextsOf(surface, content.date)[0].from.y, page.top + 100);
    ASSERT_EQ(TextsOf(surface, QStringLiteral("Лист : 1")).size(), 1u);
    EXPECT_EQ(TextsOf(surface, QStringLiteral("Лист : 1"))[0].from.y, page.top + 166);
    const auto trace = TextsOf(surface, QStringLiteral("Трасса : "));
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0].from, (CScreenPoint{page.left, page.top + 232 - 83}));
    EXPECT_EQ(surface.CallsOf(Kind::Line)[0].from.y, page.top + 232 + 10);

    // The logo fills 128 by 37 dots at the top left.
    const auto images = surface.CallsOf(Kind::Stretch);
    ASSERT_FALSE(images.empty());
    EXPECT_EQ(images[0].rect, (CPixelRect{page.left, page.top, page.left + 256, page.top + 74}));
}

TEST_F(PrintoutTest, BlocksSitSideBySideAndASignalWithoutParametersPrintsNone) {
    const CPageMetrics metrics = A4(300);
    const CPixelRect page = PrintPageRect(metrics);

    const CBareSignal bare({5.0f});
    CPrintContent content = ContentFor(bare);
    EXPECT_TRUE(content.parameters.empty());
    ASSERT_EQ(content.markers.size(), 7u);
    CRecordingSurface surface = DrawPage(content, metrics);
    EXPECT_TRUE(TextsOf(surface, QStringLiteral("Параметры:")).empty());
    auto markers = TextsOf(surface, QStringLiteral("Маркеры:"));
    ASSERT_EQ(markers.size(), 1u);
    EXPECT_EQ(markers[0].from.x, page.left + 50);
    EXPECT_EQ(TextsOf(surface, QStringLiteral("Маркер A:")).size(), 1u);

    const CSignal& loaded = Open(Ramp(400, 2.0f, 0.05f), 20.0, StandardEvents());
    content = ContentFor(loaded);
    ASSERT_FALSE(content.parameters.empty());
    surface = DrawPage(content, metrics);
    const auto title = TextsOf(surface, QStringLiteral("Параметры:"));
    ASSERT_EQ(title.size(), 1u);
    EXPECT_EQ(title[0].from.x, page.left);
    // Captions and values in two columns, level row for row; the markers block starts 50
    // dots right of the parameters block, whose width is its widest caption, 20 dots and its
    // widest value.
    int captions = 7 * static_cast<int>(QStringLiteral("Параметры:").size());
    int values = 0;
    for (const CPrintRow& row : content.parameters) {
        captions = std::max(captions, 7 * static_cast<int>(row.caption.size()));
        values = std::max(values, 7 * static_cast<int>(row.value.size()));
        const auto caption = TextsOf(surface, row.caption);
        const auto value = TextsOf(surface, row.value.isEmpty() ? QString() : row.value);
        ASSERT_FALSE(caption.empty());
        ASSERT_FALSE(value.empty());
        EXPECT_EQ(caption[0].from.y, value[0].from.y);
    }
    markers = TextsOf(surface, QStringLiteral("Маркеры:"));
    ASSERT_EQ(markers.size(), 1u);
    EXPECT_EQ(markers[0].from.x, page.left + captions + 20 + values + 50);
    EXPECT_EQ(markers[0].from.y, title[0].from.y);
}

TEST_F(PrintoutTest, TheEventTableShowsTheFirst25EventsNumberedFromZero) {
    const CSignal& signal = Open(Ramp(400, 2.0f, 0.05f), 20.0, ThirtyEvents());
    ASSERT_EQ(signal.GetEventCount(), 30);
    const CPageMetrics metrics = A4(300);
    const CPixelRect page = PrintPageRect(metrics);
    const CRecordingSurface surface = DrawPage(ContentFor(signal), metrics);

    for (const char* header : {"Ном.", "Тип события", "Расстояние (km)", "Потери (dB)",
                               "Отражение (dB)", "Ослабление (dB/km)", "Описание"})
        EXPECT_GE(TextsOf(surface, QString::fromUtf8(header)).size(), 1u) << header;
    const auto number = TextsOf(surface, QStringLiteral("Ном."))[0];
    EXPECT_EQ(number.from.x, page.left);
    EXPECT_EQ(number.font.height, 9 * 300 / 72);

    // Rows are as high as the 32-dot icon or the text (9 points: 37 pixels), 2 apart.
    std::vector<int> rows;
    for (const auto& call : surface.CallsOf(Kind::Text)) {
        if (call.from.x == page.left && call.font.weight == 400 && call.from.y > number.from.y)
            rows.push_back(call.from.y);
    }
    ASSERT_EQ(rows.size(), 25u);
    for (int i = 0; i < 25; ++i) {
        // Numbered from 1, as on screen.
        const auto text = TextsOf(surface, QString::number(i + 1));
        EXPECT_TRUE(std::any_of(text.begin(), text.end(),
                                [&](const auto& c) { return c.from.y == rows[std::size_t(i)]; }));
        if (i > 0) {
            EXPECT_EQ(rows[std::size_t(i)] - rows[std::size_t(i) - 1], 39);
        }
    }
    EXPECT_TRUE(TextsOf(surface, QStringLiteral("26")).empty());

    // The list icons stand in the type column's first 32 dots, centred on the row.
    const int typeColumn = page.left + static_cast<int>(page.Width() * 5 * 0.01);
    int icons = 0;
    for (const auto& call : surface.CallsOf(Kind::Stretch)) {
        if (call.rect.left != typeColumn)
            continue;
        EXPECT_EQ(call.rect.Width(), 32);
        EXPECT_EQ(call.rect.top, rows[std::size_t(icons)] + 2);
        EXPECT_EQ(call.rect.bottom, rows[std::size_t(icons)] + 35);
        ++icons;
    }
    EXPECT_EQ(icons, 25);
    EXPECT_EQ(TextsOf(surface, QStringLiteral("Потеря"))[0].from.x, typeColumn + 32);
}

TEST_F(PrintoutTest, TheChoicePicksTheTracesAndAllPrintBlack) {
    Open(Ramp(400, 2.0f, 0.05f), 20.0);
    Open(Ramp(300, 5.0f, 0.1f), 30.0, {}, true);
    const CSignal& active = Open(Ramp(200, 1.0f, 0.02f), 10.0);
    EXPECT_EQ(PrintedSignals(workspace, PrintChoice::AllSignals).size(), 3u);
    EXPECT_EQ(PrintedSignals(workspace, PrintChoice::ActiveProject).size(), 2u);
    ASSERT_EQ(PrintedSignals(workspace, PrintChoice::ActiveSignal).size(), 1u);
    EXPECT_EQ(PrintedSignals(workspace, PrintChoice::ActiveSignal)[0], &active);

    CPrintContent content = ContentFor(active);
    content.traces.clear();
    for (const CSignal* signal : PrintedSignals(workspace, PrintChoice::ActiveProject))
        content.traces.push_back(&signal->GetTraceData());
    const CRecordingSurface surface = DrawPage(content, A4(300));
    const auto traces = surface.CallsOf(Kind::Polyline);
    ASSERT_EQ(traces.size(), 2u);
    for (const auto& trace : traces)
        EXPECT_EQ(trace.pen, (CPen{PenStyle::Solid, 1, 0}));
}

// Real pages through the trace view, as File > Print and --print-pdf draw them.
class PdfPrintTest : public TraceFixture {
protected:
    std::unique_ptr<QPrinter> PdfPrinter(const std::string& path) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(path));
        printer->setResolution(300);
        printer->setPageSize(QPageSize(QPageSize::A4));
        return printer;
    }

    CTraceView view{workspace, settings};
};

TEST_F(PdfPrintTest, ThePageCarriesItsTextsAndExactImages) {
    Open(Ramp(400, 2.0f, 0.05f), 20.0, ThirtyEvents());
    Open(Ramp(300, 5.0f, 0.1f), 15.0);
    view.RecalcRange();
    const std::string pdf = dir.Path("page.pdf");
    ASSERT_TRUE(view.PrintTo(*PdfPrinter(pdf), PrintChoice::AllSignals));
    EXPECT_TRUE(scope.TakeShown().empty());

    const std::optional<QString> text =
        RunTool(QStringLiteral("pdftotext"), {QString::fromStdString(pdf), QStringLiteral("-")});
    if (!text)
        GTEST_SKIP() << "pdftotext is not installed";
    QStringList expected{QStringLiteral("Lumetra View Version 1.0.7"),
                         QStringLiteral("Лист : 1"),
                         QStringLiteral("Трасса : ") + QString::fromStdString(dir.Path("t2.sor")),
                         QStringLiteral("Параметры:"),
                         QStringLiteral("Маркеры:"),
                         QStringLiteral("Маркер A:"),
                         QStringLiteral("Уровень (dB)")};
    for (const char* header : {"Ном.", "Тип события", "Расстояние (km)", "Потери (dB)",
                               "Отражение (dB)", "Ослабление (dB/km)", "Описание"})
        expected << QString::fromUtf8(header);
    for (const QString& line : expected)
        EXPECT_TRUE(text->contains(line)) << line.toStdString();

    // The table's headers stand apart whatever the face's width.
    const std::optional<QString> boxes =
        RunTool(QStringLiteral("pdftotext"),
                {QStringLiteral("-bbox"), QString::fromStdString(pdf), QStringLiteral("-")});
    ASSERT_TRUE(boxes);
    const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    std::vector<std::pair<double, double>> headerLine;
    double headerTop = -1.0;
    for (const QRegularExpressionMatch& match : word.globalMatch(*boxes)) {
        if (match.captured(4) == QStringLiteral("Ном."))
            headerTop = match.captured(2).toDouble();
        if (headerTop >= 0.0 && std::abs(match.captured(2).toDouble() - headerTop) < 2.0)
            headerLine.emplace_back(match.captured(1).toDouble(), match.captured(3).toDouble());
    }
    ASSERT_GE(headerLine.size(), 7u);
    std::sort(headerLine.begin(), headerLine.end());
    for (std::size_t i = 1; i < headerLine.size(); ++i)
        EXPECT_LE(headerLine[i - 1].second, headerLine[i].first + 0.5) << "word " << i;

    // The logo goes into the file as it is, not as a lossy picture.
    const QString prefix = QString::fromStdString(dir.Path("image"));
    if (!RunTool(QStringLiteral("pdfimages"),
                 {QStringLiteral("-png"), QString::fromStdString(pdf), prefix}))
        GTEST_SKIP() << "pdfimages is not installed";
    const QImage logo =
        QImage(prefix + QStringLiteral("-000.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(logo.size(), PrintLogo().size());
    EXPECT_EQ(logo, PrintLogo());
}

TEST_F(PdfPrintTest, RowsStopAt25AndTheTracesPrintBlack) {
    Open(Ramp(400, 2.0f, 0.05f), 20.0, ThirtyEvents());
    view.RecalcRange();
    const std::string pdf = dir.Path("page.pdf");
    ASSERT_TRUE(view.PrintTo(*PdfPrinter(pdf), PrintChoice::ActiveSignal));

    const std::optional<QString> text =
        RunTool(QStringLiteral("pdftotext"),
                {QStringLiteral("-layout"), QString::fromStdString(pdf), QStringLiteral("-")});
    if (!text)
        GTEST_SKIP() << "pdftotext is not installed";
    // Each table row starts with its number, from 1 to 25.
    QList<int> numbers;
    const QString table = text->mid(text->indexOf(QStringLiteral("Ном.")));
    for (const QString& line : table.split(QLatin1Char('\n'))) {
        const QStringList words = line.simplified().split(QLatin1Char(' '));
        bool isNumber = false;
        const int n = words[0].toInt(&isNumber);
        if (isNumber && words.size() > 2 && !words[1].isEmpty() && words[1][0].isLetter())
            numbers << n;
    }
    QList<int> first25;
    for (int i = 1; i <= 25; ++i)
        first25 << i;
    EXPECT_EQ(numbers, first25) << text->toStdString();

    // Nothing on the page below the header is in colour: the trace is drawn black.
    const QString png = QString::fromStdString(dir.Path("page"));
    if (!RunTool(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), QString::fromStdString(pdf), png}))
        GTEST_SKIP() << "pdftoppm is not installed";
    const QImage page = QImage(png + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(page.isNull());
    int dark = 0;
    for (int y = page.height() / 10; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
            dark += qGray(p) < 128;
        }
    }
    EXPECT_GT(dark, 1000);
}

TEST_F(PdfPrintTest, RefusedPagesLeaveNoFileAndSayWhy) {
    // No signal: nothing is asked and nothing printed.
    view.Print();
    EXPECT_EQ(scope.TakeShown(), (Lines{"Внимание [!]: Не выбран сингнал"}));

    Open(Ramp(400, 2.0f, 0.05f), 20.0);
    const std::string pdf = dir.Path("landscape.pdf");
    auto printer = PdfPrinter(pdf);
    printer->setPageOrientation(QPageLayout::Landscape);
    EXPECT_FALSE(view.PrintTo(*printer, PrintChoice::AllSignals));
    EXPECT_EQ(scope.TakeShown(),
              (Lines{"Ошибка [!]: Горизонтальная позиция бумаги не поддерживается"}));
    EXPECT_FALSE(std::filesystem::exists(pdf));

    // A file that cannot be written is a printer that does not start.
    EXPECT_FALSE(view.PrintTo(*PdfPrinter(dir.Path("missing/page.pdf")), PrintChoice::AllSignals));
    EXPECT_EQ(scope.TakeShown(), (Lines{"Отшибка [!]: Принтер не инициализируется"}));

    // A square page is not landscape.
    printer = PdfPrinter(dir.Path("square.pdf"));
    printer->setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Millimeter));
    EXPECT_TRUE(view.PrintTo(*printer, PrintChoice::AllSignals));
    EXPECT_TRUE(std::filesystem::exists(dir.Path("square.pdf")));
}

TEST_F(PdfPrintTest, TheDialogOffersTheThreeChoicesAndOpensOnAllSignals) {
    QPrinter printer;
    COtdrPrintDialog dialog(&printer);
    EXPECT_FALSE(dialog.testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_FALSE(dialog.testOption(QAbstractPrintDialog::PrintSelection));
    QStringList labels;
    for (QAbstractButton* button : dialog.Choices().buttons())
        labels << button->text();
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Все сигналы"), QStringLiteral("Активный проект"),
                                   QStringLiteral("Активный сигнал")}));
    dialog.show();
    EXPECT_TRUE(dialog.Choices().button(COtdrPrintDialog::kChoiceAll)->isChecked());
    dialog.Choices().button(COtdrPrintDialog::kChoiceSignal)->click();
    EXPECT_EQ(dialog.GetChoice(), PrintChoice::ActiveSignal);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(dialog.GetChoice(), PrintChoice::AllSignals);
    EXPECT_TRUE(dialog.Choices().button(COtdrPrintDialog::kChoiceAll)->isChecked());
    dialog.hide();

    // File > Print: the choice made in the dialog goes to the page.
    Open(Ramp(400, 2.0f, 0.05f), 20.0);
    const QString pdf = QString::fromStdString(dir.Path("dialog.pdf"));
    QTimer::singleShot(0, [&] {
        auto* modal = qobject_cast<COtdrPrintDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(modal, nullptr);
        modal->printer()->setOutputFormat(QPrinter::PdfFormat);
        modal->printer()->setOutputFileName(pdf);
        modal->Choices().button(COtdrPrintDialog::kChoiceProject)->click();
        modal->done(QDialog::Accepted);
    });
    view.Print();
    EXPECT_TRUE(scope.TakeShown().empty());
    EXPECT_TRUE(QFileInfo::exists(pdf));
}

} // namespace
