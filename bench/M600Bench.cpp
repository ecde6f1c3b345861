// Load and save of a 30,000-sample M600 file in memory.

#include "formats/m600/CM600File.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kSamples = 30000;

CM600File MakeFile() {
    CM600File file;
    file.SetGroupIndexStored(146820);
    file.SetRangeStored(40000);
    file.SetWavelength(1550);
    file.SetPulseWidths({100, 1000});
    file.SetText(CM600File::Text::CableId, "Cable 7");
    file.SetText(CM600File::Text::Operator, "Operator");
    std::vector<float> levels(kSamples);
    for (int i = 0; i < kSamples; ++i)
        levels[i] = 40.0f - static_cast<float>(i) * 0.0011f;
    file.SetSamples(std::move(levels));
    for (int i = 0; i < 20; ++i) {
        const int event = file.AddEvent();
        file.SetEventKm(event, static_cast<float>(i) * 2.0f);
        file.SetEventLoss(event, 0.25f);
        file.SetEventComment(event, "splice");
    }
    return file;
}

void BM_M600Load(benchmark::State& state) {
    CM600File source = MakeFile();
    const std::vector<std::uint8_t> bytes = source.SaveToBytes();
    for (auto _ : state) {
        CM600File file;
        file.Load(bytes);
        benchmark::DoNotOptimize(file.GetSamples().data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_M600Load)->Unit(benchmark::kMicrosecond);

void BM_M600Save(benchmark::State& state) {
    CM600File file = MakeFile();
    for (auto _ : state) {
        benchmark::DoNotOptimize(file.SaveToBytes().data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.GetSize() + 2));
}
BENCHMARK(BM_M600Save)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
