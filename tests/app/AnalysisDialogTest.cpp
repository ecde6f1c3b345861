// События ▸ Анализ трассы… on a trace whose file has no events, driven as a user would.

#include "AppTestSupport.h"

#include "core/SignalFactory.h"

#include <QDialog>
#include <QDoubleSpinBox>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

class AnalysisDialogTest : public ViewerFixture {
protected:
    // Runs the command; the dialog gets splice as its splice threshold (none: left as it is)
    // and is accepted. Returns the splice threshold the dialog opened with.
    double Analyse(double splice = -1.0) {
        double shown = -1.0;
        WhenModal([&shown, splice](QWidget* modal) {
            auto* spin = modal->findChild<QDoubleSpinBox*>(QStringLiteral("spliceThreshold"));
            ASSERT_NE(spin, nullptr);
            shown = spin->value();
            if (splice >= 0.0)
                spin->setValue(splice);
            static_cast<QDialog*>(modal)->accept();
        });
        Frame().Action(CMainFrame::kCmdAnalyseTrace)->trigger();
        Settle();
        return shown;
    }
};

TEST_F(AnalysisDialogTest, FindsTheEventsKeepsTheThresholdsAsksBeforeReplacingAndSaves) {
    const std::filesystem::path sample =
        std::filesystem::path(LUMETRA_SAMPLES_DIR) / "mjuenema+otdrparser__otdr7.sor";
    if (!std::filesystem::exists(sample))
        GTEST_SKIP() << "no sample traces beside the repository";
    const std::string path = scratch.Path("otdr7.sor");
    std::filesystem::copy_file(sample, path);
    ASSERT_EQ(Start({path}), StartStatus::Running);
    ASSERT_EQ(Active().GetEventCount(), 0);
    ASSERT_FALSE(Active().IsModified());
    TakeShown();

    // A trace without events is analysed without a question.
    Analyse(0.25);
    EXPECT_TRUE(TakeShown().empty());
    const int found = Active().GetEventCount();
    ASSERT_GE(found, 2);
    EXPECT_EQ(Active().GetEvent(0).GetMarker(), 1);
    EXPECT_EQ(Active().GetEvent(found - 1).GetMarker(), 2);
    EXPECT_TRUE(Active().IsEventsModified());

    // The next run on this trace starts from the thresholds of this one, and asks before
    // replacing, saying what is at stake: No keeps the events as they are.
    CKeyEvent edited = Active().GetEvent(found - 1);
    edited.SetComment("конец");
    Active().SetEvent(found - 1, edited);
    prompts.answers = {false};
    EXPECT_DOUBLE_EQ(Analyse(), 0.25);
    const std::string counts = std::to_string(found) + ", найдено: " + std::to_string(found);
    EXPECT_EQ(TakeShown(), std::vector<std::string>{
                               "Подтверждение: Событий в трассе: " + counts +
                               ". Заменить события трассы найденными? Описания событий трассы "
                               "будут потеряны."});
    EXPECT_EQ(Active().GetEvent(found - 1).GetComment(), "конец");

    // Another trace starts from the thresholds its instrument stored (0.2 dB here); one that
    // stores none from the last run's. Only the active trace changes.
    const std::string twin = scratch.Path("twin.sor");
    std::filesystem::copy_file(sample, twin);
    ASSERT_TRUE(Workspace().OpenTrace(twin));
    EXPECT_NEAR(Analyse(0.25), 0.2, 1e-6);
    ASSERT_TRUE(Workspace().OpenTrace(CopyDemo(scratch, "demo.sor")));
    const int demoEvents = Active().GetEventCount();
    ASSERT_GT(demoEvents, 0);
    prompts.answers = {true};
    EXPECT_DOUBLE_EQ(Analyse(), 0.25);
    EXPECT_EQ(TakeShown().size(), 1u);
    EXPECT_TRUE(Active().IsEventsModified());
    CSignal& first = *Workspace().GetProject(0).GetEntry(0).GetTrace();
    EXPECT_EQ(first.GetEventCount(), found);
    EXPECT_EQ(first.GetEvent(found - 1).GetComment(), "конец");

    // Closing asks to save each changed trace; Yes writes the new table to the file.
    prompts.answers = {true, true, true};
    EXPECT_TRUE(Frame().close());
    const std::unique_ptr<CSignal> saved(OpenSignal(path));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->GetEventCount(), found);
}

} // namespace
