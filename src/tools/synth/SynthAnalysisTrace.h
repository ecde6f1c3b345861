#pragma once
// A synthesized trace as the automatic analysis takes it, for the scorer and the bench.

#include "analysis/TraceAnalysis.h"
#include "tools/synth/CTraceSynthesizer.h"

// Refers to the synthesizer's levels: valid while it lives.
inline CAnalysisTrace AnalysisTraceOf(const CTraceSynthesizer& synth) {
    CAnalysisTrace trace;
    trace.levels = synth.GetLevels().data();
    trace.count = synth.GetLevels().size();
    trace.spacingKm = synth.GetOptions().spacing / 1000.0;
    trace.pulseWidthNs = synth.GetPulseWidth();
    trace.groupIndex = synth.GetGroupIndex();
    trace.backscatter = synth.GetBackscatterCoefficient();
    trace.wavelength = synth.GetOptions().wavelength;
    return trace;
}

// The k-th trace of the analysis score's synthesized set (seed 1000 + k): wavelengths, sample
// spacings, lengths and pulses in turn, a seventh long and noisy, a third with gainers and
// bends, ghosts or a saturated launch.
inline CSynthOptions ScoredSynthOptions(int k) {
    constexpr int kWavelengths[] = {1310, 1550, 1625, 850};
    constexpr double kSpacings[] = {0.5, 1.0, 2.0, 4.0, 8.0, 16.0};
    CSynthOptions options;
    options.seed = 1000 + static_cast<std::uint64_t>(k);
    options.wavelength = kWavelengths[k % 4];
    options.spacing = kSpacings[(k / 4) % 6];
    options.pointCount = 8000 + 4000 * (k % 5);
    if (k % 7 == 3) {
        options.pulseWidth = 10000; // long and noisy
        options.extraNoise = 4.0;
    }
    options.gainers = k % 6 == 1 || k % 6 == 5;
    options.bends = k % 6 == 1;
    options.ghosts = k % 6 == 2;
    options.saturatedLaunch = k % 6 == 4;
    return options;
}
