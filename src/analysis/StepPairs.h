#pragma once
// The step detector answers a step with a trapezoid: the full drop while the step lies between
// its windows, falling to nothing as it passes through one. Two steps closer than the windows
// reach answer as one hump. These are the least-squares fits of one such answer and of two to a
// run of the detector's values, each answer's place and size free: every fit is told from
// running sums in constant time, so a run costs its length and a bounded search, not its length
// squared.

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class CStepPairFit {
public:
    using Index = std::ptrdiff_t;

    // guard: from a step to the nearer edge of either window, in samples (at least 1);
    // window: the windows' length (at least 1).
    CStepPairFit(Index guard, Index window);

    // The answer at d samples from the step: 1 over the guards, down to 0 over a window.
    double Answer(Index d) const;
    // How far from a step the detector still answers.
    Index Reach() const { return guard_ + window_; }

    struct CResult {
        std::array<Index, 2> at{}; // the two steps, at[0] < at[1]
        std::array<double, 2> size{};
        double residual = 0.0; // the sum of squares the two leave
        Index oneAt = 0;       // the single step that explains the values best
        double oneResidual = 0.0;
    };
    // y = sign·values: the detector's values, signed so that a step answers above zero. The
    // steps lie in first..last-1, which must be Reach() clear of either end of y, and at least
    // apart samples from each other. Places are searched on a grid of at most kGrid and
    // refined around the best. Nothing where no two steps of positive size fit, or a value is
    // not a number.
    std::optional<CResult> Fit(std::span<const float> values, double sign, Index first, Index last,
                               Index apart) const;

    static constexpr Index kGrid = 32;

private:
    // The overlap of two answers delta samples apart: sum over d of Answer(d)·Answer(d - delta).
    double Overlap(Index delta) const;
    // sum over d of Answer(d)·y[s + d], from running sums of y and of index·y.
    double Correlation(const double* sums, const double* moments, Index s) const;

    Index guard_;
    Index window_;
    // Running sums of the answer and of index·answer over 4·Reach() + 1 samples, the answer's
    // centre at Reach(): the overlaps are correlations with them.
    std::unique_ptr<double[]> selfSums_;
    std::unique_ptr<double[]> selfMoments_;
};
