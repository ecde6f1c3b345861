#include "formats/bellcore/CFxdParams.h"

#include "formats/bellcore/BellcoreCodes.h"
#include "formats/bellcore/BellcoreFields.h"
#include "platform/CException.h"

#include <cmath>
#include <ctime>

namespace {

constexpr double kKmPerTimeUnit = 0.00002998;
constexpr double kTimeUnitsPerKm = 33355.5703802535;

// Sizes of the runs common to both layouts.
constexpr std::uint32_t kStartSize = 4 + 2 + 2 + 4;
constexpr std::uint32_t kSamplingSize = 2 + 4 + 2 + 4;
constexpr std::uint32_t kRangeSize = 4;
constexpr std::uint32_t kThresholdsSize = 4 + 6 * 2;
// Acquisition offset distance, averaging time, acquisition range distance, trace type,
// window coordinates.
constexpr std::uint32_t kSrFieldsSize = 4 + 2 + 4 + 2 + 4 * 4;

bool UsableGroupIndex(double groupIndex) {
    return std::isfinite(groupIndex) && groupIndex > 0;
}

} // namespace

std::uint32_t CFxdParams::CurrentTimeStamp() {
    return TruncateToStored<std::uint32_t>(static_cast<double>(std::time(nullptr)));
}

double CFxdParams::TimeToKm(double time) const {
    if (!UsableGroupIndex(values_.groupIndex))
        return 0;
    return time / values_.groupIndex * kKmPerTimeUnit;
}

std::uint32_t CFxdParams::KmToTime(double km) const {
    return TruncateToStored<std::uint32_t>(km * values_.groupIndex * kTimeUnitsPerKm);
}

std::size_t CFxdParams::CheckedPulseIndex(int index) const {
    if (index < 0 || index >= GetPulseEntryCount())
        throw COtdrException(kMsgBlockError);
    return static_cast<std::size_t>(index);
}

const CPulseWidthEntry& CFxdParams::GetPulseEntry(int index) const {
    return values_.pulses[CheckedPulseIndex(index)];
}

CPulseWidthEntry& CFxdParams::GetPulseEntry(int index) {
    return values_.pulses[CheckedPulseIndex(index)];
}

void CFxdParams::AddPulseEntry(const CPulseWidthEntry& entry) {
    if (GetPulseEntryCount() >= kMaxPulseEntries)
        throw COtdrException(kMsgBlockError);
    values_.pulses.push_back(entry);
}

void CFxdParams::SetUnits(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kUnitsTable.count)
        throw COtdrException(kMsgBlockError);
    values_.units = index;
}

void CFxdParams::SerializeStart(CBellcoreStream& stream) {
    SerializeField(stream, values_.dateTimeStamp);
    SerializeCode(stream, values_.units, kUnitsTable);
    // Tenths of a nm, read as signed; the fraction is dropped.
    std::uint16_t tenths = static_cast<std::uint16_t>(values_.actualWavelength * 10);
    SerializeField(stream, tenths);
    if (IsReading(stream))
        values_.actualWavelength =
            static_cast<std::int16_t>(static_cast<std::int16_t>(tenths) / 10);
    SerializeField(stream, values_.acquisitionOffset);
}

void CFxdParams::SerializeSampling(CBellcoreStream& stream) {
    auto& pulses = values_.pulses;
    std::uint16_t count = static_cast<std::uint16_t>(pulses.size());
    SerializeField(stream, count);
    if (IsReading(stream)) {
        // The count is trusted only as far as the bytes left could hold its entries.
        if (std::size_t{count} * CPulseWidthEntry::kSize > stream.GetRemaining())
            stream.Fail(kMsgCannotRead);
        pulses.assign(count, CPulseWidthEntry());
    }
    const std::size_t n = IsReading(stream) || IsWriting(stream) ? pulses.size() : 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint16_t width = pulses[i].GetPulseWidth();
        SerializeField(stream, width);
        pulses[i].SetPulseWidth(width);
    }
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t spacing = pulses[i].GetDataSpacing();
        SerializeField(stream, spacing);
        pulses[i].SetDataSpacing(spacing);
    }
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t points = pulses[i].GetNumberOfDataPoints();
        SerializeField(stream, points);
        pulses[i].SetNumberOfDataPoints(points);
    }
    SerializeScaled<std::uint32_t>(stream, values_.groupIndex, kScaleGroupIndex);
    SerializeScaled<std::int16_t>(stream, values_.backscatterCoefficient, kScaleTenth);
    SerializeField(stream, values_.numberOfAverages);
}

void CFxdParams::SerializeRange(CBellcoreStream& stream) {
    SerializeField(stream, values_.acquisitionRange);
}

void CFxdParams::SerializeThresholds(CBellcoreStream& stream) {
    SerializeField(stream, values_.frontPanelOffset);
    SerializeScaled<std::uint16_t>(stream, values_.noiseFloorLevel, kScaleNegMilli);
    SerializeScaled<std::int16_t>(stream, values_.noiseFloorScaleFactor, kScaleMilli);
    SerializeScaled<std::uint16_t>(stream, values_.powerOffsetFirstPoint, kScaleMilli);
    SerializeScaled<std::uint16_t>(stream, values_.lossThreshold, kScaleMilli);
    SerializeScaled<std::uint16_t>(stream, values_.reflectanceThreshold, kScaleNegMilli);
    SerializeScaled<std::uint16_t>(stream, values_.endOfFiberThreshold, kScaleMilli);
}

int CFxdParams::Serialize(CBellcoreStream& stream) {
    SerializeStart(stream);
    SerializeSampling(stream);
    SerializeRange(stream);
    SerializeThresholds(stream);
    return stream.GetCounter();
}

std::uint32_t CFxdParams::GetSize() const {
    return kStartSize + kSamplingSize + kRangeSize + kThresholdsSize +
           static_cast<std::uint32_t>(values_.pulses.size()) * CPulseWidthEntry::kSize;
}

void CFxdParams::Assign(const CFxdParams& other) {
    CopyHeader(other);
    values_ = other.values_;
}

void CFxdParamsSR::SetTraceType(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kTraceTypeTable.count)
        throw COtdrException(kMsgBlockError);
    traceType_ = index;
}

std::int32_t CFxdParamsSR::GetWindowCoordinate(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= windowCoordinates_.size())
        throw COtdrException(kMsgBlockError);
    return windowCoordinates_[static_cast<std::size_t>(index)];
}

void CFxdParamsSR::SetWindowCoordinate(int index, std::int32_t value) {
    if (index < 0 || static_cast<std::size_t>(index) >= windowCoordinates_.size())
        throw COtdrException(kMsgBlockError);
    windowCoordinates_[static_cast<std::size_t>(index)] = value;
}

int CFxdParamsSR::Serialize(CBellcoreStream& stream) {
    SerializeName(stream);
    SerializeStart(stream);
    SerializeField(stream, acquisitionOffsetDistance_);
    SerializeSampling(stream);
    SerializeField(stream, averagingTime_);
    SerializeRange(stream);
    SerializeField(stream, acquisitionRangeDistance_);
    SerializeThresholds(stream);
    SerializeCode(stream, traceType_, kTraceTypeTable);
    for (auto& coordinate : windowCoordinates_)
        SerializeField(stream, coordinate);
    return stream.GetCounter();
}

std::uint32_t CFxdParamsSR::GetSize() const {
    return NameSize() + CFxdParams::GetSize() + kSrFieldsSize;
}

void CFxdParamsSR::Assign(const CFxdParamsSR& other) {
    CFxdParams::Assign(other);
    acquisitionOffsetDistance_ = other.acquisitionOffsetDistance_;
    averagingTime_ = other.averagingTime_;
    acquisitionRangeDistance_ = other.acquisitionRangeDistance_;
    traceType_ = other.traceType_;
    windowCoordinates_ = other.windowCoordinates_;
}
