// Screen projection of a long trace: a million samples into 1920 pixel columns.
// items_per_second is samples read per second.

#include "core/CTraceData.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kSamples = 1'000'000;
constexpr CPixelRect kPlot{0, 0, 1919, 1079};

// A fibre-like curve: linear attenuation, a few steps and reflections, noise at the end.
CTraceData MakeTrace() {
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    std::vector<float> levels(kSamples);
    for (std::size_t i = 0; i < kSamples; ++i) {
        const float km = 100.0f * static_cast<float>(i) / kSamples;
        float level = 0.2f * km + static_cast<float>(i / 150'000) * 0.5f;
        if (i % 97'000 < 20)
            level -= 8.0f;
        if (km > 85.0f)
            level = 30.0f + 4.0f * noise(random);
        levels[i] = level + noise(random);
    }
    CTraceData trace;
    trace.SetLevels(std::move(levels), 0.0f, 100.0f);
    return trace;
}

void BM_PolylineFullRange(benchmark::State& state) {
    const CTraceData trace = MakeTrace();
    std::vector<CScreenPoint> points;
    for (auto _ : state) {
        benchmark::DoNotOptimize(trace.BuildPolylineFull(points, kPlot));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kSamples));
}
BENCHMARK(BM_PolylineFullRange)->Unit(benchmark::kMillisecond);

void BM_PolylineTenPercent(benchmark::State& state) {
    const CTraceData trace = MakeTrace();
    std::vector<CScreenPoint> points;
    for (auto _ : state) {
        benchmark::DoNotOptimize(trace.BuildPolyline(points, kPlot, 45.0f, trace.GetMaxLevel(),
                                                     55.0f, trace.GetMinLevel()));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kSamples / 10));
}
BENCHMARK(BM_PolylineTenPercent)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
