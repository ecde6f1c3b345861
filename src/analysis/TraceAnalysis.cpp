#include "analysis/TraceAnalysis.h"

#include "analysis/AnalyzerInternal.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace analysis_internal {

CAnalysisResult CAnalyzer::Run() {
    CAnalysisResult result;
    result.opticalReturnLoss = std::numeric_limits<double>::quiet_NaN();
    Prepare();
    FindLaunch();
    if (FibreOutlastsTrace()) {
        // No noise after an end within the trace: nothing is into it.
        floor_ = noiseTop_ = -1e9;
        limit_ = n_;
    }
    if (NoFibre()) {
        ReportNoFibre(result);
        return result;
    }
    FindReflections(FindSteps());
    candidates_ = reflections_;
    const std::vector<CCandidate> steps = FindSteps();
    candidates_.insert(candidates_.end(), steps.begin(), steps.end());
    std::sort(candidates_.begin(), candidates_.end(),
              [](const CCandidate& a, const CCandidate& b) { return a.x < b.x; });
    for (int pass = 0; pass < 4; ++pass) {
        const bool changed = Refine();
        RemoveGhosts();
        if (!changed && pass > 0)
            break;
    }
    // With the events found, the fibre between them is clear for lines fitted on either side of
    // weaker steps.
    // Measured again with more events: a few passes, until one changes nothing.
    const auto add = [this](const std::vector<CCandidate>& more, bool changed) {
        if (more.empty() && !changed)
            return;
        candidates_.insert(candidates_.end(), more.begin(), more.end());
        std::sort(candidates_.begin(), candidates_.end(),
                  [](const CCandidate& a, const CCandidate& b) { return a.x < b.x; });
        for (int pass = 0; pass < 4; ++pass)
            if (!Refine() && pass > 0)
                break;
    };
    add(FindStepsBetween(), false);
    // Steps too small for the lines' windows among the wander of the backscatter, yet a
    // pulse sharp.
    const std::size_t before = candidates_.size();
    SplitSharp();
    const bool split = candidates_.size() != before;
    add(FindFalls(), split);
    // Until a pass changes nothing (an end it withdrew has the events past it measured
    // again): the sections reported are the last pass's, of these candidates.
    for (int pass = 0; pass < 16 && Refine(); ++pass) {
    }
    if (FindRisingEdges())
        for (int pass = 0; pass < 16 && Refine(); ++pass) {
        }
    PlaceOnsets();
    Report(result);
    return result;
}

} // namespace analysis_internal

using analysis_internal::CAnalyzer;

double SampleDistance(const CAnalysisTrace& trace, double index) {
    return trace.startKm + index * trace.spacingKm;
}

CLineFit FitLine(const float* levels, std::size_t begin, std::size_t end) {
    CLineFit fit;
    if (!levels || end <= begin)
        return fit;
    const std::size_t count = end - begin;
    fit.count = count;
    fit.centre = 0.5 * static_cast<double>(begin + end - 1);
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i)
        sum += levels[i];
    fit.mean = sum / static_cast<double>(count);
    double sxx = 0.0;
    double sxy = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        const double dx = static_cast<double>(i) - fit.centre;
        sxx += dx * dx;
        sxy += dx * (levels[i] - fit.mean);
    }
    if (sxx > 0.0)
        fit.slope = sxy / sxx;
    double squares = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        const double r = levels[i] - fit.At(static_cast<double>(i));
        squares += r * r;
    }
    fit.sigma = count > 2 ? std::sqrt(squares / static_cast<double>(count - 2)) : 0.0;
    return fit;
}

double ReflectanceFromHeight(double heightDb, double pulseNs, double backscatter) {
    const double excess = std::pow(10.0, heightDb / 5.0) - 1.0;
    if (!(excess > 0.0) || !(pulseNs > 0.0))
        return -backscatter;
    return -backscatter + 10.0 * std::log10(excess * pulseNs);
}

double HeightFromReflectance(double reflectance, double pulseNs, double backscatter) {
    if (!(pulseNs > 0.0))
        return 0.0;
    return 5.0 * std::log10(1.0 + std::pow(10.0, (reflectance + backscatter) / 10.0) / pulseNs);
}

double TypicalBackscatter(int wavelength) {
    if (wavelength > 0 && wavelength < 1000)
        return 71.9;
    if (wavelength >= 1450 && wavelength < 1600)
        return 81.7;
    if (wavelength >= 1600)
        return 82.5;
    return 79.4;
}

CAnalysisResult AnalyzeTrace(const CAnalysisTrace& trace, const CAnalysisThresholds& thresholds) {
    CAnalysisResult result;
    result.opticalReturnLoss = std::numeric_limits<double>::quiet_NaN();
    const bool usable = trace.levels && trace.count >= 16 && std::isfinite(trace.spacingKm) &&
                        trace.spacingKm > 0.0 && std::isfinite(trace.startKm);
    if (!usable) {
        // Too little to analyse: the start alone.
        CKeyEvent start;
        start.SetMarker(1);
        start.SetPosition(static_cast<float>(trace.startKm));
        result.events.push_back(start);
        return result;
    }
    // Thresholds that are not numbers fall back to the defaults.
    CAnalysisThresholds safe = thresholds;
    const CAnalysisThresholds defaults;
    if (!std::isfinite(safe.spliceLoss) || safe.spliceLoss < 0.0)
        safe.spliceLoss = defaults.spliceLoss;
    if (!std::isfinite(safe.reflectance))
        safe.reflectance = defaults.reflectance;
    if (!std::isfinite(safe.endOfFibre))
        safe.endOfFibre = defaults.endOfFibre;
    CAnalyzer analyzer(trace, safe);
    return analyzer.Run();
}
