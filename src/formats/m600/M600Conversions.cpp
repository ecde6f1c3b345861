#include "formats/m600/M600Conversions.h"

#include "formats/bellcore/BellcoreFields.h"
#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "formats/m600/CM600File.h"

#include <cmath>
#include <ctime>
#include <type_traits>
#include <vector>

namespace {

// M600 distance unit codes against the Bellcore units table ("km", "mt", "ft", "kf", "mi").
constexpr int kUnitsKm = 0;
constexpr int kUnitsMetres = 1;
constexpr int kUnitsFeet = 2;
constexpr int kUnitsMiles = 4;

int M600UnitsFromBellcore(int units) {
    switch (units) {
    case kUnitsMetres:
        return 3;
    case kUnitsFeet:
        return 2;
    case kUnitsMiles:
        return 4;
    default:
        return 1;
    }
}

int BellcoreUnitsFromM600(int units) {
    switch (units) {
    case 2:
        return kUnitsFeet;
    case 3:
        return kUnitsMetres;
    case 4:
        return kUnitsMiles;
    default:
        return kUnitsKm;
    }
}

std::uint8_t M600TechniqueFromBellcore(int technique) {
    return technique == 0 ? 1 : (technique == 1 ? 2 : 3);
}

int BellcoreTechniqueFromM600(std::uint8_t technique) {
    return technique == 1 ? 0 : (technique == 2 ? 1 : 2);
}

// Bellcore levels are decoded 0.001 dB steps (or finer below 1 dB): the nearest M600 step
// keeps them, where truncating a float product would lose a step now and then.
std::vector<float> M600Samples(const std::vector<float>& levels) {
    std::vector<float> samples(levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const auto stored =
            TruncateToStored<std::uint16_t>(std::round(static_cast<double>(levels[i]) * 1000.0));
        samples[i] = static_cast<float>(stored) * 0.001f;
    }
    return samples;
}

// The values the M600 file stores for its samples, as one Bellcore group of scale 1, so that
// the Bellcore file holds exactly the same steps.
std::vector<CScaleGroup> BellcoreGroups(const std::vector<float>& samples) {
    if (samples.empty())
        return {};
    std::vector<std::uint16_t> points(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        points[i] = TruncateToStored<std::uint16_t>(samples[i] * 1000.0f);
    CScaleGroup group;
    group.SetScaleFactor(1000);
    group.SetPoints(std::move(points));
    return {group};
}

CM600Event M600EventFrom(const CBellcoreEvent& record, const CFxdParams& fxd,
                         std::uint32_t storedGroupIndex) {
    CM600Event event;
    event.number = record.GetEventNumber();
    event.time = CM600File::KmToTime(fxd.TimeToKm(record.GetPropagationTime()), storedGroupIndex);
    event.loss = TruncateToStored<std::int16_t>(record.GetEventLoss() * 1000.0);
    event.reflectance = TruncateToStored<std::int32_t>(record.GetEventReflectance() * 1000.0);
    event.comment = record.GetComment();
    const int origin = record.GetEventOrigin();
    event.editFlag = IsUserOrigin(origin) ? kM600UserEdited : kM600NotEdited;
    event.code = M600EventCode(record.GetEventType() != 0, IsEndOrigin(origin));
    event.technique = M600TechniqueFromBellcore(record.GetTechnique());
    return event;
}

template <class File> void BuildM600(CM600File& m600, const File& file) {
    const CGenParams& gen = file.GetGenParams();
    const CFxdParams& fxd = file.GetFxdParams();
    m600 = CM600File();
    m600.SetFormat(2);
    m600.SetHeaderWord(1);
    m600.SetHeaderLong(1);
    m600.SetHeaderWord2(0);
    m600.SetMode1(0);
    m600.SetMode2(1);
    m600.SetTime(static_cast<std::time_t>(fxd.GetDateTimeStamp()));
    m600.SetText(CM600File::Text::CableId, gen.GetCableId());
    m600.SetText(CM600File::Text::CableCode, gen.GetCableCode());
    m600.SetText(CM600File::Text::Comment, gen.GetComment());
    m600.SetText(CM600File::Text::OriginatingLocation, gen.GetOriginatingLocation());
    m600.SetText(CM600File::Text::TerminatingLocation, gen.GetTerminatingLocation());
    m600.SetText(CM600File::Text::Operator, gen.GetOperator());
    m600.SetDistanceUnits(M600UnitsFromBellcore(fxd.GetUnits()));
    m600.SetAcquisitionOffset(static_cast<std::uint32_t>(fxd.GetAcquisitionOffset()));
    m600.SetFirstPulsePoints(
        fxd.GetPulseEntryCount() > 0 ? fxd.GetPulseEntry(0).GetNumberOfDataPoints() : 0);
    m600.SetGroupIndexStored(TruncateToStored<std::uint32_t>(fxd.GetGroupIndex() * 100000.0));
    m600.SetAverages(fxd.GetNumberOfAverages());
    m600.SetRangeStored(TruncateToStored<std::uint32_t>(fxd.RangeKm() * 1000.0));
    m600.SetFrontPanelOffset(static_cast<std::uint32_t>(fxd.GetFrontPanelOffset()));
    m600.SetWavelength(gen.GetNominalWavelength());

    std::vector<std::uint16_t> widths;
    for (int i = 0; i < fxd.GetPulseEntryCount(); ++i)
        widths.push_back(fxd.GetPulseEntry(i).GetPulseWidth());
    m600.SetPulseWidths(std::move(widths));

    // Tenths of a dB, signed as the way back reads it.
    m600.SetBackscatter(static_cast<std::uint16_t>(
        TruncateToStored<std::int16_t>(fxd.GetBackscatterCoefficient() * 10.0)));
    // The noise floor and the reflectance threshold are negative in dB and stored negated,
    // as in the Bellcore field; the other values cannot go below 0 in the unsigned field.
    m600.SetNoiseFloor(TruncateToStored<std::uint16_t>(fxd.GetNoiseFloorLevel() * -1000.0));
    m600.SetPowerOffset(TruncateToStored<std::uint16_t>(fxd.GetPowerOffsetFirstPoint() * 1000.0));
    m600.SetLossThresholdStored(TruncateToStored<std::uint16_t>(fxd.GetLossThreshold() * 1000.0));
    m600.SetReflectanceThresholdStored(
        TruncateToStored<std::uint16_t>(fxd.GetReflectanceThreshold() * -1000.0));
    m600.SetEndThresholdStored(
        TruncateToStored<std::uint16_t>(fxd.GetEndOfFiberThreshold() * 1000.0));

    for (const auto& record : file.GetKeyEvents().GetEvents())
        m600.SetEventRecord(m600.AddEvent(),
                            M600EventFrom(record, fxd, m600.GetGroupIndexStored()));
    m600.SetSamples(M600Samples(file.GetDataPts().GetLevels()));
}

template <class Record>
Record BellcoreEventFrom(const CM600File& m600, int index, const CFxdParams& fxd) {
    const CM600Event& event = m600.GetEvent(index);
    const double km = CM600File::TimeToKm(event.time, m600.GetGroupIndexStored());
    Record record;
    record.SetEventNumber(event.number);
    record.SetPropagationTime(fxd.KmToTime(km));
    record.SetEventLoss(DecodeScaled<float>(event.loss, kScaleMilli));
    record.SetEventReflectance(DecodeScaled<double>(event.reflectance, kScaleMilli));
    record.SetComment(event.comment);
    // An end stays an end also in the first record, as between the two layouts; whether the
    // first record shows as the start is each reader's rule.
    const bool user = event.editFlag == kM600UserEdited;
    int origin = user ? kOriginAdded : kOriginFound;
    if (IsM600EndCode(event.code))
        origin = user ? kOriginEndByUser : kOriginEnd;
    record.SetEventCode(IsM600Reflective(event.code) ? 1 : 0, origin, 0);
    record.SetTechnique(BellcoreTechniqueFromM600(event.technique));
    return record;
}

template <class File> void BuildBellcore(File& file, const CM600File& m600) {
    file.Clear();
    auto& gen = file.GetGenParams();
    gen.SetCableId(m600.GetText(CM600File::Text::CableId));
    gen.SetCableCode(m600.GetText(CM600File::Text::CableCode));
    gen.SetComment(m600.GetText(CM600File::Text::Comment));
    gen.SetOriginatingLocation(m600.GetText(CM600File::Text::OriginatingLocation));
    gen.SetTerminatingLocation(m600.GetText(CM600File::Text::TerminatingLocation));
    gen.SetOperator(m600.GetText(CM600File::Text::Operator));
    gen.SetNominalWavelength(m600.GetWavelength());

    auto& fxd = file.GetFxdParams();
    const std::time_t time = m600.GetTime();
    fxd.SetDateTimeStamp(time < 0 ? 0 : TruncateToStored<std::uint32_t>(static_cast<double>(time)));
    fxd.SetAcquisitionOffset(static_cast<std::int32_t>(m600.GetAcquisitionOffset()));
    fxd.SetNumberOfAverages(m600.GetAverages());
    fxd.SetFrontPanelOffset(static_cast<std::int32_t>(m600.GetFrontPanelOffset()));
    // Decoded so that writing gives the stored value back, not one unit less.
    fxd.SetGroupIndex(DecodeScaled<double>(m600.GetGroupIndexStored(), kScaleGroupIndex));
    fxd.SetAcquisitionRange(fxd.KmToTime(m600.GetRangeKm()));
    // The parameters pane shows the actual wavelength; without it the trace would claim the
    // new block's 1550 nm.
    fxd.SetActualWavelength(static_cast<std::int16_t>(m600.GetWavelength()));
    fxd.SetBackscatterCoefficient(
        DecodeScaled<float>(static_cast<std::int16_t>(m600.GetBackscatter()), kScaleTenth));
    fxd.SetNoiseFloorLevel(DecodeScaled<float>(m600.GetNoiseFloor(), kScaleNegMilli));
    fxd.SetPowerOffsetFirstPoint(DecodeScaled<float>(m600.GetPowerOffset(), kScaleMilli));
    fxd.SetLossThreshold(DecodeScaled<float>(m600.GetLossThresholdStored(), kScaleMilli));
    fxd.SetReflectanceThreshold(
        DecodeScaled<float>(m600.GetReflectanceThresholdStored(), kScaleNegMilli));
    fxd.SetEndOfFiberThreshold(DecodeScaled<float>(m600.GetEndThresholdStored(), kScaleMilli));
    fxd.SetUnits(BellcoreUnitsFromM600(m600.GetDistanceUnits()));
    for (const std::uint16_t width : m600.GetPulseWidths())
        fxd.AddPulseEntry(CPulseWidthEntry(width, 0, m600.GetFirstPulsePoints()));

    using Record = typename std::decay_t<decltype(file.GetKeyEvents().GetEvents())>::value_type;
    std::vector<Record> events;
    events.reserve(static_cast<std::size_t>(m600.GetEventCount()));
    for (int i = 0; i < m600.GetEventCount(); ++i)
        events.push_back(BellcoreEventFrom<Record>(m600, i, fxd));
    file.GetKeyEvents().SetEvents(std::move(events));

    file.GetDataPts().SetScaleGroups(BellcoreGroups(m600.GetSamples()));
}

} // namespace

bool IsEndOrigin(int origin) {
    return origin == kOriginEnd || origin == kOriginEndByUser;
}

bool IsUserOrigin(int origin) {
    return origin == kOriginAdded || origin == kOriginMoved || origin == kOriginEndByUser;
}

bool IsM600Reflective(std::uint8_t code) {
    return code != 0 && code != 2 && code != 7 && code != 9;
}

bool IsM600EndCode(std::uint8_t code) {
    return code >= 7 && code <= 9;
}

std::uint8_t M600EventCode(bool reflective, bool end) {
    if (end)
        return reflective ? 8 : 7;
    return reflective ? 3 : 2;
}

void CM600File::AssignFromBellcore(const CGR196File& file) {
    BuildM600(*this, file);
}

void CM600File::AssignFromBellcore(const CSR4731File& file) {
    BuildM600(*this, file);
}

void FromM600(CGR196File& file, const CM600File& m600) {
    BuildBellcore(file, m600);
}

void FromM600(CSR4731File& file, const CM600File& m600) {
    BuildBellcore(file, m600);
}
