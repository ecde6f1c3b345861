// Remote scanning over loopback SMB against a private smbd: how long a trace that appears whole
// in SCAN takes to be announced, and what an idle running scan costs in processor time.
// Needs root and smbd, as the SMB tests do; skipped otherwise.

#include "formats/bellcore/CGR196File.h"
#include "platform/CPrompts.h"
#include "platform/CSmbShareAccess.h"
#include "scan/CAppSettings.h"
#include "scan/ScanTestSupport.h"
#include "smb/CSambaServer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kPassword = "Bench-pass-1";

// A running scan of fibre 1 on a share exported by a private smbd. The frame answers each
// finished poll after the delay (the viewer waits 20 ms, which keeps an idle scan cheap; 0 polls
// again at once).
class CBenchScan {
public:
    explicit CBenchScan(std::chrono::milliseconds answerDelay) {
        char pattern[] = "/tmp/lumetra-scanbench-XXXXXX";
        root_ = ::mkdtemp(pattern);
        fs::permissions(root_,
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        share_ = (root_ / "share").string();
        fs::create_directories(share_ + "/SCAN");
        fs::create_directories(root_ / "startup");
        CSambaServer::EnsureUser();
        CSambaServer::GiveToUser(share_);
        CSambaServer::GiveToUser(share_ + "/SCAN");
        server_ = std::make_unique<CSambaServer>(share_, kPassword);
        ::setenv(CSmbShareAccess::kPortVariable, std::to_string(server_->GetPort()).c_str(), 1);
        ::setenv(CSmbShareAccess::kUserVariable, CSambaServer::kUser, 1);

        app_ = std::make_unique<CAppSettings>((root_ / "startup").string());
        CScanSettings& settings = app_->GetScanSettings();
        settings.SetUseIp(true);
        settings.SetIpAddress(0x7F000001);
        settings.SetPassword(kPassword);
        settings.SetFiberEnabled(0, true);
        scanner_ = std::make_unique<CScanner>(*app_, prompts_);
        recorder_ = std::make_unique<CScanRecorder>(*scanner_);
        if (answerDelay.count() > 0)
            recorder_->onPoll = [answerDelay] { std::this_thread::sleep_for(answerDelay); };
        scanner_->SetTargetWindow(recorder_.get());
        if (!scanner_->BeginScan() || !recorder_->WaitForPolls(10))
            throw std::runtime_error("the scan did not start");
    }
    ~CBenchScan() {
        scanner_->SetTargetWindow(nullptr);
        scanner_->RequestStop();
        scanner_->WaitForThread(10000);
        scanner_.reset();
        recorder_.reset();
        server_.reset();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    const std::string& Share() const { return share_; }
    CScanRecorder& Recorder() { return *recorder_; }
    CSambaServer& Server() { return *server_; }

private:
    fs::path root_;
    std::string share_;
    std::unique_ptr<CSambaServer> server_;
    std::unique_ptr<CAppSettings> app_;
    std::unique_ptr<CScanner> scanner_;
    std::unique_ptr<CScanRecorder> recorder_;
    CScriptedPrompts prompts_;
    CPromptsScope promptsScope_{prompts_};
};

// An instrument-sized trace: 16000 samples.
std::vector<std::uint8_t> FullTrace(std::uint64_t seed) {
    CSynthOptions options;
    options.seed = seed;
    CGR196File file;
    FillTraceFile(CTraceSynthesizer(options), file);
    return file.SaveToBytes();
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Processor time of every process in the group (smbd and its connection processes).
double GroupCpuSeconds(pid_t group) {
    double ticks = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(entry.path() / "stat");
        std::string line;
        std::getline(in, line);
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(line.substr(close + 2));
        std::string state;
        long ppid = 0, pgrp = 0, skip = 0;
        unsigned long utime = 0, stime = 0;
        fields >> state >> ppid >> pgrp;
        for (int i = 0; i < 8; ++i)
            fields >> skip;
        fields >> utime >> stime;
        if (pgrp == group)
            ticks += static_cast<double>(utime + stime);
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void BM_TraceToAnnouncement(benchmark::State& state) {
    if (const std::string why = CSambaServer::Unavailable(); !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    CBenchScan scan{std::chrono::milliseconds(state.range(0))};
    std::vector<double> latencies;
    std::uint64_t seed = 1;
    std::mt19937 random(1);
    for (auto _ : state) {
        // Traces come at any moment of the poll cycle.
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        const std::vector<std::uint8_t> bytes = FullTrace(seed);
        const std::string hidden = scan.Share() + "/SCAN/.incoming";
        {
            std::ofstream out(hidden, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        }
        const std::size_t before = scan.Recorder().ArrivalCount();
        const auto appeared = Clock::now();
        fs::rename(hidden, scan.Share() + "/SCAN/SCAN1_" + std::to_string(seed++) + ".SOR");
        if (!WaitUntil([&] { return scan.Recorder().ArrivalCount() > before; })) {
            state.SkipWithError("the trace was not announced");
            return;
        }
        const double seconds =
            std::chrono::duration<double>(scan.Recorder().Arrivals().back().at - appeared).count();
        latencies.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["median_ms"] = Percentile(latencies, 0.5) * 1000.0;
    state.counters["p90_ms"] = Percentile(latencies, 0.9) * 1000.0;
    state.counters["max_ms"] = Percentile(latencies, 1.0) * 1000.0;
}
BENCHMARK(BM_TraceToAnnouncement)
    ->ArgName("answer_delay_ms")
    ->Arg(0)
    ->Arg(20)
    ->UseManualTime()
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);

void BM_IdleScanCpu(benchmark::State& state) {
    if (const std::string why = CSambaServer::Unavailable(); !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    CBenchScan scan{std::chrono::milliseconds(state.range(0))};
    for (auto _ : state) {
        const double client = ProcessCpuSeconds();
        const double server = GroupCpuSeconds(scan.Server().GetPid());
        const int polls = scan.Recorder().Polls();
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(wall);
        state.counters["client_core_share"] = (ProcessCpuSeconds() - client) / wall;
        state.counters["smbd_core_share"] =
            (GroupCpuSeconds(scan.Server().GetPid()) - server) / wall;
        state.counters["polls_per_s"] = (scan.Recorder().Polls() - polls) / wall;
    }
}
BENCHMARK(BM_IdleScanCpu)
    ->ArgName("answer_delay_ms")
    ->Arg(0)
    ->Arg(20)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
