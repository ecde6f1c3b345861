// Scans over real SMB: a private smbd exports a folder that rtu-sim serves as the unit.

#include "formats/bellcore/CGR196File.h"
#include "platform/CPrompts.h"
#include "platform/CSmbShareAccess.h"
#include "platform/TextCodec.h"
#include "scan/CAppSettings.h"
#include "scan/ScanRequest.h"
#include "scan/ScanTestSupport.h"
#include "smb/UnitShare.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPassword = "Rtu-pass-1";

class SmbScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = CSambaServer::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
        unit = std::make_unique<CUnitShare>(dir, kPassword);
        fs::create_directories(startup);
        unit->Configure(app.GetScanSettings());
        scanner.SetTargetWindow(&recorder);
    }

    void TearDown() override {
        scanner.SetTargetWindow(nullptr);
        scanner.RequestStop();
        EXPECT_TRUE(scanner.WaitForThread(10000));
        unit.reset();
    }

    void StartUnit(const std::vector<std::string>& options) { unit->StartUnit(options); }

    int ArrivalsOf(int fiber) const {
        int count = 0;
        for (const auto& arrival : recorder.Arrivals())
            count += arrival.fiber == fiber ? 1 : 0;
        return count;
    }

    // Every announced trace is whole and was measured for the fibre it was announced as.
    void ExpectWholeTracesOfTheirFibres() const {
        for (const auto& arrival : recorder.Arrivals()) {
            ASSERT_TRUE(arrival.fiber == 0 || arrival.fiber == 2) << arrival.path;
            CGR196File file;
            ASSERT_NO_THROW(file.Load(arrival.bytes)) << arrival.path;
            EXPECT_FALSE(file.HasChecksumMismatch()) << arrival.path;
            EXPECT_EQ(file.GetGenParams().GetFiberId(),
                      TextCodec::Utf8ToCp1251("Волокно " + std::to_string(arrival.fiber + 1)));
        }
    }

    CScratchDir dir;
    const std::string share = dir.Path("share");
    const std::string startup = dir.Path("startup");
    std::unique_ptr<CUnitShare> unit;
    CAppSettings app{startup};
    CScriptedPrompts prompts;
    CPromptsScope promptsScope{prompts};
    CScanRecorder recorder{scanner};
    CScanner scanner{app, prompts};
};

} // namespace

TEST_F(SmbScanTest, CollectsTheUnitsTracesAndRestoresItsRequest) {
    StartUnit({"--interval-ms", "100"});
    ASSERT_TRUE(scanner.BeginScan());
    EXPECT_TRUE(WaitUntil([&] { return ArrivalsOf(0) >= 2 && ArrivalsOf(2) >= 2; },
                          std::chrono::seconds(30)))
        << prompts.shown.size() << " message(s); smbd:\n"
        << unit->Server().Log();
    scanner.RequestStop();
    ASSERT_TRUE(scanner.WaitForThread(5000));

    ExpectWholeTracesOfTheirFibres();
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.front().text;
    EXPECT_EQ(ReadAll(share + "/OPTREFL.PAR"), CUnitShare::UnitsRequest());
    EXPECT_EQ(ReadAll(startup + "/temp/optrefl.par"), CUnitShare::UnitsRequest());
}

TEST_F(SmbScanTest, TracesWrittenSlowlyArriveOnlyWhenWhole) {
    StartUnit({"--interval-ms", "0", "--slow-write-ms", "600"});
    ASSERT_TRUE(scanner.BeginScan());
    EXPECT_TRUE(WaitUntil([&] { return recorder.ArrivalCount() >= 3; }, std::chrono::seconds(30)));
    scanner.RequestStop();
    ASSERT_TRUE(scanner.WaitForThread(5000));
    ExpectWholeTracesOfTheirFibres();
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(SmbScanTest, AWrongPasswordIsRefusedWithTheLibrarysText) {
    app.GetScanSettings().SetPassword("wrong");
    ASSERT_TRUE(scanner.BeginScan());
    ASSERT_TRUE(scanner.WaitForThread(15000));
    EXPECT_EQ(scanner.GetExitCode(), -1);
    ASSERT_EQ(prompts.shown.size(), 1u);
    const std::string& text = prompts.shown[0].text;
    EXPECT_TRUE(text == std::strerror(EACCES) || text == std::strerror(EPERM)) << text;
    EXPECT_EQ(recorder.Polls(), 0);
    EXPECT_EQ(ReadAll(share + "/OPTREFL.PAR"), CUnitShare::UnitsRequest());
    EXPECT_FALSE(fs::exists(startup + "/temp/optrefl.par"));
}

TEST_F(SmbScanTest, TheServerGoingAwayEndsTheScanWithAMessage) {
    ASSERT_TRUE(scanner.BeginScan());
    ASSERT_TRUE(recorder.WaitForPolls(20, std::chrono::seconds(15)));
    unit->Server().Stop();
    EXPECT_TRUE(scanner.WaitForThread(30000));
    EXPECT_FALSE(scanner.IsRunning());
    EXPECT_EQ(scanner.GetExitCode(), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_FALSE(prompts.shown[0].text.empty());
}

TEST_F(SmbScanTest, ACompleteTraceThatDoesNotLoadIsTakenOnceAndAnOversizedOneIsOnlyReported) {
    ASSERT_TRUE(scanner.BeginScan());
    ASSERT_TRUE(recorder.WaitForPolls(2, std::chrono::seconds(15)));
    const std::vector<std::uint8_t> damaged(3000, 0x55);
    WriteAll(share + "/SCAN/SCAN1_000001.SOR", damaged);
    // Over the cap, and sparse: it is never read.
    const std::string oversized = share + "/SCAN/SCAN3_000002.SOR";
    WriteAll(oversized, {});
    fs::resize_file(oversized, CScanner::kMaxTraceBytes + 1);
    const auto dropped = std::chrono::steady_clock::now();

    ASSERT_TRUE(WaitUntil([&] { return !fs::exists(share + "/SCAN/SCAN1_000001.SOR"); },
                          std::chrono::seconds(15)));
    ASSERT_TRUE(recorder.WaitForPolls(30));
    scanner.RequestStop();
    ASSERT_TRUE(scanner.WaitForThread(5000));

    const auto arrivals = recorder.Arrivals();
    ASSERT_EQ(arrivals.size(), 1u);
    EXPECT_EQ(arrivals[0].fiber, 0);
    EXPECT_EQ(arrivals[0].bytes, damaged);
    // Only a file that stood still for a second counts as complete.
    EXPECT_GE(arrivals[0].at - dropped, std::chrono::milliseconds(900));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_NE(prompts.shown[0].text.find("SCAN3_000002.SOR"), std::string::npos)
        << prompts.shown[0].text;
    EXPECT_TRUE(fs::exists(oversized));
}

TEST_F(SmbScanTest, ATraceTheShareWillNotLetGoIsTakenAndAnnouncedOnce) {
    // SCAN is root's: the account may read the traces but not delete them.
    ASSERT_EQ(::chown((share + "/SCAN").c_str(), 0, 0), 0);
    fs::permissions(share + "/SCAN", fs::perms::owner_all | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read |
                                         fs::perms::others_exec);
    ASSERT_TRUE(scanner.BeginScan());
    ASSERT_TRUE(recorder.WaitForPolls(2, std::chrono::seconds(15)));
    const std::vector<std::uint8_t> trace = TraceBytes(5);
    WriteAll(share + "/SCAN/SCAN1_000001.SOR", trace);
    ASSERT_TRUE(WaitUntil([&] { return recorder.ArrivalCount() == 1; }));
    ASSERT_TRUE(recorder.WaitForPolls(30));
    scanner.RequestStop();
    ASSERT_TRUE(scanner.WaitForThread(5000));
    ASSERT_EQ(recorder.ArrivalCount(), 1u);
    EXPECT_EQ(recorder.Arrivals()[0].bytes, trace);
    EXPECT_TRUE(fs::exists(share + "/SCAN/SCAN1_000001.SOR"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(SmbScanTest, StopLeavesTheUnitIdleEvenWhenItsOwnRequestWasAScanAndAStartFollows) {
    // Left by an earlier run that never ended: restoring it as it is would keep the unit busy.
    const std::string leftover =
        "[RTU]\r\nStatus=SCAN\r\nFiberNum=4\r\n[Fiber1]\r\nAveraging=1\r\n";
    WriteAll(share + "/OPTREFL.PAR", {leftover.begin(), leftover.end()});
    CSambaServer::GiveToUser(share + "/OPTREFL.PAR");
    StartUnit({"--interval-ms", "100"});
    const auto traceCount = [&] {
        return std::distance(fs::directory_iterator(share + "/SCAN"), fs::directory_iterator());
    };
    for (int run = 0; run < 2; ++run) {
        const std::size_t before = recorder.ArrivalCount();
        ASSERT_TRUE(scanner.BeginScan());
        ASSERT_TRUE(WaitUntil([&] { return recorder.ArrivalCount() >= before + 2; },
                              std::chrono::seconds(30)))
            << "run " << run;
        scanner.RequestStop();
        ASSERT_TRUE(scanner.WaitForThread(5000));
        const std::vector<std::uint8_t> request = ReadAll(share + "/OPTREFL.PAR");
        const std::string text(request.begin(), request.end());
        EXPECT_EQ(text, IdleRequest(leftover)) << "run " << run;
        // The unit may finish the trace it was at; after that nothing more comes.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto settled = traceCount();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        EXPECT_EQ(traceCount(), settled) << "run " << run;
    }
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.front().text;
}
