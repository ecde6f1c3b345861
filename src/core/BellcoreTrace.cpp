#include "core/BellcoreTrace.h"

#include "formats/bellcore/BellcoreFields.h"
#include "formats/m600/M600Conversions.h"
#include "platform/TextCodec.h"

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
