#include "formats/bellcore/CGR196File.h"
#include "support/TestSupport.h"
#include "tools/rtu-sim/CRtuSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

void WriteText(const std::string& path, const std::string& text) {
    WriteAll(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

const char* const kRequest = "[RTU]\r\nStatus=SCAN\r\nSupplierName=NUV\r\nOperator=\"Ivan P\"\r\n"
                             "FiberNum=4\r\n"
                             "[Fiber2]\r\nFiberId=\"Fibre 2\"\r\nCableId=K-7\r\nDistance=40\r\n"
                             "PulseWidth=300\r\nNominalWavelength=1310.000000\r\n"
                             "ActualWavelength=1311.000000\r\nGroupIndex=1.470000\r\n"
                             "Averaging=64\r\n"
                             "[Fiber4]\r\nFiberId=F4\r\nDistance=20\r\nPulseWidth=25\r\n";

} // namespace

TEST(RtuSim, AnswersAScanRequestWithTheRequestedTracesInTurn) {
    CScratchDir dir;
    WriteText(dir.Path("OPTREFL.PAR"), kRequest);
    CRtuSimOptions options;
    options.root = dir.Root().string();
    options.interval = std::chrono::milliseconds(0);
    options.count = 3;
    options.points = 1000;
    CRtuSimulator simulator(options);
    std::atomic<bool> stop{false};
    EXPECT_EQ(simulator.Run(stop), 3);

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Root() / "SCAN"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"SCAN2_000001.SOR", "SCAN2_000003.SOR",
                                               "SCAN4_000002.SOR"}));

    CGR196File file;
    file.Load(dir.Path("SCAN/SCAN2_000001.SOR"));
    EXPECT_EQ(file.GetGenParams().GetFiberId(), "Fibre 2");
    EXPECT_EQ(file.GetGenParams().GetCableId(), "K-7");
    EXPECT_EQ(file.GetGenParams().GetOperator(), "Ivan P");
    EXPECT_EQ(file.GetGenParams().GetNominalWavelength(), 1310);
    EXPECT_EQ(file.GetSupParams().GetSupplierName(), "NUV");
    const CFxdParams& fxd = file.GetFxdParams();
    EXPECT_EQ(fxd.GetPulseEntry(0).GetPulseWidth(), 300);
    EXPECT_NEAR(fxd.GetGroupIndex(), 1.47, 1e-9);
    EXPECT_NEAR(fxd.RangeKm(), 40.0, 0.01);
    EXPECT_EQ(fxd.GetActualWavelength(), 1311);
    EXPECT_EQ(fxd.GetNumberOfAverages(), 64u);
}

TEST(RtuSim, IdlesWithoutAScanRequestAndStopsWhenAsked) {
    CScratchDir dir;
    WriteText(dir.Path("OPTREFL.PAR"), "[RTU]\r\nStatus=IDLE\r\n[Fiber1]\r\n");
    CRtuSimOptions options;
    options.root = dir.Root().string();
    options.interval = std::chrono::milliseconds(0);
    CRtuSimulator simulator(options);
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        stop.store(true);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(simulator.Run(stop), 0);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(fs::exists(dir.Path("SCAN")));
}
