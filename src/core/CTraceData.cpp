#include "core/CTraceData.h"

#include "platform/CException.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The level bounds in the displayed sense, always including 0; NaN samples take no part.
// Eight running bounds side by side, each starting at +0 so a -0 never enters. Both forms
// give what one running pair would: max(level, high) keeps high where level is NaN, as the
// comparison does.
void LevelBounds(const std::vector<float>& levels, float& maxLevel, float& minLevel) {
    constexpr std::size_t kLanes = 8;
    float high[kLanes] = {};
    float low[kLanes] = {};
    const float* samples = levels.data();
    const std::size_t count = levels.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128 sign = _mm_set1_ps(-0.0f);
    __m128 high0 = _mm_setzero_ps(), high1 = high0, low0 = high0, low1 = high0;
    for (; i + kLanes <= count; i += kLanes) {
        const __m128 level0 = _mm_xor_ps(_mm_loadu_ps(samples + i), sign);
        const __m128 level1 = _mm_xor_ps(_mm_loadu_ps(samples + i + 4), sign);
        high0 = _mm_max_ps(level0, high0);
        high1 = _mm_max_ps(level1, high1);
        low0 = _mm_min_ps(level0, low0);
        low1 = _mm_min_ps(level1, low1);
    }
    _mm_storeu_ps(high, high0);
    _mm_storeu_ps(high + 4, high1);
    _mm_storeu_ps(low, low0);
    _mm_storeu_ps(low + 4, low1);
#else
    for (; i + kLanes <= count; i += kLanes)
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            const float level = -samples[i + lane];
            high[lane] = level > high[lane] ? level : high[lane];
            low[lane] = level < low[lane] ? level : low[lane];
        }
#endif
    for (std::size_t lane = 0; i < count; ++i, ++lane) {
        const float level = -samples[i];
        high[lane] = level > high[lane] ? level : high[lane];
        low[lane] = level < low[lane] ? level : low[lane];
    }
    maxLevel = 0.0f;
    minLevel = 0.0f;
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
        maxLevel = high[lane] > maxLevel ? high[lane] : maxLevel;
        minLevel = low[lane] < minLevel ? low[lane] : minLevel;
    }
}

// Wider or taller rectangles are refused, so every pixel offset is exact in single precision.
constexpr std::int64_t kMaxPixelExtent = std::int64_t{1} << 24;

// Clamps into 0..limit before any conversion to int; NaN becomes limit (drawn at the bottom
// or right edge), so a bad sample can neither escape the rectangle nor overflow.
inline float ClampOffset(float value, float limit) {
    value = value < limit ? value : limit;
    return value > 0.0f ? value : 0.0f;
}

// The scales of one projection, in single precision: sample i of the window (counted from
// the first sample drawn) lies b0 + a * i pixels right of the left edge; a level v lies
// k * (yTop + v) pixels below the top.
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
    // Unclamped at the top: clamping commutes with taking extremes, so it is done per column.
    float YRaw(float v) const {
        const float y = k * (yTop + v);
        return y < h ? y : h; // NaN goes to the bottom edge
    }
    float Y(float v) const { return ClampOffset(YRaw(v), h); }
};

// The first window sample right of column x (end when there is none).
std::int64_t NextColumnStart(const CProjection& p, std::int64_t i, int x, std::int64_t end) {
    if (static_cast<float>(x) >= p.w)
        return end;
    // b0 + a * next >= x + 1, estimated in double and then settled on the exact formula.
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

// Lowest and highest YRaw of count (at least one) samples.
void ColumnExtremes(const CProjection& p, const float* v, std::int64_t count, float& low,
                    float& high) {
    float lo = std::numeric_limits<float>::infinity();
    float hi = -lo;
    std::int64_t i = 0;
#if defined(__SSE2__)
    if (count >= 8) {
        const __m128 top = _mm_set1_ps(p.yTop);
        const __m128 scale = _mm_set1_ps(p.k);
        const __m128 limit = _mm_set1_ps(p.h);
        __m128 lo0 = _mm_set1_ps(lo);
        __m128 lo1 = lo0;
        __m128 hi0 = _mm_set1_ps(hi);
        __m128 hi1 = hi0;
        for (; i + 8 <= count; i += 8) {
            // _mm_min_ps(y, limit) yields limit for NaN, as YRaw does.
            const __m128 y0 =
                _mm_min_ps(_mm_mul_ps(scale, _mm_add_ps(top, _mm_loadu_ps(v + i))), limit);
            const __m128 y1 =
                _mm_min_ps(_mm_mul_ps(scale, _mm_add_ps(top, _mm_loadu_ps(v + i + 4))), limit);
            lo0 = _mm_min_ps(lo0, y0);
            hi0 = _mm_max_ps(hi0, y0);
            lo1 = _mm_min_ps(lo1, y1);
            hi1 = _mm_max_ps(hi1, y1);
        }
        float lows[4];
        float highs[4];
        _mm_storeu_ps(lows, _mm_min_ps(lo0, lo1));
        _mm_storeu_ps(highs, _mm_max_ps(hi0, hi1));
        for (int lane = 0; lane < 4; ++lane) {
            lo = lows[lane] < lo ? lows[lane] : lo;
            hi = highs[lane] > hi ? highs[lane] : hi;
        }
    }
#endif
    for (; i < count; ++i) {
        const float y = p.YRaw(v[i]);
        lo = y < lo ? y : lo;
        hi = y > hi ? y : hi;
    }
    low = lo;
    high = hi;
}

// Collects one pixel column at a time and writes it as one point, or as the lower (larger y)
// then the upper point when more than one value fell into it.
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
    int column_ = -1; // offset from the left edge; -1 before the first
    float low_ = 0.0f;
    float high_ = 0.0f;
    bool several_ = false;
};

} // namespace

std::uint64_t CTraceData::NextRevision() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

std::shared_ptr<const std::vector<float>> CTraceData::NoLevels() {
    static const auto none = std::make_shared<const std::vector<float>>();
    return none;
}

void CTraceData::SetLevels(std::vector<float> levels, float start, float end) {
    ShareLevels(std::make_shared<const std::vector<float>>(std::move(levels)), start, end);
}

void CTraceData::ShareLevels(std::shared_ptr<const std::vector<float>> levels, float start,
                             float end) {
    levels_ = levels ? std::move(levels) : NoLevels();
    revision_ = NextRevision();
    startDistance_ = start;
    endDistance_ = end;
    LevelBounds(*levels_, maxLevel_, minLevel_);
}

void CTraceData::Clear() {
    *this = CTraceData();
}

void CTraceData::OffsetLevels(float delta) {
    auto levels = std::make_shared<std::vector<float>>(*levels_);
    for (float& sample : *levels)
        sample += delta;
    levels_ = std::move(levels);
    revision_ = NextRevision();
    // The plot's level range and the overview are taken from the bounds.
    LevelBounds(*levels_, maxLevel_, minLevel_);
}

CWorldRect CTraceData::GetBounds() const {
    return {startDistance_, maxLevel_, endDistance_, minLevel_};
}

double CTraceData::GetRange() const {
    return std::fabs(static_cast<double>(endDistance_) - startDistance_);
}

double CTraceData::GetSampleSpacing() const {
    const std::size_t n = levels_->size();
    return n < 2
               ? 0.0
               : (static_cast<double>(endDistance_) - startDistance_) / static_cast<double>(n - 1);
}

double CTraceData::GetSampleDistance(double index) const {
    // The last sample lands exactly on the end, not one rounding step off it.
    const std::size_t n = levels_->size();
    if (n >= 2 && index == static_cast<double>(n - 1))
        return endDistance_;
    return startDistance_ + index * GetSampleSpacing();
}

double CTraceData::GetLevelAt(double km) const {
    const std::size_t n = levels_->size();
    const double span = static_cast<double>(endDistance_) - startDistance_;
    if (n < 2 || span == 0.0 || !std::isfinite(span))
        throw CAbortException(kMsgWrongPointCount);
    const double count = static_cast<double>(n);
    // Fractional position in units of span / n; x at the end gives exactly n.
    const double position = (km - startDistance_) / span * count;
    // Less than one spacing before the start still reads the first interval.
    if (!(position > -1.0 && position < count))
        throw CAbortException(kMsgWrongPointCount);
    std::size_t e = static_cast<std::size_t>(position);
    // The last interval has no sample beyond it: extend the line through the last two
    // samples, as the first interval is extended before the start.
    if (e > n - 2)
        e = n - 2;
    const double spacing = span / count;
    const double offset = km - startDistance_ - static_cast<double>(e) * spacing;
    const std::vector<float>& levels = *levels_;
    return levels[e] + offset * (static_cast<double>(levels[e + 1]) - levels[e]) / spacing;
}

double CTraceData::GetLevelAtIndex(double index) const {
    const std::size_t n = levels_->size();
    if (n == 0)
        throw CAbortException(kMsgWrongPointCount);
    const double last = static_cast<double>(n - 1);
    if (!(index > 0.0))
        index = 0.0;
    if (index > last)
        index = last;
    std::size_t i = static_cast<std::size_t>(index);
    const std::vector<float>& levels = *levels_;
    if (i >= n - 1) // also when n - 1 is not exact as a double
        return levels[n - 1];
    return levels[i] +
           (static_cast<double>(levels[i + 1]) - levels[i]) * (index - static_cast<double>(i));
}

int CTraceData::BuildPolyline(std::vector<CScreenPoint>& points, const CPixelRect& rect,
                              float xFrom, float yTop, float xTo, float yBottom,
                              const CLevelExtremes* extremes) const {
    const std::size_t n = levels_->size();
    const std::int64_t width = std::int64_t{rect.right} - rect.left;
    const std::int64_t height = std::int64_t{rect.bottom} - rect.top;
    if (n < 2 || width < 0 || height < 0 || width >= kMaxPixelExtent || height >= kMaxPixelExtent)
        return 0;
    const std::size_t capacity = 2 * static_cast<std::size_t>(width + 1);
    if (points.size() < capacity)
        points.resize(capacity);

    const float span = endDistance_ - startDistance_;
    if (span == 0.0f || !std::isfinite(span))
        return 0;
    const float lastIndex = static_cast<float>(n - 1);
    const float perKm = lastIndex / span;
    const float o = (xFrom - startDistance_) * perKm; // fractional index at the left edge
    const float t = (xTo - startDistance_) * perKm;   // and at the right edge
    // A window starting after the last sample shows nothing (rather than that sample at L).
    if (!(o <= lastIndex) || !(t >= 0.0f) || !std::isfinite(o) || !std::isfinite(t))
        return 0;
    const float indexSpan = std::fabs(t - o);
    const float levelSpan = std::fabs(yTop - yBottom);
    if (!(indexSpan > 0.0f) || !std::isfinite(indexSpan) || !(levelSpan > 0.0f) ||
        !std::isfinite(levelSpan))
        return 0;
    const float a = static_cast<float>(width) / indexSpan;  // pixels per sample
    const float k = static_cast<float>(height) / levelSpan; // pixels per dB
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
        return window.Y(static_cast<float>(GetLevelAtIndex(index)));
    };
    if (o >= 0.0f && o < static_cast<float>(first)) {
        const float y = edgeY(o);
        writer.Add(0, y, y, false);
    }

    // Whole columns at a time: the samples of a column are found from the column formula (it
    // is monotonic, so checking the boundary samples settles every sample between), then
    // reduced to their extremes. Y is monotonic too, so the extremes of the samples give the
    // extremes of their pixels.
    if (first <= last) {
        const float* v = levels_->data() + first;
        const std::int64_t end = static_cast<std::int64_t>(last - first) + 1;
        std::int64_t i = 0;
        while (i < end) {
            const int x = window.X(i);
            const std::int64_t next = NextColumnStart(window, i, x, end);
            float low = 0.0f;
            float high = 0.0f;
            if (extremes) {
                // The projection never decreases as the level grows, so the extreme levels
                // give the extreme pixels.
                extremes->Extremes(levels_->data(), first + static_cast<std::size_t>(i),
                                   first + static_cast<std::size_t>(next), low, high);
                low = window.YRaw(low);
                high = window.YRaw(high);
            } else {
                ColumnExtremes(window, v + i, next - i, low, high);
            }
            writer.Add(x, ClampOffset(low, window.h), ClampOffset(high, window.h), next - i > 1);
            i = next;
        }
    }

    if (t <= lastIndex && t > static_cast<float>(last)) {
        const float y = edgeY(t);
        writer.Add(static_cast<int>(width), y, y, false);
    }
    return writer.Finish();
}

int CTraceData::BuildPolylineFull(std::vector<CScreenPoint>& points, const CPixelRect& rect) const {
    return BuildPolyline(points, rect, startDistance_, maxLevel_, endDistance_, minLevel_);
}
