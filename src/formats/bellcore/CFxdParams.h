#pragma once
// "FxdParams": the fixed acquisition parameters of a trace. Scaled fields are held as
// floating-point values (dB, or the bare group index) and stored as truncated integers.
// Time-coded positions are the instrument's time units; TimeToKm and KmToTime convert them
// with the group index.

#include "formats/bellcore/CBellcoreBlock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// One acquisition pulse width with its sampling.
class CPulseWidthEntry {
public:
    static constexpr std::uint32_t kSize = 10;

    CPulseWidthEntry() = default;
    CPulseWidthEntry(std::uint16_t pulseWidth, std::uint32_t dataSpacing,
                     std::uint32_t numberOfDataPoints)
        : pulseWidth_(pulseWidth), dataSpacing_(dataSpacing),
          numberOfDataPoints_(numberOfDataPoints) {}
    CPulseWidthEntry(const CPulseWidthEntry&) = default;
    CPulseWidthEntry& operator=(const CPulseWidthEntry&) = default;
    virtual ~CPulseWidthEntry() = default;

    // Bytes the entry takes in the file (its three values sit in three separate arrays).
    virtual std::uint32_t GetSize() const { return kSize; }

    // ns.
    std::uint16_t GetPulseWidth() const { return pulseWidth_; }
    void SetPulseWidth(std::uint16_t ns) { pulseWidth_ = ns; }
    std::uint32_t GetDataSpacing() const { return dataSpacing_; }
    void SetDataSpacing(std::uint32_t value) { dataSpacing_ = value; }
    std::uint32_t GetNumberOfDataPoints() const { return numberOfDataPoints_; }
    void SetNumberOfDataPoints(std::uint32_t value) { numberOfDataPoints_ = value; }

private:
    std::uint16_t pulseWidth_ = 10;
    std::uint32_t dataSpacing_ = 624999;
    std::uint32_t numberOfDataPoints_ = 16000;
};

class CFxdParams : public CBellcoreBlock {
public:
    // The table holds at most what its u16 count can state.
    static constexpr int kMaxPulseEntries = 65535;

    CFxdParams() : CBellcoreBlock(kBlockFxdParams) {}

    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;
    // Empties the pulse-width table.
    void Reset() override { values_.pulses.clear(); }
    // Header, every field and the pulse-width table of a block of the same layout.
    void Assign(const CFxdParams& other);

    // Acquisition range in km; 0 when the group index is not positive.
    double RangeKm() const { return TimeToKm(values_.acquisitionRange); }
    // A time-coded position in km; 0 when the group index is not positive.
    double TimeToKm(double time) const;
    // km back to time units, truncated toward zero and kept within 0..2^32-1.
    std::uint32_t KmToTime(double km) const;

    int GetPulseEntryCount() const { return static_cast<int>(values_.pulses.size()); }
    // 0..count-1, else "Ошибка в блоке OTDR".
    const CPulseWidthEntry& GetPulseEntry(int index) const;
    CPulseWidthEntry& GetPulseEntry(int index);
    // Appends a copy; "Ошибка в блоке OTDR" when the table is full.
    void AddPulseEntry(const CPulseWidthEntry& entry);

    // Seconds since 1970-01-01 UTC.
    std::uint32_t GetDateTimeStamp() const { return values_.dateTimeStamp; }
    void SetDateTimeStamp(std::uint32_t seconds) { values_.dateTimeStamp = seconds; }
    // Index into the units table ("km", "mt", "ft", "kf", "mi"); a code read outside it is 0.
    int GetUnits() const { return values_.units; }
    // 0..4, else "Ошибка в блоке OTDR".
    void SetUnits(int index);
    // nm; stored in tenths, so the fraction of a stored value is dropped.
    std::int16_t GetActualWavelength() const { return values_.actualWavelength; }
    void SetActualWavelength(std::int16_t nm) { values_.actualWavelength = nm; }
    std::int32_t GetAcquisitionOffset() const { return values_.acquisitionOffset; }
    void SetAcquisitionOffset(std::int32_t value) { values_.acquisitionOffset = value; }
    double GetGroupIndex() const { return values_.groupIndex; }
    void SetGroupIndex(double value) { values_.groupIndex = value; }
    // dB.
    float GetBackscatterCoefficient() const { return values_.backscatterCoefficient; }
    void SetBackscatterCoefficient(float db) { values_.backscatterCoefficient = db; }
    std::uint32_t GetNumberOfAverages() const { return values_.numberOfAverages; }
    void SetNumberOfAverages(std::uint32_t value) { values_.numberOfAverages = value; }
    // Time-coded.
    std::uint32_t GetAcquisitionRange() const { return values_.acquisitionRange; }
    void SetAcquisitionRange(std::uint32_t value) { values_.acquisitionRange = value; }
    std::int32_t GetFrontPanelOffset() const { return values_.frontPanelOffset; }
    void SetFrontPanelOffset(std::int32_t value) { values_.frontPanelOffset = value; }
    // dB, negative (stored negated).
    float GetNoiseFloorLevel() const { return values_.noiseFloorLevel; }
    void SetNoiseFloorLevel(float db) { values_.noiseFloorLevel = db; }
    float GetNoiseFloorScaleFactor() const { return values_.noiseFloorScaleFactor; }
    void SetNoiseFloorScaleFactor(float value) { values_.noiseFloorScaleFactor = value; }
    // dB.
    float GetPowerOffsetFirstPoint() const { return values_.powerOffsetFirstPoint; }
    void SetPowerOffsetFirstPoint(float db) { values_.powerOffsetFirstPoint = db; }
    // dB.
    float GetLossThreshold() const { return values_.lossThreshold; }
    void SetLossThreshold(float db) { values_.lossThreshold = db; }
    // dB, negative (stored negated).
    float GetReflectanceThreshold() const { return values_.reflectanceThreshold; }
    void SetReflectanceThreshold(float db) { values_.reflectanceThreshold = db; }
    // dB.
    float GetEndOfFiberThreshold() const { return values_.endOfFiberThreshold; }
    void SetEndOfFiberThreshold(float db) { values_.endOfFiberThreshold = db; }

protected:
    // The fields in file order, in the runs the other layout interleaves with its own.
    void SerializeStart(CBellcoreStream& stream);
    void SerializeSampling(CBellcoreStream& stream);
    void SerializeRange(CBellcoreStream& stream);
    void SerializeThresholds(CBellcoreStream& stream);

private:
    struct Values {
        std::uint32_t dateTimeStamp = CurrentTimeStamp();
        int units = 0;
        std::int16_t actualWavelength = 1550;
        std::int32_t acquisitionOffset = 0;
        std::vector<CPulseWidthEntry> pulses;
        double groupIndex = static_cast<double>(1.4675f);
        float backscatterCoefficient = 81.5f;
        std::uint32_t numberOfAverages = 180;
        std::uint32_t acquisitionRange = 734257;
        std::int32_t frontPanelOffset = 0;
        float noiseFloorLevel = -51.551f;
        float noiseFloorScaleFactor = 1.0f;
        float powerOffsetFirstPoint = 0.0f;
        float lossThreshold = 0.02f;
        float reflectanceThreshold = -44.0f;
        float endOfFiberThreshold = 5.0f;
    };
    static std::uint32_t CurrentTimeStamp();
    std::size_t CheckedPulseIndex(int index) const;

    Values values_;
};

// The SR-4731 form: opens with its name and adds offsets, averaging time, trace type and
// window coordinates.
class CFxdParamsSR : public CFxdParams {
public:
    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;
    void Assign(const CFxdParamsSR& other);

    std::int32_t GetAcquisitionOffsetDistance() const { return acquisitionOffsetDistance_; }
    void SetAcquisitionOffsetDistance(std::int32_t value) { acquisitionOffsetDistance_ = value; }
    std::uint16_t GetAveragingTime() const { return averagingTime_; }
    void SetAveragingTime(std::uint16_t value) { averagingTime_ = value; }
    std::int32_t GetAcquisitionRangeDistance() const { return acquisitionRangeDistance_; }
    void SetAcquisitionRangeDistance(std::int32_t value) { acquisitionRangeDistance_ = value; }
    // Index into the trace-type table ("ST", "RT", "DT", "FT"); a code read outside it is 0.
    int GetTraceType() const { return traceType_; }
    // 0..3, else "Ошибка в блоке OTDR".
    void SetTraceType(int index);
    // Coordinates 1 to 4 as index 0..3, else "Ошибка в блоке OTDR".
    std::int32_t GetWindowCoordinate(int index) const;
    void SetWindowCoordinate(int index, std::int32_t value);

private:
    std::int32_t acquisitionOffsetDistance_ = 0;
    std::uint16_t averagingTime_ = 0;
    std::int32_t acquisitionRangeDistance_ = 0;
    int traceType_ = 0;
    std::array<std::int32_t, 4> windowCoordinates_{};
};
