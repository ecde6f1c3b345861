// The event commands act on the trace whose events the list shows, also after a click on
// another project's item has made that project active without refilling the list.

#include "AppTestSupport.h"

#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "app/CWorkspaceTree.h"
#include "display/CTraceView.h"

#include <QTreeWidgetItem>

namespace {

class EventTargetTest : public ViewerFixture {};

TEST_F(EventTargetTest, CommandsAfterAClickOnAnotherProjectTouchOnlyTheListedTrace) {
    ASSERT_EQ(Start({WriteTrace(scratch, "first.sor")}), StartStatus::Running);
    CMainFrame& frame = Frame();
    CWorkspace& workspace = frame.Workspace();
    const auto run = [&](int command) {
        frame.Action(command)->trigger();
        Settle();
    };
    run(CMainFrame::kCmdNewProject);
    frame.OpenPath(WriteTrace(scratch, "second.sor"));
    Settle();
    ASSERT_EQ(workspace.GetProjectCount(), 2);
    CSignal& first = *workspace.GetProject(0).GetEntry(0).GetTrace();
    CSignal& second = *workspace.GetProject(1).GetEntry(0).GetTrace();
    for (CSignal* signal : {&first, &second}) {
        for (float km : {0.5f, 1.0f, 1.5f}) {
            CKeyEvent event;
            event.SetPosition(km);
            signal->SetEvent(signal->AddEvent(), event);
        }
        signal->SetSelectedEvent(1);
    }
    Settle();
    CEventListCtrl& list = frame.EventListBar().List();
    ASSERT_EQ(list.ShownSignal(), &second);

    // The user clicks the first project's item: it becomes active, the list stays.
    QTreeWidgetItem* item = frame.Tree().ItemOf(workspace.GetProject(0).GetId());
    ASSERT_NE(item, nullptr);
    const QRect rect = frame.Tree().visualItemRect(item);
    QTest::mouseClick(frame.Tree().viewport(), Qt::LeftButton, {}, rect.center());
    Settle();
    ASSERT_EQ(workspace.ActiveProjectIndex(), 0);
    ASSERT_EQ(list.topLevelItemCount(), 3);
    EXPECT_EQ(list.ShownSignal(), &second);

    // A click on a row chooses the listed trace's event.
    const QRect row = list.visualItemRect(list.topLevelItem(2));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, row.center().y()));
    Settle();
    EXPECT_EQ(second.GetSelectedEvent(), 2);
    EXPECT_EQ(first.GetSelectedEvent(), 1);

    // Delete takes the listed trace's chosen event; the other trace keeps all of its own.
    prompts.answers = {true};
    run(CMainFrame::kCmdDeleteEvent);
    EXPECT_EQ(second.GetEventCount(), 2);
    EXPECT_EQ(first.GetEventCount(), 3);

    // Show Event goes to the listed trace's event.
    list.setCurrentItem(list.topLevelItem(0));
    Settle();
    run(CMainFrame::kCmdShowEvent);
    CWorldRect window;
    frame.View().GetWorldWindow(window);
    EXPECT_NEAR((window.left + window.right) / 2, second.GetEvent(0).GetPosition(), 0.6);
}

} // namespace
