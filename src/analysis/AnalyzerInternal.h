#pragma once
// The analyzer's working parts, shared by the files that implement it: levels and noise,
// event detection, event measurement. Not for use outside the analysis module.

#include "analysis/LevelBlocks.h"
#include "analysis/StepPairs.h"
#include "analysis/TraceAnalysis.h"
#include "platform/WorkBlock.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace analysis_internal {

using Index = std::ptrdiff_t;

inline constexpr double kLightKmPerNs = 299792.458e-9;
inline constexpr double kDefaultGroupIndex = 1.468;
// Stored levels come in steps of 0.001 dB; no noise estimate goes below a couple of them.
inline constexpr double kMinSigma = 0.002;
// Events per trace beyond which the rest are ignored, so that noise cannot make the work grow.
inline constexpr std::size_t kMaxCandidates = 4000;
// Wide runs of the step detector tried as two steps, a search: noise cannot make the work grow.
inline constexpr int kMaxSplitRuns = 64;

// Least-squares lines over any run of samples in constant time, from running sums.
class CRunningFit {
public:
    // The running sums' length for a number of samples.
    static constexpr std::size_t Length(std::size_t samples) { return 2 * (samples + 1); }

    // sums: Length(y.size()) values, all of them written here.
    CRunningFit(std::span<const float> y, std::span<double> sums) : sums_(sums.data()) {
        // Interleaved, so that a fit reads one cache line at each end.
        double sy = 0.0;
        double sxy = 0.0;
        sums_[0] = sums_[1] = 0.0;
        for (std::size_t i = 0; i < y.size(); ++i) {
            sy += y[i];
            sxy += static_cast<double>(i) * y[i];
            sums_[2 * i + 2] = sy;
            sums_[2 * i + 3] = sxy;
        }
    }
    // The mean of samples a..b-1; b > a.
    double Mean(Index a, Index b) const { return (Sy(b) - Sy(a)) / static_cast<double>(b - a); }
    double Sum(Index a, Index b) const { return Sy(b) - Sy(a); }
    // The level at x of the line through samples a..a+length-1, given 1/length and
    // 12/(length·(length²-1)): the detectors' windows are all of one length, and this saves
    // them two divisions a sample.
    double LevelAt(Index a, Index length, double x, double inverse, double inverseSxx) const {
        const Index b = a + length;
        const double centre = static_cast<double>(a) + 0.5 * static_cast<double>(length - 1);
        const double sum = Sy(b) - Sy(a);
        const double slope = (Sxy(b) - Sxy(a) - centre * sum) * inverseSxx;
        return sum * inverse + slope * (x - centre);
    }
    // The drop from the samples la..lb-1 to ra..rb-1 (lb <= ra, at least two samples each):
    // two parallel lines, one through each run, whose common slope is fitted to both, and the
    // distance between them. The fibre's own fall between the runs is taken from the runs
    // themselves, so a fibre falling faster or slower than elsewhere is not a loss, nor is a
    // curve.
    double Drop(Index la, Index lb, Index ra, Index rb) const {
        const double nl = static_cast<double>(lb - la);
        const double nr = static_cast<double>(rb - ra);
        const double cl = 0.5 * static_cast<double>(la + lb - 1);
        const double cr = 0.5 * static_cast<double>(ra + rb - 1);
        const double sl = Sy(lb) - Sy(la);
        const double sr = Sy(rb) - Sy(ra);
        const double sxy = Sxy(lb) - Sxy(la) - cl * sl + Sxy(rb) - Sxy(ra) - cr * sr;
        const double sxx = (nl * (nl * nl - 1.0) + nr * (nr * nr - 1.0)) / 12.0;
        return sl / nl - sr / nr + sxy / sxx * (cr - cl);
    }
    // Drop() for two runs of one length starting at la and ra, given 1/length and
    // (ra - la)/(the two runs' sum of squares about their centres): most of a detector's
    // samples, without a division.
    double Drop(Index la, Index ra, Index length, double inverse, double scale) const {
        const double offset = 0.5 * static_cast<double>(length - 1);
        const double sl = Sy(la + length) - Sy(la);
        const double sr = Sy(ra + length) - Sy(ra);
        const double sxy = Sxy(la + length) - Sxy(la) - (static_cast<double>(la) + offset) * sl +
                           Sxy(ra + length) - Sxy(ra) - (static_cast<double>(ra) + offset) * sr;
        return (sl - sr) * inverse + sxy * scale;
    }
    // Samples a..b-1; b > a.
    CLineFit Fit(Index a, Index b) const {
        CLineFit fit;
        const double count = static_cast<double>(b - a);
        fit.count = static_cast<std::size_t>(b - a);
        fit.centre = 0.5 * static_cast<double>(a + b - 1);
        const double sum = Sy(b) - Sy(a);
        fit.mean = sum / count;
        if (b - a >= 2) {
            const double sxx = count * (count * count - 1.0) / 12.0;
            const double sxy = Sxy(b) - Sxy(a) - fit.centre * sum;
            fit.slope = sxy / sxx;
        }
        return fit;
    }

private:
    double Sy(Index i) const { return sums_[2 * static_cast<std::size_t>(i)]; }
    double Sxy(Index i) const { return sums_[2 * static_cast<std::size_t>(i) + 1]; }

    double* sums_;
};

// Median and spread (1.4826 × median absolute deviation) of a quantity in blocks of samples:
// robust against the few events a block holds, and following the noise as it grows along the
// fibre.
class CBlockNoise {
public:
    // exclude: sorted ranges [first, second) of samples the events found so far answer for;
    // a block keeps them only when too few others are left to tell its noise.
    // fewest: a block with fewer values than this tells no noise, and nothing is significant
    // there.
    CBlockNoise(std::span<const float> values, Index block,
                const std::vector<std::pair<Index, Index>>& exclude = {}, std::size_t fewest = 0)
        : CBlockNoise(
              static_cast<Index>(values.size()),
              [values](Index i) { return values[static_cast<std::size_t>(i)]; }, block, exclude,
              fewest) {}
    // The values 0..n-1 as value(i) gives them: only a few of each block are asked for.
    template <class Value>
    CBlockNoise(Index n, const Value& value, Index block,
                const std::vector<std::pair<Index, Index>>& exclude = {}, std::size_t fewest = 0)
        : block_(std::max<Index>(block, 8)) {
        // Sixty or so values tell a block's median and spread well enough.
        const Index stride = std::max<Index>(1, block_ / 64);
        std::vector<float> work;
        std::size_t range = 0;
        for (Index from = 0; from < n; from += block_) {
            const Index to = std::min(n, from + block_);
            work.clear();
            for (Index i = from; i < to; i += stride) {
                while (range < exclude.size() && exclude[range].second <= i)
                    ++range;
                const bool excluded = range < exclude.size() && exclude[range].first <= i;
                const float v = value(i);
                if (!excluded && std::isfinite(v))
                    work.push_back(v);
            }
            if (work.size() < 16 && !exclude.empty()) {
                work.clear();
                for (Index i = from; i < to; i += stride)
                    if (const float v = value(i); std::isfinite(v))
                        work.push_back(v);
            }
            double median = 0.0;
            double sigma =
                work.size() < fewest ? std::numeric_limits<double>::infinity() : kMinSigma;
            if (!work.empty() && work.size() >= fewest) {
                auto middle = work.begin() + static_cast<Index>(work.size() / 2);
                std::nth_element(work.begin(), middle, work.end());
                median = *middle;
                for (float& value : work)
                    value = static_cast<float>(std::abs(value - median));
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
    // The first sample past i's block: Sigma and Median hold no other value before it.
    Index BlockEnd(Index i) const {
        return (static_cast<Index>(sigmas_.empty() ? 0 : Slot(i)) + 1) * block_;
    }
    Index BlockStart(Index i) const { return BlockEnd(i) - block_; }
    double LowestSigma() const {
        return sigmas_.empty() ? kMinSigma : *std::min_element(sigmas_.begin(), sigmas_.end());
    }

private:
    // The detectors ask for every sample: a multiplication, corrected where it rounds across a
    // block's edge, is much cheaper than a division.
    std::size_t Slot(Index i) const {
        Index slot = static_cast<Index>(static_cast<double>(i) * inverse_);
        if (slot * block_ > i)
            --slot;
        else if ((slot + 1) * block_ <= i)
            ++slot;
        slot = std::clamp<Index>(slot, 0, static_cast<Index>(sigmas_.size()) - 1);
        return static_cast<std::size_t>(slot);
    }

    Index block_;
    double inverse_ = 1.0 / static_cast<double>(block_);
    std::vector<double> medians_;
    std::vector<double> sigmas_;
};

// What fitting wide runs of the step detector as two steps may still cost, a search: so many
// runs, and samples (each run's fit reads it and its reach either side) of about one more pass
// over the trace.
struct CSplitBudget {
    int runs = kMaxSplitRuns;
    Index samples = 0;
};

struct CCandidate {
    Index x = 0;       // where the event starts
    Index zoneEnd = 0; // first sample after its dead zone (reflective) or transition
    bool reflective = false;
    bool faint = false; // reflective, below the threshold: reported as a loss, if it loses any
    Index peak = 0;
    double height = 0.0; // of the peak over the backscatter before it
    double strength = 0.0;
    double loss = 0.0;
    double noise = 0.0; // of the detector where it was found
    bool end = false;
    bool gain = false; // a step up
    // The run of the detector it was found in: from..to-1. A reflection's starts where its
    // bump first stood out, which may be a weaker reflection's edge before it.
    Index runFrom = 0;
    Index runTo = 0;
    // Of two steps whose answers merged into one run of the step detector: where the run
    // starts, the same for both. Neither is the other's leak.
    Index pair = -1;
    // A reflection a stronger one rose from within a pulse or so: no fibre between tells its
    // loss, which the stronger one's takes in, and the two are not one event.
    bool shelf = false;
    // Taken for the end and then not: taken again, it stays the end, or passes could take it
    // and drop it by turns.
    bool endWithdrawn = false;
    bool endKept = false;
    // Found by its fall over a pulse, where it starts.
    bool sharp = false;
};

class CAnalyzer {
public:
    CAnalyzer(const CAnalysisTrace& trace, const CAnalysisThresholds& thresholds)
        : trace_(trace), thresholds_(thresholds), n_(static_cast<Index>(trace.count)) {}

    CAnalysisResult Run();

private:
    double S(Index i) const { return smoothed_[i]; }
    // The least of S over a..b-1; infinity where that is empty.
    double Lowest(Index a, Index b) const { return blocks_->Lowest(a, b); }
    double P(Index i) const { return power_[static_cast<std::size_t>(i)]; }
    // The fall over a pulse from sample i; not a number where that reaches past the end.
    float Fall(Index i) const {
        return i + width_ < n_ ? static_cast<float>(S(i) - S(i + width_))
                               : std::numeric_limits<float>::quiet_NaN();
    }
    void Prepare();
    // fibreFall: the least fall over a pulse length that counts as the fibre's own.
    // recovery: follow the receiver's slow recovery too, which only a strong peak leaves.
    Index FallEnd(Index j, Index reference, double fibreFall = 0.0, bool recovery = true) const;
    void FindLaunch();
    // Nothing after the launch stands above the noise of the trace's last samples: no fibre is
    // connected, or none the pulse can light.
    bool NoFibre() const;
    // The trace's last quarter falls in four even steps, each far beyond its noise: the fibre
    // goes on past the last sample, and there is no noise after an end to tell.
    bool FibreOutlastsTrace() const;
    // steps: found before, whose transitions the lines before a reflection must not include.
    void FindReflections(const std::vector<CCandidate>& steps);
    // Reflections a pulse or two apart, found as one bump: a second edge rising as sharply as
    // a reflection's within one makes it two.
    void SplitReflections();
    // Outside the launch and the reflections found so far.
    std::vector<CCandidate> FindSteps() const;
    // Weaker steps in the fibre between the events found so far (candidates_ and reflections_),
    // told by two lines of one slope on either side: a fibre whose attenuation differs from
    // place to place reads as no step, and the events found do not bend the lines.
    std::vector<CCandidate> FindStepsBetween() const;
    // The stretches the events found and the echoes answer for, widened by margin, sorted.
    std::vector<std::pair<Index, Index>> EventZones(Index margin) const;
    // Losses a pulse sharp, in the fibre between the events found.
    std::vector<CCandidate> FindFalls() const;
    // The runs of the fall over a pulse in first..last-1, clear of zones (sorted), that are
    // steps' answers, judged against the fall's median and spread as noise gives them.
    std::vector<CCandidate> SharpFalls(Index first, Index last,
                                       const std::vector<std::pair<Index, Index>>& zones,
                                       const CBlockNoise& noise) const;
    // A step found by windows that hold two, each a pulse sharp, is the two.
    void SplitSharp();
    // Runs of one sign above their threshold in a detector's output, from the launch to the
    // limit: a candidate at the strongest sample of each. threshold is asked in sample order.
    template <class Threshold, class Sigma>
    std::vector<CCandidate> StepRuns(std::span<const float> values, double lowest,
                                     Threshold&& threshold, Sigma&& sigma) const;
    // A run of the step detector's values wider than one step answers with: two steps, added
    // to found, where two explain it far better than one and down to the noise, and each
    // stands out on its own as the detector measures it with windows that stop short of the
    // other. budget: counted down here.
    bool SplitRun(std::span<const float> values, const CCandidate& run, CSplitBudget& budget,
                  std::vector<CCandidate>& found) const;
    // Fits the sections between the candidates and measures each one's loss; false when
    // nothing changed.
    bool Refine();
    void RemoveGhosts();
    // Where an echo of the reflections found before x (or of the launch) would arrive, within
    // tolerance, weaker than they are at its peak; of those at least strongest dB high, the
    // one it bounced from.
    bool EchoAt(Index x, Index peak, double strongest, Index tolerance) const;
    // Moves each loss or gain to where the trace first leaves the line before it: the onset,
    // where instruments place an event, rather than the middle of its transition.
    void PlaceOnsets();
    // Under a pulse of 32 samples or more: makes reflections of the losses (and of the gain and
    // loss pairs) that rise sharply first, measures reflections again by such a rise, and drops
    // an echo's gain and loss; true when any changed.
    bool FindRisingEdges();
    void Report(CAnalysisResult& result);
    // The start, and the end where the launch ends: no fibre to measure.
    void ReportNoFibre(CAnalysisResult& result) const;
    // Half a guard, rounded up: the step detector places a sharp edge anywhere within its
    // guard, and a pulse of a sample or two would leave the edge itself in the fibre before.
    Index ZoneStart(const CCandidate& c) const {
        return std::max<Index>(0, c.x - (guard_ + 1) / 2);
    }
    Index ZoneEnd(const CCandidate& c) const { return std::min<Index>(n_, c.zoneEnd + guard_ / 2); }
    void MergeClose();
    CLineFit SectionFit(Index a, Index b) const;
    // Falls ten times faster than a lossy fibre: no fibre's slope.
    bool Steep(const CLineFit& fit) const {
        return -fit.slope / trace_.spacingKm > 10.0 * LossyFibre();
    }
    // The standard error of a section's line at x, from the spread about it; 0 where the
    // section is too short to tell.
    double LevelError(const CLineFit& fit, double x) const;
    void BorrowSlopes();
    // dB/km: as fast as a lossy fibre of the trace's wavelength falls.
    double LossyFibre() const;
    // Spread of the differences of neighbouring samples in a..b-1: small on any fibre, a few dB
    // in the noise after its end.
    double DifferenceSigma(Index a, Index b) const;
    double MedianPower(Index a, Index b) const; // of the samples a..b-1
    // Samples per block of a noise estimate: a few pulses, and no more than some five hundred
    // blocks over a long trace, whose noise changes no faster along the fibre than a short one's.
    Index NoiseBlock() const { return std::max({16 * width_, Index{256}, n_ / 512}); }

    const CAnalysisTrace& trace_;
    const CAnalysisThresholds& thresholds_;
    Index n_;
    Index width_ = 1;  // pulse length in samples
    Index guard_ = 1;  // half a transition
    Index window_ = 8; // samples of a detector's line fit
    double backscatter_ = 0.0;
    double pulseNs_ = 0.0;
    // The arrays as long as the trace, all in one block.
    CWorkBlock work_;
    std::span<float> power_;          // the negated levels: larger is stronger
    std::span<float> smooth_;         // power_ averaged over a quarter pulse, where that is wider
    const float* smoothed_ = nullptr; // smooth_ or power_
    std::optional<CLevelBlocks> blocks_; // of smoothed_
    std::optional<CRunningFit> fit_;
    // The detectors' values along the trace, one detector at a time.
    std::span<float> scratch_;
    std::span<float> steps_;                    // the step detector's, kept for its second run
    mutable bool stepsMeasured_ = false;        // steps_ holds the first run's
    mutable std::optional<CStepPairFit> pairs_; // made when a run is first split
    std::unique_ptr<CBlockNoise> fallNoise_;
    Index launchStart_ = 0; // the first sample with light
    Index origin_ = 0;      // where the fibre starts: the foot of the launch's edge
    Index launchPeak_ = 0;
    Index launchEnd_ = 0;
    double launchHeight_ = 0.0;
    std::vector<CCandidate> reflections_;
    std::vector<std::pair<Index, Index>> spikes_; // single samples of noise standing out
    // Echoes, and faint reflections that lose nothing: no events, and no steps either.
    std::vector<CCandidate> ghosts_;
    std::vector<CCandidate> candidates_;
    // Found past an end that a later pass may withdraw, by position: fibre again if it does.
    std::vector<CCandidate> pastEnd_;
    std::vector<CLineFit> sections_; // sections_[k] leads into candidates_[k]
    // sections_[k] is the one before it, there being no fibre of its own between a reflection
    // and the stronger one that rose from it.
    std::vector<char> lent_;
    double startNoise_ = 0.0;
    double floor_ = 0.0;    // level of the trace's last samples: the noise after the end, if any
    double noiseTop_ = 0.0; // the top of that noise's band, averaged over a few samples
    Index limit_ = 0;       // the detectors look no further
};

} // namespace analysis_internal
