#include "display/CTraceEnvelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The projection below repeats CTraceData::BuildPolyline step for step and in the same
// precision, so that the points agree exactly; only the extremes of a column come from the
// blocks. The display tests compare the two over many random windows.

namespace {

constexpr std::size_t kFanOut = 8;
constexpr std::int64_t kMaxPixelExtent = std::int64_t{1} << 24;
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr std::int64_t kPrefetchColumns = 4;

inline float ClampOffset(float value, float limit) {
    value = value < limit ? value : limit;
    return value > 0.0f ? value : 0.0f;
}

struct CProjection {
    float a;
    float b0;
    float yTop;
    float k;
    float w;
    float h;

    int X(std::int64_t i) const {
        return static_cast<int>(ClampOffset(b0 + a * static_cast<float>(i), w));
    }
    float YRaw(float v) const {
        const float y = k * (yTop + v);
        return y < h ? y : h;
    }
    float Y(float v) const { return ClampOffset(YRaw(v), h); }
};

std::int64_t NextColumnStart(const CProjection& p, std::int64_t i, int x, std::int64_t end) {
    if (static_cast<float>(x) >= p.w)
        return end;
    double guess = std::ceil((static_cast<double>(x) + 1.0 - p.b0) / p.a);
    if (!(guess > static_cast<double>(i + 1)))
        guess = static_cast<double>(i + 1);
    if (guess > static_cast<double>(end))
        guess = static_cast<double>(end);
    std::int64_t next = static_cast<std::int64_t>(guess);
    while (next > i + 1 && p.X(next - 1) > x)
        --next;
    while (next < end && p.X(next) <= x)
        ++next;
    return next;
}

class CColumnWriter {
public:
    CColumnWriter(CScreenPoint* out, int left, int top) : out_(out), left_(left), top_(top) {}

    void Add(int column, float low, float high, bool several) {
        if (column != column_) {
            Flush();
            column_ = column;
            low_ = low;
            high_ = high;
            several_ = several;
        } else {
            low_ = low < low_ ? low : low_;
            high_ = high > high_ ? high : high_;
            several_ = true;
        }
    }
    int Finish() {
        Flush();
        column_ = -1;
        return count_;
    }

private:
    void Flush() {
        if (column_ < 0)
            return;
        const int x = left_ + column_;
        out_[count_++] = {x, top_ + static_cast<int>(high_)};
        if (several_)
            out_[count_++] = {x, top_ + static_cast<int>(low_)};
    }

    CScreenPoint* out_;
    int left_;
    int top_;
    int count_ = 0;
    int column_ = -1;
    float low_ = 0.0f;
    float high_ = 0.0f;
    bool several_ = false;
};

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
                                  const CScreenRect& rect, float xFrom, float yTop, float xTo,
                                  float yBottom) const {
    if (trace.GetRevision() != revision_ || trace.GetPointCount() != count_)
        return trace.BuildPolyline(points, rect, xFrom, yTop, xTo, yBottom);
    const std::size_t n = count_;
    const std::int64_t width = std::int64_t{rect.right} - rect.left;
    const std::int64_t height = std::int64_t{rect.bottom} - rect.top;
    if (n < 2 || width < 0 || height < 0 || width >= kMaxPixelExtent || height >= kMaxPixelExtent)
        return 0;
    const std::size_t capacity = 2 * static_cast<std::size_t>(width + 1);
    if (points.size() < capacity)
        points.resize(capacity);

    const float startDistance = trace.GetStartDistance();
    const float span = trace.GetEndDistance() - startDistance;
    if (span == 0.0f || !std::isfinite(span))
        return 0;
    const float lastIndex = static_cast<float>(n - 1);
    const float perKm = lastIndex / span;
    const float o = (xFrom - startDistance) * perKm;
    const float t = (xTo - startDistance) * perKm;
    if (!(o <= lastIndex) || !(t >= 0.0f) || !std::isfinite(o) || !std::isfinite(t))
        return 0;
    const float indexSpan = std::fabs(t - o);
    const float levelSpan = std::fabs(yTop - yBottom);
    if (!(indexSpan > 0.0f) || !std::isfinite(indexSpan) || !(levelSpan > 0.0f) ||
        !std::isfinite(levelSpan))
        return 0;
    const float a = static_cast<float>(width) / indexSpan;
    const float k = static_cast<float>(height) / levelSpan;
    if (!std::isfinite(a) || !std::isfinite(k))
        return 0;

    std::size_t last = static_cast<std::size_t>(t < lastIndex ? t : lastIndex);
    std::size_t first = o > 0.0f ? static_cast<std::size_t>(std::ceil(o)) : 0;
    if (last > n - 1)
        last = n - 1;
    if (first > n - 1)
        first = n - 1;
    const CProjection window{a, (static_cast<float>(first) - o) * a, yTop,
                             k, static_cast<float>(width),           static_cast<float>(height)};

    CColumnWriter writer(points.data(), rect.left, rect.top);
    const auto edgeY = [&](float index) {
        return window.Y(static_cast<float>(trace.GetLevelAtIndex(index)));
    };
    if (o >= 0.0f && o < static_cast<float>(first)) {
        const float y = edgeY(o);
        writer.Add(0, y, y, false);
    }

    if (first <= last) {
        const float* samples = trace.GetLevels().data();
        const std::int64_t end = static_cast<std::int64_t>(last - first) + 1;
        std::int64_t i = 0;
        while (i < end) {
            const int x = window.X(i);
            const std::int64_t next = NextColumnStart(window, i, x, end);
            // Each column reads single samples only at its two ends, far apart in memory:
            // fetch those of a few columns ahead while this one is reduced.
            const std::int64_t ahead = next + kPrefetchColumns * (next - i);
            if (ahead < end) {
                const std::size_t sample = first + static_cast<std::size_t>(ahead);
                __builtin_prefetch(samples + sample);
                if (!levels_.empty())
                    __builtin_prefetch(levels_[0].low.data() + sample / kFanOut);
                if (!levels_.empty())
                    __builtin_prefetch(levels_[0].high.data() + sample / kFanOut);
            }
            float low = 0.0f;
            float high = 0.0f;
            Extremes(samples, first + static_cast<std::size_t>(i),
                     first + static_cast<std::size_t>(next), low, high);
            writer.Add(x, window.Y(low), window.Y(high), next - i > 1);
            i = next;
        }
    }

    if (t <= lastIndex && t > static_cast<float>(last)) {
        const float y = edgeY(t);
        writer.Add(static_cast<int>(width), y, y, false);
    }
    return writer.Finish();
}
