// Automatic event analysis of a long and of an ordinary trace: a fibre with splices,
// connectors and an end in the noise, drawn the way the synthesizer draws one.

#include "analysis/TraceAnalysis.h"
#include "tools/synth/SynthAnalysisTrace.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <sys/resource.h>
#include <vector>

namespace {

long PageFaults() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// A fibre over 80 % of the trace with an event every 2 % of it, and quiet noise.
std::vector<float> Fibre(int points) {
    std::vector<float> levels(static_cast<std::size_t>(points));
    std::uint32_t state = 12345;
    auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 16777216.0 - 0.5;
    };
    const int end = points * 8 / 10;
    const int every = points / 50;
    double level = 8.0;
    for (int i = 0; i < points; ++i) {
        double value;
        if (i < end) {
            level += 0.3 / points * 40.0;
            if (i % every == 0 && i > 0)
                level += (i / every) % 3 == 0 ? 0.4 : 0.1;
            value = level + 0.01 * noise();
            if (i % every < 4 && (i / every) % 3 == 0 && i > 0)
                value -= 3.0; // a connector's peak
        } else {
            value = 45.0 + 4.0 * std::abs(noise());
        }
        levels[static_cast<std::size_t>(i)] = static_cast<float>(i < 8 ? 1.0 : value);
    }
    return levels;
}

// range(1): the pulse (ns); range(2): the sample spacing (mm).
void Analyse(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    const std::vector<float> levels = Fibre(points);
    CAnalysisTrace trace;
    trace.levels = levels.data();
    trace.count = levels.size();
    trace.spacingKm = static_cast<double>(state.range(2)) * 1e-6;
    trace.pulseWidthNs = static_cast<double>(state.range(1));
    trace.groupIndex = 1.468;
    trace.backscatter = 81.7;
    trace.wavelength = 1550;
    const CAnalysisThresholds thresholds;
    // Fresh memory costs a fault for each page first written, and more than the arithmetic
    // where faults are slow, as on a virtual machine.
    const long faults = PageFaults();
    for (auto _ : state) {
        const CAnalysisResult result = AnalyzeTrace(trace, thresholds);
        benchmark::DoNotOptimize(result.events.data());
    }
    state.counters["faults"] = benchmark::Counter(static_cast<double>(PageFaults() - faults),
                                                  benchmark::Counter::kAvgIterations);
}
// The same fibre under a 20 µs pulse at 0.5 m: lines fitted across the fall at its end see the
// noise after it as bumps thousands of samples wide.
BENCHMARK(Analyse)
    ->ArgNames({"points", "pulse_ns", "spacing_mm"})
    ->Args({30000, 30, 1000})
    ->Args({1000000, 30, 1000})
    ->Args({1000000, 20000, 500})
    ->Unit(benchmark::kMillisecond);

// No fibre connected: a saturated launch, then only the receiver's rectified noise.
// range(1): the pulse (ns), at 0.5 m a sample.
void AnalyseNoFibre(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    std::vector<float> levels(static_cast<std::size_t>(points));
    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0.0, 1.0);
    const int launch = 8 + static_cast<int>(state.range(1)) * 3 / 5;
    for (int i = 0; i < points; ++i)
        levels[static_cast<std::size_t>(i)] = static_cast<float>(
            i < launch ? 1.0 : 40.0 - 5.0 * std::log10(std::max(std::abs(gauss(random)), 0.02)));
    CAnalysisTrace trace;
    trace.levels = levels.data();
    trace.count = levels.size();
    trace.spacingKm = 0.5e-3;
    trace.pulseWidthNs = static_cast<double>(state.range(1));
    trace.groupIndex = 1.468;
    trace.backscatter = 81.7;
    trace.wavelength = 1550;
    const CAnalysisThresholds thresholds;
    for (auto _ : state) {
        const CAnalysisResult result = AnalyzeTrace(trace, thresholds);
        benchmark::DoNotOptimize(result.events.data());
    }
}
BENCHMARK(AnalyseNoFibre)
    ->ArgNames({"points", "pulse_ns"})
    ->Args({30000, 10})
    ->Args({30000, 20000})
    ->Args({1000000, 10})
    ->Args({1000000, 20000})
    ->Unit(benchmark::kMillisecond);

// A synthesized million-point trace, 0.5 m a sample, at pulses from 10 ns to 20 µs: a pulse of
// thousands of samples must not make a detector pass over a pulse for every sample.
void AnalyseSynthesized(benchmark::State& state) {
    CSynthOptions options;
    options.pointCount = 1000000;
    options.spacing = 0.5;
    options.seed = 3;
    options.pulseWidth = static_cast<int>(state.range(0));
    const CTraceSynthesizer synth(options);
    const CAnalysisTrace trace = AnalysisTraceOf(synth);
    const CAnalysisThresholds thresholds;
    for (auto _ : state) {
        const CAnalysisResult result = AnalyzeTrace(trace, thresholds);
        benchmark::DoNotOptimize(result.events.data());
    }
}
BENCHMARK(AnalyseSynthesized)
    ->ArgName("pulse_ns")
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
