// What lumetra-sor does with a synthesized million-point SR-4731 file, in process: open it as
// a signal, and write it as JSON and as CSV (the pieces are dropped as the file export would
// hand them on). scripts/bench-cli times the same as whole processes.

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

void Drop(std::string& piece) {
    benchmark::DoNotOptimize(piece.data());
    piece.clear();
}

void Open(benchmark::State& state) {
    const std::string& path = TracePath();
    for (auto _ : state) {
        std::unique_ptr<CSignal> signal(OpenSignal(path));
        benchmark::DoNotOptimize(signal.get());
    }
}
BENCHMARK(Open)->Unit(benchmark::kMillisecond);

void Json(benchmark::State& state) {
    const CSignal& signal = Trace();
    std::string text;
    for (auto _ : state) {
        AppendJson(signal, TracePath(), text, Drop);
        Drop(text);
    }
}
BENCHMARK(Json)->Unit(benchmark::kMillisecond);

void Csv(benchmark::State& state) {
    const CSignal& signal = Trace();
    std::string text;
    for (auto _ : state) {
        AppendCsv(signal, text, Drop);
        Drop(text);
    }
}
BENCHMARK(Csv)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
