#pragma once
// Translation between the Bellcore file objects and the trace model, the same for both
// layouts but for the rule that marks the first and the end events.

#include "core/CKeyEvent.h"
#include "core/CSignal.h"
#include "formats/bellcore/CFxdParams.h"
#include "formats/bellcore/CKeyEvents.h"

#include <array>
#include <cstdint>
#include <string>

// The event read from record index of a file. GR-196-CORE: origin "E" or "D" is the end,
// but the first record is always the start. SR-4731: the first record is the start unless
// its origin makes it the end.
CKeyEvent KeyEventFromBellcore(const CBellcoreEvent& record, int index, const CFxdParams& fxd,
                               bool srLayout);
// Overwrites the record from the event. The origin tells an end ("E", or "D" placed by the
// user), an edited record ("M"), an added one ("A") and an instrument's ("F"); the number of
// the code is kept. A position the record already gives is not converted again, so an
// unchanged event never moves by a rounding step.
void BellcoreFromKeyEvent(const CKeyEvent& event, bool existed, const CFxdParams& fxd,
                          CBellcoreEvent& record);
// The five parameter-line values of a Bellcore trace of the given range.
std::array<std::string, 5> BellcoreDescriptionValues(double rangeKm, const CFxdParams& fxd);

// The "KeyEvents" records of either layout.
template <class Events> class CBellcoreRecords final : public CEventRecords {
public:
    CBellcoreRecords(Events& events, const CFxdParams& fxd) : events_(events), fxd_(fxd) {}

    int GetCount() const override { return events_.GetEventCount(); }
    int Append() override {
        const int index = events_.AppendEventRecord();
        events_.GetEvent(index).SetEventNumber(static_cast<std::uint16_t>(index));
        return index;
    }
    void Write(int index, const CKeyEvent& event, bool existed) override {
        BellcoreFromKeyEvent(event, existed, fxd_, events_.GetEvent(index));
    }
    void Remove(int index) override { events_.RemoveEventRecord(index); }

private:
    Events& events_;
    const CFxdParams& fxd_;
};
