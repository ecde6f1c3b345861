#include "analysis/Measurements.h"

#include "analysis/SignalAnalysis.h"
#include "core/CSignal.h"
#include "platform/CException.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr double kLightKmPerNs = 299792.458e-9;
constexpr double kDefaultGroupIndex = 1.468;
// dB; the smallest peak read as a reflection.
constexpr double kLeastPeak = 0.01;

// The trace's samples as fractional indices of km, and the samples of a stretch.
class CSamples {
public:
    explicit CSamples(const CAnalysisTrace& trace) : trace_(trace) {}

    bool Usable() const {
        return trace_.levels && trace_.count >= 2 && std::isfinite(trace_.spacingKm) &&
               trace_.spacingKm > 0.0 && std::isfinite(trace_.startKm);
    }
    double Index(double km) const { return (km - trace_.startKm) / trace_.spacingKm; }
    double Km(double index) const { return SampleDistance(trace_, index); }
    // Within half a sample of the first or last one.
    bool Inside(double km) const {
        const double x = Index(km);
        return x >= -0.5 && x <= static_cast<double>(trace_.count) - 0.5;
    }
    // The samples from..to (either order), as begin and end indices.
    std::pair<std::size_t, std::size_t> Window(double fromKm, double toKm) const {
        const double low = std::clamp(std::ceil(Index(std::min(fromKm, toKm))), 0.0,
                                      static_cast<double>(trace_.count));
        const double high = std::clamp(std::floor(Index(std::max(fromKm, toKm))) + 1.0, 0.0,
                                       static_cast<double>(trace_.count));
        const auto begin = static_cast<std::size_t>(low);
        return {begin, std::max(begin, static_cast<std::size_t>(high))};
    }
    // The least-squares line over the samples from..to; count below 2 when too few.
    CLineFit Fit(double fromKm, double toKm) const {
        const auto [begin, end] = Window(fromKm, toKm);
        CLineFit fit = FitLine(trace_.levels, begin, end);
        if (!std::isfinite(fit.mean) || !std::isfinite(fit.slope))
            fit.count = 0; // a sample that is not a number spoils the window
        return fit;
    }
    double Level(std::size_t i) const { return trace_.levels[i]; }

private:
    const CAnalysisTrace& trace_;
};

double GroupIndexOf(const CAnalysisTrace& trace) {
    return trace.groupIndex >= 1.0 && trace.groupIndex <= 3.0 ? trace.groupIndex
                                                              : kDefaultGroupIndex;
}

bool HasBackscatter(const CAnalysisTrace& trace) {
    return std::isfinite(trace.backscatter) && trace.backscatter > 0.0;
}

// The index from which the trace follows the line after rather than the line before: the
// split of begin..end that leaves the least squared residuals.
std::size_t SwitchIndex(const CSamples& samples, const CLineFit& before, const CLineFit& after,
                        std::size_t begin, std::size_t end) {
    double afterCost = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        const double r = samples.Level(i) - after.At(static_cast<double>(i));
        afterCost += r * r;
    }
    double beforeCost = 0.0;
    double best = afterCost;
    std::size_t at = begin;
    for (std::size_t i = begin; i < end; ++i) {
        const double rb = samples.Level(i) - before.At(static_cast<double>(i));
        const double ra = samples.Level(i) - after.At(static_cast<double>(i));
        beforeCost += rb * rb;
        afterCost -= ra * ra;
        if (beforeCost + afterCost < best) {
            best = beforeCost + afterCost;
            at = i + 1;
        }
    }
    return at;
}

CReading FiniteOr(double value, EMeasureFault fault) {
    return std::isfinite(value) ? CReading::Of(value) : CReading::Failed(fault);
}

void MeasureLsa(const CSamples& samples, const CAnalysisTrace& trace, const CMarkerSet& m,
                CMeasurement& out) {
    const CLineFit fit = samples.Fit(m.a, m.b);
    if (fit.count < 2) {
        out.loss = out.attenuation = out.deviation = CReading::Failed(EMeasureFault::FewSamplesAB);
        return;
    }
    // Signed B minus A, as the two-point loss; the attenuation is the same either way.
    out.loss = FiniteOr(fit.slope * (samples.Index(m.b) - samples.Index(m.a)),
                        EMeasureFault::FewSamplesAB);
    out.attenuation = FiniteOr(fit.slope / trace.spacingKm, EMeasureFault::FewSamplesAB);
    out.deviation = FiniteOr(fit.sigma, EMeasureFault::FewSamplesAB);
}

void MeasureSplice(const CSamples& samples, const CMarkerSet& m, CMeasurement& out) {
    const CLineFit before = samples.Fit(m.a1, m.a);
    const CLineFit after = samples.Fit(m.b, m.b1);
    if (before.count < 2 || after.count < 2) {
        out.loss = CReading::Failed(before.count < 2 ? EMeasureFault::FewSamplesBefore
                                                     : EMeasureFault::FewSamplesAfter);
        return;
    }
    const auto [begin, end] = samples.Window(m.a, m.b);
    double at = 0.5 * (samples.Index(m.a) + samples.Index(m.b));
    if (end > begin)
        at = static_cast<double>(SwitchIndex(samples, before, after, begin, end));
    out.eventKm = samples.Km(at);
    out.loss = FiniteOr(after.At(at) - before.At(at), EMeasureFault::FewSamplesAB);
}

void MeasureReflectance(const CSamples& samples, const CAnalysisTrace& trace, const CMarkerSet& m,
                        CMeasurement& out) {
    if (!HasBackscatter(trace)) {
        out.reflectance = CReading::Failed(EMeasureFault::NoBackscatter);
        return;
    }
    if (!(trace.pulseWidthNs > 0.0) || !std::isfinite(trace.pulseWidthNs)) {
        out.reflectance = CReading::Failed(EMeasureFault::NoPulseWidth);
        return;
    }
    const CLineFit before = samples.Fit(m.a1, m.a);
    if (before.count < 2) {
        out.reflectance = CReading::Failed(EMeasureFault::FewSamplesBefore);
        return;
    }
    const auto [begin, end] = samples.Window(m.a, m.b);
    if (end == begin) {
        out.reflectance = CReading::Failed(EMeasureFault::FewSamplesAB);
        return;
    }
    // The sample highest above the line before, which a long pulse's fall along the fibre
    // does not outweigh.
    std::size_t peak = begin;
    double height = -std::numeric_limits<double>::infinity();
    for (std::size_t i = begin; i < end; ++i) {
        const double above = before.At(static_cast<double>(i)) - samples.Level(i);
        if (above > height) {
            height = above;
            peak = i;
        }
    }
    // A rise within the noise of the line before is no peak.
    if (!(height > std::max(kLeastPeak, 5.0 * before.sigma))) {
        out.reflectance = CReading::Failed(EMeasureFault::NoPeak);
        return;
    }
    out.eventKm = samples.Km(static_cast<double>(peak));
    out.reflectance = FiniteOr(ReflectanceFromHeight(height, trace.pulseWidthNs, trace.backscatter),
                               EMeasureFault::NoPeak);
}

// The light A..B sends back, as a fraction of the power arriving at A (read from the line
// over a1..A): each sample's backscatter with the fibre's coefficient. A reflection's peak
// over the pulse adds its reflectance in the same sum, so no event needs finding.
void MeasureOrl(const CSamples& samples, const CAnalysisTrace& trace, const CMarkerSet& m,
                CMeasurement& out) {
    if (!HasBackscatter(trace)) {
        out.orl = CReading::Failed(EMeasureFault::NoBackscatter);
        return;
    }
    const CLineFit before = samples.Fit(m.a1, m.a);
    if (before.count < 2) {
        out.orl = CReading::Failed(EMeasureFault::FewSamplesBefore);
        return;
    }
    const auto [begin, end] = samples.Window(m.a, m.b);
    if (end - begin < 2) {
        out.orl = CReading::Failed(EMeasureFault::FewSamplesAB);
        return;
    }
    const double reference = before.At(samples.Index(m.a));
    const double perKm =
        std::pow(10.0, -trace.backscatter / 10.0) / (kLightKmPerNs / (2.0 * GroupIndexOf(trace)));
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i)
        if (std::isfinite(samples.Level(i)))
            sum += std::pow(10.0, (reference - samples.Level(i)) / 5.0);
    const double returned = perKm * trace.spacingKm * sum;
    out.orl = returned > 0.0 ? FiniteOr(-10.0 * std::log10(returned), EMeasureFault::NoTrace)
                             : CReading::Failed(EMeasureFault::NoTrace);
}

void MarkGiven(CMeasurement& out) {
    out.givesLoss = out.mode == EMeasureMode::TwoPoint || out.mode == EMeasureMode::Lsa ||
                    out.mode == EMeasureMode::Splice;
    out.givesAttenuation = out.mode == EMeasureMode::TwoPoint || out.mode == EMeasureMode::Lsa;
    out.givesDeviation = out.mode == EMeasureMode::Lsa;
    out.givesReflectance = out.mode == EMeasureMode::Reflectance;
    out.givesOrl = out.mode == EMeasureMode::Orl;
}

void FailAll(CMeasurement& out, EMeasureFault fault) {
    for (CReading* reading :
         {&out.loss, &out.attenuation, &out.deviation, &out.reflectance, &out.orl})
        *reading = CReading::Failed(fault);
}

} // namespace

const char* MeasureModeName(EMeasureMode mode) {
    switch (mode) {
    case EMeasureMode::TwoPoint:
        return "two-point";
    case EMeasureMode::Lsa:
        return "lsa";
    case EMeasureMode::Splice:
        return "splice";
    case EMeasureMode::Reflectance:
        return "reflectance";
    case EMeasureMode::Orl:
        return "orl";
    }
    return "two-point";
}

bool MeasureModeNamed(const std::string& name, EMeasureMode& mode) {
    for (EMeasureMode m : {EMeasureMode::TwoPoint, EMeasureMode::Lsa, EMeasureMode::Splice,
                           EMeasureMode::Reflectance, EMeasureMode::Orl})
        if (name == MeasureModeName(m)) {
            mode = m;
            return true;
        }
    return false;
}

const char* MeasureFaultText(EMeasureFault fault) {
    switch (fault) {
    case EMeasureFault::None:
        return "";
    case EMeasureFault::NoTrace:
        return "the trace has no usable samples";
    case EMeasureFault::MarkerOutside:
        return "a marker lies outside the trace";
    case EMeasureFault::FewSamplesAB:
        return "fewer than two samples between A and B";
    case EMeasureFault::FewSamplesBefore:
        return "fewer than two samples between a1 and A";
    case EMeasureFault::FewSamplesAfter:
        return "fewer than two samples between B and b1";
    case EMeasureFault::CoincidentMarkers:
        return "A and B coincide";
    case EMeasureFault::NoBackscatter:
        return "the trace has no backscatter coefficient";
    case EMeasureFault::NoPulseWidth:
        return "the trace has no pulse width";
    case EMeasureFault::NoPeak:
        return "no peak between A and B";
    }
    return "";
}

void PlaceSubMarkers(CMarkerSet& markers, double span) {
    const bool forward = markers.a <= markers.b;
    markers.a1 = forward ? markers.a - span : markers.a + span;
    markers.b1 = forward ? markers.b + span : markers.b - span;
}

CMeasurement MeasureTrace(const CAnalysisTrace& trace, EMeasureMode mode, CMarkerSet markers) {
    CMeasurement out;
    out.mode = mode;
    MarkGiven(out);
    const CSamples samples(trace);
    if (mode == EMeasureMode::TwoPoint || !samples.Usable()) {
        FailAll(out, EMeasureFault::NoTrace);
        return out;
    }
    const bool subMarkers = mode != EMeasureMode::Lsa;
    if (!samples.Inside(markers.a) || !samples.Inside(markers.b) ||
        (subMarkers && (!samples.Inside(markers.a1) || !samples.Inside(markers.b1)))) {
        FailAll(out, EMeasureFault::MarkerOutside);
        return out;
    }
    // The least-squares modes read the fibre forwards: A with a1 is the pair nearer the start.
    if (markers.a > markers.b && mode != EMeasureMode::Lsa) {
        std::swap(markers.a, markers.b);
        std::swap(markers.a1, markers.b1);
    }
    switch (mode) {
    case EMeasureMode::Lsa:
        MeasureLsa(samples, trace, markers, out);
        break;
    case EMeasureMode::Splice:
        MeasureSplice(samples, markers, out);
        break;
    case EMeasureMode::Reflectance:
        MeasureReflectance(samples, trace, markers, out);
        break;
    case EMeasureMode::Orl:
        MeasureOrl(samples, trace, markers, out);
        break;
    case EMeasureMode::TwoPoint:
        break;
    }
    return out;
}

CMeasurement MeasureSignal(const CSignal& signal, EMeasureMode mode, const CMarkerSet& markers) {
    if (mode != EMeasureMode::TwoPoint)
        return MeasureTrace(AnalysisTraceOf(signal), mode, markers);
    CMeasurement out;
    out.mode = mode;
    MarkGiven(out);
    // The markers pane's arithmetic, in single precision, so that the numbers agree.
    const auto a = static_cast<float>(markers.a);
    const auto b = static_cast<float>(markers.b);
    float levelA = 0.0f;
    float levelB = 0.0f;
    try {
        levelA = static_cast<float>(signal.GetLevelAt(a));
        levelB = static_cast<float>(signal.GetLevelAt(b));
    } catch (const CException&) {
        FailAll(out, EMeasureFault::MarkerOutside);
        return out;
    }
    const float loss = levelB - levelA;
    out.loss = FiniteOr(loss, EMeasureFault::NoTrace);
    const float distance = b - a;
    out.attenuation = distance != 0.0f ? FiniteOr(loss / distance, EMeasureFault::NoTrace)
                                       : CReading::Failed(EMeasureFault::CoincidentMarkers);
    return out;
}
