#pragma once
// "KeyEvents" of the SR-4731 layout: the block opens with its name and each event also
// carries five marker locations. The block is always written, with no events when the
// trace has none.

#include "formats/bellcore/CKeyEvents.h"

// One event record of the SR-4731 layout. The five locations are time-coded and sit
// between the technique and the comment in the file.
class CBellcoreEventSR : public CBellcoreEvent {
public:
    static constexpr std::uint32_t kMinSize = CBellcoreEvent::kMinSize + 20;

    CBellcoreEventSR() = default;
    // The GR-196-CORE fields of the event; the five locations 0.
    explicit CBellcoreEventSR(const CBellcoreEvent& event) : CBellcoreEvent(event) {}

    std::uint32_t GetSize() const override;
    void Serialize(CBellcoreStream& stream) override;

    std::uint32_t GetEndOfPreviousEvent() const { return endOfPreviousEvent_; }
    void SetEndOfPreviousEvent(std::uint32_t value) { endOfPreviousEvent_ = value; }
    std::uint32_t GetBeginningOfCurrentEvent() const { return beginningOfCurrentEvent_; }
    void SetBeginningOfCurrentEvent(std::uint32_t value) { beginningOfCurrentEvent_ = value; }
    std::uint32_t GetEndOfCurrentEvent() const { return endOfCurrentEvent_; }
    void SetEndOfCurrentEvent(std::uint32_t value) { endOfCurrentEvent_ = value; }
    std::uint32_t GetBeginningOfNextEvent() const { return beginningOfNextEvent_; }
    void SetBeginningOfNextEvent(std::uint32_t value) { beginningOfNextEvent_ = value; }
    std::uint32_t GetPeakOfCurrentEvent() const { return peakOfCurrentEvent_; }
    void SetPeakOfCurrentEvent(std::uint32_t value) { peakOfCurrentEvent_ = value; }

private:
    std::uint32_t endOfPreviousEvent_ = 0;
    std::uint32_t beginningOfCurrentEvent_ = 0;
    std::uint32_t endOfCurrentEvent_ = 0;
    std::uint32_t beginningOfNextEvent_ = 0;
    std::uint32_t peakOfCurrentEvent_ = 0;
};

class CKeyEventsSR : public CBellcoreBlock, public CKeyEventList<CBellcoreEventSR> {
public:
    CKeyEventsSR() : CBellcoreBlock(kBlockKeyEvents) {}

    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override { return NameSize() + ContentSize(); }
    // Always written, also with no events.
    bool HasData() const override { return true; }
    // Empties the events, as in the other layout, so that a reload or conversion into this
    // block never carries events of an earlier trace; the totals stay.
    void Reset() override { events_.clear(); }
    void Assign(const CKeyEventsSR& other);
};
