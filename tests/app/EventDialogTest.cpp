// The event dialog on the events of the demo trace.

#include "AppTestSupport.h"

#include "app/CEventDialog.h"
#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

class EventDialogTest : public ViewerFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(Start({CopyDemo(scratch, "demo.sor")}), StartStatus::Running);
        ASSERT_GT(Active().GetEventCount(), 2);
        Active().SetSelectedEvent(1);
    }
};

TEST_F(EventDialogTest, OpensWithFourDecimalsAndEnablesTheEditsOfTheType) {
    CKeyEvent event = Active().GetEvent(1);
    event.SetType(0);
    event.SetPosition(4.78849f);
    event.SetReflectance(-45.12346);
    event.SetAttenuation(0.33339f);
    Active().SetEvent(1, event);

    CEventDialog dialog(Active(), &Frame());
    EXPECT_EQ(dialog.index, 1);
    EXPECT_EQ(dialog.locationEdit->text(), Q("4.7885"));
    // Truncated after adding a half: a negative value moves towards zero.
    EXPECT_EQ(dialog.reflectanceEdit->text(), Q("-45.1234"));
    EXPECT_EQ(dialog.attenuationEdit->text(), Q("0.3334"));
    EXPECT_TRUE(dialog.lossEdit->isEnabled());
    EXPECT_FALSE(dialog.reflectanceEdit->isEnabled());
    EXPECT_FALSE(dialog.attenuationEdit->isEnabled());

    dialog.typeList->setCurrentIndex(1); // "Отражение"
    EXPECT_FALSE(dialog.lossEdit->isEnabled());
    EXPECT_TRUE(dialog.reflectanceEdit->isEnabled());
    EXPECT_TRUE(dialog.attenuationEdit->isEnabled());
    dialog.typeList->setCurrentIndex(0);
    EXPECT_TRUE(dialog.lossEdit->isEnabled());
    EXPECT_FALSE(dialog.reflectanceEdit->isEnabled());
}

TEST_F(EventDialogTest, AcceptWritesEveryShownFieldAndKeepsDescriptionAndFileRecord) {
    const CKeyEvent before = Active().GetEvent(1);
    ASSERT_FALSE(before.GetComment().empty());
    ASSERT_GE(before.GetFileIndex(), 0);

    CEventDialog dialog(Active(), &Frame());
    dialog.lossEdit->setText(Q("0.75")); // disabled once the type changes, written as it stands
    dialog.typeList->setCurrentIndex(2);
    dialog.statusList->setCurrentIndex(0);
    dialog.methodList->setCurrentIndex(1);
    dialog.locationEdit->setText(Q("5,25"));
    dialog.reflectanceEdit->setText(Q("-50"));
    dialog.attenuationEdit->setText(Q("0.2"));
    dialog.changedCheck->setChecked(true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    const CKeyEvent after = Active().GetEvent(1);
    EXPECT_EQ(after.GetType(), 2);
    EXPECT_EQ(after.GetMarker(), 0);
    EXPECT_EQ(after.GetMethod(), 1);
    EXPECT_EQ(after.GetPosition(), 5.25f);
    EXPECT_EQ(after.GetLoss(), 0.75f);
    EXPECT_EQ(after.GetReflectance(), -50.0);
    EXPECT_EQ(after.GetAttenuation(), 0.2f);
    EXPECT_TRUE(after.GetFlag());
    EXPECT_EQ(after.GetComment(), before.GetComment());
    EXPECT_EQ(after.GetFileIndex(), before.GetFileIndex());
    EXPECT_TRUE(Active().IsEventsModified());
    Settle();
    EXPECT_EQ(Frame().EventListBar().List().topLevelItem(1)->text(1), Q("Другое"));
}

TEST_F(EventDialogTest, TextThatIsNoNumberKeepsTheDialogOpenAndTheEventAsItWas) {
    const float position = Active().GetEvent(1).GetPosition();
    CEventDialog dialog(Active(), &Frame());
    dialog.locationEdit->setText(Q("5 km"));
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(TakeShown(), std::vector<std::string>{"Lumetra View: Введите число."});
    EXPECT_EQ(Active().GetEvent(1).GetPosition(), position);
    EXPECT_FALSE(Active().IsEventsModified());
}

TEST_F(EventDialogTest, CancelAfterAddKeepsTheNewDefaultEventSelected) {
    const int count = Active().GetEventCount();
    bool sawDialog = false;
    WhenModal([&](QWidget* modal) {
        sawDialog = qobject_cast<CEventDialog*>(modal) != nullptr;
        for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
            if (button->text() == Q("Отменить"))
                button->click();
        }
    });
    Frame().EventListBar().AddEvent();
    Settle();
    EXPECT_TRUE(sawDialog);
    ASSERT_EQ(Active().GetEventCount(), count + 1);
    const CKeyEvent added = Active().GetEvent(count);
    EXPECT_EQ(added.GetType(), 0);
    EXPECT_EQ(added.GetPosition(), 0.0f);
    EXPECT_EQ(added.GetFileIndex(), -1);
    EXPECT_EQ(Frame().EventListBar().List().SelectedRow(), count);
}

} // namespace
