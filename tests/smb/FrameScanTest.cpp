// The main frame driving a scan over real SMB: a private smbd exports the folder rtu-sim serves,
// and the frame's own message handling polls, loads arrivals and passes on new settings.

#include "app/CMainFrame.h"
#include "core/CSignal.h"
#include "platform/CMessageTarget.h"
#include "platform/CPrompts.h"
#include "project/CProject.h"
#include "project/CSignalEntry.h"
#include "scan/CAppSettings.h"
#include "scan/CScanner.h"
#include "smb/UnitShare.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPassword = "Rtu-pass-2";

// Runs the frame's events until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

class FrameScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = CSambaServer::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
        // The layout store must not be the user's.
        QStandardPaths::setTestModeEnabled(true);
        unit = std::make_unique<CUnitShare>(dir, kPassword);
        fs::create_directories(startup);
        unit->Configure(app.GetScanSettings());
        promptsScope.emplace(prompts);
        frame = std::make_unique<CMainFrame>(app);
    }

    void TearDown() override {
        if (frame) {
            frame->close();
            frame.reset();
        }
        unit.reset();
        promptsScope.reset();
    }

    void StartUnit() { unit->StartUnit({"--interval-ms", "150"}); }

    void StartStop() { frame->HandleMessage(kMsgScanStartStop, 0, 0); }
    CScanner& Scanner() { return frame->Scanner(); }

    CProject* ScanningProject() {
        CWorkspace& workspace = frame->Workspace();
        for (int i = 0; i < workspace.GetProjectCount(); ++i) {
            if (workspace.GetProject(i).IsScanningProject())
                return &workspace.GetProject(i);
        }
        return nullptr;
    }

    // The file each fibre's entry shows now, by fibre number.
    std::map<int, std::string> LoadedFiles() {
        std::map<int, std::string> files;
        if (CProject* project = ScanningProject()) {
            for (int i = 0; i < project->GetEntryCount(); ++i) {
                CSignalEntry& entry = project->GetEntry(i);
                const CSignal* signal = entry.GetTrace();
                files[entry.GetFiberNumber()] = signal ? signal->GetFileName() : std::string();
            }
        }
        return files;
    }

    CScratchDir dir;
    const std::string share = dir.Path("share");
    const std::string startup = dir.Path("startup");
    std::unique_ptr<CUnitShare> unit;
    CAppSettings app{startup};
    CScriptedPrompts prompts;
    std::optional<CPromptsScope> promptsScope;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(FrameScanTest, ArrivalsReplaceEachFibresTraceAndNewSettingsReachTheUnit) {
    // Left in the temporary folder by an earlier scan; only the scanner's traces are its own.
    fs::create_directories(startup + "/temp");
    WriteAll(startup + "/temp/SCAN1_000007.SOR", {1, 2, 3});
    WriteAll(startup + "/temp/notes.txt", {1, 2, 3});
    StartUnit();
    StartStop();
    EXPECT_FALSE(fs::exists(startup + "/temp/SCAN1_000007.SOR"));
    ASSERT_TRUE(Scanner().IsRunning());
    CProject* project = ScanningProject();
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->GetName(), "Сканирование");

    const auto bothFibres = [&] {
        const auto files = LoadedFiles();
        return files.size() == 2 && files.count(0) && files.count(2) && !files.at(0).empty() &&
               !files.at(2).empty();
    };
    ASSERT_TRUE(PumpUntil(bothFibres, std::chrono::seconds(30)))
        << prompts.shown.size() << " message(s); smbd:\n"
        << unit->Server().Log();
    const auto first = LoadedFiles();
    EXPECT_NE(first.at(0).find("SCAN1"), std::string::npos) << first.at(0);
    EXPECT_NE(first.at(2).find("SCAN3"), std::string::npos) << first.at(2);

    // Later traces of the same fibres take the place of the first ones.
    ASSERT_TRUE(PumpUntil(
        [&] {
            const auto files = LoadedFiles();
            return files.size() == 2 && files.at(0) != first.at(0) && files.at(2) != first.at(2);
        },
        std::chrono::seconds(30)));
    EXPECT_EQ(ScanningProject()->GetEntryCount(), 2);

    // Accepted settings are written as the unit's new request while the scan goes on.
    app.GetScanSettings().SetAveraging(0, 77);
    frame->HandleMessage(kMsgScanSettingsChanged, 0, 0);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return Text(ReadAll(share + "/OPTREFL.PAR")).find("Averaging=77") != std::string::npos;
        },
        std::chrono::seconds(15)));

    StartStop();
    ASSERT_TRUE(PumpUntil([&] { return !Scanner().IsRunning(); }, std::chrono::seconds(10)));
    EXPECT_EQ(ReadAll(share + "/OPTREFL.PAR"), CUnitShare::UnitsRequest());
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.front().text;

    // Of the many traces collected only those the entries show are kept.
    std::set<std::string> kept;
    for (const auto& item : fs::directory_iterator(startup + "/temp"))
        kept.insert(item.path().filename().string());
    std::set<std::string> expected = {"notes.txt", "optrefl.par"};
    for (const auto& [fiber, path] : LoadedFiles())
        expected.insert(fs::path(path).filename().string());
    EXPECT_EQ(kept, expected);
}

TEST_F(FrameScanTest, ClosingTheWindowDuringAScanEndsItPromptly) {
    StartUnit();
    StartStop();
    ASSERT_TRUE(PumpUntil([&] { return LoadedFiles().size() == 2; }, std::chrono::seconds(30)));

    const auto before = std::chrono::steady_clock::now();
    frame->close();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(5500));
    EXPECT_FALSE(Scanner().IsRunning());
    EXPECT_EQ(ReadAll(share + "/OPTREFL.PAR"), CUnitShare::UnitsRequest());
}

TEST_F(FrameScanTest, TheServerGoingAwayEndsTheScanWithAMessageAndKeepsTheTraces) {
    StartUnit();
    StartStop();
    ASSERT_TRUE(PumpUntil([&] { return LoadedFiles().size() == 2; }, std::chrono::seconds(30)));
    unit->Server().Stop();
    ASSERT_TRUE(PumpUntil([&] { return !Scanner().IsRunning(); }, std::chrono::seconds(30)));
    PumpUntil([&] { return !prompts.shown.empty(); }, std::chrono::seconds(2));
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(LoadedFiles().size(), 2u);

    // The next start is refused by the missing server with a message, and nothing runs.
    prompts.shown.clear();
    StartStop();
    ASSERT_TRUE(PumpUntil([&] { return !Scanner().IsRunning(); }, std::chrono::seconds(30)));
    PumpUntil([&] { return !prompts.shown.empty(); }, std::chrono::seconds(2));
    EXPECT_EQ(prompts.shown.size(), 1u);
}
