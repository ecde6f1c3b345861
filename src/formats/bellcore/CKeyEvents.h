#pragma once
// "KeyEvents": the events found on a trace, with the end-to-end loss and the optical return
// loss. Positions are time-coded; FxdParams converts them to kilometres. Comments are held
// as stored, Windows-1251 bytes.

#include "formats/bellcore/CBellcoreBlock.h"
#include "platform/CException.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The parts of an event code: type index (0..2), origin index (0..5) and number.
struct CEventCode {
    int type = 0;
    int origin = 0;
    std::int16_t number = 0;
};

// The six characters stored for a code: type, origin, number with at least four digits
// ("1F0012"), or a sign and at least three ("1F-012"); anything past six characters is cut
// off. Indices outside the tables give the tables' fallback codes.
std::string FormatEventCode(int type, int origin, int number);
// Up to six stored bytes (a NUL ends them): characters outside the tables give index 0; the
// number is the decimal value from the third character on (blanks and a sign accepted, 0
// when there are no digits).
CEventCode ParseEventCode(std::string_view stored);

// One event record of the GR-196-CORE layout.
class CBellcoreEvent {
public:
    // The record with an empty comment: the least a record takes in the file.
    static constexpr std::uint32_t kMinSize = 23;

    CBellcoreEvent() = default;
    virtual ~CBellcoreEvent() = default;
    CBellcoreEvent(const CBellcoreEvent&) = default;
    CBellcoreEvent& operator=(const CBellcoreEvent&) = default;

    // Bytes the record takes in the file.
    virtual std::uint32_t GetSize() const;
    // Reads or writes the record, by the stream's mode.
    virtual void Serialize(CBellcoreStream& stream);

    std::uint16_t GetEventNumber() const { return eventNumber_; }
    void SetEventNumber(std::uint16_t value) { eventNumber_ = value; }
    // Time-coded.
    std::uint32_t GetPropagationTime() const { return propagationTime_; }
    void SetPropagationTime(std::uint32_t value) { propagationTime_ = value; }
    // dB/km of the fibre leading into the event.
    float GetAttenuationCoefficient() const { return attenuationCoefficient_; }
    void SetAttenuationCoefficient(float value) { attenuationCoefficient_ = value; }
    // dB.
    float GetEventLoss() const { return eventLoss_; }
    void SetEventLoss(float value) { eventLoss_ = value; }
    // dB.
    double GetEventReflectance() const { return eventReflectance_; }
    void SetEventReflectance(double value) { eventReflectance_ = value; }

    int GetEventType() const { return code_.type; }
    int GetEventOrigin() const { return code_.origin; }
    std::int16_t GetCodeNumber() const { return code_.number; }
    const CEventCode& GetEventCode() const { return code_; }
    // The six characters written for the code.
    std::string GetEventCodeText() const;
    // Type 0..2, origin 0..5, else "Ошибка в блоке OTDR".
    void SetEventCode(int type, int origin, std::int16_t number);

    // Loss measurement technique: 0 "2P", 1 "LS", 2 "OT".
    int GetTechnique() const { return technique_; }
    // 0..2, else "Ошибка в блоке OTDR".
    void SetTechnique(int index);

    const std::string& GetComment() const { return comment_; }
    void SetComment(const std::string& value) { comment_ = value; }

protected:
    // Every field before the comment, in file order.
    void SerializeFixed(CBellcoreStream& stream);
    void SerializeComment(CBellcoreStream& stream);

private:
    std::uint16_t eventNumber_ = 1;
    std::uint32_t propagationTime_ = 0;
    float attenuationCoefficient_ = 0.0f;
    float eventLoss_ = 0.0f;
    double eventReflectance_ = 0.0;
    CEventCode code_;
    int technique_ = 0;
    std::string comment_ = " ";
};

// The six block totals, shared by both layouts.
class CKeyEventTotals {
public:
    // dB.
    double GetEndToEndLoss() const { return endToEndLoss_; }
    void SetEndToEndLoss(double value) { endToEndLoss_ = value; }
    // Time-coded.
    std::uint32_t GetEndToEndMarker1() const { return endToEndMarker1_; }
    void SetEndToEndMarker1(std::uint32_t value) { endToEndMarker1_ = value; }
    std::uint32_t GetEndToEndMarker2() const { return endToEndMarker2_; }
    void SetEndToEndMarker2(std::uint32_t value) { endToEndMarker2_ = value; }
    // dB.
    float GetOpticalReturnLoss() const { return opticalReturnLoss_; }
    void SetOpticalReturnLoss(float value) { opticalReturnLoss_ = value; }
    // Time-coded.
    std::uint32_t GetReturnLossMarker1() const { return returnLossMarker1_; }
    void SetReturnLossMarker1(std::uint32_t value) { returnLossMarker1_ = value; }
    std::uint32_t GetReturnLossMarker2() const { return returnLossMarker2_; }
    void SetReturnLossMarker2(std::uint32_t value) { returnLossMarker2_ = value; }

    // Also across layouts.
    void AssignTotals(const CKeyEventTotals& other) { *this = other; }

protected:
    // The totals and the event count field.
    static constexpr std::uint32_t kFixedSize = 24;

    CKeyEventTotals() = default;
    ~CKeyEventTotals() = default;
    CKeyEventTotals(const CKeyEventTotals&) = default;
    CKeyEventTotals& operator=(const CKeyEventTotals&) = default;

    void SerializeTotals(CBellcoreStream& stream);

private:
    double endToEndLoss_ = 0.0;
    std::uint32_t endToEndMarker1_ = 0;
    std::uint32_t endToEndMarker2_ = 0;
    float opticalReturnLoss_ = 0.0f;
    std::uint32_t returnLossMarker1_ = 0;
    std::uint32_t returnLossMarker2_ = 0;
};

// The event records and totals of a "KeyEvents" block, for either record type.
template <class Record> class CKeyEventList : public CKeyEventTotals {
public:
    // The count field is 16 bits wide.
    static constexpr int kMaxEvents = 0xFFFF;

    int GetEventCount() const { return static_cast<int>(events_.size()); }
    // An index outside the array raises "Ошибка в блоке OTDR".
    Record& GetEvent(int index) { return events_[Checked(index)]; }
    const Record& GetEvent(int index) const { return events_[Checked(index)]; }
    // Appends a record with the defaults; returns its index.
    int AppendEventRecord() {
        if (GetEventCount() >= kMaxEvents)
            throw COtdrException(kMsgBlockError);
        events_.emplace_back();
        return GetEventCount() - 1;
    }
    // The later records move down by one.
    void RemoveEventRecord(int index) {
        events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(Checked(index)));
    }
    const std::vector<Record>& GetEvents() const { return events_; }
    void SetEvents(std::vector<Record> events) {
        if (events.size() > static_cast<std::size_t>(kMaxEvents))
            throw COtdrException(kMsgBlockError);
        events_ = std::move(events);
    }

protected:
    std::uint32_t ContentSize() const {
        std::uint32_t size = kFixedSize;
        for (const Record& event : events_)
            size += event.GetSize();
        return size;
    }
    void SerializeContent(CBellcoreStream& stream);

    std::vector<Record> events_;

private:
    std::size_t Checked(int index) const {
        if (index < 0 || index >= GetEventCount())
            throw COtdrException(kMsgBlockError);
        return static_cast<std::size_t>(index);
    }
};

template <class Record> void CKeyEventList<Record>::SerializeContent(CBellcoreStream& stream) {
    if (stream.GetMode() == CBellcoreStream::kReading) {
        std::uint16_t count = 0;
        stream.ReadU16(count);
        // A count is trusted only as far as the bytes left could hold its records.
        if (count > stream.GetRemaining() / Record::kMinSize)
            stream.Fail(kMsgCannotRead);
        std::vector<Record> events(count);
        for (Record& event : events)
            event.Serialize(stream);
        events_ = std::move(events);
    } else if (stream.GetMode() == CBellcoreStream::kWriting) {
        stream.WriteU16(static_cast<std::uint16_t>(events_.size()));
        for (Record& event : events_)
            event.Serialize(stream);
    }
    SerializeTotals(stream);
}

// The GR-196-CORE block.
class CKeyEvents : public CBellcoreBlock, public CKeyEventList<CBellcoreEvent> {
public:
    CKeyEvents() : CBellcoreBlock(kBlockKeyEvents) {}

    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override { return ContentSize(); }
    // Written only with at least one event.
    bool HasData() const override { return !events_.empty(); }
    // Empties the events; the totals stay.
    void Reset() override { events_.clear(); }
    void Assign(const CKeyEvents& other);
};
