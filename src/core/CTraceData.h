#pragma once
// The sampled curve of a trace: levels in dB exactly as the file gave them (drawn negated, so
// the displayed axis grows upwards) over distances in km, and its screen projection.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Translation.h"
// A device pixel.
struct CScreenPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const CScreenPoint&, const CScreenPoint&) = default;
};

// A rectangle as a window's client rectangle: right and bottom are the first pixels outside.
struct CPixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    // Both edges count as inside, as the zoom bars' hit test wants it.
    bool HoldsInclusive(int x, int y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
    CPixelRect Shrunk(int dx, int dy) const {
        return {left + dx, top + dy, right - dx, bottom - dy};
    }
    friend bool operator==(const CPixelRect&, const CPixelRect&) = default;
};

// A window in world units: km horizontally, displayed dB vertically (top above bottom).
struct CWorldRect {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
};

inline constexpr const char* kMsgWrongPointCount =
    QT_TRANSLATE_NOOP("core", "Ошибочное количество точек");

// Lowest and highest stored level of samples begin..end-1 of a trace, for one pixel column. A
// sample that is not a number counts as +inf (it is drawn at the bottom edge).
class CLevelExtremes {
public:
    virtual ~CLevelExtremes() = default;
    virtual void Extremes(const float* levels, std::size_t begin, std::size_t end, float& low,
                          float& high) const = 0;
};

class CTraceData {
public:
    // Takes the samples, spread evenly from start to end (km), and computes the level bounds.
    void SetLevels(std::vector<float> levels, float start, float end);
    // The same, sharing samples that are never changed in place (a file object's) instead
    // of copying them; null is no samples.
    void ShareLevels(std::shared_ptr<const std::vector<float>> levels, float start, float end);
    void Clear();
    // Adds delta (dB) to every sample; the level bounds move with them.
    void OffsetLevels(float delta);

    std::size_t GetPointCount() const { return levels_->size(); }
    // Changes whenever the samples do (load, clear, offset) and is never the same for two
    // different sets of samples, so a cache built from them can tell that it is stale.
    std::uint64_t GetRevision() const { return revision_; }
    const std::vector<float>& GetLevels() const { return *levels_; }
    // Largest displayed level (minus a sample), never below 0.
    float GetMaxLevel() const { return maxLevel_; }
    // Smallest displayed level, never above 0.
    float GetMinLevel() const { return minLevel_; }
    float GetStartDistance() const { return startDistance_; }
    float GetEndDistance() const { return endDistance_; }
    // The extent: start, maxLevel, end, minLevel.
    CWorldRect GetBounds() const;
    // |end - start|, km.
    double GetRange() const;
    // Where sample index (fractional allowed) lies, km: the samples are spread evenly from
    // the first at start to the last at end, as the curve is drawn and the events measured.
    // The start is negative where the trace begins before the events' zero (a launch cable).
    double GetSampleDistance(double index) const;
    // Km from one sample to the next; 0 with fewer than two samples.
    double GetSampleSpacing() const;

    // The stored (not negated) level at a distance, interpolated with a sample spacing of
    // span / pointCount. Throws CAbortException "Ошибочное количество точек" at or beyond the
    // end, one spacing or more before the start, and for traces that cannot be read (fewer
    // than two samples, a zero or non-finite span, a distance that is not a number).
    double GetLevelAt(double km) const;
    // The stored level at a fractional sample index, clamped into 0..n-1 (NaN reads sample 0).
    // Throws like GetLevelAt when there are no samples.
    double GetLevelAtIndex(double index) const;

    // Reduces the curve within the world window xFrom..xTo (km), yTop..yBottom (displayed dB)
    // to at most two points per pixel column: one for a column with one sample, otherwise the
    // lowest (largest y) then the highest. The window spans rect with its right and bottom
    // edges included (xTo falls on column rect.right), so a plot's curve meets the frame
    // drawn there. Where the window starts or ends between samples, an interpolated point
    // sits at rect.left or rect.right. points is grown to 2 * (width + 1) when smaller and
    // never shrunk, so it can be reused; returns how many points were written. Nothing for a
    // trace or window that cannot be projected.
    // A column's extremes come from extremes when given (an index over the samples), else from
    // reading every sample; the points are the same.
    int BuildPolyline(std::vector<CScreenPoint>& points, const CPixelRect& rect, float xFrom,
                      float yTop, float xTo, float yBottom,
                      const CLevelExtremes* extremes = nullptr) const;
    // BuildPolyline over the trace's own extent.
    int BuildPolylineFull(std::vector<CScreenPoint>& points, const CPixelRect& rect) const;

private:
    static std::uint64_t NextRevision();
    static std::shared_ptr<const std::vector<float>> NoLevels();

    // Replaced whole, never changed in place: others may hold the same samples.
    std::shared_ptr<const std::vector<float>> levels_ = NoLevels();
    float maxLevel_ = 0.0f;
    float minLevel_ = 0.0f;
    float startDistance_ = 0.0f;
    float endDistance_ = 0.0f;
    std::uint64_t revision_ = NextRevision();
};
