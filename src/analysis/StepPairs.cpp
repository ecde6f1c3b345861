#include "analysis/StepPairs.h"

#include <algorithm>
#include <cmath>
#include <vector>

CStepPairFit::CStepPairFit(Index guard, Index window)
    : guard_(std::max<Index>(guard, 1)), window_(std::max<Index>(window, 1)) {
    // The overlaps are correlations of the answer with itself, told from running sums of it
    // as those with y are.
    const Index reach = Reach();
    const std::size_t length = static_cast<std::size_t>(4 * reach + 2);
    selfSums_ = std::make_unique_for_overwrite<double[]>(length);
    selfMoments_ = std::make_unique_for_overwrite<double[]>(length);
    selfSums_[0] = selfMoments_[0] = 0.0;
    for (Index u = 0; u <= 4 * reach; ++u) {
        const std::size_t k = static_cast<std::size_t>(u);
        const double a = Answer(u - reach);
        selfSums_[k + 1] = selfSums_[k] + a;
        selfMoments_[k + 1] = selfMoments_[k] + static_cast<double>(u) * a;
    }
}

double CStepPairFit::Answer(Index d) const {
    const double away = static_cast<double>(guard_ + window_ - std::abs(d));
    return std::clamp(away / static_cast<double>(window_), 0.0, 1.0);
}

double CStepPairFit::Overlap(Index delta) const {
    delta = std::abs(delta);
    return delta <= 2 * Reach() ? Correlation(selfSums_.get(), selfMoments_.get(), Reach() + delta)
                                : 0.0;
}

double CStepPairFit::Correlation(const double* sums, const double* moments, Index s) const {
    const Index g = guard_;
    const Index w = window_;
    auto sum = [&](Index a, Index b) {
        return sums[static_cast<std::size_t>(b)] - sums[static_cast<std::size_t>(a)];
    };
    auto moment = [&](Index a, Index b) {
        return moments[static_cast<std::size_t>(b)] - moments[static_cast<std::size_t>(a)];
    };
    // Flat over s-g..s+g; on the right the weight (g+w+s-t)/w, on the left (g+w-s+t)/w.
    const double flat = sum(s - g, s + g + 1);
    const double right =
        static_cast<double>(g + w + s) * sum(s + g + 1, s + g + w) - moment(s + g + 1, s + g + w);
    const double left =
        static_cast<double>(g + w - s) * sum(s - g - w + 1, s - g) + moment(s - g - w + 1, s - g);
    return flat + (right + left) / static_cast<double>(w);
}

std::optional<CStepPairFit::CResult> CStepPairFit::Fit(std::span<const float> values, double sign,
                                                       Index first, Index last, Index apart) const {
    const Index n = static_cast<Index>(values.size());
    const Index reach = Reach();
    apart = std::max<Index>(apart, 1);
    if (first < reach || last + reach > n || last - 1 - first < apart)
        return std::nullopt;
    // The only pass over every sample: the running sums. Each correlation after is a few of
    // them, asked only at the places tried.
    const auto sums = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(n + 1));
    const auto moments = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(n + 1));
    sums[0] = moments[0] = 0.0;
    double squares = 0.0;
    for (Index t = 0; t < n; ++t) {
        const std::size_t k = static_cast<std::size_t>(t);
        const double v = sign * values[k];
        sums[k + 1] = sums[k] + v;
        moments[k + 1] = moments[k] + static_cast<double>(t) * v;
        squares += v * v;
    }
    // A value that is not a number spreads to every sum after it.
    if (!std::isfinite(sums[static_cast<std::size_t>(n)]) ||
        !std::isfinite(moments[static_cast<std::size_t>(n)]))
        return std::nullopt;
    auto at = [&](Index s) { return Correlation(sums.get(), moments.get(), s); };
    const double r0 = Overlap(0);
    // Fine enough that a best place's basin, a ramp of the answer wide, holds a place of it.
    const Index stride =
        std::max<Index>(1, std::min((last - first + kGrid - 1) / kGrid, window_ / 4));
    std::vector<Index> grid;
    std::vector<double> gridAt;
    for (Index s = first; s < last; s += stride) {
        grid.push_back(s);
        gridAt.push_back(at(s));
    }

    CResult result;
    result.oneResidual = squares;
    double oneBest = 0.0; // the sum of squares the single step explains
    auto considerOne = [&](Index s, double c) {
        if (s < first || s >= last || !(c > 0.0) || !(c * c / r0 > oneBest))
            return false;
        oneBest = c * c / r0;
        result.oneAt = s;
        return true;
    };
    for (std::size_t k = 0; k < grid.size(); ++k)
        considerOne(grid[k], gridAt[k]);
    auto tryOne = [&](Index s) { return s >= first && s < last && considerOne(s, at(s)); };
    for (Index step = stride / 2; step >= 1 && oneBest > 0.0; step /= 2)
        for (int moves = 0; moves < 8; ++moves) {
            const Index from = result.oneAt;
            if (!tryOne(from - step) && !tryOne(from + step))
                break;
        }
    result.oneResidual = squares - oneBest;

    // The sum of squares two steps at s1 < s2 explain, and their sizes; none where either
    // would be negative.
    auto explained = [&](Index s1, Index s2, double c1, double c2, std::array<double, 2>& size) {
        const double r = Overlap(s2 - s1);
        const double det = r0 * r0 - r * r;
        if (!(det > 0.0))
            return -1.0;
        size[0] = (c1 * r0 - c2 * r) / det;
        size[1] = (c2 * r0 - c1 * r) / det;
        if (!(size[0] > 0.0 && size[1] > 0.0))
            return -1.0;
        return size[0] * c1 + size[1] * c2;
    };
    double best = -1.0;
    std::array<double, 2> size{};
    auto consider = [&](Index s1, Index s2, double c1, double c2) {
        if (s1 < first || s2 >= last || s2 - s1 < apart)
            return false;
        const double e = explained(s1, s2, c1, c2, size);
        if (!(e > best))
            return false;
        best = e;
        result.at = {s1, s2};
        result.size = size;
        return true;
    };
    for (std::size_t i = 0; i < grid.size(); ++i)
        for (std::size_t j = i + 1; j < grid.size(); ++j)
            consider(grid[i], grid[j], gridAt[i], gridAt[j]);
    // The best single step with another anywhere: two never explain less than one for want
    // of a place on the grid.
    if (oneBest > 0.0) {
        const double one = at(result.oneAt);
        for (std::size_t k = 0; k < grid.size(); ++k) {
            consider(result.oneAt, grid[k], one, gridAt[k]);
            consider(grid[k], result.oneAt, gridAt[k], one);
        }
    }
    if (!(best > 0.0))
        return std::nullopt;
    // Refined by moves of both places at once, diagonals too (where the two answers overlap,
    // the best pair lies along a valley that moving one place at a time does not follow),
    // in steps halved down to a sample.
    for (Index step = stride; step >= 1; step /= 2)
        for (int moves = 0; moves < 8; ++moves) {
            const std::array<Index, 2> from = result.at;
            bool moved = false;
            for (Index d1 = -step; d1 <= step; d1 += step) {
                const Index s1 = from[0] + d1;
                if (s1 < first || s1 >= last)
                    continue;
                const double c1 = at(s1);
                for (Index d2 = -step; d2 <= step; d2 += step) {
                    const Index s2 = from[1] + d2;
                    if (s2 < last && s2 - s1 >= apart)
                        moved = consider(s1, s2, c1, at(s2)) || moved;
                }
            }
            if (!moved)
                break;
        }
    result.residual = squares - best;
    return result;
}
