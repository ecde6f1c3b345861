#include "analysis/StepPairs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <vector>

namespace {

using Index = CStepPairFit::Index;

// The step detector as the analysis runs it on plain fibre: the mean of a window before minus
// the mean of one after, each guard samples clear of i.
std::vector<double> Detector(const std::vector<double>& level, Index guard, Index window) {
    std::vector<double> value(level.size(), 0.0);
    for (std::size_t i = static_cast<std::size_t>(guard + window);
         i + static_cast<std::size_t>(guard + window) <= level.size(); ++i)
        for (std::size_t k = 0; k < static_cast<std::size_t>(window); ++k)
            value[i] += (level[i - static_cast<std::size_t>(guard + window) + k] -
                         level[i + static_cast<std::size_t>(guard) + k]) /
                        static_cast<double>(window);
    return value;
}

// Every place and pair of places tried, each fit by its normal equations summed sample by
// sample; none where no pair of positive sizes fits.
std::optional<CStepPairFit::CResult> Exhaustive(const CStepPairFit& fit,
                                                const std::vector<double>& y, Index first,
                                                Index last, Index apart) {
    auto dot = [&](Index s1, Index s2) { // s2 < 0: with y
        double sum = 0.0;
        for (Index t = 0; t < static_cast<Index>(y.size()); ++t)
            sum +=
                fit.Answer(t - s1) * (s2 < 0 ? y[static_cast<std::size_t>(t)] : fit.Answer(t - s2));
        return sum;
    };
    // Every answer lies wholly inside y: the overlap of two depends on their distance alone.
    std::vector<double> withY;
    std::vector<double> overlap;
    for (Index s = first; s < last; ++s) {
        withY.push_back(dot(s, -1));
        overlap.push_back(dot(first, s));
    }
    double squares = 0.0;
    for (const double v : y)
        squares += v * v;
    CStepPairFit::CResult out;
    out.oneResidual = squares;
    out.residual = std::numeric_limits<double>::infinity();
    const double aa = overlap[0];
    for (Index s1 = first; s1 < last; ++s1) {
        const double ay = withY[static_cast<std::size_t>(s1 - first)];
        if (ay > 0.0 && squares - ay * ay / aa < out.oneResidual) {
            out.oneResidual = squares - ay * ay / aa;
            out.oneAt = s1;
        }
        for (Index s2 = s1 + apart; s2 < last; ++s2) {
            const double ab = overlap[static_cast<std::size_t>(s2 - s1)];
            const double by = withY[static_cast<std::size_t>(s2 - first)];
            const double a = (ay * aa - by * ab) / (aa * aa - ab * ab);
            const double b = (by * aa - ay * ab) / (aa * aa - ab * ab);
            if (a > 0.0 && b > 0.0 && squares - a * ay - b * by < out.residual) {
                out.residual = squares - a * ay - b * by;
                out.at = {s1, s2};
                out.size = {a, b};
            }
        }
    }
    if (std::isinf(out.residual))
        return std::nullopt;
    return out;
}

// Sharp steps in a level, through the detector itself: two, one, and noise alone. Runs short
// enough that every place is tried answer exactly as the normal equations summed sample by
// sample. Longer runs, against answers narrow or as wide as the analysis' (a run a few reaches
// long), are searched on a grid and refined: two clear steps are still found where they are, as
// large as they are, and leave no more than the exhaustive search does.
TEST(AnalysisStepPairs, FitsAnswerAsTheExhaustiveLeastSquares) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> gauss(0.0, 1.0);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        const int kind = round % 3; // short, long, as the analysis
        const Index window = kind == 2 ? 24 + static_cast<Index>(unit(random) * 60)
                                       : 3 + static_cast<Index>(unit(random) * 14);
        const Index guard = kind == 2 ? window / 4 + 1 : 1 + static_cast<Index>(unit(random) * 6);
        const CStepPairFit fit(guard, window);
        const Index reach = fit.Reach();
        const bool wide = kind != 0;
        const Index length =
            kind == 0 ? 12 + static_cast<Index>(unit(random) * 36)
            : kind == 1
                ? 150 + static_cast<Index>(unit(random) * 60)
                : static_cast<Index>(static_cast<double>(reach) * (2.0 + 2.5 * unit(random)));
        const Index apart = 2 * guard + 3;
        const Index first = reach;
        const Index last = reach + length;
        std::vector<double> level(static_cast<std::size_t>(length + 4 * reach), 0.0);
        const Index offset = reach; // of y's first sample in level
        const int steps = round % 4 == 3 ? 0 : round % 4 == 2 ? 1 : 2;
        const Index s1 = first + static_cast<Index>(unit(random) * static_cast<double>(length / 3));
        const Index s2 = std::min(
            last - 1, s1 + apart + static_cast<Index>(unit(random) * (kind == 2 ? reach : 20)));
        const double d1 = 0.05 + unit(random);
        const double d2 = 0.05 + unit(random);
        const double noise = wide ? 0.0005 : round % 2 ? 0.0 : 0.02;
        for (Index t = 0; t < static_cast<Index>(level.size()); ++t) {
            double v = noise * gauss(random);
            if (steps >= 1 && t >= s1 + offset)
                v -= d1;
            if (steps >= 2 && t >= s2 + offset)
                v -= d2;
            level[static_cast<std::size_t>(t)] = v;
        }
        const std::vector<double> answer = Detector(level, guard, window);
        // As the analysis stores them, and half the time for gains: the answers negated.
        const double sign = round % 2 ? -1.0 : 1.0;
        std::vector<float> values;
        std::vector<double> y;
        for (Index t = offset; t < offset + length + 2 * reach; ++t) {
            values.push_back(static_cast<float>(sign * answer[static_cast<std::size_t>(t)]));
            y.push_back(sign * values.back());
        }
        const std::optional<CStepPairFit::CResult> got = fit.Fit(values, sign, first, last, apart);
        const std::optional<CStepPairFit::CResult> want = Exhaustive(fit, y, first, last, apart);
        std::vector<float> unknown = values;
        unknown[unknown.size() / 2] = std::nanf("");
        EXPECT_FALSE(fit.Fit(unknown, sign, first, last, apart));
        ASSERT_EQ(got.has_value(), want.has_value());
        if (!got)
            continue;
        EXPECT_NEAR(got->oneResidual, want->oneResidual, 1e-9);
        // Refined from a grid, the pair may settle a sample or so from the best in the noise.
        EXPECT_LE(got->residual, 1.1 * want->residual + 1e-9);
        if (!wide) {
            EXPECT_EQ(got->oneAt, want->oneAt);
            EXPECT_EQ(got->at, want->at);
            EXPECT_NEAR(got->size[0], want->size[0], 1e-9);
            EXPECT_NEAR(got->size[1], want->size[1], 1e-9);
        }
        if (steps == 2 && noise < 0.001 && s2 - s1 >= apart) {
            EXPECT_NEAR(static_cast<double>(got->at[0]), static_cast<double>(s1), 1.0);
            EXPECT_NEAR(static_cast<double>(got->at[1]), static_cast<double>(s2), 1.0);
            EXPECT_NEAR(got->size[0], d1, 0.02);
            EXPECT_NEAR(got->size[1], d2, 0.02);
        }
    }
}

} // namespace
