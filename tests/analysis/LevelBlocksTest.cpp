#include "analysis/LevelBlocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using Index = CLevelBlocks::Index;

// Every search against the scan sample by sample it replaces, on levels with bumps, plateaus
// of equal samples and steps, lines from level to steep, and ranges that start and end inside
// blocks, on their edges, and are empty.
TEST(AnalysisLevelBlocks, EverySearchAnswersAsTheScanSampleBySample) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trace = 0; trace < 40; ++trace) {
        const Index n = 200 + static_cast<Index>(unit(random) * 3000);
        std::vector<float> levels(static_cast<std::size_t>(n));
        double level = 0.0;
        for (Index i = 0; i < n; ++i) {
            level += (unit(random) - 0.5) * (trace % 3 == 0 ? 0.002 : 0.05);
            if (unit(random) < 0.002)
                level += (unit(random) - 0.3) * 6.0; // a step or the edge of a bump
            // Some traces are quantised, as stored levels are: long runs of equal samples.
            const double stored = trace % 2 ? std::round(level * 100.0) / 100.0 : level;
            levels[static_cast<std::size_t>(i)] = static_cast<float>(stored);
        }
        const std::size_t blocks = CLevelBlocks::Blocks(levels.size());
        std::vector<float> low(blocks);
        std::vector<float> high(blocks);
        CLevelBlocks search(levels, low, high);
        auto S = [&](Index i) -> double { return levels[static_cast<std::size_t>(i)]; };
        for (int query = 0; query < 200; ++query) {
            Index a = static_cast<Index>(unit(random) * static_cast<double>(n));
            Index b = a + static_cast<Index>(unit(random) * unit(random) * static_cast<double>(n));
            if (query % 5 == 0)
                a -= a % CLevelBlocks::kBlock; // on a block's edge
            b = std::min(b, n);
            CLineFit line;
            line.centre = a - 100.0 * unit(random);
            line.slope = (unit(random) - 0.5) * (query % 4 == 0 ? 0.05 : 0.0005);
            line.mean = S(a) - line.slope * (a - line.centre) - (unit(random) - 0.2) * 3.0;
            const double over = unit(random) * 2.0;
            const double band = S(a) - unit(random) * 2.0;
            SCOPED_TRACE(testing::Message() << "trace " << trace << " query " << query);

            float lowest = std::numeric_limits<float>::infinity();
            for (Index k = a; k < b; ++k)
                lowest = std::min(lowest, levels[static_cast<std::size_t>(k)]);
            EXPECT_EQ(search.Lowest(a, b), lowest);

            Index k = a;
            while (k < b && S(k) >= band)
                ++k;
            EXPECT_EQ(search.FirstBelow(a, b, band), k);

            k = a;
            while (k < b && S(k) - line.At(static_cast<double>(k)) > over)
                ++k;
            EXPECT_EQ(search.FirstNotOver(a, b, line, over), k);

            const double base = lowest;
            k = b;
            while (k > a && S(k - 1) - base > 0.3 * over)
                --k;
            EXPECT_EQ(search.RiseStart(a, b, base, 0.3 * over), k);

            // A bump from a sample that stands above the line.
            const double height = S(a) - line.At(static_cast<double>(a));
            if (!(height > 0.0))
                continue;
            const double threshold = height * unit(random) * 1.5;
            Index peak = a;
            Index end = a;
            double highest = height;
            while (end < b) {
                const double rise = S(end) - line.At(static_cast<double>(end));
                if (!(rise > std::max(0.5 * threshold, 0.5 * highest)))
                    break;
                if (S(end) > S(peak))
                    peak = end;
                highest = std::max(highest, rise);
                ++end;
            }
            const CLevelBlocks::CBump bump = search.Follow(a, b, line, threshold, height);
            EXPECT_EQ(bump.end, end);
            EXPECT_EQ(bump.peak, peak);
        }
    }
}

} // namespace
