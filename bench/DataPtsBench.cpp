// Write and read of a million-point "DataPts" block in memory, and building its groups.

#include "formats/bellcore/CDataPts.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kPoints = 1000000;

std::vector<float> Levels() {
    std::vector<float> levels(kPoints);
    for (int i = 0; i < kPoints; ++i)
        levels[i] = 3.0f + static_cast<float>(i % 20000) * 0.0031f;
    return levels;
}

CDataPts Built() {
    const std::vector<float> levels = Levels();
    CDataPts block;
    block.SetLevels(kPoints, levels.data());
    block.BuildScaleGroups();
    return block;
}

void Write(benchmark::State& state) {
    CDataPts block = Built();
    for (auto _ : state) {
        CBellcoreStream stream;
        stream.OpenForWriteMemory();
        block.Serialize(stream);
        benchmark::DoNotOptimize(stream.GetWrittenBytes().data());
    }
}
BENCHMARK(Write)->Unit(benchmark::kMillisecond);

void Read(benchmark::State& state) {
    CDataPts block = Built();
    CBellcoreStream out;
    out.OpenForWriteMemory();
    block.Serialize(out);
    const std::vector<std::uint8_t> bytes = out.GetWrittenBytes();
    for (auto _ : state) {
        state.PauseTiming();
        CBellcoreStream stream;
        stream.OpenForRead(bytes);
        state.ResumeTiming();
        CDataPts read;
        read.Serialize(stream);
        benchmark::DoNotOptimize(read.GetLevels().data());
    }
}
BENCHMARK(Read)->Unit(benchmark::kMillisecond);

void BuildGroups(benchmark::State& state) {
    const std::vector<float> levels = Levels();
    CDataPts block;
    for (auto _ : state) {
        block.SetLevels(kPoints, levels.data());
        block.BuildScaleGroups();
        benchmark::DoNotOptimize(block.GetScaleGroups().data());
    }
}
BENCHMARK(BuildGroups)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
