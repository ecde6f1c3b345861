// rtu-sim: a stand-in for the remote test unit. Serves a folder as the unit's share TRACES.

#include "platform/CException.h"
#include "tools/rtu-sim/CRtuSimulator.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void OnSignal(int) {
    stopRequested.store(true);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("Stand-in for the remote test unit: answers scan requests in a folder with "
                 "synthesized traces.",
                 "rtu-sim");
    CRtuSimOptions options;
    int intervalMs = 1000;
    double durationS = 60;
    int slowMs = 0;
    bool quiet = false;
    app.add_option("folder", options.root, "Folder served as the share TRACES")
        ->required()
        ->check(CLI::ExistingDirectory);
    app.add_option("--interval-ms", intervalMs, "Pause between two traces")
        ->check(CLI::Range(0, 3600000));
    app.add_option("--count", options.count, "Stop after this many traces (0: no limit)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--duration", durationS, "Stop after this many seconds (at most 3600)")
        ->check(CLI::Range(0.0, 3600.0));
    app.add_option("--points", options.points, "Samples per trace")->check(CLI::Range(100, 100000));
    app.add_option("--slow-write-ms", slowMs,
                   "Write each trace in place over this time, as a unit still measuring")
        ->check(CLI::Range(0, 600000));
    app.add_option("--seed", options.seed, "First seed of the synthesizer");
    app.add_flag("--quiet", quiet, "Print nothing but errors");
    CLI11_PARSE(app, argc, argv);
    options.interval = std::chrono::milliseconds(intervalMs);
    options.duration = std::chrono::milliseconds(static_cast<long long>(durationS * 1000));
    options.slowWrite = std::chrono::milliseconds(slowMs);

    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);

    CRtuSimulator simulator(options);
    if (!quiet) {
        simulator.onRequest = [](const RtuRequest& request) {
            int fibers = 0;
            for (const auto& fiber : request.fibers)
                fibers += fiber ? 1 : 0;
            std::printf("request: status %s, %d fibre(s)\n",
                        request.status.empty() ? "(none)" : request.status.c_str(), fibers);
            std::fflush(stdout);
        };
        simulator.onTrace = [](const std::string& name) {
            std::printf("trace: %s\n", name.c_str());
            std::fflush(stdout);
        };
    }
    try {
        const int dropped = simulator.Run(stopRequested);
        if (!quiet)
            std::printf("done: %d trace(s)\n", dropped);
    } catch (const CException& e) {
        std::fprintf(stderr, "rtu-sim: %s\n", e.GetErrorMessage().c_str());
        return 1;
    }
    return 0;
}
