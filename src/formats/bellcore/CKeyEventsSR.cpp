#include "formats/bellcore/CKeyEventsSR.h"

#include "formats/bellcore/BellcoreFields.h"

std::uint32_t CBellcoreEventSR::GetSize() const {
    return CBellcoreEvent::GetSize() + (kMinSize - CBellcoreEvent::kMinSize);
}

void CBellcoreEventSR::Serialize(CBellcoreStream& stream) {
    SerializeFixed(stream);
    SerializeField(stream, endOfPreviousEvent_);
    SerializeField(stream, beginningOfCurrentEvent_);
    SerializeField(stream, endOfCurrentEvent_);
    SerializeField(stream, beginningOfNextEvent_);
    SerializeField(stream, peakOfCurrentEvent_);
    SerializeComment(stream);
}

int CKeyEventsSR::Serialize(CBellcoreStream& stream) {
    SerializeName(stream);
    SerializeContent(stream);
    return stream.GetCounter();
}

void CKeyEventsSR::Assign(const CKeyEventsSR& other) {
    CopyHeader(other);
    events_ = other.events_;
    AssignTotals(other);
}
