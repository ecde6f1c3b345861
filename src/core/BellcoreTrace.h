#pragma once
// Translation between the Bellcore file objects and the trace model, the same for both
// layouts but for the rule that marks the first and the end events.

#include "core/CKeyEvent.h"
#include "core/CSignal.h"
#include "formats/bellcore/CFxdParams.h"
#include "formats/bellcore/CKeyEvents.h"

#include <array>
#include <cstddef>
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

// Where the samples of a trace lie in the frame its key events are measured in, km.
struct CSampleFrame {
    double start = 0.0; // the first sample; negative before the events' zero (a launch cable)
    double end = 0.0;   // the last sample
};

// Km from the first sample to the events' zero. The offsets are the file's time units. The
// user offset (the end of a launch cable, counted from the first sample) moves the zero by
// itself, or by its distance field (0.1 m steps) when only that is set. The front panel's
// place among the samples adds to it: the acquisition offset where it is set, else the
// front-panel offset (instruments set one or the other; a file setting both stores them with
// opposite signs, and the acquisition offset is the one its events agree with).
double EventZeroKm(std::int32_t userOffset, std::int32_t userOffsetDistance,
                   std::int32_t acquisitionOffset, std::int32_t frontPanelOffset,
                   double groupIndex);
// The frame of count samples whose first lies eventZeroKm before the events' zero. They are
// the data spacing of the file's one pulse width apart when that spacing roughly agrees with
// the acquisition range, else spread over the range.
CSampleFrame BellcoreSampleFrame(double eventZeroKm, const CFxdParams& fxd, std::size_t count);
// The frame of a Bellcore file from its parameter blocks (either layout).
template <class GenParams>
CSampleFrame BellcoreSampleFrameOf(const GenParams& gen, const CFxdParams& fxd, std::size_t count) {
    std::int32_t distance = 0;
    if constexpr (requires { gen.GetUserOffsetDistance(); })
        distance = gen.GetUserOffsetDistance();
    return BellcoreSampleFrame(EventZeroKm(gen.GetUserOffset(), distance,
                                           fxd.GetAcquisitionOffset(), fxd.GetFrontPanelOffset(),
                                           fxd.GetGroupIndex()),
                               fxd, count);
}

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
