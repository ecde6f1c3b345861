// The workspace pane: selection reported to the workspace, icons in the traces' colours,
// folders that open and close.

#include "AppTestSupport.h"

#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "app/CTextListPane.h"
#include "app/CWorkspaceTree.h"

namespace {

class WorkspaceTreeTest : public ViewerFixture {
protected:
    CWorkspaceTree& Tree() { return Frame().Tree(); }
    void Click(QTreeWidgetItem* item) {
        Tree().scrollToItem(item);
        QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {},
                          Tree().visualItemRect(item).center());
        Settle();
    }
    int EventRows() { return Frame().EventListBar().List().topLevelItemCount(); }
};

TEST_F(WorkspaceTreeTest, ChoosingAProjectRefreshesNothingChoosingATraceDoes) {
    ASSERT_EQ(Start({CopyDemo(scratch, "demo.sor")}), StartStatus::Running);
    const int demoEvents = Active().GetEventCount();
    Workspace().AddProject();
    Frame().OpenPath(WriteTrace(scratch, "plain.sor"));
    Settle();
    ASSERT_EQ(Workspace().ActiveProjectIndex(), 1);
    ASSERT_EQ(EventRows(), 0);

    QTreeWidgetItem* first = Tree().topLevelItem(0);
    Click(first);
    EXPECT_EQ(Workspace().ActiveProjectIndex(), 0);
    EXPECT_TRUE(Workspace().IsProjectActive());
    EXPECT_EQ(EventRows(), 0);

    Click(first->child(0));
    EXPECT_TRUE(Workspace().IsEntryActive());
    EXPECT_EQ(EventRows(), demoEvents);
    // The five lines and what the file says about the measurement.
    EXPECT_EQ(Frame().Parameters().topLevelItemCount(),
              5 + static_cast<int>(Active().GetDetails().size()));
}

TEST_F(WorkspaceTreeTest, ElevenTracesCycleThePaletteAndOneColourSharesOneIcon) {
    ASSERT_EQ(Start(), StartStatus::Running);
    const std::string path = WriteTrace(scratch, "t.sor");
    for (int i = 0; i < 11; ++i)
        Frame().OpenPath(path);
    Settle();
    CProject& project = Workspace().GetProject(0);
    ASSERT_EQ(project.GetEntryCount(), 11);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(project.GetEntry(i).GetColour(), app->Settings().GetPaletteColour(i));
    EXPECT_EQ(project.GetEntry(10).GetColour(), 0xFF0000u); // blue again

    const int first = Tree().ImageOf(project.GetEntry(0).GetId());
    EXPECT_EQ(Tree().ImageOf(project.GetEntry(10).GetId()), first);
    EXPECT_EQ(Tree().ImageCount(), 2 + 10);
    // The trace's black pixels took the entry's colour (red is 0x0000FF).
    const QImage red = Tree().Image(Tree().ImageOf(project.GetEntry(2).GetId()));
    int redPixels = 0;
    for (int y = 0; y < red.height(); ++y) {
        for (int x = 0; x < red.width(); ++x) {
            EXPECT_NE(red.pixel(x, y), qRgb(0, 0, 0));
            redPixels += red.pixel(x, y) == qRgb(255, 0, 0);
        }
    }
    EXPECT_GT(redPixels, 10);
}

TEST_F(WorkspaceTreeTest, CollapsingAndExpandingSwitchTheFolderAndStaleItemsAreIgnored) {
    ASSERT_EQ(Start({WriteTrace(scratch, "t.sor")}), StartStatus::Running);
    const WorkspaceId project = Workspace().GetProject(0).GetId();
    const WorkspaceId entry = Workspace().GetProject(0).GetEntry(0).GetId();
    const int traceImage = Tree().ImageOf(entry);
    // Opened to show the chosen trace.
    EXPECT_EQ(Tree().ImageOf(project), CWorkspaceTree::kOpenFolderImage);

    Tree().setCurrentItem(Tree().ItemOf(project));
    Tree().setFocus();
    QTest::keyClick(&Tree(), Qt::Key_Left);
    EXPECT_FALSE(Tree().ItemOf(project)->isExpanded());
    EXPECT_EQ(Tree().ImageOf(project), CWorkspaceTree::kClosedFolderImage);
    QTest::keyClick(&Tree(), Qt::Key_Right);
    EXPECT_EQ(Tree().ImageOf(project), CWorkspaceTree::kOpenFolderImage);
    EXPECT_EQ(Tree().ImageOf(entry), traceImage);

    // An id whose item is gone, or was never made, finds nothing; nor does an entry under an
    // entry.
    const WorkspaceId stray = NewWorkspaceId();
    Tree().EntryInserted(NewWorkspaceId(), stray, SignalKind::GR196, 0, "x");
    Tree().EntryInserted(entry, stray, SignalKind::GR196, 0, "x");
    EXPECT_EQ(Tree().ItemOf(stray), nullptr);
    Tree().EntryRemoved(stray);
    EXPECT_EQ(Tree().topLevelItem(0)->childCount(), 1);
}

TEST_F(WorkspaceTreeTest, ClosingTheProjectOfTheChosenTraceKeepsTheWorkspaceWhole) {
    // Deleting the current item moves the tree's selection while the workspace is removing
    // the project; that move must not reach the workspace halfway through.
    ASSERT_EQ(Start({WriteTrace(scratch, "a.sor")}), StartStatus::Running);
    Workspace().AddProject();
    Frame().OpenPath(WriteTrace(scratch, "b.sor"));
    Settle();
    Click(Tree().topLevelItem(0)->child(0));
    ASSERT_EQ(Workspace().ActiveProjectIndex(), 0);

    Workspace().RemoveProject(0);
    Settle();
    EXPECT_EQ(Workspace().GetProjectCount(), 1);
    EXPECT_EQ(Tree().topLevelItemCount(), 1);
    EXPECT_EQ(Tree().topLevelItem(0)->child(0)->text(0), Q("b.sor"));
}

} // namespace

TEST_F(WorkspaceTreeTest, EveryKindOfTraceSharesTheTraceIconAndAnEntryWithoutOneHasItsOwn) {
    ASSERT_EQ(Start({}), StartStatus::Running);
    const WorkspaceId project = NewWorkspaceId();
    Tree().ProjectInserted(project, "P");
    const auto imageOf = [&](SignalKind kind) {
        const WorkspaceId entry = NewWorkspaceId();
        Tree().EntryInserted(project, entry, kind, 0xFF, "t");
        return Tree().ImageOf(entry);
    };
    const int trace = imageOf(SignalKind::GR196);
    EXPECT_EQ(imageOf(SignalKind::SR4731), trace);
    EXPECT_EQ(imageOf(SignalKind::M600), trace);
    const int empty = imageOf(SignalKind::None);
    ASSERT_GE(trace, 0);
    ASSERT_GE(empty, 0);
    EXPECT_NE(empty, trace);
    EXPECT_NE(Tree().Image(trace), Tree().Image(empty));
}
