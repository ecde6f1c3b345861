// What the trace view shows as traces of different lengths open and close, as the levels are
// shifted and as pages are printed: the full range, the markers and the printed window.

#include "AppTestSupport.h"

#include "app/CTextListPane.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"
#include "display/PlotGeometry.h"
#include "display/TraceGeometry.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

// A 64-point GR-196-CORE trace of the given range, so that traces of different lengths can be
// had; returns its path.
std::string WriteTraceOfLength(const CScratchDir& dir, const std::string& name, double km) {
    CGR196File file;
    std::vector<float> levels(64);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = 3.0f + 0.1f * static_cast<float>(i);
    file.GetFxdParams().SetGroupIndex(1.4682);
    file.GetFxdParams().SetAcquisitionRange(file.GetFxdParams().KmToTime(km));
    file.GetFxdParams().AddPulseEntry(CPulseWidthEntry(1000, 500, 64));
    file.GetDataPts().SetLevels(64, levels.data());
    file.Save(dir.Path(name));
    return dir.Path(name);
}

class ViewRangeTest : public ViewerFixture {
protected:
    CTracePlot& Plot() { return Frame().View().GetPlot(); }
    CWorldRect Window() {
        CWorldRect window;
        Frame().View().GetWorldWindow(window);
        return window;
    }
    float EndOf(int project, int entry) {
        return Workspace().GetProject(project).GetEntry(entry).GetTrace()->GetEndDistance();
    }
    // The markers pane's values, "Маркер A" to "Ослабление AB".
    QStringList Readout() {
        QStringList values;
        for (int row = 0; row < Frame().Markers().RowCount(); ++row)
            values << Frame().Markers().Value(row);
        return values;
    }
};

TEST_F(ViewRangeTest, FullRangeCoversEveryOpenTraceInAnyOrderAndShrinksWhenTheLongestCloses) {
    const std::string shortTrace = WriteTraceOfLength(scratch, "short.sor", 2.47);
    const std::string longTrace = WriteTraceOfLength(scratch, "long.sor", 102.2);
    const std::string middle = WriteTraceOfLength(scratch, "middle.sor", 40.7);
    ASSERT_EQ(Start({shortTrace, longTrace, middle}), StartStatus::Running);
    ASSERT_EQ(Workspace().GetProject(0).GetEntryCount(), 3);
    const double shortEnd = EndOf(0, 0);
    const double longEnd = EndOf(0, 1);
    ASSERT_GT(longEnd, 40 * shortEnd);

    // Opened after the short one, the long trace is seen whole.
    EXPECT_DOUBLE_EQ(Plot().fullRight, longEnd);
    EXPECT_DOUBLE_EQ(Window().right, longEnd);
    EXPECT_DOUBLE_EQ(Window().left, 0.0);

    // The long one closed, the view comes back to what remains.
    Workspace().GetProject(0).SetActiveEntry(1);
    Frame().Action(CMainFrame::kCmdClose)->trigger();
    Settle();
    EXPECT_DOUBLE_EQ(Plot().fullRight, EndOf(0, 1));
    EXPECT_DOUBLE_EQ(Window().right, EndOf(0, 1));

    // A zoom survives a new trace: only an axis that showed everything follows.
    Frame().View().SetHorzWindow(0.0, shortEnd / 2);
    Frame().OpenPath(longTrace);
    Settle();
    EXPECT_DOUBLE_EQ(Plot().fullRight, longEnd);
    EXPECT_DOUBLE_EQ(Window().right, shortEnd / 2);
}

TEST_F(ViewRangeTest, LevelRangeFollowsACtrlDragShift) {
    ASSERT_EQ(Start({WriteTraceOfLength(scratch, "t.sor", 20.0)}), StartStatus::Running);
    Plot().repaint();
    const CPixelRect plot = Plot().GetPlotRect();
    ASSERT_GT(plot.Height(), 100);
    const double bottomBefore = Plot().fullBottom;

    // Dragged down by most of the plot, twice: the displayed trace goes far below the range
    // it had.
    for (int drag = 0; drag < 2; ++drag) {
        const QPoint from(plot.left + plot.Width() / 2, plot.top + 5);
        const QPoint to(from.x(), plot.bottom - 5);
        QTest::mousePress(&Plot(), Qt::LeftButton, Qt::ControlModifier, from);
        QTest::mouseMove(&Plot(), to);
        QTest::mouseRelease(&Plot(), Qt::LeftButton, Qt::ControlModifier, to);
        Settle();
    }
    ASSERT_TRUE(Active().IsModified());
    // The trace's own bounds moved with its samples, and the range with them.
    EXPECT_LT(Active().GetMinLevel(), bottomBefore);
    EXPECT_LT(Plot().fullBottom, bottomBefore);
    EXPECT_LE(Plot().fullBottom, Active().GetMinLevel());
    EXPECT_GE(Plot().fullTop, Active().GetMaxLevel());
    // The window showed all levels, so it still does.
    EXPECT_DOUBLE_EQ(Window().bottom, Plot().fullBottom);
    EXPECT_DOUBLE_EQ(Window().top, Plot().fullTop);
}

TEST_F(ViewRangeTest, MarkersStartInsideAShortRangeAndBothRead) {
    // A real 40 km trace when the samples are here, else a synthetic one far under
    // 100 km.
    std::string path = WriteTraceOfLength(scratch, "t.sor", 40.7);
    const std::filesystem::path real = SamplesDir() / "naseriax+gotdr__3.sor";
    if (!SamplesDir().empty() && std::filesystem::exists(real))
        path = real.string();
    ASSERT_EQ(Start({path}), StartStatus::Running);
    const double end = EndOf(0, 0);
    ASSERT_LT(end, 100.0);

    EXPECT_GE(Plot().GetMarkerA(), Plot().fullLeft);
    EXPECT_LT(Plot().GetMarkerB(), end);
    EXPECT_NEAR(Plot().GetMarkerB(), end, 1e-3);
    const QStringList values = Readout();
    ASSERT_EQ(values.size(), 7);
    for (int row : {1, 3, 5, 6})
        EXPECT_NE(values[row], Q("--"))
            << row << ": " << values.join(QLatin1Char('|')).toStdString();

    // B dragged to the plot's right edge still reads.
    Plot().repaint();
    const CPixelRect plot = Plot().GetPlotRect();
    const int bx = MarkerGrabX(plot, Window().left, Window().right, Plot().GetMarkerB());
    QTest::mousePress(&Plot(), Qt::LeftButton, {}, QPoint(bx, plot.top + 20));
    QTest::mouseMove(&Plot(), QPoint(plot.right + 30, plot.top + 20));
    QTest::mouseRelease(&Plot(), Qt::LeftButton, {}, QPoint(plot.right + 30, plot.top + 20));
    Settle();
    EXPECT_NE(Readout()[3], Q("--"));

    // A shorter trace alone: the markers come back into its range.
    const std::string shorter = WriteTraceOfLength(scratch, "short.sor", 10.0);
    Frame().Action(CMainFrame::kCmdClose)->trigger();
    Frame().OpenPath(shorter);
    Settle();
    EXPECT_LT(Plot().GetMarkerB(), EndOf(0, 0));
    EXPECT_GE(Plot().GetMarkerA(), 0.0f);
    EXPECT_NE(Readout()[3], Q("--"));
}

TEST_F(ViewRangeTest, PrintedPlotSpansThePrintedTracesWhateverTheScreenShows) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    const std::string shortTrace = WriteTraceOfLength(scratch, "short.sor", 2.47);
    const std::string longTrace = WriteTraceOfLength(scratch, "long.sor", 102.2);
    const std::string pdf = scratch.Path("page.pdf");
    {
        CViewerApp viewer(scratch.Path("print-settings"));
        ASSERT_EQ(viewer.Start({QStringLiteral("lumetra-view"), QStringLiteral("--print-pdf"),
                                Q(pdf), QStringLiteral("--traces"), QStringLiteral("active"),
                                Q(shortTrace), Q(longTrace)}),
                  StartStatus::Finished);
    }
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), Q(pdf), Q("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput());

    // The distance labels run to the long trace's end, not the short one's.
    ASSERT_EQ(Start({shortTrace, longTrace}), StartStatus::Running);
    const QString end = FormatNumber(EndOf(0, 1), 2);
    // The short trace's scale would have a label at three tenths of its range.
    const QString shortLabel = FormatNumber(EndOf(0, 0) * 0.3, 2);
    EXPECT_TRUE(page.contains(end)) << end.toStdString() << "\n" << page.toStdString();
    EXPECT_FALSE(page.contains(shortLabel)) << page.toStdString();
}

} // namespace
