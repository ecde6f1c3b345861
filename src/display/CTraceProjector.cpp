#include "display/CTraceProjector.h"

#include <iterator>

bool CTraceProjector::CWindowKey::operator==(const CWindowKey& other) const {
    // Compared bit for bit in effect: a window that is not a number never matches, and it
    // projects to nothing anyway.
    return revision == other.revision && rect == other.rect && xFrom == other.xFrom &&
           yTop == other.yTop && xTo == other.xTo && yBottom == other.yBottom;
}

std::span<const CScreenPoint> CTraceProjector::Project(const CTraceData& trace,
                                                       const CPixelRect& rect, float xFrom,
                                                       float yTop, float xTo, float yBottom) {
    CKept& kept = kept_[&trace];
    kept.used = true;
    const CWindowKey key{trace.GetRevision(), rect, xFrom, yTop, xTo, yBottom};
    if (kept.key && *kept.key == key)
        return {kept.points.data(), static_cast<std::size_t>(kept.count)};

    if (trace.GetPointCount() >= CTraceEnvelope::kWorthwhile) {
        if (!kept.envelope || kept.envelope->GetRevision() != trace.GetRevision())
            kept.envelope.emplace(trace);
    } else {
        kept.envelope.reset();
    }
    kept.count = kept.envelope ? kept.envelope->BuildPolyline(trace, kept.points, rect, xFrom, yTop,
                                                              xTo, yBottom)
                               : trace.BuildPolyline(kept.points, rect, xFrom, yTop, xTo, yBottom);
    kept.key = key;
    return {kept.points.data(), static_cast<std::size_t>(kept.count)};
}

void CTraceProjector::Sweep() {
    for (auto it = kept_.begin(); it != kept_.end();) {
        if (it->second.used) {
            it->second.used = false;
            ++it;
        } else {
            it = kept_.erase(it);
        }
    }
}
