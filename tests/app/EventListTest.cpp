// The event list pane: rows, icons in the trace's colour, choosing and deleting events.

#include "AppTestSupport.h"

#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"

#include <QDialog>

namespace {

class EventListTest : public ViewerFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(Start({WriteTrace(scratch, "t.sor")}), StartStatus::Running);
    }

    CEventListCtrl& List() { return Frame().EventListBar().List(); }
    void AddEvents(const std::vector<CKeyEvent>& events) {
        for (const CKeyEvent& event : events)
            Active().SetEvent(Active().AddEvent(), event);
        Settle();
    }
    QStringList Texts(int row) {
        QStringList texts;
        for (int column = 0; column < CEventListCtrl::kColumnCount; ++column)
            texts << List().topLevelItem(row)->text(column);
        return texts;
    }
    QImage Icon(int row) {
        return List().topLevelItem(row)->icon(0).pixmap(16, 16).toImage().convertToFormat(
            QImage::Format_ARGB32);
    }
    void ClickRow(int row) {
        List().scrollToItem(List().topLevelItem(row));
        const QRect rect = List().visualItemRect(List().topLevelItem(row));
        QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, QPoint(20, rect.center().y()));
        Settle();
    }
};

CKeyEvent MakeEvent(int type, int marker, float position, float loss) {
    CKeyEvent event;
    event.SetType(type);
    event.SetMarker(marker);
    event.SetPosition(position);
    event.SetLoss(loss);
    event.SetReflectance(-40.0);
    event.SetAttenuation(0.3f);
    return event;
}

TEST_F(EventListTest, RowsShowTheEventsWithDashesWhereAValueDoesNotApply) {
    EXPECT_EQ(List().topLevelItemCount(), 0); // a trace without events

    CKeyEvent end = MakeEvent(1, 2, 3.25f, 0.0f);
    end.SetComment("Конец волокна");
    end.SetFileIndex(4);
    AddEvents({MakeEvent(0, 0, 1.5f, 0.25f), MakeEvent(0, 0, 2.0f, -0.3f),
               MakeEvent(1, 0, 2.5f, 0.0f), end});
    ASSERT_EQ(List().topLevelItemCount(), 4);
    EXPECT_EQ(Texts(0), QStringList({Q(" 1"), Q("Потеря"), Q("1.500"), Q("0.250"), Q("--"), Q("--"),
                                     QString()}));
    EXPECT_EQ(Texts(2), QStringList({Q(" 3"), Q("Отражение"), Q("2.500"), Q("--"), Q("-40.000"),
                                     Q("0.300"), QString()}));
    // An end-of-fibre reflection has no values of its own.
    EXPECT_EQ(Texts(3), QStringList({Q(" 4"), Q("Конец"), Q("3.250"), Q("--"), Q("--"), Q("--"),
                                     Q("Конец волокна")}));
    EXPECT_EQ(List().topLevelItem(3)->data(0, CEventListCtrl::kFileIndexRole).toInt(), 4);
    EXPECT_EQ(List().topLevelItem(0)->data(0, CEventListCtrl::kFileIndexRole).toInt(), -1);

    // Icons in the trace's colour: a loss, a negative loss as a gain, the end.
    const std::uint32_t colour = Workspace().ActiveEntry()->GetColour();
    EXPECT_EQ(Icon(0), CEventListCtrl::EventIcon(4, colour));
    EXPECT_EQ(Icon(1), CEventListCtrl::EventIcon(3, colour));
    EXPECT_EQ(Icon(3), CEventListCtrl::EventIcon(1, colour));
    EXPECT_NE(CEventListCtrl::EventIcon(3, colour), CEventListCtrl::EventIcon(3, 0));
    // The last one added is selected.
    EXPECT_EQ(List().SelectedRow(), 3);
}

TEST_F(EventListTest, ChoosingARowSelectsItsEventAndDeletingThatEventLeavesNoRowSelected) {
    AddEvents(
        {MakeEvent(0, 0, 1.0f, 0.1f), MakeEvent(0, 0, 2.0f, 0.1f), MakeEvent(0, 0, 3.0f, 0.1f)});
    ClickRow(1);
    EXPECT_EQ(Active().GetSelectedEvent(), 1);
    ClickRow(2);
    EXPECT_EQ(Active().GetSelectedEvent(), 2);

    prompts.answers = {false};
    Frame().EventListBar().DeleteEvent();
    Settle();
    EXPECT_EQ(TakeShown(), std::vector<std::string>{"Подтверждение: Удалить это событие?"});
    EXPECT_EQ(List().topLevelItemCount(), 3);

    prompts.answers = {true};
    Frame().EventListBar().DeleteEvent();
    Settle();
    EXPECT_EQ(List().topLevelItemCount(), 2);
    EXPECT_EQ(Active().GetSelectedEvent(), 2); // left as it was, past the end
    EXPECT_EQ(List().SelectedRow(), -1);
    // Nothing is chosen, so there is nothing to delete.
    Frame().EventListBar().DeleteEvent();
    EXPECT_EQ(TakeShown().size(), 1u);
}

TEST_F(EventListTest, DoubleClickEditsTheEventAndDeleteAsksBeforeDeleting) {
    AddEvents(
        {MakeEvent(0, 0, 1.0f, 0.1f), MakeEvent(0, 0, 2.0f, 0.1f), MakeEvent(0, 0, 3.0f, 0.1f)});
    ClickRow(1);
    QString opened;
    WhenModal([&](QWidget* modal) {
        opened = QString::fromLatin1(modal->metaObject()->className());
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    const QRect rect = List().visualItemRect(List().topLevelItem(1));
    QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, QPoint(20, rect.center().y()));
    Settle();
    EXPECT_EQ(opened, Q("CEventDialog"));
    EXPECT_EQ(Active().GetSelectedEvent(), 1);

    // Delete in the list, then on the trace view: the question first, Yes deletes.
    prompts.answers = {false, true, true};
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    List().setFocus();
    QTest::keyClick(&List(), Qt::Key_Delete);
    Settle();
    EXPECT_EQ(TakeShown(), std::vector<std::string>{"Подтверждение: Удалить это событие?"});
    EXPECT_EQ(List().topLevelItemCount(), 3);
    QTest::keyClick(&List(), Qt::Key_Delete);
    Settle();
    EXPECT_EQ(List().topLevelItemCount(), 2);
    ClickRow(0);
    CTracePlot& plot = Frame().View().GetPlot();
    plot.setFocus();
    QTest::keyClick(&plot, Qt::Key_Delete);
    Settle();
    EXPECT_EQ(List().topLevelItemCount(), 1);
    EXPECT_EQ(TakeShown().size(), 2u);
}

} // namespace
