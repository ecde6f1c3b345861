#include "analysis/TraceAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <set>

namespace {

using Index = std::ptrdiff_t;

constexpr double kLightKmPerNs = 299792.458e-9;
constexpr double kDefaultGroupIndex = 1.468;
// Stored levels come in steps of 0.001 dB; no noise estimate goes below a couple of them.
constexpr double kMinSigma = 0.002;
// Events per trace beyond which the rest are ignored, so that noise cannot make the work grow.
constexpr std::size_t kMaxCandidates = 4000;

// Least-squares lines over any run of samples in constant time, from running sums.
class CRunningFit {
public:
    explicit CRunningFit(const std::vector<double>& y) : sy_(y.size() + 1), sxy_(y.size() + 1) {
        for (std::size_t i = 0; i < y.size(); ++i) {
            sy_[i + 1] = sy_[i] + y[i];
            sxy_[i + 1] = sxy_[i] + static_cast<double>(i) * y[i];
        }
    }
    // Samples a..b-1; b > a.
    CLineFit Fit(Index a, Index b) const {
        CLineFit fit;
        const double count = static_cast<double>(b - a);
        fit.count = static_cast<std::size_t>(b - a);
        fit.centre = 0.5 * static_cast<double>(a + b - 1);
        const double sum = sy_[static_cast<std::size_t>(b)] - sy_[static_cast<std::size_t>(a)];
        fit.mean = sum / count;
        if (b - a >= 2) {
            const double sxx = count * (count * count - 1.0) / 12.0;
            const double sxy = sxy_[static_cast<std::size_t>(b)] -
                               sxy_[static_cast<std::size_t>(a)] - fit.centre * sum;
            fit.slope = sxy / sxx;
        }
        return fit;
    }

private:
    std::vector<double> sy_;
    std::vector<double> sxy_;
};

// Median and spread (1.4826 × median absolute deviation) of a quantity in blocks of samples:
// robust against the few events a block holds, and following the noise as it grows along the
// fibre.
class CBlockNoise {
public:
    CBlockNoise(const std::vector<float>& values, Index block) : block_(std::max<Index>(block, 8)) {
        const Index n = static_cast<Index>(values.size());
        // Sixty or so values tell a block's median and spread well enough.
        const Index stride = std::max<Index>(1, block_ / 64);
        std::vector<double> work;
        for (Index from = 0; from < n; from += block_) {
            const Index to = std::min(n, from + block_);
            work.clear();
            for (Index i = from; i < to; i += stride)
                if (std::isfinite(values[static_cast<std::size_t>(i)]))
                    work.push_back(values[static_cast<std::size_t>(i)]);
            double median = 0.0;
            double sigma = kMinSigma;
            if (!work.empty()) {
                auto middle = work.begin() + static_cast<Index>(work.size() / 2);
                std::nth_element(work.begin(), middle, work.end());
                median = *middle;
                for (double& value : work)
                    value = std::abs(value - median);
                std::nth_element(work.begin(), middle, work.end());
                sigma = std::max(kMinSigma, 1.4826 * *middle);
            }
            medians_.push_back(median);
            sigmas_.push_back(sigma);
        }
    }
    // The quieter of the block and the one before: noise grows along a fibre, and a block
    // the fibre ends in is mostly the noise after the end.
    double Sigma(Index i) const {
        if (sigmas_.empty())
            return kMinSigma;
        const std::size_t slot = Slot(i);
        return slot > 0 ? std::min(sigmas_[slot], sigmas_[slot - 1]) : sigmas_[slot];
    }
    double Median(Index i) const { return medians_.empty() ? 0.0 : medians_[Slot(i)]; }

private:
    std::size_t Slot(Index i) const {
        const Index slot = std::clamp<Index>(i / block_, 0, static_cast<Index>(sigmas_.size()) - 1);
        return static_cast<std::size_t>(slot);
    }

    Index block_;
    std::vector<double> medians_;
    std::vector<double> sigmas_;
};

struct CCandidate {
    Index x = 0;       // where the event starts
    Index zoneEnd = 0; // first sample after its dead zone (reflective) or transition
    bool reflective = false;
    Index peak = 0;
    double height = 0.0; // of the peak over the backscatter before it
    double strength = 0.0;
    double loss = 0.0;
    double noise = 0.0; // of the detector where it was found
    bool end = false;
    bool gain = false; // a step up
};

class CAnalyzer {
public:
    CAnalyzer(const CAnalysisTrace& trace, const CAnalysisThresholds& thresholds)
        : trace_(trace), thresholds_(thresholds), n_(static_cast<Index>(trace.count)) {}

    CAnalysisResult Run();

private:
    double S(Index i) const { return smooth_[static_cast<std::size_t>(i)]; }
    double P(Index i) const { return power_[static_cast<std::size_t>(i)]; }
    void Prepare();
    Index FallEnd(Index j, Index reference) const;
    void FindLaunch();
    // steps: found before, whose transitions the lines before a reflection must not include.
    void FindReflections(const std::vector<CCandidate>& steps);
    // Outside the launch and the reflections found so far.
    std::vector<CCandidate> FindSteps() const;
    // Fits the sections between the candidates and measures each one's loss; false when
    // nothing changed.
    bool Refine();
    void RemoveGhosts();
    // Moves each loss or gain to where the trace first leaves the line before it: the onset,
    // where instruments place an event, rather than the middle of its transition.
    void PlaceOnsets();
    void Report(CAnalysisResult& result);
    Index ZoneStart(const CCandidate& c) const { return std::max<Index>(0, c.x - guard_ / 2); }
    Index ZoneEnd(const CCandidate& c) const { return std::min<Index>(n_, c.zoneEnd + guard_ / 2); }
    void MergeClose();
    CLineFit SectionFit(Index a, Index b) const;
    // Spread of the differences of neighbouring samples in a..b-1: small on any fibre, a few dB
    // in the noise after its end.
    double DifferenceSigma(Index a, Index b) const;

    const CAnalysisTrace& trace_;
    const CAnalysisThresholds& thresholds_;
    Index n_;
    Index width_ = 1;  // pulse length in samples
    Index guard_ = 1;  // half a transition
    Index window_ = 8; // samples of a detector's line fit
    double backscatter_ = 0.0;
    double pulseNs_ = 0.0;
    std::vector<double> power_; // the negated levels: larger is stronger
    std::vector<float> smooth_; // power_ averaged over a quarter pulse
    std::unique_ptr<CRunningFit> fit_;
    std::vector<float> fall_;
    // The detectors' values along the trace, one detector at a time: allocated once.
    mutable std::vector<float> scratch_;
    std::unique_ptr<CBlockNoise> fallNoise_;
    Index launchEnd_ = 0;
    double launchHeight_ = 0.0;
    std::vector<CCandidate> reflections_;
    std::vector<CCandidate> candidates_;
    std::vector<CLineFit> sections_; // sections_[k] leads into candidates_[k]
    double startNoise_ = 0.0;
    double floor_ = 0.0; // level of the trace's last samples: the noise after the end, if any
    Index limit_ = 0;    // the detectors look no further
};

void CAnalyzer::Prepare() {
    power_.resize(trace_.count);
    double last = 0.0;
    for (std::size_t i = 0; i < trace_.count; ++i) {
        const double level = trace_.levels[i];
        // A sample that is not a number repeats the one before it.
        if (std::isfinite(level))
            last = std::clamp(-level, -200.0, 200.0);
        power_[i] = last;
    }
    const double groupIndex = trace_.groupIndex >= 1.0 && trace_.groupIndex <= 3.0
                                  ? trace_.groupIndex
                                  : kDefaultGroupIndex;
    pulseNs_ = std::isfinite(trace_.pulseWidthNs) && trace_.pulseWidthNs > 0.0
                   ? std::min(trace_.pulseWidthNs, 1e6)
                   : 0.0;
    const double pulseKm = pulseNs_ * kLightKmPerNs / (2.0 * groupIndex);
    const double samples = pulseNs_ > 0.0 ? pulseKm / trace_.spacingKm : 3.0;
    width_ = std::clamp<Index>(static_cast<Index>(std::lround(std::min(samples, 1e9))), 1,
                               std::max<Index>(1, n_ / 8));
    guard_ = width_ * 3 / 4 + 1;
    window_ = std::max<Index>(3 * width_, 12);
    backscatter_ = trace_.backscatter > 0.0 && std::isfinite(trace_.backscatter)
                       ? trace_.backscatter
                       : TypicalBackscatter(trace_.wavelength);
    if (pulseNs_ == 0.0)
        pulseNs_ = samples * trace_.spacingKm * 2.0 * groupIndex / kLightKmPerNs;

    fit_ = std::make_unique<CRunningFit>(power_);
    const Index half = width_ / 4;
    smooth_.resize(trace_.count);
    for (Index i = 0; i < n_; ++i) {
        const Index a = std::max<Index>(0, i - half);
        const Index b = std::min(n_, i + half + 1);
        smooth_[static_cast<std::size_t>(i)] = static_cast<float>(fit_->Fit(a, b).mean);
    }
    {
        std::vector<double> tail(power_.end() - std::min<Index>(n_, std::max<Index>(64, n_ / 50)),
                                 power_.end());
        auto middle = tail.begin() + static_cast<Index>(tail.size() / 2);
        std::nth_element(tail.begin(), middle, tail.end());
        floor_ = *middle;
        for (double& value : tail)
            value = std::abs(value - floor_);
        std::nth_element(tail.begin(), middle, tail.end());
        // Past the last sample clearly above the noise there is nothing to look for: the
        // detectors stop a little after it.
        const double above = floor_ + 0.5 + 3.0 * 1.4826 * *middle;
        Index last = n_ - 1;
        while (last > 0 && !(smooth_[static_cast<std::size_t>(last)] > above))
            --last;
        limit_ = std::min(n_, last + 4 * width_ + 2 * window_ + 64);
    }
    fall_.assign(trace_.count, std::numeric_limits<float>::quiet_NaN());
    for (Index i = 0; i + width_ < n_; ++i)
        fall_[static_cast<std::size_t>(i)] = static_cast<float>(S(i) - S(i + width_));
    fallNoise_ = std::make_unique<CBlockNoise>(fall_, std::max<Index>(16 * width_, 256));
}

// Follows the trailing edge of a reflection from j until the trace falls no faster than the
// fibre does at reference (before the event: after a fibre end there is only noise): the end
// of the dead zone.
Index CAnalyzer::FallEnd(Index j, Index reference) const {
    const Index cap = std::min(n_ - 1 - width_, j + std::max<Index>(30 * width_, 60));
    const double tolerance = fallNoise_->Median(reference) + 4.0 * fallNoise_->Sigma(reference);
    while (j < cap && fall_[static_cast<std::size_t>(j)] > tolerance)
        ++j;
    // The receiver's slow recovery after a strong reflection: over a detector's window the
    // trace still falls more than the fibre would.
    const double span = static_cast<double>(window_) / static_cast<double>(width_);
    const double slow = fallNoise_->Median(reference) * span +
                        std::max(0.05, 4.0 * fallNoise_->Sigma(reference) * std::sqrt(span));
    while (j > 0 && j + window_ < cap && S(j) - S(j + window_) > slow)
        j += width_ / 2 + 1;
    return std::max<Index>(j, 0) + 1;
}

void CAnalyzer::FindLaunch() {
    // Some instruments record a little before the launch connector.
    const Index near = static_cast<Index>(std::min(0.15 / trace_.spacingKm, 1e6));
    const Index search = std::min(std::max<Index>(1, n_ / 8), std::max(4 * width_ + 8, near));
    Index peak = 0;
    for (Index i = 1; i < search; ++i)
        if (P(i) > P(peak))
            peak = i;
    // A saturated launch is a plateau; its fall starts where the plateau ends.
    Index j = peak;
    while (j + 1 < n_ && P(j + 1) >= P(peak) - 0.3 && j - peak < 20 * width_ + 20)
        ++j;
    launchEnd_ = std::min(n_, FallEnd(j, j + 16 * width_ + 256) + guard_);
    launchHeight_ = launchEnd_ + 3 <= n_
                        ? P(peak) - SectionFit(launchEnd_, launchEnd_ + 4 * window_).At(0)
                        : 0.0;
}

CLineFit CAnalyzer::SectionFit(Index a, Index b) const {
    a = std::clamp<Index>(a, 0, n_ - 1);
    b = std::clamp<Index>(b, a + 1, n_);
    CLineFit fit = fit_->Fit(a, b);
    // A slope from a few samples extrapolates noise; a short piece of fibre is level enough.
    if (b - a < std::max<Index>(window_ / 2, 4))
        fit.slope = 0.0;
    return fit;
}

double CAnalyzer::DifferenceSigma(Index a, Index b) const {
    a = std::max<Index>(a, 0);
    b = std::min(b, n_);
    std::vector<double> differences;
    for (Index i = a + 1; i < b; i += 4)
        differences.push_back(std::abs(P(i) - P(i - 1)));
    if (differences.size() < 4)
        return 0.0;
    auto middle = differences.begin() + static_cast<Index>(differences.size() / 2);
    std::nth_element(differences.begin(), middle, differences.end());
    // The median of |a - b| for two normal samples is 0.954 sigma.
    return *middle / 0.954;
}

void CAnalyzer::FindReflections(const std::vector<CCandidate>& steps) {
    // The height over the line of the samples before, first without regard to other events,
    // for the noise of the detector.
    std::vector<float>& height = scratch_;
    height.assign(trace_.count, std::numeric_limits<float>::quiet_NaN());
    auto heightAt = [&](Index i, Index from, CLineFit* line) {
        const Index a = std::max(i - guard_ - window_, from);
        const Index b = i - guard_;
        if (b - a < 3)
            return std::numeric_limits<double>::quiet_NaN();
        const CLineFit fit = fit_->Fit(a, b);
        if (line)
            *line = fit;
        return S(i) - fit.At(static_cast<double>(i));
    };
    for (Index i = launchEnd_; i < limit_; ++i)
        height[static_cast<std::size_t>(i)] = static_cast<float>(heightAt(i, launchEnd_, nullptr));
    const CBlockNoise noise(height, std::max<Index>(16 * width_, 256));
    startNoise_ = noise.Sigma(launchEnd_);
    const double least = HeightFromReflectance(thresholds_.reflectance, pulseNs_, backscatter_);

    Index zoneEnd = launchEnd_;
    std::size_t step = 0;
    Index stepEnd = launchEnd_;
    for (Index i = launchEnd_; i < limit_ && reflections_.size() < kMaxCandidates; ++i) {
        // A step well before bends the line; the reflection's own edge is not well before.
        while (step < steps.size() && ZoneEnd(steps[step]) < i - width_ - guard_)
            stepEnd = std::max(stepEnd, ZoneEnd(steps[step++]));
        CLineFit before;
        const double h = heightAt(i, std::max(zoneEnd, stepEnd), &before);
        // The quieter side decides, so that the reflection of a fibre end counts.
        const double sigma =
            std::min(noise.Sigma(i), noise.Sigma(std::max<Index>(0, i - guard_ - window_)));
        const double threshold = std::max({least, 5.0 * sigma, 0.01});
        if (!(h > threshold))
            continue;
        // The bump: where the trace stays above half its height. One that does not come down
        // soon is the line before bent by an earlier event, not a reflection.
        Index peak = i;
        Index j = i;
        const Index longest = i + 6 * width_ + 40;
        double highest = h;
        while (j < n_ && j < longest) {
            const double over = S(j) - before.At(static_cast<double>(j));
            if (!(over > std::max(0.5 * threshold, 0.5 * highest)))
                break;
            if (S(j) > S(peak))
                peak = j;
            highest = std::max(highest, over);
            ++j;
        }
        if (j == longest)
            continue;
        const double top = S(peak) - before.At(static_cast<double>(peak));
        Index start = i;
        while (start > zoneEnd && start > i - width_ &&
               S(start - 1) - before.At(static_cast<double>(start - 1)) > 0.3 * top)
            --start;
        Index plateau = peak;
        while (plateau + 1 < n_ && S(plateau + 1) >= S(peak) - 0.5 * top)
            ++plateau;
        // A reflection stands above the fibre after it too; a rise that stays up is a gain (the
        // step detector takes it), and so is a line bent by an event before. The level after is
        // the mean past the dead zone carried back along the fibre's slope before: a line
        // through noise would extrapolate anywhere.
        const Index end = std::max(FallEnd(plateau, std::max(zoneEnd, i - guard_ - window_)), j);
        const CLineFit after = SectionFit(end + guard_, end + guard_ + window_);
        const double below = after.mean + before.slope * (static_cast<double>(peak) - after.centre);
        if (end + guard_ + 3 <= n_ && S(peak) - below < threshold)
            continue;
        CCandidate c;
        c.x = start;
        c.zoneEnd = end;
        c.reflective = true;
        c.peak = peak;
        c.height = top;
        c.strength = top;
        c.noise = sigma;
        reflections_.push_back(c);
        zoneEnd = end;
        i = end;
    }
}

std::vector<CCandidate> CAnalyzer::FindSteps() const {
    // Zones the step detector must not look into: the launch and every reflection.
    std::vector<std::pair<Index, Index>> zones{{0, launchEnd_}};
    for (const CCandidate& c : reflections_)
        zones.emplace_back(ZoneStart(c), ZoneEnd(c));
    std::vector<float>& step = scratch_;
    step.assign(trace_.count, std::numeric_limits<float>::quiet_NaN());
    std::size_t zone = 0;
    for (Index i = launchEnd_; i < limit_; ++i) {
        while (zone + 1 < zones.size() && zones[zone + 1].first <= i)
            ++zone;
        if (i < zones[zone].second)
            continue;
        const Index nextStart = zone + 1 < zones.size() ? zones[zone + 1].first : n_;
        const Index la = std::max(i - guard_ - window_, zones[zone].second);
        const Index lb = i - guard_;
        const Index ra = i + guard_;
        const Index rb = std::min(i + guard_ + window_, nextStart);
        if (lb - la < 3 || rb - ra < 3)
            continue;
        // Means rather than lines: a line through a window that straddles a large step
        // extrapolates anywhere. The fibre's own fall between the windows, taken robustly
        // from the samples around, is not a loss.
        const CLineFit left = fit_->Fit(la, lb);
        const CLineFit right = fit_->Fit(ra, rb);
        const double fibre = fallNoise_->Median(la) / static_cast<double>(width_);
        step[static_cast<std::size_t>(i)] =
            static_cast<float>(left.mean - right.mean - fibre * (right.centre - left.centre));
    }
    const CBlockNoise noise(step, std::max<Index>(16 * width_, 256));
    const Index reach = guard_ + window_ / 2;
    std::vector<CCandidate> found;
    for (Index i = launchEnd_; i < limit_ && found.size() < kMaxCandidates; ++i) {
        const double value = step[static_cast<std::size_t>(i)];
        auto threshold = [&](Index k) {
            // The quieter side decides, so that the fall into the noise after the end counts.
            const double sigma = std::min(noise.Sigma(std::max<Index>(0, k - reach)),
                                          noise.Sigma(std::min(n_ - 1, k + reach)));
            return std::max(0.6 * thresholds_.spliceLoss, 5.0 * sigma);
        };
        if (!(std::abs(value) > threshold(i)))
            continue;
        Index best = i;
        Index j = i;
        while (j < n_) {
            const double v = step[static_cast<std::size_t>(j)];
            if (!(std::abs(v) > threshold(j)) || (v > 0) != (value > 0))
                break;
            if (std::abs(v) > std::abs(step[static_cast<std::size_t>(best)]))
                best = j;
            ++j;
        }
        CCandidate c;
        c.x = std::max<Index>(launchEnd_, best - width_ / 2);
        c.zoneEnd = c.x + width_ + guard_ / 2;
        c.gain = step[static_cast<std::size_t>(best)] < 0.0;
        c.strength = std::abs(step[static_cast<std::size_t>(best)]);
        c.noise = std::min(noise.Sigma(std::max<Index>(0, best - reach)),
                           noise.Sigma(std::min(n_ - 1, best + reach)));
        found.push_back(c);
        i = j;
    }
    // The strongest of neighbours stays: a large step leaks into the detector's windows.
    std::sort(found.begin(), found.end(),
              [](const CCandidate& a, const CCandidate& b) { return a.strength > b.strength; });
    const Index apart = width_ + guard_ + window_;
    std::vector<CCandidate> kept;
    std::set<Index> taken;
    for (const CCandidate& c : found) {
        auto next = taken.lower_bound(c.x);
        bool clear = (next == taken.end() || *next - c.x >= apart) &&
                     (next == taken.begin() || c.x - *std::prev(next) >= apart);
        // The rising edge of a reflection reads as a gain before it; a loss there is real.
        auto r = std::lower_bound(
            reflections_.begin(), reflections_.end(), c.x,
            [](const CCandidate& reflection, Index x) { return reflection.x <= x; });
        if (r != reflections_.end())
            clear = clear && (c.x + apart < r->x || !c.gain);
        if (r != reflections_.begin())
            clear = clear && c.x >= ZoneEnd(*std::prev(r));
        if (clear) {
            kept.push_back(c);
            taken.insert(c.x);
        }
    }
    std::sort(kept.begin(), kept.end(),
              [](const CCandidate& a, const CCandidate& b) { return a.x < b.x; });
    return kept;
}

// Events closer than a short section apart are one: the fibre between them cannot be measured.
void CAnalyzer::MergeClose() {
    const Index shortest = std::max<Index>(window_ / 2, 4);
    std::vector<CCandidate> merged;
    for (const CCandidate& c : candidates_) {
        if (!merged.empty() && ZoneStart(c) - ZoneEnd(merged.back()) < shortest) {
            // The first reflection decides where the merged event is, else the stronger step.
            CCandidate& last = merged.back();
            last.zoneEnd = std::max(last.zoneEnd, c.zoneEnd);
            const bool takeOver =
                c.reflective ? !last.reflective : !last.reflective && c.strength > last.strength;
            if (takeOver) {
                last.x = c.x;
                last.peak = c.peak;
                last.height = c.height;
            }
            last.reflective = last.reflective || c.reflective;
            last.strength = std::max(last.strength, c.strength);
            last.noise = std::max(last.noise, c.noise);
            continue;
        }
        merged.push_back(c);
    }
    candidates_ = std::move(merged);
}

bool CAnalyzer::Refine() {
    MergeClose();
    sections_.clear();
    Index from = launchEnd_;
    for (const CCandidate& c : candidates_) {
        const Index to = ZoneStart(c);
        sections_.push_back(SectionFit(from, std::max(to, from + 3)));
        from = std::max(from, ZoneEnd(c));
    }
    sections_.push_back(SectionFit(from, std::max(n_, from + 3)));

    bool changed = false;
    std::vector<CCandidate> kept;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        CCandidate c = candidates_[k];
        const double x = static_cast<double>(c.x);
        c.loss = sections_[k].At(x) - sections_[k + 1].At(x);
        if (c.reflective) {
            const double over = S(c.peak) - sections_[k + 1].At(static_cast<double>(c.peak));
            if (over < 0.5 * c.height && c.loss <= -thresholds_.spliceLoss) {
                c.reflective = false; // a rise that stays: a gain
                changed = true;
            }
        }
        if (!c.reflective) {
            const bool small = std::abs(c.loss) < std::max(thresholds_.spliceLoss, 2.5 * c.noise);
            if (small || (c.loss < 0.0 && !thresholds_.reportGains)) {
                changed = true;
                continue;
            }
        }
        // The fibre ends at the first event losing the end threshold, or beyond which there
        // is only noise; nothing after it is an event.
        const Index before = ZoneStart(c);
        const Index after = ZoneEnd(c);
        const double levelAfter = sections_[k + 1].mean;
        const double levelBefore = sections_[k].At(static_cast<double>(c.x));
        auto intoNoise = [&] {
            return (levelAfter < floor_ + 1.0 && levelBefore > floor_ + 2.0) ||
                   DifferenceSigma(after, after + 256) >
                       std::max(1.0, 4.0 * DifferenceSigma(before - 256, before));
        };
        c.end =
            c.loss >= thresholds_.endOfFibre || (c.loss >= thresholds_.spliceLoss && intoNoise());
        kept.push_back(c);
        if (c.end) {
            changed = changed || k + 1 < candidates_.size();
            break;
        }
    }
    candidates_ = std::move(kept);
    return changed;
}

// An echo of a strong reflection c, bounced back by an earlier one a (or the launch), arrives
// at 2·c - a: a peak there that loses nothing and is weaker than c is not an event.
void CAnalyzer::RemoveGhosts() {
    std::vector<const CCandidate*> strong;
    for (const CCandidate& c : candidates_)
        if (c.reflective)
            strong.push_back(&c);
    std::sort(strong.begin(), strong.end(),
              [](const CCandidate* a, const CCandidate* b) { return a->height > b->height; });
    if (strong.size() > 16)
        strong.resize(16);
    const Index tolerance = width_ + 2;
    std::vector<char> ghost(candidates_.size(), 0);
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        const CCandidate& b = candidates_[k];
        if (!b.reflective || std::abs(b.loss) >= thresholds_.spliceLoss)
            continue;
        for (const CCandidate* c : strong) {
            if (c->x >= b.x || c->height <= b.height)
                continue;
            bool echo = std::abs(b.x - 2 * c->x) <= tolerance && launchHeight_ > b.height;
            for (const CCandidate* a : strong)
                echo = echo || (a->x < c->x && a->height > b.height &&
                                std::abs(b.x - (2 * c->x - a->x)) <= tolerance);
            if (echo)
                ghost[k] = 1;
        }
    }
    std::vector<CCandidate> kept;
    for (std::size_t k = 0; k < candidates_.size(); ++k)
        if (!ghost[k])
            kept.push_back(candidates_[k]);
    candidates_ = std::move(kept);
}

void CAnalyzer::PlaceOnsets() {
    Index from = launchEnd_;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        CCandidate& c = candidates_[k];
        const Index begin = std::max(from, c.x - width_ - guard_);
        from = ZoneEnd(c);
        if (c.reflective || c.loss == 0.0)
            continue;
        const double sign = c.loss > 0.0 ? 1.0 : -1.0;
        const double departure = std::max(0.25 * std::abs(c.loss), 3.0 * c.noise);
        const Index last = std::min(n_ - 1, c.x + width_);
        for (Index j = begin; j <= last; ++j)
            if (sign * (sections_[k].At(static_cast<double>(j)) - S(j)) > departure) {
                c.x = std::max(begin, j - width_ / 4);
                break;
            }
    }
}

void CAnalyzer::Report(CAnalysisResult& result) {
    const double toKm = 1.0 / trace_.spacingKm;
    auto attenuation = [&](const CLineFit& fit) {
        return fit.count >= 2 ? static_cast<float>(-fit.slope * toKm) : 0.0f;
    };
    // The first event losing at least the end threshold ends the fibre; a fibre longer than
    // the trace ends at its last sample.
    std::size_t end = candidates_.size();
    for (std::size_t k = 0; k < candidates_.size(); ++k)
        if (candidates_[k].end) {
            end = k;
            break;
        }

    CKeyEvent start;
    start.SetMarker(1);
    start.SetType(launchHeight_ > 0.5 ? 1 : 0);
    start.SetPosition(static_cast<float>(SampleDistance(trace_, 0.0)));
    start.SetMethod(1);
    start.SetAttenuation(attenuation(sections_.front()));
    result.events.push_back(start);

    for (std::size_t k = 0; k < end; ++k) {
        const CCandidate& c = candidates_[k];
        CKeyEvent event;
        event.SetType(c.reflective ? 1 : 0);
        event.SetMethod(1);
        event.SetPosition(static_cast<float>(SampleDistance(trace_, static_cast<double>(c.x))));
        event.SetLoss(static_cast<float>(c.loss));
        if (c.reflective)
            event.SetReflectance(ReflectanceFromHeight(c.height, pulseNs_, backscatter_));
        event.SetAttenuation(attenuation(sections_[k + 1]));
        result.events.push_back(event);
    }

    CKeyEvent last;
    last.SetMarker(2);
    last.SetMethod(1);
    Index endIndex = n_ - 1;
    const CLineFit& into = sections_[end];
    if (end < candidates_.size()) {
        const CCandidate& c = candidates_[end];
        endIndex = c.x;
        last.SetType(c.reflective ? 1 : 0);
        last.SetLoss(static_cast<float>(c.loss));
        if (c.reflective)
            last.SetReflectance(ReflectanceFromHeight(c.height, pulseNs_, backscatter_));
    }
    last.SetPosition(static_cast<float>(SampleDistance(trace_, static_cast<double>(endIndex))));
    result.events.push_back(last);

    const CLineFit& first = sections_.front();
    result.endToEndLoss = first.At(0.0) - into.At(static_cast<double>(endIndex));
    result.noise = startNoise_;

    result.opticalReturnLoss = std::numeric_limits<double>::quiet_NaN();
    if (trace_.backscatter > 0.0 && std::isfinite(trace_.backscatter)) {
        // Rayleigh backscatter of the fibre up to the end, two-way attenuated, plus every
        // reflection measured.
        const double top = first.At(0.0);
        const double groupIndex = trace_.groupIndex >= 1.0 && trace_.groupIndex <= 3.0
                                      ? trace_.groupIndex
                                      : kDefaultGroupIndex;
        const double perKm =
            std::pow(10.0, -trace_.backscatter / 10.0) / (kLightKmPerNs / (2.0 * groupIndex));
        // Over each section the loss is linear, so its return is a geometric series.
        double returned = 0.0;
        const double decay = -0.2 * std::log(10.0); // two-way, per dB of one-way loss
        for (std::size_t k = 0; k <= end && k < sections_.size(); ++k) {
            const Index from = k == 0 ? 0 : candidates_[k - 1].x;
            const Index to = k < end ? candidates_[k].x : endIndex;
            if (to <= from)
                continue;
            const CLineFit& fit = sections_[k];
            const double alpha = decay * (top - fit.At(static_cast<double>(from)));
            const double beta = -decay * fit.slope;
            const double count = static_cast<double>(to - from);
            const double series =
                std::abs(beta) < 1e-12 ? count : std::expm1(beta * count) / std::expm1(beta);
            returned += perKm * trace_.spacingKm * std::exp(alpha) * series;
        }
        for (std::size_t k = 0; k <= end && k < candidates_.size(); ++k) {
            const CCandidate& c = candidates_[k];
            if (!c.reflective)
                continue;
            const double loss = top - sections_[k].At(static_cast<double>(c.x));
            returned +=
                std::pow(10.0, ReflectanceFromHeight(c.height, pulseNs_, backscatter_) / 10.0) *
                std::pow(10.0, -2.0 * loss / 10.0);
        }
        result.opticalReturnLoss = returned > 0.0 ? -10.0 * std::log10(returned) : 0.0;
    }
}

CAnalysisResult CAnalyzer::Run() {
    CAnalysisResult result;
    result.opticalReturnLoss = std::numeric_limits<double>::quiet_NaN();
    Prepare();
    FindLaunch();
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
    Refine();
    PlaceOnsets();
    Report(result);
    return result;
}

} // namespace

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
