// The trace prepared for the detectors: smoothed levels, the noise, the launch and dead zones.
#include "analysis/AnalyzerInternal.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace analysis_internal {

void CAnalyzer::Prepare() {
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
    // A pulse of a few samples leaves nothing to average.
    const Index half = width_ / 4;

    const std::size_t count = trace_.count;
    const std::size_t arrays = half > 0 ? 4 : 3;
    const std::size_t blocks = CLevelBlocks::Blocks(count);
    work_ =
        CWorkBlock(CWorkBlock::Space<double>(CRunningFit::Length(count)) +
                   arrays * CWorkBlock::Space<float>(count) + 2 * CWorkBlock::Space<float>(blocks));
    const std::span<double> sums = work_.Take<double>(CRunningFit::Length(count));
    power_ = work_.Take<float>(count);
    scratch_ = work_.Take<float>(count);
    steps_ = work_.Take<float>(count);
    double last = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double level = trace_.levels[i];
        // A sample that is not a number repeats the one before it.
        if (std::isfinite(level))
            last = std::clamp(-level, -200.0, 200.0);
        power_[i] = static_cast<float>(last);
    }
    fit_.emplace(power_, sums);
    smoothed_ = power_.data();
    if (half > 0) {
        smooth_ = work_.Take<float>(count);
        for (Index i = 0; i < n_; ++i) {
            const Index a = std::max<Index>(0, i - half);
            const Index b = std::min(n_, i + half + 1);
            smooth_[static_cast<std::size_t>(i)] = static_cast<float>(fit_->Mean(a, b));
        }
        smoothed_ = smooth_.data();
    }
    blocks_.emplace(std::span<const float>(smoothed_, count), work_.Take<float>(blocks),
                    work_.Take<float>(blocks));
    {
        const Index from = n_ - std::min<Index>(n_, std::max<Index>(64, n_ / 50));
        std::vector<double> tail(power_.begin() + from, power_.end());
        auto middle = tail.begin() + static_cast<Index>(tail.size() / 2);
        std::nth_element(tail.begin(), middle, tail.end());
        floor_ = *middle;
        // The noise after an end is a wide band of spikes in dB; averaged over a few samples
        // it is narrow enough to tell from the weakest fibre before it.
        const Index reach = std::max<Index>(half, 4);
        for (Index i = from; i < n_; ++i)
            tail[static_cast<std::size_t>(i - from)] =
                fit_->Mean(std::max<Index>(0, i - reach), std::min(n_, i + reach + 1));
        std::nth_element(tail.begin(), middle, tail.end());
        const double median = *middle;
        auto top = tail.begin() + static_cast<Index>(tail.size() * 99 / 100);
        std::nth_element(tail.begin(), top, tail.end());
        const double highest = *top;
        noiseTop_ = highest;
        for (double& value : tail)
            value = std::abs(value - median);
        std::nth_element(tail.begin(), middle, tail.end());
        // Past the last sample clearly above the noise there is nothing to look for: the
        // detectors stop a little after it.
        const double above = std::min(median + 0.5 + 3.0 * 1.4826 * *middle, highest + 0.5);
        Index last = n_ - 1;
        while (last > 0 && !(S(last) > above))
            --last;
        limit_ = std::min(n_, last + 4 * width_ + 2 * window_ + 64);
    }
    fallNoise_ = std::make_unique<CBlockNoise>(
        n_, [this](Index i) { return Fall(i); }, NoiseBlock());
}

// Follows the trailing edge of a reflection from j until the trace falls no faster than the
// fibre does at reference (before the event: after a fibre end there is only noise): the end
// of the dead zone.
Index CAnalyzer::FallEnd(Index j, Index reference, double fibreFall, bool recovery) const {
    const Index cap = std::min(n_ - 1 - width_, j + std::max<Index>(30 * width_, 60));
    // A strong reflection's fall may fill most of the block it lies in: the block before it
    // tells the fibre too, the lesser fall of the two.
    const double fibre = std::max(
        std::min(fallNoise_->Median(reference),
                 fallNoise_->Median(std::max<Index>(0, fallNoise_->BlockStart(reference) - 1))),
        fibreFall);
    const double tolerance = fibre + 4.0 * fallNoise_->Sigma(reference);
    while (j < cap && Fall(j) > tolerance)
        ++j;
    // The receiver's slow recovery after a strong reflection: over a detector's window the
    // trace still falls more than the fibre would. Where the fibre itself falls that much over
    // a window, a splice in it would pass for the recovery, which curves: the extra fall must
    // be in both halves of the window.
    const double span = static_cast<double>(window_) / static_cast<double>(width_);
    const double margin = std::max(0.05, 4.0 * fallNoise_->Sigma(reference) * std::sqrt(span));
    const double slow = fibre * span + margin;
    const Index half = window_ / 2;
    const double halfSlow =
        0.5 *
        (fibre * span * static_cast<double>(2 * half) / static_cast<double>(window_) + margin);
    const bool straight = fibre * span >= margin;
    auto recovering = [&](Index k) {
        return S(k) - S(k + window_) > slow &&
               (!straight || (S(k) - S(k + half) > halfSlow &&
                              S(k + window_ - half) - S(k + window_) > halfSlow));
    };
    while (recovery && j > 0 && j + window_ < cap && recovering(j))
        j += width_ / 2 + 1;
    return std::max<Index>(j, 0) + 1;
}

void CAnalyzer::FindLaunch() {
    // Some instruments record a little before the launch connector, or a stretch without
    // light at all: the receiver's lowest value, repeated, until the launch.
    const double lowest = *std::min_element(power_.begin(), power_.end());
    Index first = 0;
    while (first + 1 < n_ / 2 && P(first) <= lowest && P(first + 1) <= lowest)
        ++first;
    launchStart_ = first > 0 ? first + 1 : 0;
    const Index near = static_cast<Index>(std::min(0.15 / trace_.spacingKm, 1e6));
    const Index search =
        std::min(std::max<Index>(1, n_ / 8), launchStart_ + std::max(4 * width_ + 8, near));
    // The launch is the highest peak there, unless the trace falls back from an earlier one
    // to a level well above the receiver's floor and stays there for a pulse: that one is the
    // front connector, however weak, and what follows is fibre with its own events.
    Index peak = launchStart_;
    Index below = 0;
    for (Index i = launchStart_ + 1; i < search && below < width_; ++i) {
        if (P(i) > P(peak)) {
            peak = i;
            below = 0;
        } else {
            below = P(i) < P(peak) - 3.0 && P(i) > lowest + 6.0 ? below + 1 : 0;
        }
    }
    // A saturated launch is a plateau; its fall starts where the plateau ends.
    launchPeak_ = peak;
    Index j = peak;
    while (j + 1 < n_ && P(j + 1) >= P(peak) - 0.3 && j - peak < 20 * width_ + 20)
        ++j;
    // With a pulse long against the fibre the samples well after the launch may be the noise
    // after the end, which does not fall at all: the fibre falls at least as fast as a lossy
    // fibre of this wavelength might.
    const double fibreFall = 1.5 * LossyFibre() * static_cast<double>(width_) * trace_.spacingKm;
    // The fibre's fall is told a little after the launch, where the launch's own fall is over;
    // but a short fibre may end there, and its end's fall is no fibre's: the block that falls
    // least on the way tells it.
    const Index farthest = std::min(n_ - 1, j + 16 * width_ + 256);
    Index reference = farthest;
    for (Index k = j; k < farthest; k = fallNoise_->BlockEnd(k))
        if (fallNoise_->Median(k) < fallNoise_->Median(reference))
            reference = k;
    // The front connector's reflection lights a whole pulse however weak it is, and its edge
    // falls over a transition more: with a long pulse that fall may be less than the lossy
    // fibre's above, and its edge would pass for a loss.
    launchEnd_ = std::min(
        n_, std::max(FallEnd(j, reference, fibreFall) + guard_, launchStart_ + width_ + guard_));
    // Some instruments record their own fibre before the front panel, lit: the fibre starts
    // where the launch's edge rises from it.
    origin_ = launchStart_;
    if (peak > launchStart_ + width_ + guard_) {
        const Index earliest = std::max(launchStart_, peak - 2 * width_ - guard_);
        const double foot = std::min(S(peak), Lowest(earliest, peak));
        origin_ = blocks_->RiseStart(earliest, peak, foot, 0.3 * (S(peak) - foot));
    }
    launchHeight_ =
        launchEnd_ + 3 <= n_
            ? P(peak) -
                  SectionFit(launchEnd_, launchEnd_ + 4 * window_).At(static_cast<double>(origin_))
            : 0.0;
}

bool CAnalyzer::FibreOutlastsTrace() const {
    const Index from = launchEnd_ + (n_ - launchEnd_) * 3 / 4;
    const Index part = (n_ - from) / 4;
    if (part < std::max<Index>(8 * width_, 64))
        return false;
    double level[4];
    double error[4];
    for (int q = 0; q < 4; ++q) {
        const CLineFit fit = fit_->Fit(from + q * part, from + (q + 1) * part);
        level[q] = fit.mean;
        error[q] = LevelError(fit, fit.centre);
    }
    double least = std::numeric_limits<double>::infinity();
    double most = 0.0;
    for (int q = 0; q < 3; ++q) {
        const double fall = level[q] - level[q + 1];
        if (!(fall > 5.0 * std::hypot(error[q], error[q + 1])))
            return false;
        least = std::min(least, fall);
        most = std::max(most, fall);
    }
    // Evenly, as a fibre does, rather than as an end within it does, or a receiver recovering.
    const double km = static_cast<double>(part) * trace_.spacingKm;
    return most < 2.0 * least && most / km < 5.0 * LossyFibre();
}

bool CAnalyzer::NoFibre() const {
    // The noise is told from the trace's last samples: means over windows of them give its
    // level and spread robustly (a ghost or a spike there moves neither). A window a pulse
    // long sees a reflection, longer ones a piece of fibre only a little above the noise; each
    // is held against the spread of its own length's means.
    const Index tail = std::min<Index>(n_, std::max<Index>(64, n_ / 50));
    const Index from = n_ - tail;
    if (launchEnd_ >= from)
        return false;
    std::vector<double> means;
    for (Index w = std::min(std::max<Index>(width_, 8), tail / 16); w <= tail / 16; w *= 4) {
        means.clear();
        for (Index i = from; i + w <= n_; ++i)
            means.push_back(fit_->Mean(i, i + w));
        auto middle = means.begin() + static_cast<Index>(means.size() / 2);
        std::nth_element(means.begin(), middle, means.end());
        const double median = *middle;
        for (double& value : means)
            value = std::abs(value - median);
        std::nth_element(means.begin(), middle, means.end());
        // Even a flat line has its rounding.
        const double band = 6.0 * std::max(1.4826 * *middle, 1e-3);
        auto above = [&](Index a, Index b) {
            for (Index i = a; i + w <= b; ++i)
                if (fit_->Mean(i, i + w) > median + band)
                    return true;
            return false;
        };
        // The strongest sample near the start may be a near reflection rather than the launch:
        // the fibre before it counts too.
        if (above(launchStart_ + width_ + guard_, launchPeak_ - guard_) || above(launchEnd_, n_))
            return false;
    }
    // A fibre long against the trace may stay within the noise of short windows while it
    // falls, or rises past a gainer: noise has no slope.
    const CLineFit line = fit_->Fit(launchEnd_, n_);
    double squares = 0.0;
    for (Index i = launchEnd_; i < n_; ++i) {
        const double r = P(i) - line.At(static_cast<double>(i));
        squares += r * r;
    }
    const double count = static_cast<double>(n_ - launchEnd_);
    const double sxx = count * (count * count - 1.0) / 12.0;
    const double error = std::sqrt(squares / std::max(count - 2.0, 1.0) / sxx);
    return std::abs(line.slope) <= 6.0 * error;
}

double CAnalyzer::LossyFibre() const {
    return trace_.wavelength > 0 && trace_.wavelength < 1000 ? 3.5
           : trace_.wavelength >= 1450                       ? 0.35
                                                             : 0.5;
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
    // The mean rather than the median: the noise after an end is often clipped at the
    // receiver's floor, so most neighbours are equal and only the spikes between tell.
    double sum = 0.0;
    int count = 0;
    for (Index i = a + 1; i < b; i += 2, ++count)
        sum += std::abs(P(i) - P(i - 1));
    // The mean of |a - b| for two normal samples is 1.128 sigma.
    return count < 4 ? 0.0 : sum / count / 1.128;
}

double CAnalyzer::MedianPower(Index a, Index b) const {
    a = std::clamp<Index>(a, 0, n_ - 1);
    b = std::clamp<Index>(b, a + 1, n_);
    std::vector<double> values(power_.begin() + a, power_.begin() + b);
    auto middle = values.begin() + static_cast<Index>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace analysis_internal
