#include "display/CTraceEnvelope.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

// FoldSample over one block of kFanOut samples, as two vectors of four lanes: building the
// envelope of a long trace is most of the time its first picture takes.
typedef float CFour __attribute__((vector_size(16)));
static_assert(kFanOut == 8);

inline void FoldFirstBlock(const float* block, float& low, float& high) {
    CFour a;
    CFour b;
    std::memcpy(&a, block, sizeof a);
    std::memcpy(&b, block + 4, sizeof b);
    const CFour up = {kInfinity, kInfinity, kInfinity, kInfinity};
    const CFour down = -up;
    // A sample that is not a number counts for neither extreme, but makes the highest +inf.
    const auto numbers = (a == a) & (b == b);
    const CFour lowA = a == a ? a : up;
    const CFour lowB = b == b ? b : up;
    const CFour highA = a == a ? a : down;
    const CFour highB = b == b ? b : down;
    const CFour lows = lowA < lowB ? lowA : lowB;
    const CFour highs = highA > highB ? highA : highB;
    low = std::min(std::min(lows[0], lows[1]), std::min(lows[2], lows[3]));
    high = std::max(std::max(highs[0], highs[1]), std::max(highs[2], highs[3]));
    if ((numbers[0] & numbers[1] & numbers[2] & numbers[3]) == 0)
        high = kInfinity;
}

// The extremes of kFanOut block extremes, none of them not a number.
inline float LowestOfBlock(const float* block) {
    CFour a;
    CFour b;
    std::memcpy(&a, block, sizeof a);
    std::memcpy(&b, block + 4, sizeof b);
    const CFour lows = a < b ? a : b;
    return std::min(std::min(lows[0], lows[1]), std::min(lows[2], lows[3]));
}

inline float HighestOfBlock(const float* block) {
    CFour a;
    CFour b;
    std::memcpy(&a, block, sizeof a);
    std::memcpy(&b, block + 4, sizeof b);
    const CFour highs = a > b ? a : b;
    return std::max(std::max(highs[0], highs[1]), std::max(highs[2], highs[3]));
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
    for (std::size_t b = 0; b < blocks; ++b)
        FoldFirstBlock(samples.data() + b * kFanOut, first.low[b], first.high[b]);
    while ((blocks = levels_.back().low.size() / kFanOut) > 0) {
        CLevel next;
        next.low.resize(blocks);
        next.high.resize(blocks);
        const CLevel& below = levels_.back();
        for (std::size_t b = 0; b < blocks; ++b) {
            next.low[b] = LowestOfBlock(below.low.data() + b * kFanOut);
            next.high[b] = HighestOfBlock(below.high.data() + b * kFanOut);
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
