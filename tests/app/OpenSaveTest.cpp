// Opening, saving and closing as a user meets them: which file a load message is about, what a
// failed open leaves in the tree, the type and name Save As starts from, the Cancel of the
// closing questions and the names projects show.

#include "AppTestSupport.h"

#include "app/CWorkspaceTree.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTreeWidgetItem>

namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

class OpenSaveTest : public ViewerFixture {
protected:
    // Answers the file dialogs with the path and filter given, recording the filter each
    // dialog would start on.
    void AnswerDialogs() {
        Frame().SetFileDialogHook(
            [this](bool, const QString&, const QString&, const QString&, int* filterIndex) {
                startedOn.push_back(*filterIndex);
                if (answers.empty())
                    return QString();
                const auto [path, index] = answers.front();
                answers.erase(answers.begin());
                *filterIndex = index;
                return Q(path);
            });
    }
    void Run(int command) {
        Frame().Action(command)->trigger();
        Settle();
    }
    QString TreeText(WorkspaceId item) { return Frame().Tree().ItemOf(item)->text(0); }
    int EntryCount() {
        int count = 0;
        for (int p = 0; p < Workspace().GetProjectCount(); ++p)
            count += Workspace().GetProject(p).GetEntryCount();
        return count;
    }

    std::vector<std::pair<std::string, int>> answers;
    std::vector<int> startedOn;
};

// A GR-196-CORE file cut short after its map: recognised, then failing to load.
std::string WriteCutTrace(const CScratchDir& dir, const std::string& name) {
    const std::string path = WriteTrace(dir, name);
    std::vector<std::uint8_t> bytes = ReadAll(path);
    bytes.resize(bytes.size() / 2);
    WriteAll(path, bytes);
    return path;
}

TEST_F(OpenSaveTest, LoadMessagesNameTheFileAndAFailedOpenLeavesNoEntry) {
    const std::string good = WriteTrace(scratch, "good.sor");
    const std::string junk = WriteJunk(scratch, "junk.sor");
    const std::string cut = WriteCutTrace(scratch, "cut.sor");
    ASSERT_EQ(Start({junk, good, cut}), StartStatus::Running);
    const std::vector<std::string> shown = TakeShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Lumetra View: junk.sor: Неправильный тип файла");
    EXPECT_EQ(shown[1].rfind("Lumetra View: cut.sor: ", 0), 0u) << shown[1];
    ASSERT_EQ(Workspace().GetProjectCount(), 1);
    ASSERT_EQ(EntryCount(), 1);
    EXPECT_EQ(Workspace().GetProject(0).GetEntry(0).GetDisplayName(), "good.sor");

    // File > Open of a file that fails the same way.
    AnswerDialogs();
    answers = {{cut, 1}};
    Run(CMainFrame::kCmdOpen);
    EXPECT_EQ(TakeShown().size(), 1u);
    EXPECT_EQ(EntryCount(), 1);

    // A project's entry whose trace fails stays, so that a save keeps it; the messages name
    // the trace and the project.
    {
        CProject stored;
        stored.AppendEntry(CSignalEntry(good));
        // Its trace fails to open, and the entry keeps the path.
        stored.AppendEntry(CSignalEntry(cut));
        ASSERT_TRUE(stored.Save(scratch.Path("link.vtp")));
    }
    TakeShown();
    ASSERT_TRUE(Frame().OpenPath(scratch.Path("link.vtp")));
    Settle();
    const std::vector<std::string> projectShown = TakeShown();
    ASSERT_EQ(projectShown.size(), 1u);
    EXPECT_EQ(projectShown[0].rfind("Lumetra View: cut.sor: ", 0), 0u) << projectShown[0];
    ASSERT_EQ(Workspace().GetProjectCount(), 2);
    ASSERT_EQ(Workspace().GetProject(1).GetEntryCount(), 2);
    EXPECT_TRUE(Workspace().GetProject(1).GetEntry(0).HasTrace());
    EXPECT_FALSE(Workspace().GetProject(1).GetEntry(1).HasTrace());
}

TEST_F(OpenSaveTest, SaveAsStartsOnTheTracesTypeAndTheExtensionFollowsTheChoice) {
    ASSERT_EQ(Start({CopyDemo(scratch, "demo.sor")}), StartStatus::Running);
    AnswerDialogs();
    const struct {
        std::string typed;
        int filter;
        int kind;
        std::string saved;
    } steps[] = {
        {"a.sor", 2, 2, "a.tra"}, // SR-4731 chosen with the name it started with
        {"b.tra", 3, 3, "b"},     // M600 has no extension of its own
        {"c", 1, 1, "c.sor"},     // a bare name takes the type's
        {"d.TRA", 1, 1, "d.sor"}, // in any case
        {"e.m6", 3, 3, "e.m6"},   // an extension of the user's own stays
        {"f.sor", 2, 2, "f.tra"},
    };
    std::vector<int> expectedStarts;
    for (const auto& step : steps) {
        expectedStarts.push_back(KindNumber(Active().GetKind()));
        answers = {{scratch.Path(step.typed), step.filter}};
        Run(CMainFrame::kCmdSaveAs);
        EXPECT_EQ(KindNumber(Active().GetKind()), step.kind) << step.typed;
        EXPECT_EQ(Active().GetFileName(), scratch.Path(step.saved)) << step.typed;
        EXPECT_TRUE(fs::exists(scratch.Path(step.saved))) << step.typed;
        EXPECT_EQ(Workspace().ActiveEntry()->GetDisplayName(), step.saved);
    }
    EXPECT_EQ(startedOn, expectedStarts);
    EXPECT_EQ(expectedStarts, (std::vector<int>{1, 2, 3, 1, 1, 3}));

    // The real dialog: it starts on SR-4731 for this trace, and choosing M600 drops ".tra"
    // from the name while the dialog is up.
    Frame().SetFileDialogHook({});
    QString startFilter;
    QString renamed;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        QTest::qWait(200);
        startFilter = dialog->selectedNameFilter();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(name, nullptr);
        ASSERT_NE(types, nullptr);
        name->setText(Q("g.tra"));
        types->setCurrentIndex(2);
        Q_EMIT types->activated(2);
        renamed = name->text();
        dialog->reject();
    });
    Run(CMainFrame::kCmdSaveAs);
    EXPECT_TRUE(startFilter.startsWith(Q("OTDR SR-4731 Files"))) << startFilter.toStdString();
    EXPECT_EQ(renamed, Q("g"));
}

TEST_F(OpenSaveTest, TheQuitQuestionsCancelKeepsTheViewerOpenWithTheEdits) {
    const std::string path = CopyDemo(scratch, "edited.sor");
    ASSERT_EQ(Start({path}), StartStatus::Running);
    Active().OffsetLevels(1.0f);
    const std::vector<std::uint8_t> before = ReadAll(path);

    prompts.cancelNext = true;
    EXPECT_FALSE(Frame().close());
    Settle();
    EXPECT_EQ(TakeShown(), Lines{"Внимание: Сохранить изменения в " + path + "?"});
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(Active().IsModified());
    EXPECT_EQ(ReadAll(path), before);

    // Closing the trace is cancelled the same way.
    prompts.cancelNext = true;
    Run(CMainFrame::kCmdClose);
    EXPECT_EQ(Workspace().GetProject(0).GetEntryCount(), 1);

    // No closes without the edits.
    prompts.answers = {false};
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(OpenSaveTest, ProjectsShowTheirFilesNamesAndCloseAllAsksAboutNeverSavedOnes) {
    ASSERT_EQ(Start({CopyDemo(scratch, "a.sor")}), StartStatus::Running);
    AnswerDialogs();
    CProject& first = Workspace().GetProject(0);
    EXPECT_EQ(TreeText(first.GetId()), Q("Проект"));

    // Saved as link1.vtp, the project shows that name, and so does it opened again.
    Frame().Tree().setCurrentItem(Frame().Tree().ItemOf(first.GetId()));
    Settle();
    answers = {{scratch.Path("link1.vtp"), 1}};
    Run(CMainFrame::kCmdSave);
    EXPECT_EQ(TreeText(first.GetId()), Q("link1.vtp"));
    // A save that fails keeps the name and the path the project had.
    answers = {{scratch.Path("missing/link2.vtp"), 1}};
    Run(CMainFrame::kCmdSaveAs);
    TakeShown();
    EXPECT_EQ(first.GetPath(), scratch.Path("link1.vtp"));
    EXPECT_EQ(TreeText(first.GetId()), Q("link1.vtp"));
    ASSERT_TRUE(Frame().OpenPath(scratch.Path("link1.vtp")));
    Settle();
    EXPECT_EQ(TreeText(Workspace().GetProject(1).GetId()), Q("link1.vtp"));

    // A new project with a trace, never saved: closing all asks about it alone.
    Run(CMainFrame::kCmdNewProject);
    Frame().OpenPath(CopyDemo(scratch, "b.sor"));
    Run(CMainFrame::kCmdNewProject); // empty: nothing to lose
    Settle();
    ASSERT_EQ(Workspace().GetProjectCount(), 4);
    prompts.cancelNext = true;
    Run(CMainFrame::kCmdCloseAllProjects);
    EXPECT_EQ(TakeShown(), Lines{"Внимание: Сохранить проект Проект?"});
    EXPECT_EQ(Workspace().GetProjectCount(), 4);

    // Yes saves it where the user says, then everything closes.
    prompts.answers = {true};
    answers = {{scratch.Path("link3.vtp"), 1}};
    Run(CMainFrame::kCmdCloseAllProjects);
    EXPECT_EQ(TakeShown(), Lines{"Внимание: Сохранить проект Проект?"});
    EXPECT_TRUE(fs::exists(scratch.Path("link3.vtp")));
    EXPECT_EQ(Workspace().GetProjectCount(), 0);
}

} // namespace
