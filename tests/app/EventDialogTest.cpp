// The event dialog on the events of the demo trace.

#include "AppTestSupport.h"

#include "app/CEventDialog.h"
#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "core/SignalFactory.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <memory>

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
    // The toolkit reads the last four as numbers; none fits a field.
    for (const char* text : {"5 km", "nan", "inf", "-inf", "1e39", "-1e39", "--"}) {
        SCOPED_TRACE(text);
        CEventDialog dialog(Active(), &Frame());
        dialog.locationEdit->setText(Q(text));
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(TakeShown(), std::vector<std::string>{"Lumetra View: Введите число."});
        EXPECT_EQ(Active().GetEvent(1).GetPosition(), position);
        EXPECT_FALSE(Active().IsEventsModified());
    }
}

// Presses the dialog's button of that text once the dialog is up.
void PressWhenModal(const char* text, bool* sawDialog) {
    WhenModal([=](QWidget* modal) {
        *sawDialog = qobject_cast<CEventDialog*>(modal) != nullptr;
        for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
            if (button->text() == Q(text)) {
                button->click();
                return;
            }
        }
    });
}

TEST_F(EventDialogTest, AddStartsAtMarkerAAndCancelLeavesTheSignalAsItWas) {
    const int count = Active().GetEventCount();
    const float end = Active().GetEndDistance();
    bool sawDialog = false;
    PressWhenModal("Отменить", &sawDialog);
    Frame().EventListBar().AddEvent(7.5f);
    Settle();
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(Active().GetEventCount(), count);
    EXPECT_FALSE(Active().IsModified());

    // Accepted, the event is at marker A and in position order in the list at once; a marker
    // off the trace gives 0 km.
    for (const auto& [markerA, expected] :
         std::vector<std::pair<float, float>>{{7.5f, 7.5f}, {end + 1.0f, 0.0f}}) {
        sawDialog = false;
        PressWhenModal("Принять", &sawDialog);
        Frame().EventListBar().AddEvent(markerA);
        Settle();
        EXPECT_TRUE(sawDialog);
        const int index = Active().GetSelectedEvent();
        ASSERT_GE(index, 0);
        EXPECT_EQ(Active().GetEvent(index).GetPosition(), expected);
        EXPECT_EQ(Active().GetEvent(index).GetFileIndex(), -1);
        EXPECT_EQ(Frame().EventListBar().List().SelectedRow(), index);
        for (int i = 1; i < Active().GetEventCount(); ++i)
            EXPECT_LE(Active().GetEvent(i - 1).GetPosition(), Active().GetEvent(i).GetPosition());
    }
    EXPECT_EQ(Active().GetEventCount(), count + 2);
    EXPECT_TRUE(Active().IsEventsModified());
}

// Every field of an event, exactly.
std::string Fields(const CKeyEvent& e) {
    return FormatText("%d %d %d %d %a %a %a %a %d %s", e.GetFileIndex(), e.GetType(), e.GetMarker(),
                      e.GetMethod(), e.GetPosition(), e.GetLoss(), e.GetReflectance(),
                      e.GetAttenuation(), e.GetFlag(), e.GetComment().c_str());
}

TEST_F(EventDialogTest, AcceptWithoutChangesKeepsEveryStoredValueOfRealFiles) {
    const auto samples = SampleFiles({".sor"});
    if (samples.empty())
        GTEST_SKIP() << "no sample files";
    int events = 0;
    int noValues = 0;
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.string());
        const std::unique_ptr<CSignal> signal(OpenSignal(sample.string()));
        ASSERT_TRUE(signal);
        for (int i = 0; i < signal->GetEventCount(); ++i, ++events) {
            const std::string before = Fields(signal->GetEvent(i));
            signal->SetSelectedEvent(i);
            CEventDialog dialog(*signal, &Frame());
            // The file's "no value" is shown as such, never as a number, and kept.
            const CKeyEvent event = signal->GetEvent(i);
            EXPECT_EQ(dialog.reflectanceEdit->text() == Q("--"), !event.HasReflectance());
            EXPECT_EQ(dialog.lossEdit->text() == Q("--"), !event.HasLoss());
            noValues += event.HasReflectance() ? 0 : 1;
            dialog.accept();
            ASSERT_EQ(dialog.result(), QDialog::Accepted);
            ASSERT_EQ(Fields(signal->GetEvent(i)), before) << i;
        }
    }
    EXPECT_GT(events, 50);
    EXPECT_GT(noValues, 0);
}

} // namespace
