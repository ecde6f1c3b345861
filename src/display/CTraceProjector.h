#pragma once
// Projects the traces a plot draws, keeping for each one the block extremes of a long trace
// and the points of its last projection: a repaint with the window unchanged (a marker
// dragged, a rubber band, the overview asking) draws at once, and a new window reads a few
// block extremes per pixel column. The points are always those of CTraceData::BuildPolyline.

#include "display/CTraceEnvelope.h"

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

class CTraceProjector {
public:
    // The trace's points in rect for the window xFrom..xTo (km), yTop..yBottom (dB).
    std::span<const CScreenPoint> Project(const CTraceData& trace, const CPixelRect& rect,
                                          float xFrom, float yTop, float xTo, float yBottom);
    // Drops what it keeps of traces not projected since the last call: closed or hidden.
    void Sweep();
    // How many traces it keeps.
    std::size_t GetKeptCount() const { return kept_.size(); }

private:
    struct CWindowKey {
        std::uint64_t revision = 0;
        CPixelRect rect;
        float xFrom = 0.0f;
        float yTop = 0.0f;
        float xTo = 0.0f;
        float yBottom = 0.0f;
        bool operator==(const CWindowKey& other) const;
    };

    struct CKept {
        std::optional<CTraceEnvelope> envelope;
        std::optional<CWindowKey> key; // of points; none before the first projection
        std::vector<CScreenPoint> points;
        int count = 0;
        bool used = false;
    };

    // Keyed by address; the revision tells a new trace at the address of a closed one.
    std::unordered_map<const CTraceData*, CKept> kept_;
};
