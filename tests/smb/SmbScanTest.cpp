// Scans over real SMB: a private smbd exports a folder that rtu-sim serves as the unit.

#include "formats/bellcore/CGR196File.h"
#include "platform/CPrompts.h"
#include "platform/CSmbShareAccess.h"
#include "platform/TextCodec.h"
#include "scan/CAppSettings.h"
#include "scan/ScanTestSupport.h"
#include "smb/CSambaServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPassword = "Rtu-pass-1";
const std::vector<std::uint8_t> kUnitsRequest = {'[', 'R', 'T', 'U', ']',  '\r', '\n',
                                                 'S', 't', 'a', 't', 'u',  's',  '=',
                                                 'I', 'D', 'L', 'E', '\r', '\n'};

class SmbScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = CSambaServer::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
        // The account changes files over the share: the folders are its own.
        CSambaServer::EnsureUser();
        fs::permissions(dir.Root(),
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        fs::create_directories(share + "/SCAN");
        CSambaServer::GiveToUser(share);
        CSambaServer::GiveToUser(share + "/SCAN");
        WriteAll(share + "/OPTREFL.PAR", kUnitsRequest);
        fs::create_directories(startup);

        server = std::make_unique<CSambaServer>(share, kPassword);
        ::setenv(CSmbShareAccess::kPortVariable, std::to_string(server->GetPort()).c_str(), 1);
        ::setenv(CSmbShareAccess::kUserVariable, CSambaServer::kUser, 1);

        CScanSettings& settings = app.GetScanSettings();
        settings.SetUseIp(true);
        settings.SetIpAddress(0x7F000001);
        settings.SetPassword(kPassword);
        settings.SetFiberEnabled(0, true);
        settings.SetFiberEnabled(2, true);
        previousPrompts = SetPrompts(&prompts);
        scanner.SetTargetWindow(&recorder);
    }

    void TearDown() override {
        scanner.SetTargetWindow(nullptr);
        scanner.RequestStop();
        EXPECT_TRUE(scanner.WaitForThread(10000));
        unit.Stop();
        if (server)
            server->Stop();
        ::unsetenv(CSmbShareAccess::kPortVariable);
        ::unsetenv(CSmbShareAccess::kUserVariable);
        if (previousPrompts)
            SetPrompts(previousPrompts);
    }

    void StartUnit(std::vector<std::string> options) {
        std::vector<std::string> arguments = {
            LUMETRA_RTU_SIM_BINARY, share, "--duration", "60", "--points", "2000"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        unit = CChildProcess(arguments, dir.Path("rtu-sim.log"));
    }

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
    std::unique_ptr<CSambaServer> server;
    CChildProcess unit;
    CAppSettings app{startup};
    CScriptedPrompts prompts;
    CPrompts* previousPrompts = nullptr;
    CScanRecorder recorder{scanner};
    CScanner scanner{app};
};

} // namespace

TEST_F(SmbScanTest, CollectsTheUnitsTracesAndRestoresItsRequest) {
    StartUnit({"--interval-ms", "100"});
    ASSERT_TRUE(scanner.BeginScan());
    EXPECT_TRUE(WaitUntil([&] { return ArrivalsOf(0) >= 2 && ArrivalsOf(2) >= 2; },
                          std::chrono::seconds(30)))
        << prompts.shown.size() << " message(s); smbd:\n"
        << server->Log();
    scanner.RequestStop();
    ASSERT_TRUE(scanner.WaitForThread(5000));

    ExpectWholeTracesOfTheirFibres();
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.front().text;
    EXPECT_EQ(ReadAll(share + "/OPTREFL.PAR"), kUnitsRequest);
    EXPECT_EQ(ReadAll(startup + "/temp/optrefl.par"), kUnitsRequest);
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
    EXPECT_EQ(ReadAll(share + "/OPTREFL.PAR"), kUnitsRequest);
    EXPECT_FALSE(fs::exists(startup + "/temp/optrefl.par"));
}

TEST_F(SmbScanTest, TheServerGoingAwayEndsTheScanWithAMessage) {
    ASSERT_TRUE(scanner.BeginScan());
    ASSERT_TRUE(recorder.WaitForPolls(20, std::chrono::seconds(15)));
    server->Stop();
    EXPECT_TRUE(scanner.WaitForThread(30000));
    EXPECT_FALSE(scanner.IsRunning());
    EXPECT_EQ(scanner.GetExitCode(), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_FALSE(prompts.shown[0].text.empty());
}
