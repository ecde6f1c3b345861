#include "project/CWorkspace.h"
#include "project/ProjectTestSupport.h"

#include "core/CSignal.h"

#include <gtest/gtest.h>

namespace {

class WorkspaceTest : public ::testing::Test {
protected:
    WorkspaceTest() { workspace.SetObserver(&scope.frame); }

    std::string Trace(const std::string& name) { return WriteTrace(dir, name); }

    CProjectTestScope scope;
    CScratchDir dir;
    CWorkspace workspace;
};

} // namespace

TEST_F(WorkspaceTest, TreeOperationsCarryTheirRecordsInOrder) {
    workspace.AddProject();
    ASSERT_TRUE(workspace.OpenTrace(Trace("a.sor")));
    CSignalEntry& entry = *workspace.ActiveEntry();
    entry.SetDisplayName("Муфта");
    entry.SelectInTree();
    EXPECT_EQ(scope.frame.Take(),
              (Lines{"100 0 0 0 Проект", "send 503", "103 1001 1 FF0000 a.sor", "send 503",
                     "post 503", "104 1002 1 FF0000 Муфта", "send 503", "105 1002 0 0 "}));

    // A fibre's new entry has the no-trace icon until its trace comes.
    CProject& project = *workspace.ActiveProject();
    project.EntryForFiber(2).ReloadTrace(Trace("scan.sor"));
    project.RemoveEntry(0);
    workspace.RemoveProject(0);
    EXPECT_EQ(scope.frame.Take(),
              (Lines{"103 1001 0 FF00 ", "send 503", "104 1003 1 FF00 Волокно 3", "send 503",
                     "106 1002 0 0 ", "106 1003 0 0 ", "102 1001 0 0 "}));

    // A copy shares the trace but not the item: only one of them may delete it.
    workspace.OpenTrace(Trace("b.sor"));
    CSignalEntry& kept = *workspace.ActiveEntry();
    scope.frame.Take();
    {
        CSignalEntry copy = kept;
        EXPECT_EQ(copy.GetTrace(), kept.GetTrace());
        EXPECT_TRUE(copy.GetTrace()->Release());
        copy.GetTrace()->AddRef();
    }
    EXPECT_TRUE(scope.frame.Take().empty());
    EXPECT_FALSE(kept.GetTrace()->Release());
    kept.GetTrace()->AddRef();
}

TEST_F(WorkspaceTest, TreeItemsFollowTheirEntriesThroughMovesCopiesAndAGoneTree) {
    workspace.AddProject();
    for (const char* name : {"a.sor", "b.sor", "c.sor"})
        ASSERT_TRUE(workspace.OpenTrace(Trace(name)));
    CProject& project = *workspace.ActiveProject();
    const std::intptr_t b = scope.frame.TreeItemOf(project.GetEntry(1));
    const std::intptr_t c = scope.frame.TreeItemOf(project.GetEntry(2));
    ASSERT_EQ(c, b + 1);
    // The entries behind the removed one move up and keep their items.
    project.RemoveEntry(0);
    scope.frame.Take();
    project.GetEntry(1).SetDisplayName("C");
    project.GetEntry(0).SetDisplayName("B");
    EXPECT_EQ(scope.frame.Take(), (Lines{"104 " + std::to_string(c) + " 1 FF C", "send 503",
                                         "104 " + std::to_string(b) + " 1 FF00 B", "send 503"}));
    workspace.SelectEntryItem(project.GetId(), project.GetEntry(1).GetId());
    EXPECT_EQ(workspace.ActiveEntry(), &project.GetEntry(1));

    // A copy is another entry; what it was copied or moved from is never found by its id.
    CSignalEntry copy = project.GetEntry(0);
    EXPECT_NE(copy.GetId(), project.GetEntry(0).GetId());
    EXPECT_FALSE(copy.IsInTree());
    const WorkspaceId movedId = copy.GetId();
    CSignalEntry moved = std::move(copy);
    EXPECT_EQ(moved.GetId(), movedId);
    EXPECT_NE(copy.GetId(), movedId);
    EXPECT_EQ(project.FindEntry(moved.GetId()), -1);

    // A tree that goes away is forgotten unasked; later projects stay outside any tree.
    workspace.SetObserver(nullptr);
    workspace.AddProject();
    workspace.OpenTrace(Trace("d.sor"));
    workspace.RemoveAllProjects();
    for (const std::string& line : scope.frame.Take())
        EXPECT_TRUE(line.rfind("send ", 0) == 0 || line.rfind("post ", 0) == 0) << line;
}

TEST_F(WorkspaceTest, PaletteWrapsAfterTenColours) {
    const std::string path = Trace("a.sor");
    for (int i = 0; i < 11; ++i)
        workspace.OpenTrace(path);
    const std::uint32_t expected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x7F0000,
                                      0x007F00, 0x00007F, 0x7F7F00, 0x000000, 0xFF0000};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(workspace.GetProject(0).GetEntry(i).GetColour(), expected[i]) << i;

    // One palette for all projects; the application's replaces the default.
    workspace.AddProject();
    workspace.OpenTrace(path);
    EXPECT_EQ(workspace.ActiveEntry()->GetColour(), 0x00FF00u);
    CTraceColourScope colours([] { return 0x123456u; });
    workspace.OpenTrace(path);
    EXPECT_EQ(workspace.ActiveEntry()->GetColour(), 0x123456u);
}

TEST_F(WorkspaceTest, SelectionFollowsTheTreeClicks) {
    EXPECT_EQ(workspace.ActiveProject(), nullptr);
    EXPECT_EQ(workspace.GetActiveItem(), CWorkspace::ActiveItem::None);
    workspace.AddProject(CProject("A"));
    workspace.OpenTrace(Trace("a1.sor"));
    workspace.OpenTrace(Trace("a2.sor"));
    workspace.AddProject(CProject("B"));
    CProject& a = workspace.GetProject(0);
    CProject& b = workspace.GetProject(1);
    EXPECT_EQ(workspace.ActiveProject(), &b);
    EXPECT_EQ(workspace.GetActiveItem(), CWorkspace::ActiveItem::None);
    scope.frame.Take();

    workspace.SelectProjectItem(a.GetId());
    EXPECT_EQ(workspace.ActiveProject(), &a);
    EXPECT_TRUE(workspace.IsProjectActive());
    EXPECT_TRUE(scope.frame.Take().empty()); // a project needs no refresh
    workspace.SelectEntryItem(a.GetId(), a.GetEntry(0).GetId());
    EXPECT_TRUE(workspace.IsEntryActive());
    EXPECT_EQ(workspace.ActiveEntry(), &a.GetEntry(0));
    EXPECT_EQ(scope.frame.Take(), Lines{"post 503"});

    // Unknown items, or an entry under another project's item, change nothing.
    workspace.SelectEntryItem(b.GetId(), a.GetEntry(1).GetId());
    workspace.SelectEntryItem(a.GetId(), 4711);
    workspace.SelectProjectItem(kNoWorkspaceId);
    EXPECT_EQ(workspace.ActiveEntry(), &a.GetEntry(0));
    EXPECT_TRUE(workspace.IsEntryActive());
    EXPECT_TRUE(scope.frame.Take().empty());

    // Closing clamps the active project; with none left a trace gets a new project, and an
    // unknown file leaves the workspace as it was.
    workspace.RemoveProject(0);
    EXPECT_EQ(workspace.ActiveProject(), &b);
    workspace.RemoveAllProjects();
    EXPECT_EQ(workspace.ActiveEntry(), nullptr);
    EXPECT_FALSE(workspace.OpenTrace(WriteJunk(dir, "junk.sor")));
    EXPECT_EQ(workspace.GetProjectCount(), 0);
    EXPECT_EQ(scope.TakeShown(), Lines{"Lumetra View [stop]: junk.sor: Неправильный тип файла"});
    ASSERT_TRUE(workspace.OpenTrace(Trace("c.sor")));
    EXPECT_EQ(workspace.ActiveProject()->GetName(), "Проект");
}

TEST_F(WorkspaceTest, ScanningProjectOutlivesChangesAroundIt) {
    workspace.AddProject(CProject("Before"));
    CProject& scanning = workspace.BeginScanningProject("");
    EXPECT_EQ(scanning.GetName(), "Сканирование");
    for (int i = 0; i < 40; ++i)
        workspace.AddProject();
    workspace.RemoveProject(0);
    for (int i = 0; i < 20; ++i)
        workspace.RemoveProject(1);
    ASSERT_EQ(workspace.IndexOf(scanning), 0);

    ASSERT_TRUE(workspace.LoadScannedTrace(1, Trace("s_a.sor")));
    ASSERT_TRUE(workspace.LoadScannedTrace(1, Trace("s_b.sor")));
    ASSERT_TRUE(workspace.LoadScannedTrace(0, Trace("s_c.sor")));
    ASSERT_EQ(scanning.GetEntryCount(), 2);
    EXPECT_EQ(scanning.GetEntry(0).GetDisplayName(), "Волокно 2");
    EXPECT_EQ(scanning.GetEntry(0).GetTracePath(), dir.Path("s_b.sor"));
    EXPECT_EQ(scanning.GetEntry(1).GetDisplayName(), "Волокно 1");
    // Fibre -1 would reach the entries of opened files.
    EXPECT_FALSE(workspace.LoadScannedTrace(-1, Trace("x.sor")));
    EXPECT_FALSE(workspace.LoadScannedTrace(4, Trace("x.sor")));
    // The next scan reuses the project with its entries.
    EXPECT_EQ(&workspace.BeginScanningProject("RTU-3"), &scanning);
    EXPECT_EQ(scanning.GetName(), "RTU-3");
    EXPECT_EQ(scanning.GetEntryCount(), 2);

    // Closed during the scan: a later trace goes to a new project of the scan's name.
    workspace.RemoveProject(0);
    scope.frame.Take();
    ASSERT_TRUE(workspace.LoadScannedTrace(2, Trace("late.sor")));
    CProject& again = workspace.ScanningProject();
    EXPECT_EQ(again.GetName(), "RTU-3");
    ASSERT_EQ(again.GetEntryCount(), 1);
    EXPECT_EQ(again.GetEntry(0).GetDisplayName(), "Волокно 3");
    const Lines calls = scope.frame.Take();
    EXPECT_EQ(calls[0], "100 0 0 0 Проект");
    EXPECT_EQ(calls[1], "101 " + std::to_string(scope.frame.TreeItemOf(again)) + " 0 0 RTU-3");
    EXPECT_EQ(calls.back(), "post 503");

    // A file that cannot be read is shown, once and by name, since nobody asked for it; the
    // entry keeps the path it was given.
    ASSERT_TRUE(workspace.LoadScannedTrace(3, WriteJunk(dir, "junk.sor")));
    const Lines shown = scope.TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("Lumetra View [stop]: junk.sor: ", 0), 0u) << shown[0];
    EXPECT_EQ(again.EntryForFiber(3).GetTracePath(), dir.Path("junk.sor"));
}
