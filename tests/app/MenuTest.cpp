// The main frame's menu commands and its control of scanning, driven through the commands as
// the user would choose them, with the file dialogs answered by the tests.

#include "AppTestSupport.h"

#include "app/CDockPane.h"
#include "app/CWorkspaceTree.h"
#include "core/SignalFactory.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"
#include "platform/CMessageTarget.h"
#include "project/CSignalEntry.h"

#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QStatusBar>
#include <QTreeWidgetItem>

#include <chrono>

namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

// One question of a file dialog as the frame put it.
struct Asked {
    bool save = false;
    QString filter;
    QString extension;
    QString initial;
};

class MenuTest : public ViewerFixture {
protected:
    // Starts the viewer and answers its file dialogs from the script: each answer a path (empty
    // for Cancel) and the filter chosen, 1 for the first.
    void StartWith(const std::vector<std::string>& files = {}) {
        ASSERT_EQ(Start(files), StartStatus::Running);
        Frame().SetFileDialogHook([this](bool save, const QString& filter, const QString& extension,
                                         const QString& initial, int* filterIndex) {
            asked.push_back({save, filter, extension, initial});
            if (answers.empty())
                return QString();
            const auto [path, index] = answers.front();
            answers.erase(answers.begin());
            *filterIndex = index;
            return Q(path);
        });
    }

    QAction& Command(int id) {
        QAction* action = Frame().Action(id);
        EXPECT_NE(action, nullptr) << id;
        return *action;
    }
    void Run(int id) {
        Frame().UpdateCommands();
        ASSERT_TRUE(Command(id).isEnabled()) << id;
        Command(id).trigger();
        Settle();
    }
    bool Enabled(int id) {
        Frame().UpdateCommands();
        return Command(id).isEnabled();
    }
    bool Checked(int id) {
        Frame().UpdateCommands();
        return Command(id).isChecked();
    }
    QString TreeText(WorkspaceId item) {
        const QTreeWidgetItem* node = Frame().Tree().ItemOf(item);
        return node ? node->text(0) : QString();
    }
    // Runs the event loop until the condition holds or the time is up.
    static bool PumpUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > limit.count())
                return false;
            QTest::qWait(5);
        }
        return true;
    }

    std::vector<std::pair<std::string, int>> answers;
    std::vector<Asked> asked;
};

// A signal read back from a file, as a new viewer would open it.
CSignalRef ReadBack(const std::string& path) {
    return CSignalRef(OpenSignal(path));
}

TEST_F(MenuTest, CommandsCarryTheirTextsAndKeysAndFollowTheSelection) {
    StartWith();
    EXPECT_EQ(Command(CMainFrame::kCmdSave).text(), Q("&Сохранить\tCtrl+S"));
    EXPECT_EQ(Command(CMainFrame::kCmdSave).shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(Command(CMainFrame::kCmdWorkspacePane).shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_W));
    EXPECT_EQ(Command(CMainFrame::kCmdSaveAll).text(), Q("Сохранить &всё"));
    EXPECT_EQ(Command(CMainFrame::kCmdStartStopScan).text(), Q("&Начать сканирование\tCtrl+R"));
    EXPECT_EQ(Command(CMainFrame::kCmdAbout).text(), Q("&О программе Vitrea..."));

    const int always[] = {CMainFrame::kCmdOpen,          CMainFrame::kCmdNewProject,
                          CMainFrame::kCmdOpenProject,   CMainFrame::kCmdExit,
                          CMainFrame::kCmdScanParams,    CMainFrame::kCmdLoadScanParams,
                          CMainFrame::kCmdStartStopScan, CMainFrame::kCmdAbout};
    const int needProject[] = {CMainFrame::kCmdCloseProject, CMainFrame::kCmdCloseAllProjects,
                               CMainFrame::kCmdSave, CMainFrame::kCmdSaveAs,
                               CMainFrame::kCmdSaveAll};
    const int needEntry[] = {CMainFrame::kCmdClose, CMainFrame::kCmdPrint,
                             CMainFrame::kCmdAddEvent};
    const int needEvent[] = {CMainFrame::kCmdShowEvent, CMainFrame::kCmdEditEvent,
                             CMainFrame::kCmdDeleteEvent};
    auto expectEnabled = [&](bool project, bool entry, bool event) {
        for (int id : always)
            EXPECT_TRUE(Enabled(id)) << id;
        for (int id : needProject)
            EXPECT_EQ(Enabled(id), project) << id;
        for (int id : needEntry)
            EXPECT_EQ(Enabled(id), entry) << id;
        for (int id : needEvent)
            EXPECT_EQ(Enabled(id), event) << id;
    };
    {
        SCOPED_TRACE("empty workspace");
        expectEnabled(false, false, false);
    }
    Run(CMainFrame::kCmdNewProject);
    ASSERT_EQ(Workspace().GetProjectCount(), 1);
    {
        SCOPED_TRACE("an empty project");
        expectEnabled(true, false, false);
    }
    Frame().OpenPath(CopyDemo(scratch, "demo.sor"));
    Settle();
    Active().SetSelectedEvent(-1);
    {
        SCOPED_TRACE("a trace, no event chosen");
        expectEnabled(true, true, false);
    }
    Active().SetSelectedEvent(0);
    {
        SCOPED_TRACE("an event chosen");
        expectEnabled(true, true, true);
    }
    // A menu is brought up to date as it opens, whatever changed behind the frame's back.
    Workspace().RemoveAllProjects();
    QMenu* file = nullptr;
    for (QObject* owner : Command(CMainFrame::kCmdSave).associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(owner))
            file = menu;
    }
    ASSERT_NE(file, nullptr);
    Q_EMIT file->aboutToShow();
    EXPECT_FALSE(Command(CMainFrame::kCmdSave).isEnabled());
    EXPECT_FALSE(Command(CMainFrame::kCmdClose).isEnabled());
}

// Alt with a letter reaches one item only when no sibling shares the letter.
void ExpectDistinctAccessKeys(const QList<QAction*>& actions, const QString& where) {
    QSet<QChar> keys;
    for (QAction* action : actions) {
        const QString text = action->text();
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (at >= 0 && at + 1 < text.size()) {
            const QChar key = text.at(at + 1).toLower();
            EXPECT_FALSE(keys.contains(key))
                << (where + QStringLiteral(" > ") + text).toStdString();
            keys.insert(key);
        }
        if (action->menu())
            ExpectDistinctAccessKeys(action->menu()->actions(),
                                     where + QStringLiteral(" > ") + text);
    }
}

TEST_F(MenuTest, EveryMenuHasDistinctAccessKeys) {
    StartWith();
    ExpectDistinctAccessKeys(Frame().menuBar()->actions(), QStringLiteral("menu bar"));
}

TEST_F(MenuTest, SaveWritesAnOpenedTraceInPlaceAndAsksOnlyAboutEdits) {
    const std::string path = CopyDemo(scratch, "demo.sor");
    StartWith({path});
    ASSERT_TRUE(Workspace().IsEntryActive());
    const std::vector<std::uint8_t> original = ReadAll(path);

    Run(CMainFrame::kCmdSave);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(TakeShown().empty());
    EXPECT_EQ(ReadAll(path), original);

    Active().OffsetLevels(0.5f);
    prompts.answers = {true};
    Run(CMainFrame::kCmdSave);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(TakeShown(), Lines{"Внимание: Сохранить изменения в " + path + "?"});
    EXPECT_NE(ReadAll(path), original);
    EXPECT_FALSE(Active().IsModified());
    EXPECT_NEAR(ReadBack(path).Get()->GetLevelAtIndex(10), Active().GetLevelAtIndex(10), 0.01);

    // Closing the trace asks again only when it was edited since; No keeps the file.
    const std::vector<std::uint8_t> saved = ReadAll(path);
    Active().OffsetLevels(0.5f);
    prompts.answers = {false};
    Run(CMainFrame::kCmdClose);
    EXPECT_EQ(TakeShown(), Lines{"Внимание: Сохранить изменения в " + path + "?"});
    EXPECT_EQ(Workspace().GetProject(0).GetEntryCount(), 0);
    EXPECT_EQ(ReadAll(path), saved);
}

TEST_F(MenuTest, SaveAsConvertsToTheChosenFormatAndRenamesTheEntry) {
    const std::string path = CopyDemo(scratch, "demo.sor");
    StartWith({path});
    ASSERT_EQ(Active().GetKind(), SignalKind::GR196);
    const int events = Active().GetEventCount();
    CSignalEntry& entry = *Workspace().ActiveEntry();

    const std::string tra = scratch.Path("copy.tra");
    answers = {{tra, 2}};
    Run(CMainFrame::kCmdSaveAs);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_EQ(asked[0].extension, Q("sor"));
    EXPECT_EQ(asked[0].initial, Q(path));
    EXPECT_EQ(asked[0].filter.count(Q(";;")), 2);
    EXPECT_TRUE(asked[0].filter.contains(Q("OTDR SR-4731 Files(*.tra)")));
    EXPECT_EQ(Active().GetKind(), SignalKind::SR4731);
    EXPECT_EQ(Active().GetFileName(), tra);
    EXPECT_EQ(entry.GetDisplayName(), "copy.tra");
    EXPECT_EQ(TreeText(entry.GetId()), Q("copy.tra"));
    CSignalRef tra2 = ReadBack(tra);
    ASSERT_TRUE(tra2);
    EXPECT_EQ(tra2.Get()->GetKind(), SignalKind::SR4731);
    EXPECT_EQ(tra2.Get()->GetEventCount(), events);
    EXPECT_EQ(tra2.Get()->GetPointCount(), Active().GetPointCount());

    const std::string m600 = scratch.Path("copy.m6");
    answers = {{m600, 3}};
    Run(CMainFrame::kCmdSaveAs);
    EXPECT_EQ(Active().GetKind(), SignalKind::M600);
    EXPECT_EQ(TreeText(entry.GetId()), Q("copy.m6"));
    CSignalRef m6 = ReadBack(m600);
    ASSERT_TRUE(m6);
    EXPECT_EQ(m6.Get()->GetKind(), SignalKind::M600);
    EXPECT_EQ(m6.Get()->GetPointCount(), Active().GetPointCount());

    // Cancelled: nothing changes.
    Run(CMainFrame::kCmdSaveAs);
    EXPECT_EQ(Active().GetKind(), SignalKind::M600);
    EXPECT_EQ(entry.GetDisplayName(), "copy.m6");
    // An edited trace whose save the user declines keeps its name: nothing was written.
    Active().OffsetLevels(1.0f);
    prompts.answers = {false};
    answers = {{scratch.Path("declined.sor"), 1}};
    Run(CMainFrame::kCmdSaveAs);
    EXPECT_FALSE(fs::exists(scratch.Path("declined.sor")));
    EXPECT_EQ(entry.GetDisplayName(), "copy.m6");
    EXPECT_EQ(TreeText(entry.GetId()), Q("copy.m6"));
}

TEST_F(MenuTest, TheSaveAsDialogOffersTheFormatsAndTheChosenOneGivesTheExtension) {
    const std::string path = CopyDemo(scratch, "demo.sor");
    ASSERT_EQ(Start({path}), StartStatus::Running);
    QStringList filters;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        // The dialog shows the initial name once it has read the folder.
        QTest::qWait(200);
        filters = dialog->nameFilters();
        dialog->selectNameFilter(filters.value(1));
        // Typed, as the user would: a focused name field keeps its text against selectFile.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(Q("typed"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    Run(CMainFrame::kCmdSaveAs);
    ASSERT_EQ(filters.size(), 3);
    EXPECT_TRUE(filters[0].startsWith(Q("OTDR GR-196-CORE Files(*.sor) (")));
    EXPECT_EQ(filters[2], Q("Noyes M600 files(*.*) (*)"));
    EXPECT_EQ(Active().GetKind(), SignalKind::SR4731);
    EXPECT_EQ(Active().GetFileName(), scratch.Path("typed.tra"));
    CSignalRef written = ReadBack(scratch.Path("typed.tra"));
    ASSERT_TRUE(written);
    EXPECT_EQ(written.Get()->GetKind(), SignalKind::SR4731);
}

TEST_F(MenuTest, SaveOfAProjectAndSaveAllAskAPathOnlyWhereThereIsNone) {
    StartWith({CopyDemo(scratch, "a.sor")});
    const std::string first = scratch.Path("first.vtp");
    ASSERT_TRUE(Workspace().GetProject(0).Save(first));
    Run(CMainFrame::kCmdNewProject);
    Frame().OpenPath(CopyDemo(scratch, "b.sor"));
    Settle();
    Workspace().GetProject(0).GetEntry(0).GetTrace()->OffsetLevels(1.0f);
    const auto firstTime = fs::last_write_time(first);

    const std::string second = scratch.Path("second.vtp");
    answers = {{second, 1}};
    prompts.answers = {true};
    Run(CMainFrame::kCmdSaveAll);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].extension, Q("vtp"));
    EXPECT_TRUE(asked[0].filter.startsWith(Q("Vitrea Project(*.vtp) (")));
    EXPECT_EQ(TakeShown(), Lines{"Внимание: Сохранить изменения в " + scratch.Path("a.sor") + "?"});
    EXPECT_FALSE(Workspace().GetProject(0).GetEntry(0).GetTrace()->IsModified());
    EXPECT_EQ(Workspace().GetProject(1).GetPath(), second);
    EXPECT_EQ(fs::file_size(second), 268u + 516u);
    EXPECT_GE(fs::last_write_time(first), firstTime);

    // With both paths known nothing is asked.
    asked.clear();
    Run(CMainFrame::kCmdSaveAll);
    EXPECT_TRUE(asked.empty());

    // Save on the project item: in place; Save As: always asked.
    Frame().Tree().setCurrentItem(Frame().Tree().ItemOf(Workspace().GetProject(1).GetId()));
    ASSERT_TRUE(Workspace().IsProjectActive());
    Run(CMainFrame::kCmdSave);
    EXPECT_TRUE(asked.empty());
    answers = {{scratch.Path("third.vtp"), 1}};
    Run(CMainFrame::kCmdSaveAs);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(Workspace().GetProject(1).GetPath(), scratch.Path("third.vtp"));
}

TEST_F(MenuTest, EventCommandsAskBeforeDeletingAndAddNothingOnCancel) {
    StartWith({CopyDemo(scratch, "demo.sor")});
    const int count = Active().GetEventCount();
    ASSERT_GT(count, 1);
    Active().SetSelectedEvent(1);

    prompts.answers = {false};
    Run(CMainFrame::kCmdDeleteEvent);
    EXPECT_EQ(TakeShown(), Lines{"Подтверждение: Удалить это событие?"});
    EXPECT_EQ(Active().GetEventCount(), count);
    EXPECT_FALSE(Active().IsModified());

    const double position = Active().GetEvent(1).GetPosition();
    Run(CMainFrame::kCmdShowEvent);
    CWorldRect window = Frame().View().GetPlot().GetWorldWindow();
    EXPECT_LE(window.left, position);
    EXPECT_GE(window.right, position);
    EXPECT_LE(window.right - window.left, 2.0 + 1e-6);

    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->reject();
    });
    Run(CMainFrame::kCmdAddEvent);
    EXPECT_EQ(Active().GetEventCount(), count);
    EXPECT_FALSE(Active().IsModified());

    Active().SetSelectedEvent(count - 1);
    prompts.answers = {true};
    Run(CMainFrame::kCmdDeleteEvent);
    EXPECT_EQ(Active().GetEventCount(), count - 1);
    EXPECT_TRUE(Active().IsEventsModified());
    // The selection is left past the last event: nothing to show, and no window for a
    // made-up event at 0 km.
    window = Frame().View().GetPlot().GetWorldWindow();
    Run(CMainFrame::kCmdShowEvent);
    EXPECT_EQ(Frame().View().GetPlot().GetWorldWindow().left, window.left);
}

TEST_F(MenuTest, DisplayCommandsChangeTheSettingsTheirMarksAndThePicture) {
    StartWith({CopyDemo(scratch, "demo.sor")});
    CAppSettings& settings = app->Settings();
    settings.SetGridStyle(GridStyle::Solid);
    settings.SetLegendShown(true);
    settings.SetOneTraceMode(false);
    Settle();
    CTracePlot& plot = Frame().View().GetPlot();
    const QImage solid = plot.grab().toImage();

    Run(CMainFrame::kCmdGridNone);
    EXPECT_EQ(settings.GetGridStyle(), GridStyle::None);
    EXPECT_TRUE(Checked(CMainFrame::kCmdGridNone));
    EXPECT_FALSE(Checked(CMainFrame::kCmdGridSolid));
    EXPECT_NE(plot.grab().toImage(), solid);
    Run(CMainFrame::kCmdGridDots);
    EXPECT_EQ(settings.GetGridStyle(), GridStyle::Dots);
    EXPECT_TRUE(Checked(CMainFrame::kCmdGridDots));
    EXPECT_FALSE(Checked(CMainFrame::kCmdGridNone));

    EXPECT_TRUE(Checked(CMainFrame::kCmdLegend));
    const QImage withLegend = plot.grab().toImage();
    Run(CMainFrame::kCmdLegend);
    EXPECT_FALSE(settings.IsLegendShown());
    EXPECT_FALSE(Checked(CMainFrame::kCmdLegend));
    EXPECT_NE(plot.grab().toImage(), withLegend);
    Run(CMainFrame::kCmdOneTrace);
    EXPECT_TRUE(settings.IsOneTraceMode());
    EXPECT_TRUE(Checked(CMainFrame::kCmdOneTrace));

    EXPECT_TRUE(Checked(CMainFrame::kCmdMarkersPane));
    Run(CMainFrame::kCmdMarkersPane);
    EXPECT_TRUE(Frame().Pane(CMainFrame::kMarkersPane)->isHidden());
    EXPECT_FALSE(Checked(CMainFrame::kCmdMarkersPane));
    Run(CMainFrame::kCmdMarkersPane);
    EXPECT_TRUE(Frame().Pane(CMainFrame::kMarkersPane)->isVisible());
    EXPECT_TRUE(Checked(CMainFrame::kCmdStatusBar));
    Run(CMainFrame::kCmdStatusBar);
    EXPECT_TRUE(Frame().statusBar()->isHidden());
    EXPECT_FALSE(Checked(CMainFrame::kCmdStatusBar));
}

TEST_F(MenuTest, ProjectCommandsOpenAndCloseAndOfferUnsavedEdits) {
    StartWith({CopyDemo(scratch, "demo.sor")});
    const std::string project = scratch.Path("p.vtp");
    ASSERT_TRUE(Workspace().GetProject(0).Save(project));
    answers = {{project, 1}};
    Run(CMainFrame::kCmdOpenProject);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_FALSE(asked[0].save);
    ASSERT_EQ(Workspace().GetProjectCount(), 2);
    EXPECT_EQ(Workspace().GetProject(1).GetEntryCount(), 1);

    // The opened project is active; its edited trace is offered before it goes.
    Workspace().GetProject(1).GetEntry(0).GetTrace()->OffsetLevels(1.0f);
    prompts.answers = {false};
    Run(CMainFrame::kCmdCloseProject);
    EXPECT_EQ(TakeShown().size(), 1u);
    EXPECT_EQ(Workspace().GetProjectCount(), 1);
    Run(CMainFrame::kCmdCloseAllProjects);
    EXPECT_EQ(Workspace().GetProjectCount(), 0);
    EXPECT_FALSE(Enabled(CMainFrame::kCmdSave));
}

TEST_F(MenuTest, ArrivalsOfOneFibreReplaceItsEntryInTheScanningProject) {
    StartWith({CopyDemo(scratch, "opened.sor")});
    Run(CMainFrame::kCmdNewProject);
    const std::string first = WriteTrace(scratch, "SCAN2001.SOR");
    const std::string second = CopyDemo(scratch, "SCAN2002.SOR");
    for (const std::string& path : {first, second}) {
        EXPECT_EQ(SendToMain(kMsgScanTraceArrived, 1, reinterpret_cast<std::intptr_t>(&path)), 0);
        Settle();
    }
    int scanning = 0;
    for (int i = 0; i < Workspace().GetProjectCount(); ++i)
        scanning += Workspace().GetProject(i).IsScanningProject() ? 1 : 0;
    ASSERT_EQ(scanning, 1);
    CProject& project = Workspace().ScanningProject();
    EXPECT_EQ(project.GetName(), "Сканирование");
    ASSERT_EQ(project.GetEntryCount(), 1);
    EXPECT_EQ(project.GetEntry(0).GetDisplayName(), "Волокно 2");
    EXPECT_EQ(project.GetEntry(0).GetFiberNumber(), 1);
    EXPECT_EQ(project.GetEntry(0).GetTrace()->GetFileName(), second);
    EXPECT_EQ(Workspace().GetProject(0).GetEntryCount(), 1);
    // A fibre index outside 0..3 is no fibre.
    EXPECT_EQ(SendToMain(kMsgScanTraceArrived, 7, reinterpret_cast<std::intptr_t>(&first)), 0);
    Settle();
    EXPECT_EQ(project.GetEntryCount(), 1);
}

TEST_F(MenuTest, ScanFromTheMenuCollectsTracesAndClosingEndsItPromptly) {
    const std::string share = scratch.Path("share");
    fs::create_directories(share + "/SCAN");
    WriteAll(share + "/OPTREFL.PAR", {'o', 'w', 'n'});
    CScanSettings& scan = app->Settings().GetScanSettings();
    scan.SetRtuName(share);
    scan.SetFiberEnabled(0, true);
    StartWith();

    Run(CMainFrame::kCmdStartStopScan);
    EXPECT_TRUE(Frame().Scanner().IsRunning());
    EXPECT_EQ(Command(CMainFrame::kCmdStartStopScan).text(), Q("&Закончить сканирование\tCtrl+R"));
    ASSERT_EQ(Workspace().GetProjectCount(), 1);
    EXPECT_EQ(Workspace().GetProject(0).GetName(), share);
    EXPECT_EQ(TreeText(Workspace().GetProject(0).GetId()), Q(share));
    ASSERT_TRUE(PumpUntil([&] { return ReadAll(share + "/OPTREFL.PAR").size() > 3; }));

    fs::rename(WriteTrace(scratch, "SCAN1001.SOR"), share + "/SCAN/SCAN1001.SOR");
    CProject& project = Workspace().GetProject(0);
    ASSERT_TRUE(PumpUntil([&] { return project.GetEntryCount() == 1; }));
    EXPECT_EQ(project.GetEntry(0).GetDisplayName(), "Волокно 1");
    EXPECT_TRUE(project.GetEntry(0).HasTrace());

    // Stopping from the menu: the text follows once the run has closed.
    Run(CMainFrame::kCmdStartStopScan);
    ASSERT_TRUE(PumpUntil([&] {
        return Command(CMainFrame::kCmdStartStopScan).text() == Q("&Начать сканирование\tCtrl+R");
    }));
    EXPECT_EQ(ReadAll(share + "/OPTREFL.PAR"), (std::vector<std::uint8_t>{'o', 'w', 'n'}));

    // Started again through the dialog's message, into the same project, then closed.
    Frame().HandleMessage(kMsgScanStartStop, 0, 0);
    ASSERT_TRUE(Frame().Scanner().IsRunning());
    EXPECT_EQ(Workspace().GetProjectCount(), 1);
    ASSERT_TRUE(PumpUntil([&] { return ReadAll(share + "/OPTREFL.PAR").size() > 3; }));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(Frame().close());
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(Frame().Scanner().IsRunning());
    EXPECT_EQ(ReadAll(share + "/OPTREFL.PAR"), (std::vector<std::uint8_t>{'o', 'w', 'n'}));
    EXPECT_TRUE(TakeShown().empty());
}

} // namespace
