#include "display/CTraceEnvelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::size_t kFanOut = 8;
constexpr float kInfinity = std::numeric_limits<float>::infinity();
// How many columns ahead single samples and first-level blocks are fetched.
constexpr std::size_t kPrefetchColumns = 4;

inline void FoldSample(float v, float& low, float& high) {
    if (std::isnan(v)) {
        high = kInfinity;
        return;
    }
    low = v < low ? v : low;
    high = v > high ? v : high;
}

inline void FoldBlock(float blockLow, float blockHigh, float& low, float& high) {
    low = blockLow < low ? blockLow : low;
    high = blockHigh > high ? blockHigh : high;
}

constexpr std::size_t RoundUp(std::size_t i) {
    return (i + kFanOut - 1) / kFanOut * kFanOut;
}

constexpr std::size_t RoundDown(std::size_t i) {
    return i / kFanOut * kFanOut;
}

} // namespace

CTraceEnvelope::CTraceEnvelope(const CTraceData& trace)
    : revision_(trace.GetRevision()), count_(trace.GetPointCount()) {
    const std::vector<float>& samples = trace.GetLevels();
    std::size_t blocks = count_ / kFanOut;
    if (blocks == 0)
        return;
    CLevel& first = levels_.emplace_back();
    first.low.resize(blocks);
    first.high.resize(blocks);
    for (std::size_t b = 0; b < blocks; ++b) {
        float low = kInfinity;
        float high = -kInfinity;
        for (std::size_t i = b * kFanOut; i < (b + 1) * kFanOut; ++i)
            FoldSample(samples[i], low, high);
        first.low[b] = low;
        first.high[b] = high;
    }
    while ((blocks = levels_.back().low.size() / kFanOut) > 0) {
        CLevel next;
        next.low.resize(blocks);
        next.high.resize(blocks);
        const CLevel& below = levels_.back();
        for (std::size_t b = 0; b < blocks; ++b) {
            const auto from = static_cast<std::ptrdiff_t>(b * kFanOut);
            const auto to = from + static_cast<std::ptrdiff_t>(kFanOut);
            next.low[b] = *std::min_element(below.low.begin() + from, below.low.begin() + to);
            next.high[b] = *std::max_element(below.high.begin() + from, below.high.begin() + to);
        }
        levels_.push_back(std::move(next));
    }
}

void CTraceEnvelope::Extremes(const float* samples, std::size_t begin, std::size_t end,
                              float& lowest, float& highest) const {
    // A column reads single samples only at its two ends, far apart in memory: fetch those
    // of a few columns ahead while this one is reduced.
    const std::size_t ahead = end + kPrefetchColumns * (end - begin);
    if (ahead < count_) {
        __builtin_prefetch(samples + ahead);
        if (!levels_.empty()) {
            __builtin_prefetch(levels_[0].low.data() + ahead / kFanOut);
            __builtin_prefetch(levels_[0].high.data() + ahead / kFanOut);
        }
    }
    // Locals, so that they stay in registers.
    float low = kInfinity;
    float high = -kInfinity;
    // Single samples up to the first whole block and back from the last one, then the same
    // one level up with the blocks in between, until the two ends meet.
    std::size_t up = std::min(end, RoundUp(begin));
    std::size_t down = std::max(up, RoundDown(end));
    if (levels_.empty() || up == end)
        down = up = end;
    for (std::size_t i = begin; i < up; ++i)
        FoldSample(samples[i], low, high);
    for (std::size_t i = down; i < end; ++i)
        FoldSample(samples[i], low, high);
    begin = up / kFanOut;
    end = down / kFanOut;
    for (std::size_t level = 0; begin < end; ++level) {
        const CLevel& blocks = levels_[level];
        up = std::min(end, RoundUp(begin));
        down = std::max(up, RoundDown(end));
        if (level + 1 == levels_.size() || up == end)
            down = up = end;
        for (std::size_t i = begin; i < up; ++i)
            FoldBlock(blocks.low[i], blocks.high[i], low, high);
        for (std::size_t i = down; i < end; ++i)
            FoldBlock(blocks.low[i], blocks.high[i], low, high);
        begin = up / kFanOut;
        end = down / kFanOut;
    }
    lowest = low;
    highest = high;
}

int CTraceEnvelope::BuildPolyline(const CTraceData& trace, std::vector<CScreenPoint>& points,
                                  const CPixelRect& rect, float xFrom, float yTop, float xTo,
                                  float yBottom) const {
    const bool current = trace.GetRevision() == revision_ && trace.GetPointCount() == count_;
    return trace.BuildPolyline(points, rect, xFrom, yTop, xTo, yBottom, current ? this : nullptr);
}
