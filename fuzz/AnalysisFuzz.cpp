// Arbitrary levels and acquisition parameters through the automatic analysis: no input may
// crash or hang it, and the result is always a start, events in position order and an end.

#include "analysis/TraceAnalysis.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double Take(const std::uint8_t*& data, std::size_t& size) {
    double value = 0.0;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CAnalysisTrace trace;
    trace.spacingKm = Take(data, size);
    trace.pulseWidthNs = Take(data, size);
    trace.groupIndex = Take(data, size);
    trace.backscatter = Take(data, size);
    CAnalysisThresholds thresholds;
    thresholds.spliceLoss = Take(data, size);
    thresholds.reflectance = Take(data, size);
    thresholds.endOfFibre = Take(data, size);
    // The rest as levels, two bytes each in 0.001 dB as the files store them, or raw floats
    // when the first byte says so (not-a-number and infinities included).
    std::vector<float> levels;
    const bool raw = size > 0 && (data[0] & 1);
    if (raw) {
        levels.resize(size / sizeof(float));
        // An empty vector's data() may be null, which memcpy may not take even for no bytes.
        if (!levels.empty())
            std::memcpy(levels.data(), data, levels.size() * sizeof(float));
    } else {
        for (std::size_t i = 0; i + 1 < size; i += 2)
            levels.push_back(static_cast<float>((data[i] | (data[i + 1] << 8)) * 0.001));
    }
    trace.levels = levels.data();
    trace.count = levels.size();
    const CAnalysisResult result = AnalyzeTrace(trace, thresholds);
    if (result.events.empty() || result.events.front().GetMarker() != 1)
        std::abort();
    for (std::size_t i = 1; i < result.events.size(); ++i)
        if (result.events[i].GetPosition() < result.events[i - 1].GetPosition())
            std::abort();
    return 0;
}
