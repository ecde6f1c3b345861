#include "platform/CPrompts.h"
#include "platform/CShareAccess.h"
#include "platform/TextCodec.h"
#include "scan/CAppSettings.h"
#include "scan/ScanRequest.h"
#include "scan/ScanTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::string Cp(const char* utf8) {
    return TextCodec::Utf8ToCp1251(utf8);
}

// A share folder served to a scanner whose start-up folder sits beside it.
class ScannerTest : public ::testing::Test {
protected:
    ScannerTest() {
        fs::create_directories(dir.Path("share/SCAN"));
        fs::create_directories(dir.Path("startup"));
        Settings().SetRtuName(share);
        scanner.SetTargetWindow(&recorder);
    }
    ~ScannerTest() override {
        scanner.SetTargetWindow(nullptr);
        scanner.RequestStop();
        scanner.WaitForThread(10000);
    }

    CScanSettings& Settings() { return app.GetScanSettings(); }
    std::string SharePath(const std::string& name) const { return share + "/" + name; }
    std::string LocalPath(const std::string& name) const { return startup + "/temp/" + name; }
    bool OnShare(const std::string& name) const { return fs::exists(SharePath("SCAN/" + name)); }

    // Writes a trace into SCAN whole, as the unit's rename does.
    void Drop(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteAll(SharePath("SCAN/.incoming"), bytes);
        fs::rename(SharePath("SCAN/.incoming"), SharePath("SCAN/" + name));
    }

    // Starts a run and waits until it has written its request and finished a poll.
    void Start() {
        ASSERT_TRUE(scanner.BeginScan());
        ASSERT_TRUE(WaitUntil([&] {
            return fs::exists(SharePath("OPTREFL.PAR")) &&
                   Text(ReadAll(SharePath("OPTREFL.PAR"))).find("Status=SCAN") != std::string::npos;
        }));
        ASSERT_TRUE(recorder.WaitForPolls(2));
    }
    void Stop() {
        scanner.RequestStop();
        ASSERT_TRUE(scanner.WaitForThread(5000));
        EXPECT_FALSE(scanner.IsRunning());
    }
    // Waits until the file has left the share and the poll that took it has finished.
    bool Taken(const std::string& name) {
        return WaitUntil([&] { return !OnShare(name); }) && recorder.WaitForPolls(1);
    }

    CScratchDir dir;
    const std::string share = dir.Path("share");
    const std::string startup = dir.Path("startup");
    CAppSettings app{startup};
    CScriptedPrompts prompts;
    CPromptsScope promptsScope{prompts};
    // Destroyed after the scanner, whose worker may still be talking to it until then.
    CScanRecorder recorder{scanner};
    CScanner scanner{app, prompts};
};

} // namespace

TEST_F(ScannerTest, WritesTheRequestForTheEnabledFibresByteForByte) {
    Settings().SetOperatorName(Cp("Иванов"));
    Settings().SetComment("two words");
    Settings().SetFiberEnabled(0, true);
    Settings().SetFiberEnabled(2, true);
    Settings().SetDataFlag(2, CScanSettings::kStateSplice);
    Settings().SetAveraging(2, 64);
    // A record written elsewhere may hold more than 1 here; the unit gets what is stored.
    auto record = Settings().GetBytes();
    record[2072 + 2 * 1072 + 1] = 2;
    Settings().SetBytes(record.data(), record.size());
    Settings().SetDistanceIndex(2, 3);
    Settings().SetPulseIndex(2, 6);
    Settings().SetNominalWavelength(2, 1310.0);
    Settings().SetActualWavelength(2, 1310.25);
    Settings().SetGroupIndex(2, 1.4685);
    Settings().SetCableId(2, "K-7");
    Settings().SetCableCode(2, "G.652");
    Start();
    Stop();

    const std::string undefined = Cp("Неопределено");
    // Written as Status=SCAN while the scan runs (checked by Start).
    const std::string expected =
        "[RTU]\r\nStatus=IDLE\r\nSupplierName=NUV\r\nMainframeId=\r\nMainframeSn=\r\n"
        "Operator=" +
        Cp("Иванов") +
        "\r\nComment=\"two words\"\r\nFiberNum=4\r\n"
        "[Fiber1]\r\nFiberId=\"" +
        Cp("Волокно 1") +
        "\"\r\nCableId=\r\nCableCode=\r\n"
        "OriginalLocation=" +
        undefined + "\r\nTerminatingLocation=" + undefined +
        "\r\n"
        "CurrentDataFlag=0\r\nAveraging=1\r\nDistance=20\r\nPulseWidth=25\r\n"
        "NominalWavelength=1550.000000\r\nActualWavelength=1550.000000\r\n"
        "GroupIndex=1.468000\r\nFilter=0\r\n"
        "[Fiber3]\r\nFiberId=\"" +
        Cp("Волокно 3") +
        "\"\r\nCableId=K-7\r\nCableCode=G.652\r\n"
        "OriginalLocation=" +
        undefined + "\r\nTerminatingLocation=" + undefined +
        "\r\n"
        "CurrentDataFlag=1\r\nAveraging=64\r\nDistance=160\r\nPulseWidth=10000\r\n"
        "NominalWavelength=1310.000000\r\nActualWavelength=1310.250000\r\n"
        "GroupIndex=1.468500\r\nFilter=2\r\n";
    // The unit had no request file: the scan's own stays, telling it to stay idle.
    EXPECT_EQ(Text(ReadAll(SharePath("OPTREFL.PAR"))), expected);
    EXPECT_EQ(scanner.GetExitCode(), 0);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ScannerTest, RestoresTheUnitsRequestAndRewritesItOnlyWhenAsked) {
    const std::vector<std::uint8_t> original = {'[', 'R', 'T', 'U', ']', '\r', '\n', 'S', 't',
                                                'a', 't', 'u', 's', '=', 'I',  'D',  'L', 'E'};
    WriteAll(SharePath("OPTREFL.PAR"), original);
    Settings().SetOperatorName("first");
    Start();
    EXPECT_EQ(ReadAll(LocalPath("optrefl.par")), original);

    // New values reach the share when the dialogs say so, not before.
    Settings().SetOperatorName("second");
    ASSERT_TRUE(recorder.WaitForPolls(3));
    EXPECT_NE(Text(ReadAll(SharePath("OPTREFL.PAR"))).find("Operator=first"), std::string::npos);
    scanner.RequestSend();
    EXPECT_TRUE(WaitUntil([&] {
        return Text(ReadAll(SharePath("OPTREFL.PAR"))).find("Operator=second") != std::string::npos;
    }));
    Stop();
    EXPECT_EQ(ReadAll(SharePath("OPTREFL.PAR")), original);

    // The scanner starts again, on the same share.
    Start();
    Stop();
    EXPECT_EQ(ReadAll(SharePath("OPTREFL.PAR")), original);
}

TEST_F(ScannerTest, PurgesOldTracesThenMovesEachNewOneAndAnnouncesEnabledFibres) {
    Drop("SCAN1_old.SOR", TraceBytes(1));
    Drop("SCAN2_old.SOR", TraceBytes(2));
    Settings().SetFiberEnabled(0, true);
    Settings().SetFiberEnabled(1, true);
    Start();
    EXPECT_TRUE(fs::is_empty(SharePath("SCAN")));

    const std::vector<std::uint8_t> fibre2 = TraceBytes(3);
    Drop("SCAN2_new.SOR", fibre2);
    ASSERT_TRUE(Taken("SCAN2_new.SOR"));
    Drop("scan1_new.sor", TraceBytes(4)); // the unit's names are not case-sensitive
    ASSERT_TRUE(Taken("scan1_new.sor"));
    // Moved but never announced: a disabled fibre, and a name without a fibre number.
    Drop("SCAN3_new.SOR", TraceBytes(5));
    Drop("SCAN.SOR", TraceBytes(6));
    Drop("OTHER.SOR", TraceBytes(7));
    ASSERT_TRUE(Taken("SCAN3_new.SOR"));
    ASSERT_TRUE(Taken("SCAN.SOR"));
    Stop();

    const auto arrivals = recorder.Arrivals();
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].fiber, 1);
    EXPECT_EQ(arrivals[0].path, LocalPath("SCAN2_new.SOR"));
    EXPECT_EQ(arrivals[0].bytes, fibre2);
    EXPECT_EQ(arrivals[1].fiber, 0);
    EXPECT_EQ(arrivals[1].path, LocalPath("scan1_new.sor"));
    EXPECT_TRUE(fs::exists(LocalPath("SCAN3_new.SOR")));
    EXPECT_TRUE(fs::exists(LocalPath("SCAN.SOR")));
    EXPECT_FALSE(fs::exists(LocalPath("SCAN1_old.SOR")));
    EXPECT_TRUE(OnShare("OTHER.SOR"));
}

TEST_F(ScannerTest, LeavesFilesStillBeingWrittenForALaterPoll) {
    Settings().SetFiberEnabled(0, true);
    Start();
    const std::vector<std::uint8_t> whole = TraceBytes(8);
    const std::vector<std::uint8_t> half(whole.begin(), whole.begin() + whole.size() / 2);
    const std::vector<std::uint8_t> allButLast(whole.begin(), whole.end() - 1);
    WriteAll(SharePath("SCAN/SCAN1_a.SOR"), {});
    WriteAll(SharePath("SCAN/SCAN1_b.SOR"), half);
    WriteAll(SharePath("SCAN/SCAN1_c.SOR"), allButLast);
    WriteAll(SharePath("SCAN/SCAN1_d.SOR"), std::vector<std::uint8_t>(3000, 0x55)); // not a trace
    ASSERT_TRUE(recorder.WaitForPolls(5));
    for (const char* name : {"SCAN1_a.SOR", "SCAN1_b.SOR", "SCAN1_c.SOR", "SCAN1_d.SOR"})
        EXPECT_TRUE(OnShare(name)) << name;
    EXPECT_EQ(recorder.ArrivalCount(), 0u);

    // Once the unit has finished writing, the next polls take them.
    for (const char* name : {"SCAN1_a.SOR", "SCAN1_b.SOR", "SCAN1_c.SOR"})
        WriteAll(SharePath(std::string("SCAN/") + name), whole);
    EXPECT_TRUE(WaitUntil([&] { return recorder.ArrivalCount() == 3; }));
    for (const auto& arrival : recorder.Arrivals())
        EXPECT_EQ(arrival.bytes, whole) << arrival.path;

    // A file that stays as it is for a second is complete even when it does not load: taken
    // and announced once, as it is, for the frame to report.
    EXPECT_TRUE(WaitUntil([&] { return !OnShare("SCAN1_d.SOR"); }));
    ASSERT_TRUE(recorder.WaitForPolls(20));
    Stop();
    const auto arrivals = recorder.Arrivals();
    ASSERT_EQ(arrivals.size(), 4u);
    EXPECT_EQ(arrivals[3].path, LocalPath("SCAN1_d.SOR"));
    EXPECT_EQ(arrivals[3].bytes, std::vector<std::uint8_t>(3000, 0x55));
    EXPECT_GE(arrivals[3].at - arrivals[2].at, std::chrono::milliseconds(500));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(ScanRequest, AnIdleRequestChangesOnlyAScanningStatusOfTheUnitsSection) {
    const std::pair<std::string, std::string> cases[] = {
        {"[RTU]\r\nStatus=SCAN\r\nOperator=A\r\n", "[RTU]\r\nStatus=IDLE\r\nOperator=A\r\n"},
        {"[rtu]\nstatus = scan \n[Fiber1]\nStatus=SCAN\n",
         "[rtu]\nstatus =IDLE\n[Fiber1]\nStatus=SCAN\n"},
        {"[RTU]\r\nStatus=SCAN", "[RTU]\r\nStatus=IDLE"},
        {"[RTU]\r\nStatus=IDLE\r\n", "[RTU]\r\nStatus=IDLE\r\n"},
        {"[RTU]\r\nStatus=SCANNER\r\nOld=Status=SCAN\r\n",
         "[RTU]\r\nStatus=SCANNER\r\nOld=Status=SCAN\r\n"},
        {"old", "old"},
        {"", ""},
    };
    for (const auto& [text, idle] : cases)
        EXPECT_EQ(IdleRequest(text), idle) << text;
}

TEST_F(ScannerTest, StopWinsOverRequestAndRequestOverPoll) {
    Settings().SetFiberEnabled(0, true);
    Settings().SetOperatorName("A");
    Start();

    // The worker is busy with a trace while the frame sets poll, request and stop together.
    recorder.Hold();
    Drop("SCAN1_1.SOR", TraceBytes(1));
    ASSERT_TRUE(WaitUntil([&] { return recorder.InSend(); }));
    Settings().SetOperatorName("B");
    Drop("SCAN1_2.SOR", TraceBytes(2));
    scanner.RequestPoll();
    scanner.RequestSend();
    scanner.RequestStop();
    recorder.Release();
    ASSERT_TRUE(scanner.WaitForThread(5000));
    EXPECT_EQ(recorder.ArrivalCount(), 1u);
    EXPECT_TRUE(OnShare("SCAN1_2.SOR"));
    EXPECT_NE(Text(ReadAll(SharePath("OPTREFL.PAR"))).find("Operator=A"), std::string::npos);

    // Request before poll: the trace found by the poll was measured under the new request.
    Settings().SetOperatorName("C");
    std::string requestSeenAtArrival;
    recorder.onArrival = [&](const CScanRecorder::Arrival&) {
        requestSeenAtArrival = Text(ReadAll(SharePath("OPTREFL.PAR")));
    };
    Start();
    recorder.Hold();
    Drop("SCAN1_3.SOR", TraceBytes(3));
    ASSERT_TRUE(WaitUntil([&] { return recorder.InSend(); }));
    Settings().SetOperatorName("D");
    Drop("SCAN1_4.SOR", TraceBytes(4));
    scanner.RequestPoll();
    scanner.RequestSend();
    recorder.Release();
    ASSERT_TRUE(Taken("SCAN1_4.SOR"));
    Stop();
    EXPECT_NE(requestSeenAtArrival.find("Operator=D"), std::string::npos);
}

TEST_F(ScannerTest, ClearingTheTargetReleasesAPendingArrivalAndTheRunCloses) {
    WriteAll(SharePath("OPTREFL.PAR"), {'o', 'l', 'd'});
    Settings().SetFiberEnabled(0, true);
    Start();
    recorder.Hold(); // the frame is closing and handles nothing more
    Drop("SCAN1_1.SOR", TraceBytes(1));
    ASSERT_TRUE(WaitUntil([&] { return recorder.InSend(); }));

    const auto start = std::chrono::steady_clock::now();
    scanner.SetTargetWindow(nullptr);
    scanner.RequestStop();
    EXPECT_TRUE(scanner.WaitForThread(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(scanner.IsRunning());
    EXPECT_EQ(ReadAll(SharePath("OPTREFL.PAR")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    recorder.Release();
}

TEST_F(ScannerTest, AStopDuringStartEndsTheRunAndASecondStartIsRefused) {
    WriteAll(SharePath("OPTREFL.PAR"), {'o', 'l', 'd'});
    // The first poll, which clears the share, is still part of the start.
    bool secondStartRefused = false;
    recorder.onPoll = [&] {
        if (recorder.Polls() == 1) {
            secondStartRefused = !scanner.BeginScan();
            scanner.RequestStop();
        }
    };
    ASSERT_TRUE(scanner.BeginScan());
    ASSERT_TRUE(scanner.WaitForThread(5000));
    EXPECT_TRUE(secondStartRefused);
    EXPECT_FALSE(scanner.IsRunning());
    EXPECT_EQ(recorder.Polls(), 1);
    EXPECT_EQ(ReadAll(SharePath("OPTREFL.PAR")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ScannerTest, ARunThatCannotStartSaysWhyAndTouchesNothing) {
    const std::vector<std::uint8_t> original = {'o', 'l', 'd'};
    WriteAll(SharePath("OPTREFL.PAR"), original);
    const auto failedStart = [&]() -> std::string {
        prompts.shown.clear();
        EXPECT_TRUE(scanner.BeginScan());
        EXPECT_TRUE(scanner.WaitForThread(5000));
        EXPECT_FALSE(scanner.IsRunning());
        EXPECT_EQ(scanner.GetExitCode(), -1);
        EXPECT_EQ(ReadAll(SharePath("OPTREFL.PAR")), original);
        EXPECT_EQ(recorder.Polls(), 0);
        return prompts.shown.size() == 1
                   ? prompts.shown[0].text
                   : "(" + std::to_string(prompts.shown.size()) + " messages)";
    };

    for (const char* name : {"rtu/TRACES", "my rtu", "", "\\\\rtu\\TRACES"}) {
        Settings().SetRtuName(name);
        EXPECT_EQ(failedStart(), InvalidRtuNameMessage(name)) << name;
    }
    Settings().SetRtuName(dir.Path("no-such-share"));
    EXPECT_EQ(failedStart(), std::strerror(ENOENT));

    // Without a temporary folder the unit's request could not be kept.
    Settings().SetRtuName(share);
    fs::remove_all(startup);
    WriteAll(startup, {'x'});
    EXPECT_NE(failedStart().find(dir.Path("startup/temp")), std::string::npos);
}
