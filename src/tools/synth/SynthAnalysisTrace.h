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
