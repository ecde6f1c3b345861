// The main frame: its panes and their layout, its font, its message boxes and its closing.

#include "AppTestSupport.h"

#include "app/CDockPane.h"
#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "app/CQtPrompts.h"
#include "app/CTextListPane.h"
#include "app/CWorkspaceTree.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"
#include "platform/CMessageTarget.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>

namespace {

using Lines = std::vector<std::string>;

std::unique_ptr<QSettings> LayoutStore() {
    auto store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QString::fromLatin1(CMainFrame::kLayoutKey),
                                             QString::fromLatin1(CMainFrame::kLayoutApplication));
    store->beginGroup(QString::fromLatin1(CMainFrame::kLayoutSection));
    return store;
}

class FrameTest : public ViewerFixture {
protected:
    Qt::DockWidgetArea AreaOf(CMainFrame& frame, int pane) {
        return frame.dockWidgetArea(frame.Pane(pane));
    }
};

TEST_F(FrameTest, PanesTakeTheirPlacesAndSizesInTheDefaultLayout) {
    LayoutStore()->remove({});
    ASSERT_EQ(Start(), StartStatus::Running);
    const struct {
        int id;
        const char* title;
        Qt::DockWidgetArea area;
    } panes[] = {{100, "Рабочая зона", Qt::LeftDockWidgetArea},
                 {101, "Список Событий", Qt::BottomDockWidgetArea},
                 {102, "Параметры", Qt::RightDockWidgetArea},
                 {103, "Маркеры", Qt::RightDockWidgetArea},
                 {104, "Просмотр", Qt::BottomDockWidgetArea}};
    for (const auto& pane : panes) {
        ASSERT_NE(Frame().Pane(pane.id), nullptr) << pane.id;
        EXPECT_EQ(Frame().Pane(pane.id)->windowTitle(), Q(pane.title));
        EXPECT_EQ(AreaOf(Frame(), pane.id), pane.area) << pane.id;
        EXPECT_TRUE(Frame().Pane(pane.id)->isVisible());
    }
    EXPECT_EQ(Frame().Pane(100)->width(), 140);
    // These two grow beyond their sizes where the font needs room to show their lines whole.
    EXPECT_GE(Frame().Pane(101)->height(), 100);
    EXPECT_GE(Frame().Pane(102)->width(), 150);
    // Markers below the parameters, the overview right of the event list.
    EXPECT_GT(Frame().Pane(103)->y(), Frame().Pane(102)->y());
    EXPECT_EQ(Frame().Pane(103)->x(), Frame().Pane(102)->x());
    EXPECT_GT(Frame().Pane(104)->x(), Frame().Pane(101)->x());
    EXPECT_EQ(Frame().Pane(104)->y(), Frame().Pane(101)->y());

    EXPECT_EQ(Frame().centralWidget()->findChild<CTraceView*>(), &Frame().View());
    EXPECT_EQ(Frame().StatusPane(0).text(), QString());
}

TEST_F(FrameTest, InterfaceFontOfTheSettingsReachesTheChildren) {
    LogFont font = app->Settings().GetFont(CAppSettings::FontSlot::Interface);
    font.faceName = "DejaVu Serif";
    font.height = 20;
    app->Settings().SetFont(CAppSettings::FontSlot::Interface, font);
    ASSERT_EQ(Start(), StartStatus::Running);
    const QString family = Frame().InterfaceFont().family();
    EXPECT_EQ(family, Q("DejaVu Serif"));
    const QWidget* children[] = {&Frame().Tree(),
                                 &Frame().EventListBar().List(),
                                 Frame().EventListBar().List().header(),
                                 &Frame().Parameters(),
                                 &Frame().Markers(),
                                 &Frame().StatusPane(0),
                                 &Frame().View()};
    for (const QWidget* child : children) {
        EXPECT_EQ(child->font().family(), family) << child->metaObject()->className();
        EXPECT_EQ(child->font().pixelSize(), Frame().InterfaceFont().pixelSize());
    }
}

TEST_F(FrameTest, SavedLayoutComesBackUnlessItNamesAPaneTheFrameLacks) {
    ASSERT_EQ(Start(), StartStatus::Running);
    Frame().addDockWidget(Qt::RightDockWidgetArea, Frame().Pane(CMainFrame::kWorkspacePane));
    Frame().SaveLayout();
    {
        CMainFrame restored(app->Settings());
        EXPECT_EQ(AreaOf(restored, CMainFrame::kWorkspacePane), Qt::RightDockWidgetArea);
    }
    // Written by a build with a sixth pane: ignored as a whole.
    LayoutStore()->setValue(QStringLiteral("Bars"), QVariantList{100, 101, 102, 103, 104, 105});
    CMainFrame fresh(app->Settings());
    EXPECT_FALSE(fresh.RestoreLayout());
    EXPECT_EQ(AreaOf(fresh, CMainFrame::kWorkspacePane), Qt::LeftDockWidgetArea);
}

TEST_F(FrameTest, ClosingAsksAboutEachUnsavedSignalOnly) {
    const std::string edited = CopyDemo(scratch, "edited.sor");
    ASSERT_EQ(Start({edited, CopyDemo(scratch, "other.sor")}), StartStatus::Running);
    Workspace().GetProject(0).GetEntry(0).GetTrace()->OffsetLevels(1.0f);
    const std::vector<std::uint8_t> before = ReadAll(edited);

    prompts.answers = {false};
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(TakeShown(), Lines{"Внимание: Сохранить изменения в " + edited + "?"});
    EXPECT_EQ(ReadAll(edited), before);
    EXPECT_EQ(Workspace().GetProjectCount(), 0);
}

TEST_F(FrameTest, FailedSaveWhileClosingKeepsTheFrameAndTheEdits) {
    std::filesystem::create_directory(scratch.Path("sub"));
    const std::string edited = CopyDemo(scratch, "sub/edited.sor");
    ASSERT_EQ(Start({edited}), StartStatus::Running);
    Active().OffsetLevels(1.0f);
    std::filesystem::remove_all(scratch.Path("sub"));

    prompts.answers = {true};
    EXPECT_FALSE(Frame().close());
    const Lines shown = TakeShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Внимание: Сохранить изменения в " + edited + "?");
    EXPECT_EQ(shown[1].rfind("Lumetra View: ", 0), 0u);
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(Workspace().GetProjectCount(), 1);
    EXPECT_TRUE(Active().IsModified());

    // The frame still takes its messages; with the folder back the save goes through.
    Frame().OpenPath(WriteTrace(scratch, "more.sor"));
    EXPECT_EQ(Workspace().GetProject(0).GetEntryCount(), 2);
    std::filesystem::create_directory(scratch.Path("sub"));
    prompts.answers = {true};
    EXPECT_TRUE(Frame().close());
    EXPECT_TRUE(std::filesystem::exists(edited));
}

TEST_F(FrameTest, FileOpenOffersTheTraceFiltersAndExitCloses) {
    ASSERT_EQ(Start(), StartStatus::Running);
    const std::string path = CopyDemo(scratch, "chosen.sor");
    QAction* open = nullptr;
    QAction* exit = nullptr;
    for (QAction* action : Frame().menuBar()->actions().first()->menu()->actions()) {
        if (action->text() == Q("&Открыть...\tCtrl+O"))
            open = action;
        else if (action->text() == Q("Вы&ход"))
            exit = action;
    }
    ASSERT_NE(open, nullptr);
    ASSERT_NE(exit, nullptr);
    QStringList filters;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!dialog || !name) {
            modal->close();
            return;
        }
        filters = dialog->nameFilters();
        // Typed: selectFile leaves a focused name field as it is, which the dialog may have
        // focused by now.
        name->setText(Q(path));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    open->trigger();
    Settle();
    ASSERT_EQ(filters.size(), 3);
    EXPECT_TRUE(filters[0].startsWith(Q("OTDR Files(*.sor, *.tra) (")));
    EXPECT_TRUE(filters[0].contains(Q("*.SOR")));
    EXPECT_EQ(filters[1], Q("Noyes M600 files(*.*) (*)"));
    EXPECT_EQ(filters[2], Q("All Files(*.*) (*)"));
    ASSERT_EQ(Workspace().GetProjectCount(), 1);
    EXPECT_EQ(Active().GetFileName(), path);

    exit->trigger();
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(Workspace().GetProjectCount(), 0);
}

TEST_F(FrameTest, DraggedMarkerAndVisibleWindowReachThePanesThroughTheFrame) {
    ASSERT_EQ(Start({CopyDemo(scratch, "demo.sor")}), StartStatus::Running);
    CTracePlot& plot = Frame().View().GetPlot();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !plot.GetPlotRect().IsEmpty(); }));
    const CPixelRect rect = plot.GetPlotRect();
    const QString before = Frame().Markers().Value(0);
    const int y = (rect.top + rect.bottom) / 2;
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(rect.left, y));
    QTest::mouseMove(&plot, QPoint((rect.left + rect.right) / 2, y));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint((rect.left + rect.right) / 2, y));
    Settle();
    EXPECT_NE(Frame().Markers().Value(0), before);
    EXPECT_EQ(Frame().Markers().Value(0), Q("%1 km").arg(plot.GetMarkerA(), 0, 'f', 4));

    CWorldRect window;
    EXPECT_EQ(SendToMain(kMsgGetWorldWindow, 0, reinterpret_cast<std::intptr_t>(&window)), 1);
    const CWorldRect expected = plot.GetWorldWindow();
    EXPECT_EQ(window.left, expected.left);
    EXPECT_EQ(window.right, expected.right);
}

TEST(QtPromptsTest, BoxesCarryCaptionTextIconAndAnswer) {
    CQtPrompts prompts;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    auto answer = [&](QMessageBox::StandardButton button) {
        WhenModal([&, button](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->button(button)->click();
        });
    };
    answer(QMessageBox::Yes);
    EXPECT_TRUE(
        prompts.AskYesNo("Сохранить изменения в a.sor?", "Внимание", CPrompts::Icon::Warning));
    EXPECT_EQ(title, Q("Внимание"));
    EXPECT_EQ(text, Q("Сохранить изменения в a.sor?"));
    EXPECT_EQ(icon, QMessageBox::Warning);
    answer(QMessageBox::No);
    EXPECT_FALSE(
        prompts.AskYesNo("Удалить это событие?", "Подтверждение", CPrompts::Icon::Question));

    {
        CPromptsScope scope(prompts);
        answer(QMessageBox::Ok);
        ShowError("Неправильный тип файла");
    }
    EXPECT_EQ(title, Q("Lumetra View"));
    EXPECT_EQ(icon, QMessageBox::Critical);
}

} // namespace
