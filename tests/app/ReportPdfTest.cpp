// lumetra-view --report: the report of four synthesized traces as a PDF, read back with the
// poppler tools. The synthesizer's own fibre (its event losses, its end-to-end loss) is the
// oracle for what the summary and the pages must say.

#include "AppTestSupport.h"
#include "core/SignalFactory.h"
#include "display/CRecordingSurface.h"
#include "display/ReportPrintout.h"
#include "tools/synth/CTraceSynthesizer.h"
#include "tools/synth/SynthFiles.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <set>

namespace {

bool HavePoppler() {
    for (const char* tool : {"pdftotext", "pdfinfo", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PageCount(const std::string& pdf) {
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                              .match(Run(QStringLiteral("pdfinfo"), {Q(pdf)}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString PageText(const std::string& pdf, int page) {
    const QString number = QString::number(page);
    return Run(QStringLiteral("pdftotext"),
               {QStringLiteral("-layout"), QStringLiteral("-f"), number, QStringLiteral("-l"),
                number, Q(pdf), QStringLiteral("-")});
}

// The page as pixels at 40 dpi, without smoothing, so drawn colours stay as they are.
QImage PageImage(const std::string& pdf, int page, const CScratchDir& dir) {
    const QString number = QString::number(page);
    const QString base = Q(dir.Path("page"));
    Run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-aa"),
         QStringLiteral("no"), QStringLiteral("-aaVector"), QStringLiteral("no"),
         QStringLiteral("-f"), number, QStringLiteral("-l"), number, QStringLiteral("-singlefile"),
         Q(pdf), base});
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

int PixelsOf(const QImage& image, std::uint32_t colour) {
    const QRgb wanted =
        qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
             static_cast<int>((colour >> 16) & 0xFF));
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == wanted;
    }
    return count;
}

class ReportPdfTest : public ::testing::Test {
protected:
    // Four fibres of one link at two wavelengths, and a splice limit between the losses of
    // the first fibre's splices, so that it fails and others may pass.
    ReportPdfTest() {
        for (int i = 0; i < 4; ++i) {
            CSynthOptions options;
            options.pointCount = 6000;
            options.spacing = 2.0;
            options.wavelength = i % 2 ? 1550 : 1310;
            options.seed = 7 + static_cast<std::uint64_t>(i);
            traces.emplace_back(options);
            files.push_back(dir.Path("span" + std::to_string(i + 1) + ".sor"));
            WriteSynthTrace(traces.back(), kSynthGR196, files.back());
        }
        std::vector<double> losses;
        for (const CSynthEvent& event : traces[0].GetEvents()) {
            if (IsSplice(event))
                losses.push_back(event.loss);
        }
        std::sort(losses.begin(), losses.end());
        limit = losses.size() > 1 ? (losses[losses.size() - 2] + losses.back()) / 2 : 0.0;
        thresholds = dir.Path("customer.json");
        WriteAll(thresholds, Bytes("{\"format\": \"lumetra-thresholds\", \"version\": 1, "
                                   "\"name\": \"Заказчик\", \"spliceLoss\": " +
                                   std::to_string(limit) + "}"));
    }

    static bool IsSplice(const CSynthEvent& event) {
        return !event.start && !event.end && !event.reflective;
    }
    static std::vector<std::uint8_t> Bytes(const std::string& text) {
        return {text.begin(), text.end()};
    }
    // Event numbers (from 1, as printed) of the trace's splices over the limit.
    std::vector<int> Failing(std::size_t trace) const {
        std::vector<int> numbers;
        const auto& events = traces[trace].GetEvents();
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (IsSplice(events[i]) && events[i].loss > limit)
                numbers.push_back(static_cast<int>(i) + 1);
        }
        return numbers;
    }

    StartStatus Report(const std::string& pdf, const QStringList& extra) {
        CViewerApp app(dir.Path("settings"));
        QStringList arguments{QStringLiteral("lumetra-view"), QStringLiteral("--report"), Q(pdf)};
        arguments << extra;
        for (const std::string& file : files)
            arguments << Q(file);
        const StartStatus status = app.Start(arguments);
        if (app.MainFrame()) {
            CProject* project = app.MainFrame()->Workspace().ActiveProject();
            for (int i = 0; project && i < project->GetEntryCount(); ++i)
                colours.push_back(project->GetEntry(i).GetColour());
        }
        return status;
    }

    CScratchDir dir;
    std::vector<CTraceSynthesizer> traces;
    std::vector<std::string> files;
    double limit = 0.0;
    std::string thresholds;
    std::vector<std::uint32_t> colours;
};

TEST_F(ReportPdfTest, ASummaryThenAPageATraceWithLossesVerdictsAndFailingEventsMarked) {
    const std::string pdf = dir.Path("link.pdf");
    ASSERT_EQ(Report(pdf, {QStringLiteral("--thresholds"), Q(thresholds)}), StartStatus::Finished);
    if (!HavePoppler())
        GTEST_SKIP() << "poppler's tools are not installed";
    EXPECT_EQ(PageCount(pdf), 5);

    const QString summary = PageText(pdf, 1);
    EXPECT_TRUE(summary.contains(QStringLiteral("Лист : 1")));
    EXPECT_TRUE(summary.contains(QStringLiteral("LV-7")));
    EXPECT_TRUE(summary.contains(QStringLiteral("Заказчик")));
    ASSERT_FALSE(Failing(0).empty());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString name = QStringLiteral("span%1.sor").arg(i + 1);
        const QStringList rows = summary.split(QLatin1Char('\n')).filter(name);
        // Once in the table, once in the plot's legend, which is on the same line or not.
        ASSERT_FALSE(rows.isEmpty()) << name.toStdString();
        const QString row = *std::find_if(rows.begin(), rows.end(), [](const QString& line) {
            return line.contains(QStringLiteral(" km "));
        });
        const QRegularExpressionMatch loss =
            QRegularExpression(QStringLiteral("km\\s+(\\d+\\.\\d\\d) dB")).match(row);
        ASSERT_TRUE(loss.hasMatch()) << row.toStdString();
        EXPECT_NEAR(loss.captured(1).toDouble(), traces[i].GetEndToEndLoss(), 0.006)
            << row.toStdString();
        const bool fails = !Failing(i).empty();
        EXPECT_EQ(row.contains(QStringLiteral("не норма")), fails) << row.toStdString();
        EXPECT_EQ(row.contains(QStringLiteral("норма")), true) << row.toStdString();
        // The worst event named in a failing row is one that fails, marked.
        if (fails) {
            const QRegularExpressionMatch worst =
                QRegularExpression(QStringLiteral("(\\d+): -?\\d+\\.\\d+ dB !")).match(row);
            ASSERT_TRUE(worst.hasMatch()) << row.toStdString();
            const std::vector<int> failing = Failing(i);
            EXPECT_NE(std::find(failing.begin(), failing.end(), worst.captured(1).toInt()),
                      failing.end())
                << row.toStdString();
        }

        const QString page = PageText(pdf, static_cast<int>(i) + 2);
        EXPECT_TRUE(page.contains(QStringLiteral("Лист : %1").arg(i + 2)));
        EXPECT_TRUE(page.contains(QStringLiteral("Трасса : ") + Q(files[i])));
        std::set<int> marked;
        const QRegularExpression mark(QStringLiteral("(?m)^\\s*(\\d+)\\s*!"));
        for (auto it = mark.globalMatch(page); it.hasNext();)
            marked.insert(it.next().captured(1).toInt());
        const std::vector<int> failing = Failing(i);
        EXPECT_EQ(marked, std::set<int>(failing.begin(), failing.end())) << page.toStdString();
        for (const int number : failing)
            EXPECT_TRUE(page.contains(QStringLiteral("Событие %1 !").arg(number)));
        EXPECT_TRUE(page.contains(fails ? QStringLiteral("Итог : не норма")
                                        : QStringLiteral("Итог : норма")));
    }
}

TEST_F(ReportPdfTest, TracesKeepTheirColoursOrOnBlackPagesTheirOwnLineStyles) {
    const std::string pdf = dir.Path("colour.pdf");
    ASSERT_EQ(Report(pdf, {}), StartStatus::Finished);
    ASSERT_EQ(colours.size(), 4u);
    if (!HavePoppler())
        GTEST_SKIP() << "poppler's tools are not installed";
    // Without thresholds there is no verdict, and still a page for each trace.
    EXPECT_EQ(PageCount(pdf), 5);
    EXPECT_FALSE(PageText(pdf, 1).contains(QStringLiteral("норма")));
    const QImage summary = PageImage(pdf, 1, dir);
    ASSERT_FALSE(summary.isNull());
    for (std::size_t i = 0; i < colours.size(); ++i) {
        EXPECT_GT(PixelsOf(summary, colours[i]), 20) << "trace " << i << " on the summary";
        const QImage page = PageImage(pdf, static_cast<int>(i) + 2, dir);
        EXPECT_GT(PixelsOf(page, colours[i]), 20) << "trace " << i << " on its page";
        for (std::size_t other = 0; other < colours.size(); ++other) {
            if (colours[other] != colours[i]) {
                EXPECT_EQ(PixelsOf(page, colours[other]), 0) << i << " shows " << other;
            }
        }
    }

    // Without colour: every trace black, the first four each in a line of its own.
    CScratchDir scratch;
    std::vector<std::unique_ptr<CSignal>> signals;
    CReportContent content;
    content.colour = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        signals.emplace_back(OpenSignal(files[i]));
        ASSERT_TRUE(signals.back());
        content.traces.push_back(ReportTraceOf(*signals.back(), colours[i], {}));
    }
    CRecordingSurface surface;
    CReportPrintout report(surface, {300, 300, 2400, 3400, 40, 40}, [] { return true; });
    ASSERT_TRUE(report.Draw(content));
    EXPECT_EQ(report.PageCount(), 5);
    std::set<std::tuple<int, int>> styles;
    for (const auto& call : surface.CallsOf(CRecordingSurface::Kind::Polyline)) {
        EXPECT_EQ(call.pen.colour, 0x000000u);
        styles.insert({static_cast<int>(call.pen.style), call.pen.width});
    }
    EXPECT_EQ(styles.size(), 4u);
    for (const auto& call : surface.CallsOf(CRecordingSurface::Kind::Text))
        EXPECT_EQ(call.colour, 0x000000u) << call.text.toStdString();
}

TEST_F(ReportPdfTest, AThresholdsFileThatCannotBeReadWritesNothingAndTheSinglePageStaysAsItWas) {
    WriteAll(thresholds, Bytes("{\"format\": \"lumetra-thresholds\", \"version\": 1, "));
    const std::string pdf = dir.Path("none.pdf");
    EXPECT_EQ(Report(pdf, {QStringLiteral("--thresholds"), Q(thresholds)}), StartStatus::Failed);
    EXPECT_FALSE(std::filesystem::exists(pdf));

    // The print command's page names its trace in the header only: no legend, one page.
    const std::string page = dir.Path("page.pdf");
    {
        CViewerApp app(dir.Path("settings"));
        ASSERT_EQ(app.Start({QStringLiteral("lumetra-view"), QStringLiteral("--print-pdf"), Q(page),
                             Q(files[0]), Q(files[1])}),
                  StartStatus::Finished);
    }
    if (!HavePoppler())
        GTEST_SKIP() << "poppler's tools are not installed";
    EXPECT_EQ(PageCount(page), 1);
    const QString text = PageText(page, 1);
    EXPECT_EQ(text.count(QStringLiteral("span1.sor")), 0) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("span2.sor")), 1) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("норма")));
}

} // namespace
