#include "analysis/SignalAnalysis.h"

#include "core/CGR196Signal.h"
#include "core/CM600Signal.h"
#include "core/CSR4731Signal.h"
#include "formats/bellcore/BellcoreFields.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

template <class Signal> void FillBellcore(const Signal& signal, CAnalysisTrace& trace) {
    const CFxdParams& fxd = signal.GetFile().GetFxdParams();
    if (fxd.GetPulseEntryCount() > 0)
        trace.pulseWidthNs = fxd.GetPulseEntry(0).GetPulseWidth();
    trace.backscatter = std::abs(fxd.GetBackscatterCoefficient());
    trace.wavelength = fxd.GetActualWavelength();
}

template <class Signal> void BellcoreThresholds(const Signal& signal, CAnalysisThresholds& out) {
    const CFxdParams& fxd = signal.GetFile().GetFxdParams();
    if (fxd.GetLossThreshold() > 0.0f && fxd.GetLossThreshold() < 10.0f)
        out.spliceLoss = fxd.GetLossThreshold();
    // Some instruments store the reflectance threshold as a positive number of dB.
    if (fxd.GetReflectanceThreshold() != 0.0f && std::abs(fxd.GetReflectanceThreshold()) < 100.0f)
        out.reflectance = -std::abs(fxd.GetReflectanceThreshold());
    if (fxd.GetEndOfFiberThreshold() > 0.0f && fxd.GetEndOfFiberThreshold() < 60.0f)
        out.endOfFibre = fxd.GetEndOfFiberThreshold();
}

// The totals as stored units read back, between the start and the end found; a total the
// analysis cannot tell (no backscatter coefficient: no return loss) stays as the file had it.
template <class Signal> void SetBellcoreTotals(Signal& signal, const CAnalysisResult& result) {
    if (result.events.size() < 2)
        return;
    auto& totals = signal.GetFile().GetKeyEvents();
    const CFxdParams& fxd = signal.GetFile().GetFxdParams();
    // As the event records store them: the nearest time unit.
    const auto timeOf = [&fxd](double km) {
        km = std::max(0.0, km);
        return NearestNeighbour(fxd.KmToTime(km), km,
                                [&fxd](std::uint32_t t) { return fxd.TimeToKm(t); });
    };
    const std::uint32_t from = timeOf(result.events.front().GetPosition());
    const std::uint32_t to = timeOf(result.events.back().GetPosition());
    if (std::isfinite(result.endToEndLoss)) {
        totals.SetEndToEndLoss(
            NearestStored<double, std::int32_t>(result.endToEndLoss, kScaleMilli));
        totals.SetEndToEndMarker1(from);
        totals.SetEndToEndMarker2(to);
    }
    if (std::isfinite(result.opticalReturnLoss)) {
        totals.SetOpticalReturnLoss(
            NearestStored<float, std::uint16_t>(result.opticalReturnLoss, kScaleMilli));
        totals.SetReturnLossMarker1(from);
        totals.SetReturnLossMarker2(to);
    }
}

} // namespace

CAnalysisTrace AnalysisTraceOf(const CSignal& signal) {
    CAnalysisTrace trace;
    const std::vector<float>& levels = signal.GetLevels();
    trace.levels = levels.data();
    trace.count = levels.size();
    trace.startKm = signal.GetStartDistance();
    // The frame the samples are drawn in, which is the frame of the instrument's own events.
    trace.spacingKm = signal.GetSampleSpacing();
    trace.groupIndex = signal.GetGroupIndex();
    if (const auto* gr = dynamic_cast<const CGR196Signal*>(&signal)) {
        FillBellcore(*gr, trace);
    } else if (const auto* sr = dynamic_cast<const CSR4731Signal*>(&signal)) {
        FillBellcore(*sr, trace);
    } else if (const auto* m600 = dynamic_cast<const CM600Signal*>(&signal)) {
        const CM600File& file = m600->GetFile();
        if (file.GetPulseWidthCount() > 0)
            trace.pulseWidthNs = file.GetPulseWidth(0);
        trace.backscatter = std::abs(static_cast<std::int16_t>(file.GetBackscatter()) / 10.0);
        trace.wavelength = file.GetWavelength();
    }
    return trace;
}

CAnalysisThresholds StoredThresholds(const CSignal& signal) {
    CAnalysisThresholds thresholds;
    if (const auto* gr = dynamic_cast<const CGR196Signal*>(&signal)) {
        BellcoreThresholds(*gr, thresholds);
    } else if (const auto* sr = dynamic_cast<const CSR4731Signal*>(&signal)) {
        BellcoreThresholds(*sr, thresholds);
    } else if (const auto* m600 = dynamic_cast<const CM600Signal*>(&signal)) {
        const CM600File& file = m600->GetFile();
        if (file.GetLossThreshold() > 0.0 && file.GetLossThreshold() < 10.0)
            thresholds.spliceLoss = file.GetLossThreshold();
        if (file.GetReflectanceThreshold() < 0.0 && file.GetReflectanceThreshold() > -100.0)
            thresholds.reflectance = file.GetReflectanceThreshold();
        if (file.GetEndThreshold() > 0.0 && file.GetEndThreshold() < 60.0)
            thresholds.endOfFibre = file.GetEndThreshold();
    }
    return thresholds;
}

void ReplaceEvents(CSignal& signal, const CAnalysisResult& result) {
    for (int i = signal.GetEventCount(); i-- > 0;)
        signal.DeleteEvent(i);
    for (const CKeyEvent& event : result.events)
        signal.SetEvent(signal.AddEvent(), event);
    signal.SetSelectedEvent(-1);
    if (auto* gr196 = dynamic_cast<CGR196Signal*>(&signal))
        SetBellcoreTotals(*gr196, result);
    else if (auto* sr = dynamic_cast<CSR4731Signal*>(&signal))
        SetBellcoreTotals(*sr, result);
}
