// Finding candidate events: reflections, steps, and what is not an event (ghosts, neighbours).
#include "analysis/AnalyzerInternal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>

namespace analysis_internal {

namespace {

// A detector's threshold, read from two noise estimates at k - reach and k + reach: it changes
// only where either crosses a block's edge, so that, asked in sample order, it is worked out
// once a block rather than once a sample.
template <class Threshold> class CBlockThreshold {
public:
    CBlockThreshold(const CBlockNoise& first, const CBlockNoise& second, Index reach, Index n,
                    Threshold threshold)
        : first_(first), second_(second), reach_(reach), n_(n), threshold_(threshold) {}
    double operator()(Index k) { return k < until_ ? current_ : Reread(k); }

private:
    double Reread(Index k) {
        current_ = threshold_(k);
        const Index a = std::max<Index>(0, k - reach_);
        const Index b = std::min(n_ - 1, k + reach_);
        until_ = std::min({first_.BlockEnd(a) + reach_, second_.BlockEnd(a) + reach_,
                           b < n_ - 1 ? first_.BlockEnd(b) - reach_ : n_,
                           b < n_ - 1 ? second_.BlockEnd(b) - reach_ : n_});
        until_ = std::max(until_, k + 1);
        return current_;
    }

    const CBlockNoise& first_;
    const CBlockNoise& second_;
    Index reach_;
    Index n_;
    Threshold threshold_;
    double current_ = 0.0;
    Index until_ = 0;
};

} // namespace

void CAnalyzer::FindReflections(const std::vector<CCandidate>& steps) {
    // The height over the line of the samples before, first without regard to other events,
    // for the noise of the detector.
    const std::span<float> height = scratch_;
    std::ranges::fill(height, std::numeric_limits<float>::quiet_NaN());
    auto heightAt = [&](Index i, Index from, CLineFit* line) {
        const Index a = std::max(i - guard_ - window_, from);
        const Index b = i - guard_;
        if (b - a < 3)
            return std::numeric_limits<double>::quiet_NaN();
        CLineFit fit = fit_->Fit(a, b);
        // A slope from a short stretch after an event (a loss, the launch, a reflection) is
        // mostly noise, or the event's tail: the fibre's own fall through its mean is the
        // better line.
        if (b - a < window_ / 2)
            fit.slope = -fallNoise_->Median(a) / static_cast<double>(width_);
        if (line)
            *line = fit;
        return S(i) - fit.At(static_cast<double>(i));
    };
    {
        const double length = static_cast<double>(window_);
        const double inverse = 1.0 / length;
        const double inverseSxx = 12.0 / (length * (length * length - 1.0));
        for (Index i = launchEnd_; i < limit_; ++i) {
            const Index a = i - guard_ - window_;
            height[static_cast<std::size_t>(i)] = static_cast<float>(
                a >= launchEnd_
                    ? S(i) - fit_->LevelAt(a, window_, static_cast<double>(i), inverse, inverseSxx)
                    : heightAt(i, launchEnd_, nullptr));
        }
    }
    const CBlockNoise noise(height, NoiseBlock());
    startNoise_ = noise.Sigma(launchEnd_);
    const double least = HeightFromReflectance(thresholds_.reflectance, pulseNs_, backscatter_);
    const double ceiling = *std::max_element(power_.begin(), power_.end());

    // The samples' own noise as the smoothing leaves it, a window at a time, asked for lazily:
    // few places need it.
    const double smoothing = std::sqrt(static_cast<double>(2 * (width_ / 4) + 1));
    std::vector<float> quietByWindow(static_cast<std::size_t>(n_ / window_ + 1),
                                     std::numeric_limits<float>::quiet_NaN());
    const auto quietBefore = [&](Index i) {
        const Index k = std::max<Index>(0, i - window_) / window_;
        float& q = quietByWindow[static_cast<std::size_t>(k)];
        if (std::isnan(q))
            q = static_cast<float>(
                DifferenceSigma(std::max(launchEnd_, k * window_), (k + 1) * window_) / smoothing);
        return static_cast<double>(q);
    };
    Index endOnlyNext = 0;
    Index zoneEnd = launchEnd_;
    std::size_t step = 0;
    Index stepEnd = launchEnd_;
    Index footFrom = -1;
    Index footTo = -1;
    Index footStart = 0;
    for (Index i = launchEnd_; i < limit_ && reflections_.size() < kMaxCandidates; ++i) {
        // A loss before bends the line once its transition is over. A gain just before may be
        // the reflection's own rising edge, which the step detector's windows see from as far
        // as they reach: only one farther before counts.
        while (step < steps.size() && ZoneEnd(steps[step]) < i - guard_ &&
               (!steps[step].gain || ZoneEnd(steps[step]) < i - width_ - guard_ - window_))
            stepEnd = std::max(stepEnd, ZoneEnd(steps[step++]));
        // Where no event ends within the line's window, the first pass measured the same
        // height: most samples are left there, below the least threshold.
        const Index from = std::max(zoneEnd, stepEnd);
        if (from <= i - guard_ - window_ && !(height[static_cast<std::size_t>(i)] > 0.009f))
            continue;
        CLineFit before;
        const double h = heightAt(i, from, &before);
        // The quieter side decides, so that the reflection of a fibre end counts.
        const double sigma =
            std::min(noise.Sigma(i), noise.Sigma(std::max<Index>(0, i - guard_ - window_)));
        // A fibre end counts however weakly it reflects: instruments report its reflection
        // below their threshold too. Weaker bumps are kept only where the fibre ends.
        double threshold = std::max(5.0 * sigma, 0.01);
        // A fibre shorter than a noise block shares it with the noise past its end, which
        // hides the reflection that ends it: there the fibre's own noise before the bump
        // decides, and only a bump the fibre ends in counts.
        bool endOnly = false;
        if (!(h > threshold)) {
            if (!(h > 0.01))
                continue;
            // Most samples of a long pulse's trace come here, and the bump found from one is
            // found again from the next: one in an eighth of a pulse is tried.
            if (i < endOnlyNext || !(S(i) > noiseTop_ + 2.0))
                continue;
            const double quiet = quietBefore(i - guard_);
            if (!(h > 5.0 * quiet) || !(5.0 * quiet < 0.5 * threshold))
                continue;
            endOnlyNext = i + std::max<Index>(1, width_ / 8);
            // Where the fibre goes on for a few pulses, no bump here ends it.
            if (!(S(i) - Lowest(i, std::min(n_, i + 4 * width_ + 2 * guard_ + 2)) >=
                  thresholds_.endOfFibre))
                continue;
            threshold = std::max(5.0 * quiet, 0.01);
            endOnly = true;
        }
        // The bump: where the trace stays above half its height. One that does not come down
        // soon is the line before bent by an earlier event, not a reflection.
        const Index longest = i + 6 * width_ + 40;
        const CLevelBlocks::CBump bump =
            blocks_->Follow(i, std::min(n_, longest), before, threshold, h);
        Index peak = bump.peak;
        Index j = bump.end;
        // Lines fitted a little later are bent by the same event: the next samples are
        // passed over for a part of a pulse, or a long pulse would make this quadratic.
        if (j == longest) {
            i += width_ / 8;
            continue;
        }
        // A stronger reflection rising within a pulse of this one's end is one bump with it,
        // split by their edges below: the fibre between, if any, is too short to measure by.
        {
            const Index reach = std::min(n_, j + width_ + guard_);
            const Index next = blocks_->FirstOver(
                j, reach, before, S(peak) - before.At(static_cast<double>(peak)) + threshold);
            // On fibre: in the noise after an end every bump is followed by a higher one.
            if (next > j && next < reach &&
                before.At(static_cast<double>(peak)) > noiseTop_ + 2.0) {
                const Index farthest = std::min(n_, next + 6 * width_ + 40);
                const CLevelBlocks::CBump more =
                    blocks_->Follow(next, farthest, before, threshold,
                                    S(next) - before.At(static_cast<double>(next)));
                if (more.end < farthest && S(more.peak) > S(peak) + threshold) {
                    peak = more.peak;
                    j = more.end;
                }
            }
        }
        double top = S(peak) - before.At(static_cast<double>(peak));
        // A reflection rises within a fraction of a pulse: its event starts at the foot of the
        // edge below the peak, however early the noise or a bent line first crossed the
        // threshold. The line before is then the one before that edge.
        // The foot is told from the lowest level before the peak, not from the line, which a
        // loss before may have bent.
        const Index earliest = std::max(zoneEnd, peak - 2 * width_ - guard_);
        // The samples after one below a bump mostly find the same peak and stretch before it,
        // so the same foot: under a long pulse each is thousands of samples away.
        if (earliest != footFrom || peak != footTo) {
            footFrom = earliest;
            footTo = peak;
            const double foot = std::min(S(peak), Lowest(earliest, peak));
            footStart = blocks_->RiseStart(earliest, peak, foot, 0.3 * (S(peak) - foot));
        }
        Index start = footStart;
        if (start > i + guard_) {
            heightAt(start, from, &before);
            top = S(peak) - before.At(static_cast<double>(peak));
            // The bump ends where the trace comes down to that line, not to the bent one.
            j = blocks_->FirstNotOver(peak, std::min(longest, n_), before, 0.5 * top);
        }
        // Over the line before its own edge it must still stand out.
        if (!(top > threshold))
            continue;
        // A weak peak is a pulse wide; a broad hump is the line before bent by an event.
        if (top < 1.0 && j - start > 2 * width_ + guard_)
            continue;
        // A reflection lights a pulse of samples; a single sample standing out, which the
        // smoothing widens and lowers into a bump like a weak peak's, is noise, and the step
        // detector must not take its edges either. A pulse of a few samples cannot be told
        // from it.
        if (width_ >= 4) {
            Index lit = 0;
            Index spike = start;
            // Two lit samples are no spike: the rest need not be counted.
            for (Index k = start; k < std::max(j, start + 1) && lit < 2; ++k)
                if (P(k) - before.At(static_cast<double>(k)) > 0.5 * top) {
                    ++lit;
                    spike = k;
                }
            if (lit == 1) {
                if (spikes_.size() < kMaxCandidates)
                    spikes_.emplace_back(spike, spike + 1);
                i = std::max(i, spike);
                continue;
            }
        }
        const Index plateau = blocks_->FirstBelow(peak + 1, n_, S(peak) - 0.5 * top) - 1;
        // A reflection stands above the fibre after it too; a rise that stays up is a gain (the
        // step detector takes it), and so is a line bent by an event before. The level after is
        // the mean past the dead zone carried back along the fibre's slope before: a line
        // through noise would extrapolate anywhere.
        // A weak peak leaves the receiver as it was: what falls after it is the next event's.
        const Index end =
            std::max(FallEnd(plateau, std::max(zoneEnd, i - guard_ - window_), 0.0, top >= 1.0), j);
        const CLineFit after = SectionFit(end + guard_, end + guard_ + window_);
        const double below = after.mean + before.slope * (static_cast<double>(peak) - after.centre);
        const double drop = before.At(static_cast<double>(peak)) - below;
        // A reflection weaker than the threshold is still where the fibre changes: it is an
        // event by its loss alone, or its edges would pass for a gain and a loss. Where it
        // ends the fibre, in the noise, it counts however weakly it reflects.
        const bool intoNoise =
            after.mean < noiseTop_ + 1.0 && before.At(static_cast<double>(peak)) > noiseTop_ + 2.0;
        // ...and falls past the end threshold within a pulse of its plateau: a bump on fibre
        // that goes on is noise, however near the end.
        if (endOnly && (!(intoNoise || drop >= thresholds_.endOfFibre) ||
                        !(before.At(static_cast<double>(peak)) -
                              S(std::min(n_ - 1, plateau + width_ + guard_)) >=
                          thresholds_.endOfFibre)))
            continue;
        // A peak at the receiver's ceiling is clipped: its height is a bound from below, which
        // cannot tell it weaker than the threshold.
        Index clipped = 0;
        for (Index k = start; k < j && clipped < 2; ++k)
            clipped += P(k) >= ceiling - kMinSigma;
        const bool faint =
            top < least && clipped < 2 && !(drop >= thresholds_.endOfFibre || intoNoise);
        if (end + guard_ + 3 <= n_ &&
            S(peak) - below < std::max(threshold, top < least ? 0.0 : least))
            continue;
        // The quieter side lets the reflection of a fibre end count; an event by its loss
        // alone must stand out of the noise on either side, or the noise after an end would
        // pass for one. The samples' own noise, as the smoothing leaves it.
        if (faint) {
            const double local = std::max(DifferenceSigma(start - window_, start),
                                          DifferenceSigma(end, end + window_)) /
                                 smoothing;
            if (!(top > 5.0 * local))
                continue;
        }
        CCandidate c;
        c.x = start;
        c.zoneEnd = end;
        c.runFrom = i;
        c.reflective = true;
        c.faint = faint;
        c.peak = peak;
        c.height = top;
        c.strength = top;
        c.noise = sigma;
        reflections_.push_back(c);
        zoneEnd = end;
        i = end;
    }
    SplitReflections();
}

void CAnalyzer::SplitReflections() {
    const double least = HeightFromReflectance(thresholds_.reflectance, pulseNs_, backscatter_);
    const Index rise = std::max<Index>(1, width_ / 2);
    std::vector<CCandidate> split;
    struct CEdge {
        Index foot; // where it leaves the level before it
        Index start;
        Index top;
    };
    std::vector<CEdge> edges;
    Index previous = launchEnd_;
    for (const CCandidate& c : reflections_) {
        const Index from = previous;
        previous = c.zoneEnd;
        // From a pulse before it first stood out: its edge may have begun that early.
        const Index lo = std::max(from, std::min(c.runFrom, c.x) - width_);
        // The fibre before, as a reflection is measured from.
        const Index b = lo - guard_;
        const Index a = std::max(from, b - window_);
        if (c.faint || b - a < 3 || split.size() + 8 > kMaxCandidates) {
            split.push_back(c);
            continue;
        }
        CLineFit line = fit_->Fit(a, b);
        if (b - a < window_ / 2)
            line.slope = -fallNoise_->Median(a) / static_cast<double>(width_);
        auto over = [&](Index k) { return S(k) - line.At(static_cast<double>(k)); };
        const double enough = std::max({least, 5.0 * c.noise, 0.01});
        // The edges: the trace rises within half a pulse by most of a reflection's height, to
        // where it stops rising.
        edges.clear();
        for (Index k = lo; k + rise < c.zoneEnd && edges.size() < 8;) {
            if (!(S(k + rise) - S(k) > 0.5 * enough)) {
                ++k;
                continue;
            }
            // Its top: where the trace, past half a pulse, no longer rises at a fifth of its
            // steepest, so that a second edge from its plateau is a second edge.
            const double base = S(k);
            Index top = k;
            double steepest = 0.0;
            for (Index t = k; t + 1 < c.zoneEnd; ++t) {
                const double climb = S(t + 1) - S(t);
                steepest = std::max(steepest, climb);
                if (t >= k + rise && !(climb > 0.2 * steepest))
                    break;
                if (S(t + 1) > S(top))
                    top = t + 1;
            }
            const double own = S(top) - base;
            // Where it crosses 10, 30 and 90 % of its rise: it starts at 30 %, as a reflection
            // found alone does, and rises within about a pulse.
            Index at10 = k;
            while (at10 < top && S(at10) < base + 0.1 * own)
                ++at10;
            Index at30 = at10;
            while (at30 < top && S(at30) < base + 0.3 * own)
                ++at30;
            Index at90 = at30;
            while (at90 < top && S(at90) < base + 0.9 * own)
                ++at90;
            // A pulse after the last at least, and stronger: from near the fibre higher than
            // the last, from its plateau by more than it stands. A weaker one is in the last
            // one's dead zone (an echo, the receiver ringing), and stays in it.
            bool apart = edges.empty();
            if (!apart) {
                const CEdge& last = edges.back();
                const bool fromFibre = over(k) < 0.5 * over(last.top);
                apart =
                    at30 - last.start >= width_ &&
                    S(top) - S(last.top) > (fromFibre ? enough : std::max(enough, over(last.top)));
            }
            Index foot = at10;
            while (foot > k && S(foot - 1) < S(foot))
                --foot;
            if (apart && at90 - at10 <= width_ + guard_ && own >= enough && over(top) >= enough)
                edges.push_back({foot, at30, top});
            k = top + 1;
        }
        // Each edge a reflection of its own; nothing else is split.
        if (edges.size() < 2 || c.peak < edges.front().start || c.peak >= c.zoneEnd) {
            split.push_back(c);
            continue;
        }
        for (std::size_t e = 0; e < edges.size(); ++e) {
            CCandidate part = c;
            part.x = edges[e].start;
            const bool last = e + 1 == edges.size();
            part.zoneEnd = last ? c.zoneEnd : edges[e + 1].start;
            // Up to where the next one starts rising: its edge is not this one's height.
            const Index until = last ? c.zoneEnd : std::max(part.x + 1, edges[e + 1].foot + 1);
            part.peak = part.x;
            for (Index k = part.x; k < until; ++k)
                if (S(k) > S(part.peak))
                    part.peak = k;
            part.height = part.strength = over(part.peak);
            part.shelf = e + 1 < edges.size();
            split.push_back(part);
        }
    }
    reflections_ = std::move(split);
}

template <class Threshold, class Sigma>
std::vector<CCandidate> CAnalyzer::StepRuns(std::span<const float> values, double lowest,
                                            Threshold&& threshold, Sigma&& sigma) const {
    std::vector<CCandidate> found;
    for (Index i = launchEnd_; i < limit_; ++i) {
        // Most samples are below every threshold: they are passed over in a loop of their own.
        while (i < limit_ && !(std::abs(values[static_cast<std::size_t>(i)]) > lowest))
            ++i;
        if (i >= limit_)
            break;
        const double value = values[static_cast<std::size_t>(i)];
        if (!(std::abs(value) > threshold(i)))
            continue;
        Index best = i;
        Index j = i;
        while (j < n_) {
            const double v = values[static_cast<std::size_t>(j)];
            if (!(std::abs(v) > threshold(j)) || (v > 0) != (value > 0))
                break;
            if (std::abs(v) > std::abs(values[static_cast<std::size_t>(best)]))
                best = j;
            ++j;
        }
        CCandidate c;
        c.x = std::max<Index>(launchEnd_, best - width_ / 2);
        c.zoneEnd = c.x + width_ + guard_ / 2;
        c.gain = values[static_cast<std::size_t>(best)] < 0.0;
        c.strength = std::abs(values[static_cast<std::size_t>(best)]);
        c.noise = sigma(best);
        c.peak = best;
        c.runFrom = i;
        c.runTo = j;
        found.push_back(c);
        if (found.size() >= kMaxCandidates)
            break;
        i = j;
    }
    return found;
}

bool CAnalyzer::SplitRun(std::span<const float> values, const CCandidate& run, CSplitBudget& budget,
                         std::vector<CCandidate>& found) const {
    const Index from = run.runFrom;
    const Index to = run.runTo;
    const double top = run.strength;
    // The fall into the noise after an end widens its run with whatever follows it.
    if (!(top < thresholds_.endOfFibre))
        return false;
    // Above the level where the run ends, one step's answer is no wider than its flat top and
    // that much of its sides, the pulse rounding the corners; a run much wider than two is not
    // two small steps either.
    const auto magnitude = [&](Index k) {
        return std::abs(static_cast<double>(values[static_cast<std::size_t>(k)]));
    };
    const double edge = std::min({top, magnitude(from), magnitude(to - 1)});
    const double single = static_cast<double>(2 * guard_ + width_) +
                          2.0 * static_cast<double>(window_) * (1.0 - edge / top);
    const Index length = to - from;
    if (static_cast<double>(length) <= single || length > 2 * (2 * guard_ + 2 * window_ + width_))
        return false;
    // The fit sees the run and as far either side as a step in it answers, all of it clear of
    // the zones: so are the windows each step is measured with below. Where that reaches the
    // noise after an end, there is no fibre to tell steps in. Under a long pulse the answers
    // are thousands of samples wide and smooth: the fit reads them in blocks, a few hundred
    // to a reach, and places the steps to a block.
    const Index block = std::max<Index>(1, (guard_ + window_) / 256);
    if (!pairs_)
        pairs_.emplace((guard_ + block / 2) / block, (window_ + block / 2) / block);
    const Index reach = pairs_->Reach();
    const Index a = from - reach * block;
    const Index blocks = 2 * reach + (length + block - 1) / block;
    const Index b = a + blocks * block;
    if (a < 0 || b > n_ || std::min(S(a), S(b - 1)) < noiseTop_ + 1.0 || budget.runs <= 0 ||
        budget.samples < b - a)
        return false;
    --budget.runs;
    budget.samples -= b - a;
    const double sign = run.gain ? -1.0 : 1.0;
    std::vector<float> y(static_cast<std::size_t>(blocks));
    for (Index m = 0; m < blocks; ++m) {
        double sum = 0.0;
        for (Index k = a + m * block; k < a + (m + 1) * block; ++k)
            sum += values[static_cast<std::size_t>(k)];
        y[static_cast<std::size_t>(m)] = static_cast<float>(sum / static_cast<double>(block));
    }
    // Apart by the windows' gap and a few samples more, so that each has fibre of its own
    // between them.
    const Index shortest = std::max<Index>(3, window_ / 4);
    const auto fit =
        pairs_->Fit(y, sign, reach, blocks - reach, (2 * guard_ + shortest + block - 1) / block);
    if (!fit || !(fit->residual <= 0.5 * fit->oneResidual))
        return false;
    const std::array<Index, 2> at{a + fit->at[0] * block + block / 2,
                                  a + fit->at[1] * block + block / 2};
    // Two steps explain the run down to the detector's noise: what they leave is no wider
    // than that. A large event's answer that its tail or the receiver widened is not two.
    const double noise = run.noise;
    const double left = std::sqrt(fit->residual / static_cast<double>(blocks));
    if (!(left <= 2.0 * noise))
        return false;
    // Each is as large as a run of its own must be, and so is its drop between windows that
    // stop short of the other: the detector's own measure, its noise grown as the windows
    // shrink. A side lobe, or a step's tail that the fit took for another, is not.
    const double threshold = std::max(0.6 * thresholds_.spliceLoss, 5.0 * noise);
    std::array<CCandidate, 2> steps;
    for (std::size_t k = 0; k < 2; ++k) {
        const Index s = at[k];
        const Index la =
            k == 0 ? s - guard_ - window_ : std::max(at[0] + guard_, s - guard_ - window_);
        const Index lb = s - guard_;
        const Index ra = s + guard_;
        const Index rb =
            k == 0 ? std::min(at[1] - guard_, s + guard_ + window_) : s + guard_ + window_;
        if (!(fit->size[k] > threshold) || lb - la < shortest || rb - ra < shortest)
            return false;
        const double fibre = fallNoise_->Median(la) / static_cast<double>(width_);
        const double centres = 0.5 * static_cast<double>(ra + rb - la - lb);
        const double drop = sign * (fit_->Mean(la, lb) - fit_->Mean(ra, rb) - fibre * centres);
        const double shrink =
            std::sqrt((1.0 / static_cast<double>(lb - la) + 1.0 / static_cast<double>(rb - ra)) *
                      0.5 * static_cast<double>(window_));
        if (!(drop > std::max(0.6 * thresholds_.spliceLoss, 5.0 * noise * shrink)))
            return false;
        CCandidate& c = steps[k];
        c.x = std::max<Index>(launchEnd_, s - width_ / 2);
        c.zoneEnd = c.x + width_ + guard_ / 2;
        c.gain = sign < 0.0;
        c.strength = fit->size[k];
        // The fit tells the detector's noise over the run as it is, where the blocks' spread,
        // generous for a threshold, would make the steps' onsets late.
        c.noise = std::min(noise, left);
        c.peak = s;
        c.pair = from;
    }
    found.insert(found.end(), steps.begin(), steps.end());
    return true;
}

std::vector<CCandidate> CAnalyzer::FindSteps() const {
    // Zones the step detector must not look into: the launch and every reflection.
    std::vector<std::pair<Index, Index>> zones{{0, launchEnd_}};
    for (const CCandidate& c : reflections_)
        zones.emplace_back(ZoneStart(c), ZoneEnd(c));
    if (!spikes_.empty()) {
        zones.insert(zones.end(), spikes_.begin(), spikes_.end());
        std::sort(zones.begin(), zones.end());
        std::vector<std::pair<Index, Index>> merged;
        for (const auto& z : zones)
            if (!merged.empty() && z.first <= merged.back().second)
                merged.back().second = std::max(merged.back().second, z.second);
            else
                merged.push_back(z);
        zones = std::move(merged);
    }
    // The second call differs from the first only by the reflections' zones: only the samples
    // whose windows reach one are measured again.
    const std::span<float> step = steps_;
    const bool again = stepsMeasured_;
    if (!again)
        std::ranges::fill(step, std::numeric_limits<float>::quiet_NaN());
    stepsMeasured_ = true;
    // Most windows are whole: their means without a division.
    const double inverse = 1.0 / static_cast<double>(window_);
    const double span = static_cast<double>(2 * guard_ + window_) / static_cast<double>(width_);
    // The fibre's fall between the windows is read once a noise block.
    double fall = 0.0;
    Index fallFrom = 0;
    Index fallTo = 0;
    std::size_t zone = 0;
    for (Index i = launchEnd_; i < limit_; ++i) {
        while (zone + 1 < zones.size() && zones[zone + 1].first <= i)
            ++zone;
        float& value = step[static_cast<std::size_t>(i)];
        if (i < zones[zone].second) {
            value = std::numeric_limits<float>::quiet_NaN();
            continue;
        }
        const Index nextStart = zone + 1 < zones.size() ? zones[zone + 1].first : n_;
        // Nor does anything change up to where the next zone reaches into the windows.
        if (again && (zone == 0 || i - guard_ - window_ >= zones[zone].second) &&
            i + guard_ + window_ <= nextStart) {
            i = nextStart - guard_ - window_;
            continue;
        }
        const Index la = std::max(i - guard_ - window_, zones[zone].second);
        const Index lb = i - guard_;
        const Index ra = i + guard_;
        const Index rb = std::min(i + guard_ + window_, nextStart);
        if (lb - la < 3 || rb - ra < 3) {
            value = std::numeric_limits<float>::quiet_NaN();
            continue;
        }
        // Means rather than lines: a line through a window that straddles a large step
        // extrapolates anywhere. The fibre's own fall between the windows, taken robustly
        // from the samples around, is not a loss.
        if (lb - la == window_ && rb - ra == window_) {
            if (la < fallFrom || la >= fallTo) {
                fall = fallNoise_->Median(la) * span;
                fallFrom = fallNoise_->BlockStart(la);
                fallTo = fallNoise_->BlockEnd(la);
            }
            value = static_cast<float>((fit_->Sum(la, lb) - fit_->Sum(ra, rb)) * inverse - fall);
            continue;
        }
        const double fibre = fallNoise_->Median(la) / static_cast<double>(width_);
        const double centres = 0.5 * static_cast<double>(ra + rb - la - lb);
        value = static_cast<float>(fit_->Mean(la, lb) - fit_->Mean(ra, rb) - fibre * centres);
    }
    const Index reach = guard_ + window_ / 2;
    auto detect = [&](const CBlockNoise& noise) {
        // Steps a good part of a block apart, under a long pulse, fill most of it with their
        // answers: the spread of the fall over a pulse, whose answer to a step is a pulse
        // wide, tells the noise of a detector's window means too (generously, for noise
        // that is not white).
        const double fallScale = 10.0 * std::sqrt((static_cast<double>(width_ / 2) + 1.0) /
                                                  static_cast<double>(window_));
        auto sigmaAt = [&](Index k) {
            const Index a = std::max<Index>(0, k - reach);
            const Index b = std::min(n_ - 1, k + reach);
            // The quieter side decides, so that the fall into the noise after the end counts.
            return std::min({noise.Sigma(a), noise.Sigma(b),
                             fallScale * std::min(fallNoise_->Sigma(a), fallNoise_->Sigma(b))});
        };
        // No threshold is below this: most samples are done with at one comparison.
        const double lowest =
            std::max(0.6 * thresholds_.spliceLoss,
                     5.0 * std::min(noise.LowestSigma(), fallScale * fallNoise_->LowestSigma()));
        CBlockThreshold threshold(noise, *fallNoise_, reach, n_, [&](Index k) {
            return std::max(0.6 * thresholds_.spliceLoss, 5.0 * sigmaAt(k));
        });
        return StepRuns(step, lowest, threshold, sigmaAt);
    };
    // The detector answers a step over its windows on either side, a good part of a noise
    // block: the noise is told again without the steps found, or they would hide the weaker.
    std::vector<CCandidate> found = detect(CBlockNoise(step, NoiseBlock()));
    if (!found.empty()) {
        std::vector<std::pair<Index, Index>> answered;
        const Index span = guard_ + window_ + width_;
        for (const CCandidate& c : found)
            answered.emplace_back(c.peak - span, c.peak + span);
        const CBlockNoise quieter(step, NoiseBlock(), answered);
        const std::vector<CCandidate> runs = detect(quieter);
        found.clear();
        CSplitBudget budget;
        budget.samples = n_;
        for (const CCandidate& c : runs)
            if (!SplitRun(step, c, budget, found))
                found.push_back(c);
    }
    // The strongest of neighbours stays: a large step leaks into the detector's windows.
    std::sort(found.begin(), found.end(),
              [](const CCandidate& a, const CCandidate& b) { return a.strength > b.strength; });
    const Index apart = width_ + guard_ + window_;
    std::vector<CCandidate> kept;
    std::map<Index, Index> taken; // where each kept step starts, and its pair
    for (const CCandidate& c : found) {
        auto next = taken.lower_bound(c.x);
        // The two steps of one split run are not each other's leaks.
        auto clearOf = [&](std::map<Index, Index>::const_iterator k) {
            return std::abs(k->first - c.x) >= apart || (c.pair >= 0 && k->second == c.pair);
        };
        bool clear = (next == taken.end() || clearOf(next)) &&
                     (next == taken.begin() || clearOf(std::prev(next)));
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
            taken.emplace(c.x, c.pair);
        }
    }
    std::sort(kept.begin(), kept.end(),
              [](const CCandidate& a, const CCandidate& b) { return a.x < b.x; });
    return kept;
}

std::vector<std::pair<Index, Index>> CAnalyzer::EventZones(Index margin) const {
    std::vector<std::pair<Index, Index>> zones;
    for (const CCandidate& c : candidates_)
        zones.emplace_back(ZoneStart(c) - margin, ZoneEnd(c) + margin);
    for (const CCandidate& c : ghosts_)
        zones.emplace_back(ZoneStart(c) - margin, ZoneEnd(c) + margin);
    std::sort(zones.begin(), zones.end());
    return zones;
}

std::vector<CCandidate> CAnalyzer::FindStepsBetween() const {
    // Clear of every event found and of every echo, by half a pulse more: a line must not
    // reach into a transition.
    const std::vector<std::pair<Index, Index>> zones = EventZones(width_ / 2);
    const Index last = !candidates_.empty() && candidates_.back().end
                           ? ZoneStart(candidates_.back()) - width_ / 2
                           : limit_;
    std::vector<std::pair<Index, Index>> sections;
    Index from = launchEnd_;
    for (const auto& [a, b] : zones) {
        if (a >= last)
            break;
        sections.emplace_back(from, a);
        from = std::max(from, b);
    }
    sections.emplace_back(from, last);
    const std::span<float> value = scratch_;
    std::ranges::fill(value, std::numeric_limits<float>::quiet_NaN());
    const Index shortest = std::max<Index>(3, window_ / 4);
    const double length = static_cast<double>(window_);
    const double inverse = 1.0 / length;
    const double scale =
        static_cast<double>(2 * guard_ + window_) / (length * (length * length - 1.0) / 6.0);
    // Under a long pulse the lines' answer changes little from one sample to the next: it is
    // measured every few samples and drawn straight between.
    const Index stride = std::max<Index>(1, width_ / 32);
    for (const auto& [a, b] : sections) {
        auto drop = [&, a = a, b = b](Index i) {
            const Index la = i - guard_ - window_;
            const Index rb = i + guard_ + window_;
            return la >= a && rb <= b
                       ? fit_->Drop(la, i + guard_, window_, inverse, scale)
                       : fit_->Drop(std::max(a, la), i - guard_, i + guard_, std::min(b, rb));
        };
        const Index first = a + guard_ + shortest;
        const Index last = b - guard_ - shortest; // inclusive
        if (last < first)
            continue;
        if (stride == 1) {
            for (Index i = first; i <= last; ++i)
                value[static_cast<std::size_t>(i)] = static_cast<float>(drop(i));
            continue;
        }
        double before = drop(first);
        value[static_cast<std::size_t>(first)] = static_cast<float>(before);
        for (Index i = first; i < last;) {
            const Index next = std::min(last, i + stride);
            const double after = drop(next);
            const double step = (after - before) / static_cast<double>(next - i);
            for (Index j = i + 1; j < next; ++j)
                value[static_cast<std::size_t>(j)] =
                    static_cast<float>(before + step * static_cast<double>(j - i));
            value[static_cast<std::size_t>(next)] = static_cast<float>(after);
            before = after;
            i = next;
        }
    }
    const CBlockNoise noise(value, NoiseBlock(), {}, 16);
    const Index reach = guard_ + window_ / 2;
    // A block holds only a few independent answers of lines this long, and a step's answer
    // with its side lobes fills a good part of it: their spread overstates the noise. The
    // spread of the fall over a pulse, robust to steps, tells it too: the samples' noise
    // (smoothed over half a pulse) carried through the two lines, generously for noise that
    // is not white.
    const double apart = static_cast<double>(window_ + 2 * guard_);
    const double fallScale =
        3.0 * std::sqrt((static_cast<double>(width_ / 2) + 1.0) / 2.0 *
                        (2.0 / length + 6.0 * apart * apart / (length * (length * length - 1.0))));
    auto sigmaAt = [&](Index k) {
        const Index a = std::max<Index>(0, k - reach);
        const Index b = std::min(n_ - 1, k + reach);
        const double block = std::min(noise.Sigma(a), noise.Sigma(b));
        // Too few values to tell any noise: nothing there is significant.
        if (std::isinf(block))
            return block;
        return std::min(block, fallScale * std::min(fallNoise_->Sigma(a), fallNoise_->Sigma(b)));
    };
    // No threshold is below this: most samples are done with at one comparison.
    const double lowest =
        std::max(0.6 * thresholds_.spliceLoss,
                 4.0 * std::min(noise.LowestSigma(), fallScale * fallNoise_->LowestSigma()));
    CBlockThreshold threshold(noise, *fallNoise_, reach, n_, [&](Index k) {
        return std::max(0.6 * thresholds_.spliceLoss, 4.0 * sigmaAt(k));
    });
    std::vector<CCandidate> found = StepRuns(value, lowest, threshold, sigmaAt);
    // The common slope bends towards a step inside either line's window, and answers it there
    // with a lobe of the other sign. The same drop told with the fibre's own fall, as the
    // samples around give it, keeps the step's sign there: where the two disagree, the lines
    // measured an event beside, not one here.
    std::erase_if(found, [&](const CCandidate& c) {
        // A step of the end's size ends the fibre: what follows is noise, whose lines' slopes
        // tell nothing.
        if (c.strength >= thresholds_.endOfFibre)
            return false;
        const Index i = c.peak;
        // The sections follow each other: the last one starting before the step holds it.
        auto in = std::upper_bound(
            sections.begin(), sections.end(), i,
            [](Index x, const std::pair<Index, Index>& section) { return x < section.first; });
        if (in == sections.begin() || !(i < (--in)->second))
            return false;
        const Index la = std::max(in->first, i - guard_ - window_);
        const Index lb = i - guard_;
        const Index ra = i + guard_;
        const Index rb = std::min(in->second, i + guard_ + window_);
        const double fibre = fallNoise_->Median(la) / static_cast<double>(width_);
        const double centres = 0.5 * static_cast<double>(ra + rb - la - lb);
        const double drop = fit_->Mean(la, lb) - fit_->Mean(ra, rb) - fibre * centres;
        return c.gain ? drop > 0.0 : drop < 0.0;
    });
    return found;
}

// A step's transition is a pulse wide, and the fall over a pulse takes it in whole, where the
// step detectors' windows, several pulses long, take in the slow wander of the backscatter
// too: on a quiet trace whose level wanders by hundredths of a dB over kilometres, splices
// that the windows cannot tell from the wander stand out of the fall's own spread.
std::vector<CCandidate> CAnalyzer::FindFalls() const {
    // A pulse of a few samples cannot be told from a spike.
    if (width_ < 4)
        return {};
    // Clear of every event found and every echo by a pulse: the fall there is theirs.
    std::vector<std::pair<Index, Index>> zones = EventZones(width_);
    const Index last = !candidates_.empty() && candidates_.back().end
                           ? ZoneStart(candidates_.back()) - width_
                           : limit_ - width_;
    // The fall's spread without the events found: under a long pulse their falls fill most
    // of a block, and the splices left between them would be judged against those. Events a
    // few pulses apart fill it with the falls of those not found yet too: the spread is told
    // again without each round's, the strongest first.
    std::vector<CCandidate> found;
    for (int round = 0; round < 3; ++round) {
        const CBlockNoise quieter(
            n_, [this](Index i) { return Fall(i); }, NoiseBlock(), zones);
        const std::vector<CCandidate> more = SharpFalls(launchEnd_ + width_, last, zones, quieter);
        if (more.empty())
            break;
        for (const CCandidate& c : more)
            zones.emplace_back(ZoneStart(c) - width_, ZoneEnd(c) + width_);
        std::sort(zones.begin(), zones.end());
        found.insert(found.end(), more.begin(), more.end());
    }
    std::sort(found.begin(), found.end(),
              [](const CCandidate& a, const CCandidate& b) { return a.x < b.x; });
    return found;
}

std::vector<CCandidate> CAnalyzer::SharpFalls(Index first, Index last,
                                              const std::vector<std::pair<Index, Index>>& zones,
                                              const CBlockNoise& noise) const {
    std::vector<CCandidate> found;
    // Over the fibre's own fall, as the samples around give it.
    const auto excess = [&](Index j) { return static_cast<double>(Fall(j)) - noise.Median(j); };
    // A run shorter than half a pulse is no step's: a sample in every quarter pulse finds the
    // rest, and the run is followed back to where it starts.
    const Index stride = std::max<Index>(1, width_ / 4);
    std::size_t z = 0;
    Index resume = first;
    for (Index i = resume; i < last && found.size() < kMaxCandidates;) {
        while (z < zones.size() && zones[z].second <= i)
            ++z;
        if (z < zones.size() && zones[z].first <= i + width_) {
            i = resume = zones[z].second;
            continue;
        }
        const double threshold = std::max(0.6 * thresholds_.spliceLoss, 5.0 * noise.Sigma(i));
        if (!(excess(i) > threshold)) {
            i += stride;
            continue;
        }
        Index from = i;
        while (from > resume && excess(from - 1) > threshold)
            --from;
        Index best = from;
        Index j = from;
        while (j < last && (z >= zones.size() || j + width_ < zones[z].first) &&
               excess(j) > threshold) {
            if (excess(j) > excess(best))
                best = j;
            ++j;
        }
        // A step answers over two pulses, one sign only. Narrower is a spike; wider is a
        // bend or a receiver recovering; a rise a pulse before or after is a bump's other
        // edge. Near the noise after an end the fall is the noise's.
        // The fall takes in the whole step: one below the threshold is a smaller loss.
        const Index run = j - from;
        // A rise beside a step is told against the step's own size too, and against the other
        // side: where events a few pulses apart lift the median fall, the fibre on both sides
        // seems to rise a little.
        const double rise = 0.5 * std::max(threshold, 0.5 * excess(best));
        const double before = excess(std::max(launchEnd_, best - width_));
        const double after = excess(best + width_);
        const bool step = j < last && excess(best) >= thresholds_.spliceLoss && run >= width_ / 2 &&
                          run <= 2 * width_ && !(before < -rise && before < after - rise) &&
                          !(after < -rise && after < before - rise) &&
                          S(std::min(n_ - 1, best + 2 * width_)) > noiseTop_ + 3.0;
        if (step) {
            CCandidate c;
            c.x = best;
            c.zoneEnd = c.x + width_ + guard_ / 2;
            c.strength = excess(best);
            c.noise = noise.Sigma(best);
            c.peak = best + width_ / 2;
            c.runFrom = from;
            c.runTo = j;
            c.sharp = true;
            found.push_back(c);
        }
        i = resume = std::max(j, i + 1);
    }
    return found;
}

// Two splices a few pulses apart answer the step detector's windows as one; on fibre whose
// level wanders, the fit of two steps to that answer is no better than of one, but the fall
// over a pulse still shows each apart.
void CAnalyzer::SplitSharp() {
    if (width_ < 4)
        return;
    std::vector<CCandidate> split;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        const CCandidate& c = candidates_[k];
        if (c.reflective || c.sharp || c.end || c.gain ||
            candidates_.size() + split.size() - k + 1 > kMaxCandidates) {
            split.push_back(c);
            continue;
        }
        const Index reach = 2 * width_ + guard_;
        const Index first =
            std::max(k > 0 ? ZoneEnd(candidates_[k - 1]) + width_ : launchEnd_ + width_,
                     ZoneStart(c) - reach);
        const Index last = std::min(
            k + 1 < candidates_.size() ? ZoneStart(candidates_[k + 1]) - width_ : limit_ - width_,
            ZoneEnd(c) + reach);
        // Around it, up to its neighbours' falls: exactly two steps, or it stays as found.
        const std::vector<CCandidate> parts = SharpFalls(first, last, {}, *fallNoise_);
        if (parts.size() == 2) {
            split.insert(split.end(), parts.begin(), parts.end());
            continue;
        }
        split.push_back(c);
    }
    candidates_ = std::move(split);
}

// Events closer than a short section apart are one: the fibre between them cannot be measured.
void CAnalyzer::MergeClose() {
    // Between two steps a few samples tell the level: the fibre's slope there is borrowed from
    // the sections around. Beside a reflection, whose zone already ends past its trailing
    // edge, a pulse of fibre does: a splice a few pulses from a connector is an event of its
    // own, not part of the connector's loss.
    const Index shortest = std::max<Index>(width_, 4);
    std::vector<CCandidate> merged;
    for (const CCandidate& c : candidates_) {
        // A faint reflection is an event by its loss alone, as a step is.
        const bool steps = !merged.empty() && (!c.reflective || c.faint) &&
                           (!merged.back().reflective || merged.back().faint);
        // A stronger reflection more than a pulse after a weaker one, within the weaker one's
        // tail (a connector just before the fibre's reflective end), is an event of its own
        // where the trace came back to the fibre between them (not to the noise past an end):
        // the fibre between is too short to tell the first one's loss, which the second's
        // takes in, as when it rose from its shelf.
        if (!merged.empty() && merged.back().reflective && !merged.back().faint && c.reflective &&
            !c.faint && c.x - merged.back().x > width_ + guard_ &&
            S(c.peak) > S(merged.back().peak) && ZoneStart(c) - ZoneEnd(merged.back()) < shortest &&
            Lowest(merged.back().peak, c.x) > noiseTop_ + 3.0)
            merged.back().shelf = true;
        if (!merged.empty() && !(merged.back().shelf && c.reflective) &&
            ZoneStart(c) - ZoneEnd(merged.back()) < (steps ? 4 : shortest)) {
            // The first reflection decides where the merged event is, else the stronger step;
            // but a fall the size of a fibre end before a peak is the end, and the peak the
            // noise after it.
            CCandidate& last = merged.back();
            last.zoneEnd = std::max(last.zoneEnd, c.zoneEnd);
            const bool lossFirst = !last.gain && !last.reflective && c.x - last.x > guard_ &&
                                   last.strength >= thresholds_.endOfFibre;
            const bool takeOver = c.reflective ? !last.reflective && !lossFirst
                                               : !last.reflective && c.strength > last.strength;
            // Faint only where every reflection in it is.
            const bool faint = (!last.reflective || last.faint) && (!c.reflective || c.faint);
            if (takeOver) {
                last.x = c.x;
                last.peak = c.peak;
                last.height = c.height;
            }
            last.reflective = last.reflective || (c.reflective && !lossFirst);
            last.faint = last.reflective && faint;
            last.strength = std::max(last.strength, c.strength);
            last.noise = std::max(last.noise, c.noise);
            last.sharp = false;
            continue;
        }
        merged.push_back(c);
    }
    candidates_ = std::move(merged);
}

// An echo of a strong reflection c, bounced back by an earlier one a (or the launch), arrives
// at 2·c - a: a peak there that loses nothing and is weaker than c is not an event.
bool CAnalyzer::EchoAt(Index x, Index peak, double strongest, Index tolerance) const {
    std::vector<const CCandidate*> strong;
    for (const CCandidate& c : candidates_)
        if (c.reflective)
            strong.push_back(&c);
    // The strongest 16, in the time of a pass over them: this is asked once a candidate.
    const auto strongest16 =
        strong.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(16, strong.size()));
    std::partial_sort(
        strong.begin(), strongest16, strong.end(),
        [](const CCandidate* a, const CCandidate* b) { return a->height > b->height; });
    strong.erase(strongest16, strong.end());
    // Peaks are compared by their level rather than their height over the fibre: an echo is
    // always weaker than the reflections it bounced between, but the fibre under it is weaker
    // still, and a reflection that saturates the receiver shows less than its height (an echo
    // may saturate it too).
    for (const CCandidate* c : strong) {
        if (c->x >= x || S(c->peak) < S(peak) || c->height < strongest)
            continue;
        if (std::abs(x - (2 * c->x - origin_)) <= tolerance && launchHeight_ > 0.5)
            return true;
        for (const CCandidate* a : strong)
            if (a->x < c->x && S(a->peak) >= S(peak) &&
                std::abs(x - (2 * c->x - a->x)) <= tolerance)
                return true;
    }
    return false;
}

void CAnalyzer::RemoveGhosts() {
    std::vector<char> ghost(candidates_.size(), 0);
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        const CCandidate& b = candidates_[k];
        ghost[k] = b.reflective && std::abs(b.loss) < thresholds_.spliceLoss &&
                   EchoAt(b.x, b.peak, 0.0, width_ + 2);
    }
    std::vector<CCandidate> kept;
    for (std::size_t k = 0; k < candidates_.size(); ++k)
        if (!ghost[k])
            kept.push_back(candidates_[k]);
        else if (ghosts_.size() < kMaxCandidates)
            ghosts_.push_back(candidates_[k]);
    candidates_ = std::move(kept);
}

} // namespace analysis_internal
