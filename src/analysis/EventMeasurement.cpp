// Measuring the events found: section fits, losses, the fibre end, and the reported result.
#include "analysis/AnalyzerInternal.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace analysis_internal {

bool CAnalyzer::Refine() {
    // An end a pass found, the next no longer finds: the events past it were dropped for it.
    if (!pastEnd_.empty() && (candidates_.empty() || !candidates_.back().end)) {
        if (!candidates_.empty())
            candidates_.back().endWithdrawn = true;
        candidates_.insert(candidates_.end(), pastEnd_.begin(), pastEnd_.end());
        pastEnd_.clear();
        std::ranges::stable_sort(candidates_, {}, &CCandidate::x);
    }
    MergeClose();
    sections_.clear();
    lent_.clear();
    Index from = launchEnd_;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        const CCandidate& c = candidates_[k];
        const Index to = ZoneStart(c);
        // Between a reflection and the stronger one that rose from it there is no fibre: the
        // line before the first stands for it, and the second's loss takes in the first's.
        const bool none =
            k > 0 && candidates_[k - 1].shelf && to - from < std::max<Index>(width_, 4);
        sections_.push_back(none ? sections_.back() : SectionFit(from, std::max(to, from + 3)));
        lent_.push_back(none);
        from = std::max(from, ZoneEnd(c));
    }
    sections_.push_back(SectionFit(from, std::max(n_, from + 3)));
    lent_.push_back(false);
    BorrowSlopes();

    bool changed = false;
    std::vector<CCandidate> kept;
    std::vector<std::size_t> keptAt; // each one's place in candidates_
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        CCandidate c = candidates_[k];
        const double x = static_cast<double>(c.x);
        c.loss = sections_[k].At(x) - sections_[k + 1].At(x);
        // The fibre ends at the first event losing the end threshold, or beyond which there
        // is only noise; nothing after it is an event. A line through that noise extrapolates
        // anywhere: the loss into it is taken from its mean level.
        const Index before = ZoneStart(c);
        const Index after = ZoneEnd(c);
        const double levelAfter = sections_[k + 1].mean;
        const double levelBefore = sections_[k].At(x);
        // Up to the next event only: what lies past it is that event's.
        const Index next = k + 1 < candidates_.size() ? ZoneStart(candidates_[k + 1]) : n_;
        const Index reach = std::min(after + 256, std::max(next, after + 8));
        const bool intoNoise =
            !c.shelf && ((std::min(levelAfter, MedianPower(after, reach)) < noiseTop_ + 1.0 &&
                          levelBefore > noiseTop_ + 2.0) ||
                         DifferenceSigma(after, reach) >
                             std::max(1.0, 4.0 * DifferenceSigma(before - 256, before)));
        if (intoNoise)
            c.loss = std::max(c.loss, levelBefore - levelAfter);
        if (c.reflective && !intoNoise) {
            const double over = S(c.peak) - sections_[k + 1].At(static_cast<double>(c.peak));
            if (over < 0.5 * c.height && c.loss <= -thresholds_.spliceLoss) {
                c.reflective = c.faint = false; // a rise that stays: a gain
                changed = true;
            }
        }
        if (!c.reflective || c.faint) {
            // A step stands out from the noise of the detector that found it, and from the
            // uncertainty of the two lines it is measured from: a section bent by what its line
            // does not follow (an event not found, a receiver still recovering) tells no loss.
            const double error = intoNoise ? 0.0
                                           : std::hypot(LevelError(sections_[k], x),
                                                        LevelError(sections_[k + 1], x));
            // Nor is there a loss to tell where the trace stops within a few pulses after it,
            // the fibre going on.
            const bool cut = !intoNoise && k + 1 == candidates_.size() &&
                             sections_[k + 1].count < static_cast<std::size_t>(3 * width_);
            // A fall the step detector found that the lines on either side call a rise (or
            // the other way round) was its answer to the events beside it.
            const bool flipped =
                !c.reflective && !c.sharp && !intoNoise && c.gain != (c.loss < 0.0);
            bool small =
                cut || flipped ||
                std::abs(c.loss) < std::max({thresholds_.spliceLoss, 2.5 * c.noise, 2.5 * error});
            // A loss a pulse sharp, in fibre whose attenuation changes from drum to drum
            // and holds steps too small to be found, is told by the fibre next to it: lines
            // through whole sections may meet anywhere near it.
            // Shorter lines, where longer ones reach a splice not found yet, down to one and a
            // half pulses between events a few pulses apart.
            for (const Index lines : {2 * window_, window_, window_ / 2}) {
                if (!small || cut || !c.sharp)
                    break;
                const Index a =
                    std::max(k > 0 ? ZoneEnd(candidates_[k - 1]) : launchEnd_, before - lines);
                const Index b = std::min(next, after + lines);
                const Index least = std::max<Index>(std::min(lines, window_), 16);
                if (before - a >= least && b - after >= least) {
                    const CLineFit lineBefore = fit_->Fit(a, before);
                    const CLineFit lineAfter = fit_->Fit(after, b);
                    const double local = lineBefore.At(x) - lineAfter.At(x);
                    const double near =
                        std::hypot(LevelError(lineBefore, x), LevelError(lineAfter, x));
                    if (local >= std::max({thresholds_.spliceLoss, 2.5 * c.noise, 2.5 * near})) {
                        c.loss = local;
                        small = false;
                    }
                }
            }
            if (small || (c.loss < 0.0 && !thresholds_.reportGains)) {
                if (c.faint && ghosts_.size() < kMaxCandidates)
                    ghosts_.push_back(c);
                changed = true;
                continue;
            }
        }
        // A trace that falls by the end threshold or into the noise after an event, ten times
        // faster than any fibre, is the receiver recovering from the end's reflection: no
        // fibre follows.
        const CLineFit& following = sections_[k + 1];
        const double last = following.centre + 0.5 * static_cast<double>(following.count);
        const bool recovering =
            following.count >= static_cast<std::size_t>(window_) && Steep(following) &&
            (-following.slope * static_cast<double>(following.count) >= thresholds_.endOfFibre ||
             (following.At(last) < noiseTop_ + 1.0 && levelBefore > noiseTop_ + 2.0));
        c.end = c.endKept || c.loss >= thresholds_.endOfFibre ||
                (c.loss >= thresholds_.spliceLoss && intoNoise) || recovering;
        c.endKept = c.end && c.endWithdrawn;
        // The recovery began at the reflection before after which the trace falls as steeply
        // all the way: that one is the end.
        if (recovering) {
            std::size_t first = kept.size();
            while (first > 0 && Steep(sections_[keptAt[first - 1] + 1]) &&
                   !kept[first - 1].reflective)
                --first;
            if (first > 0 && Steep(sections_[keptAt[first - 1] + 1])) {
                --first;
                kept.resize(first + 1);
                keptAt.resize(first + 1);
                kept.back().end = true;
                kept.back().endKept = kept.back().endWithdrawn;
                changed = true;
                break;
            }
        }
        kept.push_back(c);
        keptAt.push_back(k);
        if (c.end) {
            changed = changed || k + 1 < candidates_.size();
            break;
        }
    }
    // Whatever follows the end is kept aside rather than lost.
    const std::size_t past = keptAt.empty() ? 0 : keptAt.back() + 1;
    if (!kept.empty() && kept.back().end && past < candidates_.size()) {
        pastEnd_.insert(pastEnd_.end(), candidates_.begin() + static_cast<Index>(past),
                        candidates_.end());
        std::ranges::stable_sort(pastEnd_, {}, &CCandidate::x);
    }
    // An end withdrawn: another pass measures the events past it.
    changed = changed || (!pastEnd_.empty() && (kept.empty() || !kept.back().end));
    candidates_ = std::move(kept);
    return changed;
}

double CAnalyzer::LevelError(const CLineFit& fit, double x) const {
    // The residuals averaged over batches a pulse long: the trace's noise is correlated over
    // about a pulse, and the batches' means are nearly independent.
    const Index batch = width_;
    const Index batches = static_cast<Index>(fit.count) / batch;
    if (batches < 3)
        return 0.0;
    const Index first =
        static_cast<Index>(std::lround(fit.centre - 0.5 * static_cast<double>(fit.count - 1)));
    double squares = 0.0;
    for (Index j = 0; j < batches; ++j) {
        const Index a = first + j * batch;
        const double r = fit_->Mean(a, a + batch) -
                         fit.At(static_cast<double>(a) + 0.5 * static_cast<double>(batch - 1));
        squares += r * r;
    }
    const double count = static_cast<double>(batches);
    const double spread = squares / (count - 2.0);
    const double distance = (x - fit.centre) / static_cast<double>(batch);
    return std::sqrt(spread *
                     (1.0 / count + 12.0 * distance * distance / (count * (count * count - 1.0))));
}

// A piece of fibre too short for a slope of its own falls as the fibre next to it does (the one
// after, or where that is the noise past the end or short too, the one before): taken level, a
// long pulse's launch, which leaves little before the first event, turned the fibre's own fall
// into a loss. Where both neighbours are short too, on a link spliced more closely than a long
// pulse resolves, the nearest long section may lie kilometres away, on fibre falling a few
// hundredths of a dB/km differently, which turned small splices into gains: the median fall
// over a pulse there, which events a few pulses apart hardly move, tells the slope.
void CAnalyzer::BorrowSlopes() {
    const auto own = [&](const CLineFit& fit) {
        return fit.count >= static_cast<std::size_t>(std::max<Index>(window_ / 2, 4));
    };
    const std::size_t fibre = sections_.size() - 1; // the last may lie past the end
    std::vector<double> slopes(fibre);
    for (std::size_t k = 0; k < fibre; ++k) {
        slopes[k] = sections_[k].slope;
        if (own(sections_[k]))
            continue;
        if (k + 1 < fibre && own(sections_[k + 1]))
            slopes[k] = sections_[k + 1].slope;
        else if (k > 0 && own(sections_[k - 1]))
            slopes[k] = sections_[k - 1].slope;
        else
            slopes[k] = -fallNoise_->Median(static_cast<Index>(sections_[k].centre)) /
                        static_cast<double>(width_);
    }
    for (std::size_t k = 0; k < fibre; ++k)
        sections_[k].slope = slopes[k];
}

// Under a long pulse a connector's reflection is a rise a fraction of a pulse sharp at the
// start of its loss's ramp, and the ramp takes it back within that pulse: the smoothing the
// reflection detector looks through flattens it into the fibre's wander. It was reported as a
// splice, or as a gain at its edge and a loss after, or as a reflection a quarter of a pulse
// early and several dB too weak. A loss that first rises that sharply, well out of the noise of
// the fibre before it as means over the same few samples vary, is a reflection, measured by
// that rise.
bool CAnalyzer::FindRisingEdges() {
    const Index r = width_ / 16;
    if (r < 2)
        return false;
    const double least = HeightFromReflectance(thresholds_.reflectance, pulseNs_, backscatter_);
    const Index sharp = width_ / 4;
    const double echoing = HeightFromReflectance(-30.0, pulseNs_, backscatter_);
    const double half = 0.5 * static_cast<double>(r - 1);
    bool changed = false;
    Index from = launchEnd_;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        CCandidate& c = candidates_[k];
        const Index previous = from;
        from = ZoneEnd(c);
        if (c.end || c.shelf)
            continue;
        // A gain the loss after it follows within a pulse or two is the edge of one event.
        const bool edgeAndLoss = !c.reflective && c.loss < 0.0 && k + 1 < candidates_.size() &&
                                 !candidates_[k + 1].reflective && !candidates_[k + 1].end &&
                                 candidates_[k + 1].loss > 0.0 &&
                                 candidates_[k + 1].x - c.x <= 2 * (width_ + guard_);
        if (!c.reflective && !edgeAndLoss && !(c.loss > 0.0))
            continue;
        // Where the edge may be: a loss's ramp starts up to a pulse before where it was
        // placed; the reflection detector's foot lies up to a quarter of a pulse before it.
        const Index lo = c.reflective ? c.x - guard_ : c.x - width_ - guard_ + sharp;
        const Index hi = std::min(n_ - r, c.reflective  ? c.x + width_ / 2 + guard_
                                          : edgeAndLoss ? candidates_[k + 1].x + guard_
                                                        : c.x + guard_);
        const Index begin = std::max(previous, lo - sharp);
        const Index lineFrom = std::max(previous, begin - 2 * window_);
        if (begin - lineFrom < width_ / 2)
            continue;
        const CLineFit line = fit_->Fit(lineFrom, begin);
        const auto over = [&](Index j) {
            return fit_->Fit(j, j + r).mean - line.At(static_cast<double>(j) + half);
        };
        // How means over r samples stray from the line where it was fitted, and how they
        // change over a quarter of a pulse there: the fibre's wander, its fading at the scale
        // of a pulse and a receiver's filtered noise included.
        double squares = 0.0;
        double changes = 0.0;
        Index count = 0;
        for (Index j = lineFrom + sharp; j + r <= begin; j += r, ++count) {
            squares += over(j) * over(j);
            const double change = over(j) - over(j - sharp);
            changes += change * change;
        }
        if (count < 8)
            continue;
        const double sigma =
            std::max(kMinSigma, std::sqrt(std::max(squares, changes) / static_cast<double>(count)));
        const double threshold =
            std::max({5.0 * sigma, 0.01, least, c.reflective ? c.height : 0.0});
        Index top = -1;
        double best = threshold;
        for (Index j = begin + sharp; j < hi; ++j)
            if (const double h = over(j); h > best) {
                best = h;
                top = j;
            }
        // Risen within a quarter of a pulse, from the line, and in more than one sample.
        if (top < 0 || over(top - sharp) > 0.3 * best)
            continue;
        Index lit = 0;
        Index peak = top;
        for (Index j = top; j < top + r; ++j)
            if (P(j) - line.At(static_cast<double>(j)) > 0.5 * best) {
                ++lit;
                if (P(j) > P(peak))
                    peak = j;
            }
        if (lit < 2)
            continue;
        // An echo of a strong reflection (as only those echo visibly) on a splice is not the
        // splice's: it arrives where the reflection's edge, as sharp as this one, puts it. Its
        // edges alone, a gain and a loss that lose nothing together, are no event.
        if (!c.reflective && EchoAt(top, peak, echoing, sharp + 2)) {
            if (edgeAndLoss &&
                std::abs(c.loss + candidates_[k + 1].loss) < thresholds_.spliceLoss) {
                from = ZoneEnd(candidates_[k + 1]);
                candidates_.erase(candidates_.begin() + static_cast<std::ptrdiff_t>(k),
                                  candidates_.begin() + static_cast<std::ptrdiff_t>(k + 2));
                --k;
                changed = true;
            }
            continue;
        }
        // The foot: the newest sample of the last mean still near the level a quarter of a
        // pulse before, which a line bent by the fibre's wander may not be.
        const double base = over(top - sharp);
        Index below = top;
        while (below > top - sharp && over(below) - base >= 0.2 * (best - base))
            --below;
        CCandidate& event = edgeAndLoss ? candidates_[k + 1] : c;
        if (!event.reflective) {
            event.reflective = true;
            event.peak = peak;
            event.noise = sigma;
        }
        event.faint = false; // over the reflectance threshold's height
        event.x = std::min(top, below + r - 1);
        // The ramp of the loss has already taken some of the height back over the r samples.
        event.height = event.strength =
            best + std::max(0.0, event.loss) * half / static_cast<double>(width_);
        changed = true;
        if (edgeAndLoss) {
            from = ZoneEnd(event);
            candidates_.erase(candidates_.begin() + static_cast<std::ptrdiff_t>(k));
        }
    }
    return changed;
}

void CAnalyzer::PlaceOnsets() {
    Index from = launchEnd_;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        CCandidate& c = candidates_[k];
        const Index begin = std::max(from, c.x - width_ - guard_);
        // The fibre just before: a line through a whole long section, whose attenuation
        // differs from place to place, may lie off the trace near its end by more than a small
        // step's departure, and the step would start where the search does.
        const Index lineFrom = std::max(from, begin - 2 * window_);
        from = ZoneEnd(c);
        // The fall over a pulse placed a sharp loss where its transition starts; a line
        // before it, on fibre whose attenuation changes, may not.
        if (c.reflective || c.loss == 0.0 || c.sharp)
            continue;
        const CLineFit line = begin - lineFrom >= std::max<Index>(window_ / 2, 4)
                                  ? fit_->Fit(lineFrom, begin)
                                  : sections_[k];
        const double sign = c.loss > 0.0 ? 1.0 : -1.0;
        const double departure = std::max(0.25 * std::abs(c.loss), 3.0 * c.noise);
        // A step told by lines clipped at a neighbour may peak well before its transition.
        const Index last = std::min(n_ - 1, c.x + 2 * width_);
        for (Index j = begin; j <= last; ++j)
            if (sign * (line.At(static_cast<double>(j)) - S(j)) > departure) {
                c.x = std::max(begin, j - width_ / 4);
                break;
            }
    }
}

void CAnalyzer::ReportNoFibre(CAnalysisResult& result) const {
    CKeyEvent start;
    start.SetMarker(1);
    start.SetType(launchHeight_ > 0.5 ? 1 : 0);
    start.SetPosition(static_cast<float>(SampleDistance(trace_, static_cast<double>(origin_))));
    start.SetMethod(1);
    result.events.push_back(start);
    CKeyEvent last;
    last.SetMarker(2);
    last.SetMethod(1);
    last.SetPosition(static_cast<float>(
        SampleDistance(trace_, static_cast<double>(std::min(launchEnd_, n_ - 1)))));
    result.events.push_back(last);
}

void CAnalyzer::Report(CAnalysisResult& result) {
    const double toKm = 1.0 / trace_.spacingKm;
    // Fibre does not gain along its length: a section rising beyond its own noise is an
    // event's edge or a receiver recovering, and tells no attenuation (0, as files store an
    // unmeasured one) rather than tens of dB/km of gain.
    // Nor does it fall faster than any fibre: that is an event's tail or a piece too short
    // between two reflections.
    auto attenuation = [&](const CLineFit& fit) {
        if (fit.count < 2 || fit.slope * static_cast<double>(fit.count) > 3.0 * fit.sigma ||
            Steep(fit))
            return 0.0f;
        return static_cast<float>(-fit.slope * toKm);
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
    const double origin = static_cast<double>(origin_);
    start.SetPosition(static_cast<float>(SampleDistance(trace_, origin)));
    start.SetMethod(1);
    start.SetAttenuation(attenuation(sections_.front()));
    result.events.push_back(start);

    for (std::size_t k = 0; k < end; ++k) {
        const CCandidate& c = candidates_[k];
        CKeyEvent event;
        event.SetType(c.reflective && !c.faint ? 1 : 0);
        event.SetMethod(1);
        event.SetPosition(static_cast<float>(SampleDistance(trace_, static_cast<double>(c.x))));
        event.SetLoss(static_cast<float>(c.loss));
        if (c.reflective && !c.faint)
            event.SetReflectance(ReflectanceFromHeight(c.height, pulseNs_, backscatter_));
        // No fibre between it and the stronger reflection after it: none measured.
        event.SetAttenuation(lent_[k + 1] ? 0.0f : attenuation(sections_[k + 1]));
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

    // The launch level is carried back along the first section, unless that falls as no
    // fibre does: then it is level.
    CLineFit first = sections_.front();
    if (Steep(first))
        first.slope = 0.0;
    result.endToEndLoss = first.At(origin) - into.At(static_cast<double>(endIndex));
    result.noise = startNoise_;

    result.opticalReturnLoss = std::numeric_limits<double>::quiet_NaN();
    if (trace_.backscatter > 0.0 && std::isfinite(trace_.backscatter)) {
        // Rayleigh backscatter of the fibre up to the end, two-way attenuated, plus every
        // reflection measured.
        const double top = first.At(origin);
        const double groupIndex = trace_.groupIndex >= 1.0 && trace_.groupIndex <= 3.0
                                      ? trace_.groupIndex
                                      : kDefaultGroupIndex;
        const double perKm =
            std::pow(10.0, -trace_.backscatter / 10.0) / (kLightKmPerNs / (2.0 * groupIndex));
        // Over each section the loss is linear, so its return is a geometric series.
        double returned = 0.0;
        const double decay = -0.2 * std::log(10.0); // two-way, per dB of one-way loss
        for (std::size_t k = 0; k <= end && k < sections_.size(); ++k) {
            const Index from = k == 0 ? origin_ : candidates_[k - 1].x;
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

} // namespace analysis_internal
