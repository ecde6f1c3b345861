#pragma once
// The lowest and highest sample of a trace over aligned blocks of 8, 64, 512, ... samples, so
// that projecting a long trace reads a few block extremes per pixel column instead of every
// sample. BuildPolyline gives exactly the points of CTraceData::BuildPolyline: the projection
// of a level to a pixel row never decreases as the level grows, so the extremes of a column's
// pixels are the pixels of its extreme samples.

#include "core/CTraceData.h"

#include <cstdint>
#include <vector>

class CTraceEnvelope final : public CLevelExtremes {
public:
    // Traces shorter than this project fast enough sample by sample.
    static constexpr std::size_t kWorthwhile = 1 << 16;

    explicit CTraceEnvelope(const CTraceData& trace);

    // The trace's revision the envelope was built from.
    std::uint64_t GetRevision() const { return revision_; }
    // CTraceData::BuildPolyline of the trace the envelope was built from, point for point;
    // the direct projection for a trace that changed since.
    int BuildPolyline(const CTraceData& trace, std::vector<CScreenPoint>& points,
                      const CPixelRect& rect, float xFrom, float yTop, float xTo,
                      float yBottom) const;

    // Lowest and highest of samples begin..end (not a number folded as below).
    void Extremes(const float* samples, std::size_t begin, std::size_t end, float& low,
                  float& high) const override;

private:
    // Lowest and highest sample of each block of one level. A block holding a sample that is
    // not a number has +inf as its highest, which projects to the bottom edge as such a
    // sample does; one holding nothing else has +inf as its lowest too.
    struct CLevel {
        std::vector<float> low;
        std::vector<float> high;
    };

    std::uint64_t revision_ = 0;
    std::size_t count_ = 0;
    std::vector<CLevel> levels_; // levels_[i] has blocks of 8^(i+1) samples
};
