// What lumetra-sor does with a synthesized million-point SR-4731 file, in process: open it as
// a signal, describe it as info does, and write it as JSON and as CSV (the pieces are dropped
// as the file export would hand them on). scripts/bench-cli times the same as whole processes.

#include "core/CSignal.h"
#include "core/SignalFactory.h"
#include "tools/lumetra-sor/SorReport.h"
#include "tools/lumetra-sor/SorTool.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

const std::string& TracePath() {
    static const std::string path = [] {
        std::string p = "/tmp/lumetra-export-bench-" + std::to_string(::getpid()) + ".tra";
        std::ostringstream out, err;
        RunSorTool({"lumetra-sor", "synth", p, "--points", "1000000", "--seed", "1"}, out, err);
        std::atexit([] { std::remove(TracePath().c_str()); });
        return p;
    }();
    return path;
}

const CSignal& Trace() {
    static const std::unique_ptr<CSignal> signal(OpenSignal(TracePath()));
    return *signal;
}

void Drop(const char* data, std::size_t) {
    benchmark::DoNotOptimize(data);
}

void Open(benchmark::State& state) {
    const std::string& path = TracePath();
    for (auto _ : state) {
        std::unique_ptr<CSignal> signal(OpenSignal(path));
        benchmark::DoNotOptimize(signal.get());
    }
}
BENCHMARK(Open)->Unit(benchmark::kMillisecond);

void Info(benchmark::State& state) {
    const std::string& path = TracePath();
    for (auto _ : state) {
        std::unique_ptr<CSignal> signal(OpenSignal(path));
        std::string text;
        AppendInfo(*signal, path, text);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(Info)->Unit(benchmark::kMillisecond);

void Json(benchmark::State& state) {
    const CSignal& signal = Trace();
    std::string text;
    for (auto _ : state) {
        AppendJson(signal, TracePath(), text, Drop);
        text.clear();
    }
}
BENCHMARK(Json)->Unit(benchmark::kMillisecond);

void Csv(benchmark::State& state) {
    const CSignal& signal = Trace();
    std::string text;
    for (auto _ : state) {
        AppendCsv(signal, text, Drop);
        text.clear();
    }
}
BENCHMARK(Csv)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
