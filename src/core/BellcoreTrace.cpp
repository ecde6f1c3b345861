#include "core/BellcoreTrace.h"

#include "formats/bellcore/BellcoreFields.h"
#include "formats/m600/M600Conversions.h"
#include "platform/TextCodec.h"

#include <cmath>

namespace {

// Km of one time unit at group index 1, as the parameter blocks convert.
constexpr double kKmPerTimeUnit = 0.00002998;
// The data spacing counts ten-thousandths of a time unit.
constexpr double kSpacingPerTimeUnit = 10000.0;
// The user offset distance counts tenths of a metre.
constexpr double kKmPerOffsetDistance = 0.0001;

} // namespace

double EventZeroKm(std::int32_t userOffset, std::int32_t userOffsetDistance,
                   std::int32_t acquisitionOffset, std::int32_t frontPanelOffset,
                   double groupIndex) {
    if (!(groupIndex > 0.0) || !std::isfinite(groupIndex))
        return 0.0;
    const double frontPanel =
        static_cast<double>(acquisitionOffset != 0 ? acquisitionOffset : frontPanelOffset);
    double km = frontPanel / groupIndex * kKmPerTimeUnit;
    if (userOffset != 0)
        km += static_cast<double>(userOffset) / groupIndex * kKmPerTimeUnit;
    else
        km += static_cast<double>(userOffsetDistance) * kKmPerOffsetDistance;
    return std::isfinite(km) ? km : 0.0;
}

CSampleFrame BellcoreSampleFrame(double eventZeroKm, const CFxdParams& fxd, std::size_t count) {
    const double start = -eventZeroKm;
    const double range = fxd.RangeKm();
    if (count < 2)
        return {start, start + range};
    double spacing = 0.0;
    if (fxd.GetPulseEntryCount() == 1)
        spacing = fxd.TimeToKm(fxd.GetPulseEntry(0).GetDataSpacing()) / kSpacingPerTimeUnit;
    // A spacing far from what the range gives is a placeholder, not the samples' own
    // (instruments' differ from it by the offsets, a few per cent).
    const double span = spacing * static_cast<double>(count - 1);
    const bool plausible = span > 0.75 * range && span < 1.25 * range;
    if (!plausible || !std::isfinite(span))
        spacing = range / static_cast<double>(count - 1);
    return {start, start + spacing * static_cast<double>(count - 1)};
}

CKeyEvent KeyEventFromBellcore(const CBellcoreEvent& record, int index, const CFxdParams& fxd,
                               bool srLayout) {
    CKeyEvent event;
    event.SetFileIndex(index);
    event.SetType(record.GetEventType());
    const int origin = record.GetEventOrigin();
    event.SetFlag(IsUserOrigin(origin));
    int marker = 0;
    if (srLayout) {
        marker = index == 0 ? 1 : 0;
        if (IsEndOrigin(origin))
            marker = 2;
    } else {
        marker = IsEndOrigin(origin) ? 2 : 0;
        if (index == 0)
            marker = 1;
    }
    event.SetMarker(marker);
    event.SetMethod(record.GetTechnique());
    event.SetPosition(static_cast<float>(fxd.TimeToKm(record.GetPropagationTime())));
    event.SetLoss(record.GetEventLoss());
    event.SetReflectance(record.GetEventReflectance());
    event.SetAttenuation(record.GetAttenuationCoefficient());
    event.SetComment(TextCodec::Cp1251ToUtf8(record.GetComment()));
    return event;
}

void BellcoreFromKeyEvent(const CKeyEvent& event, bool existed, const CFxdParams& fxd,
                          CBellcoreEvent& record) {
    int origin = kOriginFound;
    if (event.GetMarker() == 2)
        origin = event.GetFlag() ? kOriginEndByUser : kOriginEnd;
    else if (event.GetFlag())
        origin = existed ? kOriginMoved : kOriginAdded;
    record.SetEventCode(event.GetType(), origin, record.GetCodeNumber());
    record.SetTechnique(event.GetMethod());
    const double km = event.GetPosition();
    if (!existed || static_cast<float>(fxd.TimeToKm(record.GetPropagationTime())) != km)
        record.SetPropagationTime(NearestNeighbour(
            fxd.KmToTime(km), km, [&](std::uint32_t t) { return fxd.TimeToKm(t); }));
    // Each value as its nearest stored unit, which the writer keeps: a value read from the
    // file stays exactly as it was, and 0.087 typed is stored as 87, not truncated to 86.
    record.SetEventLoss(NearestStored<float, std::int16_t>(event.GetLoss(), kScaleMilli));
    record.SetEventReflectance(
        NearestStored<double, std::int32_t>(event.GetReflectance(), kScaleMilli));
    record.SetAttenuationCoefficient(
        NearestStored<float, std::int16_t>(event.GetAttenuation(), kScaleMilli));
    record.SetComment(TextCodec::Utf8ToCp1251(event.GetComment()));
}

std::array<std::string, 5> BellcoreDescriptionValues(double rangeKm, const CFxdParams& fxd) {
    const std::string pulse = fxd.GetPulseEntryCount() > 0
                                  ? FormatText("%i ns", fxd.GetPulseEntry(0).GetPulseWidth())
                                  : std::string("--");
    // Stored as a positive number; shown as the negative dB it stands for (never "-0").
    const double backscatter = 0.0 - static_cast<double>(fxd.GetBackscatterCoefficient());
    return {FormatText("%.3g km", rangeKm), pulse, FormatText("%i nm", fxd.GetActualWavelength()),
            FormatText("%g", fxd.GetGroupIndex()), FormatText("%g dB", backscatter)};
}
