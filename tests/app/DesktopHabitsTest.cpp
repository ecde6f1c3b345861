// What users of any desktop trace viewer expect of the main frame: Qt's own texts in the
// interface's language, the wheel and the overview moving the view, several files opened at
// once or dropped on the window, the status bar following the trace on screen, and what the
// file says about the measurement in the parameters pane.

#include "AppTestSupport.h"

#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "app/CTextListPane.h"
#include "app/CWorkspaceTree.h"
#include "display/COverviewPane.h"
#include "display/CRecordingSurface.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"
#include "display/TraceGeometry.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include <cmath>

namespace {

namespace fs = std::filesystem;

class DesktopHabitsTest : public ViewerFixture {
protected:
    CTracePlot& Plot() { return Frame().View().GetPlot(); }
    CWorldRect Window() { return Plot().GetWorldWindow(); }
    // The distance under column x of the plot as it is drawn now.
    double DistanceAt(int x) {
        const CPixelRect rect = Plot().GetPlotRect();
        const CWorldRect w = Window();
        return w.left + (w.right - w.left) * (x - rect.left) / (rect.right - 1 - rect.left);
    }
    void Wheel(QWidget& widget, QPoint at, int notches, Qt::KeyboardModifiers modifiers = {}) {
        QWheelEvent event(at, widget.mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&widget, &event);
    }
    void Mouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, buttons, {});
        QCoreApplication::sendEvent(&widget, &event);
    }
    QStringList Rows(const CTextListPane& pane) {
        QStringList rows;
        for (int i = 0; i < pane.RowCount(); ++i)
            rows << pane.Caption(i) + QLatin1Char(' ') + pane.Value(i);
        return rows;
    }
};

TEST_F(DesktopHabitsTest, QtsOwnButtonsAndDialogsSpeakTheInterfacesLanguage) {
    ASSERT_EQ(Start(), StartStatus::Running);
    QMessageBox box(QMessageBox::Question, Q("t"), Q("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), Q("Отмена"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), Q("Нет"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Open"), Q("Open"));
}

TEST_F(DesktopHabitsTest, WheelZoomsAboutThePointerAndTheOverviewMovesTheView) {
    ASSERT_EQ(Start({CopyDemo(scratch, "demo.sor")}), StartStatus::Running);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Plot().GetPlotRect().IsEmpty(); }));
    const CPixelRect rect = Plot().GetPlotRect();
    const CWorldRect full = Window();
    const QPoint at(rect.left + (rect.right - rect.left) / 3, (rect.top + rect.bottom) / 2);
    const double under = DistanceAt(at.x());

    // Two notches in: 0.64 of the width, the distance under the pointer stays under it.
    Wheel(Plot(), at, 2);
    CWorldRect zoomed = Window();
    EXPECT_NEAR(zoomed.right - zoomed.left, 0.64 * (full.right - full.left), 1e-6);
    EXPECT_NEAR(DistanceAt(at.x()), under, 1e-6);
    EXPECT_EQ(zoomed.top, full.top);
    EXPECT_EQ(zoomed.bottom, full.bottom);

    // Ctrl: the level axis alone.
    Wheel(Plot(), at, 1, Qt::ControlModifier);
    const CWorldRect levels = Window();
    EXPECT_NEAR(levels.top - levels.bottom, 0.8 * (full.top - full.bottom), 1e-6);
    EXPECT_EQ(levels.left, zoomed.left);
    EXPECT_EQ(levels.right, zoomed.right);

    // Out again as far as it goes: never past the full range.
    Wheel(Plot(), at, -10);
    EXPECT_EQ(Window().left, full.left);
    EXPECT_EQ(Window().right, full.right);

    // A click in the overview centres the window there; a drag takes it along.
    Wheel(Plot(), at, 3);
    const double width = Window().right - Window().left;
    COverviewPane& overview = Frame().Overview();
    const QRect inner = overview.contentsRect();
    const CWorldRect extent = Active().GetBounds();
    const auto distanceAt = [&](int x) {
        return extent.left + (extent.right - extent.left) * (x - inner.left()) / inner.width();
    };
    // Whatever moved the window, the overview's own paint frames where the view is now.
    const auto framesTheView = [&] {
        const CPixelRect client{0, 0, inner.width(), inner.height()};
        CRecordingSurface surface;
        overview.PaintTo(surface, client);
        const auto edges = surface.CallsOf(CRecordingSurface::Kind::Line);
        const auto expected = OverviewFrame(client, extent, Window());
        return expected && edges.size() == 4 &&
               edges[0].from == CScreenPoint{expected->left, expected->top} &&
               edges[2].from == CScreenPoint{expected->right, expected->bottom};
    };
    EXPECT_TRUE(framesTheView());
    const int y = inner.center().y();
    const int x1 = inner.left() + inner.width() / 2;
    Mouse(overview, QEvent::MouseButtonPress, {x1, y}, Qt::LeftButton);
    EXPECT_NEAR((Window().left + Window().right) / 2, distanceAt(x1), 1e-6);
    EXPECT_TRUE(framesTheView());
    const int x2 = inner.left() + inner.width() * 3 / 5;
    Mouse(overview, QEvent::MouseMove, {x2, y}, Qt::LeftButton);
    Mouse(overview, QEvent::MouseButtonRelease, {x2, y}, Qt::NoButton);
    EXPECT_NEAR((Window().left + Window().right) / 2, distanceAt(x2), 1e-6);
    EXPECT_NEAR(Window().right - Window().left, width, 1e-9);
    // Near the end the window stops at the range's edge.
    Mouse(overview, QEvent::MouseButtonPress, {inner.right(), y}, Qt::LeftButton);
    EXPECT_EQ(Window().right, full.right);
    QTest::keyClick(&Plot(), Qt::Key_Home);
    EXPECT_EQ(Window().left, full.left);
    EXPECT_TRUE(framesTheView());
}

TEST_F(DesktopHabitsTest, SeveralFilesOpenFromTheDialogAndDroppedFilesOpenAsIfChosen) {
    ASSERT_EQ(Start(), StartStatus::Running);
    const std::string first = CopyDemo(scratch, "first.sor");
    const std::string second = WriteTrace(scratch, "second.sor");
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!dialog || !name) {
            modal->close();
            return;
        }
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        dialog->setDirectory(Q(scratch.Root().string()));
        name->setText(Q("\"first.sor\" \"second.sor\""));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    Frame().Action(CMainFrame::kCmdOpen)->trigger();
    Settle();
    ASSERT_EQ(Workspace().GetProjectCount(), 1);
    ASSERT_EQ(Workspace().GetProject(0).GetEntryCount(), 2);
    EXPECT_EQ(Workspace().GetProject(0).GetEntry(0).GetTrace()->GetFileName(), first);
    EXPECT_EQ(Workspace().GetProject(0).GetEntry(1).GetTrace()->GetFileName(), second);

    // A project file saved from these, then a drop of a trace and of the project.
    ASSERT_TRUE(Workspace().GetProject(0).Save(scratch.Path("link.vtp")));
    const std::string third = WriteTrace(scratch, "third.sor");
    const auto drop = [&](const std::vector<std::string>& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls << QUrl::fromLocalFile(Q(path));
        urls << QUrl(Q("https://example.org/remote.sor")); // not a local file: ignored
        data.setUrls(urls);
        QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&Frame(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&Frame(), &dropped);
        Settle();
    };
    drop({third, scratch.Path("link.vtp")});
    ASSERT_EQ(Workspace().GetProjectCount(), 2);
    EXPECT_EQ(Workspace().GetProject(0).GetEntryCount(), 3);
    EXPECT_EQ(Workspace().GetProject(0).GetEntry(2).GetTrace()->GetFileName(), third);
    EXPECT_EQ(Workspace().GetProject(1).GetEntryCount(), 2);
    EXPECT_TRUE(TakeShown().empty());

    // Plain text offers nothing to open.
    QMimeData text;
    text.setText(Q("first.sor"));
    QDragEnterEvent enter({10, 10}, Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&Frame(), &enter);
    EXPECT_FALSE(enter.isAccepted());

    // The tree names a trace by its file name; its tooltip gives the whole path.
    const QTreeWidgetItem* item =
        Frame().Tree().ItemOf(Workspace().GetProject(0).GetEntry(2).GetId());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Frame().Tree().ToolTipOf(item), Q(third));
    EXPECT_EQ(Frame().Tree().ToolTipOf(Frame().Tree().ItemOf(Workspace().GetProject(1).GetId())),
              Q(scratch.Path("link.vtp")));
}

TEST_F(DesktopHabitsTest, StatusBarShowsTheWarningOfTheTraceOnScreen) {
    std::vector<std::uint8_t> bytes = ReadAll(LUMETRA_DEMO_TRACE);
    bytes.back() ^= 0x5A; // the stored checksum
    WriteAll(scratch.Path("damaged.sor"), bytes);
    ASSERT_EQ(Start({scratch.Path("damaged.sor"), WriteTrace(scratch, "clean.sor")}),
              StartStatus::Running);
    CProject& project = Workspace().GetProject(0);
    ASSERT_EQ(project.GetEntryCount(), 2);
    EXPECT_EQ(Frame().StatusMessage(), QString()); // the clean one, loaded last, is on screen

    const auto select = [&](int entry) {
        Frame().Tree().setCurrentItem(Frame().Tree().ItemOf(project.GetEntry(entry).GetId()));
        Settle();
    };
    select(0);
    EXPECT_TRUE(Frame().StatusMessage().startsWith(Q("damaged.sor: ")));
    select(1);
    EXPECT_EQ(Frame().StatusMessage(), QString());
    select(0);
    Frame().Action(CMainFrame::kCmdClose)->trigger();
    Settle();
    ASSERT_EQ(project.GetEntryCount(), 1);
    EXPECT_EQ(Frame().StatusMessage(), QString());
    Frame().Action(CMainFrame::kCmdCloseAllProjects)->trigger();
    Settle();
    EXPECT_EQ(Frame().StatusMessage(), QString());
}

// A real Anritsu file: the five lines, then what the file says about the measurement, each
// caption and value whole in the default layout at 1280 by 800, beside six event rows under
// whole headers.
TEST_F(DesktopHabitsTest, DefaultLayoutAt1280By800ShowsPanesWholeWithWhatTheFileSays) {
    const fs::path sample = SamplesDir() / "Hanya-Faiz+otdr-simulator__yokogawa.sor";
    if (!fs::exists(sample))
        GTEST_SKIP() << "no sample folder";
    QSettings(QSettings::NativeFormat, QSettings::UserScope,
              QString::fromLatin1(CMainFrame::kLayoutKey),
              QString::fromLatin1(CMainFrame::kLayoutApplication))
        .remove(QString::fromLatin1(CMainFrame::kLayoutSection));
    ASSERT_EQ(Start({sample.string()}), StartStatus::Running);
    Frame().ResizeWithDefaultLayout(1280, 800);
    Settle();

    const QStringList rows = Rows(Frame().Parameters());
    ASSERT_GE(rows.size(), 10);
    EXPECT_EQ(rows[1], Q("Длина Импульса: 50 ns"));
    for (const char* line : {"Производитель: ANRITSU", "Прибор: MT9090A, № 6C00036902",
                             "Модуль: MU909015C-057, № 6201635305", "Программа: 2.27",
                             "Усреднений: 11776", "Потери линии: 5.220 dB"})
        EXPECT_TRUE(rows.contains(Q(line))) << line << "\n"
                                            << rows.join(QLatin1Char('\n')).toStdString();

    // Every caption and value whole, and in the tooltip too (for values longer than these).
    const auto whole = [](CTextListPane& pane) {
        SCOPED_TRACE(pane.objectName().toStdString());
        for (int row = 0; row < pane.RowCount(); ++row) {
            const QModelIndex caption = pane.model()->index(row, 0);
            EXPECT_GE(pane.visualRect(caption).width(), pane.sizeHintForIndex(caption).width())
                << row;
            const QModelIndex value = pane.model()->index(row, 1);
            EXPECT_GE(pane.visualRect(value).width(), pane.sizeHintForIndex(value).width()) << row;
            EXPECT_EQ(pane.topLevelItem(row)->toolTip(1), pane.Value(row)) << row;
        }
    };
    whole(Frame().Parameters());
    EXPECT_EQ(Frame().Markers().RowCount(), 7);
    whole(Frame().Markers());

    CEventListCtrl& events = Frame().EventListBar().List();
    ASSERT_GT(events.topLevelItemCount(), 0);
    EXPECT_GE(events.viewport()->height(), 6 * events.sizeHintForRow(0));
    for (int i = 0; i < CEventListCtrl::kColumnCount; ++i)
        EXPECT_GE(events.header()->sectionSize(i), events.header()->sectionSizeHint(i)) << i;

    // The trace keeps most of the window.
    EXPECT_EQ(Frame().Pane(CMainFrame::kWorkspacePane)->width(), 140);
    EXPECT_GE(Frame().View().width(), 700);
    EXPECT_GE(Frame().View().height(), 400);
}

} // namespace
