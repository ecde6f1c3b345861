#include "core/ScaleTicks.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>

namespace {

TEST(ScaleTicksTest, TicksSpanTheSideInOrderWithTheMinorOnesOnTheirMajors) {
    for (const int first : {0, 37, -12}) {
        for (int length = 1; length <= 1500; ++length) {
            const int last = first + length;
            const CScaleTicks ticks = ScaleTicks(first, last);
            ASSERT_EQ(ticks.major[0], first);
            ASSERT_EQ(ticks.major[10], last - 1) << length;
            for (std::size_t i = 0; i < 10; ++i) {
                ASSERT_LE(ticks.major[i], ticks.major[i + 1]);
                ASSERT_EQ(ticks.minor[10 * i], ticks.major[i]) << length << " interval " << i;
                // The mid tick halves its interval to the pixel.
                const int mid = ticks.minor[10 * i + 5];
                ASSERT_LE(std::abs(2 * mid - ticks.major[i] - ticks.major[i + 1]), 2) << length;
                for (std::size_t k = 1; k < 10; ++k)
                    ASSERT_LE(ticks.minor[10 * i + k - 1], ticks.minor[10 * i + k]);
                ASSERT_LE(ticks.minor[10 * i + 9], ticks.major[i + 1]);
            }
        }
    }
}

TEST(ScaleTicksTest, MinorTicksShowFromFiveAndFromTwentyPixels) {
    const struct {
        double spacing;
        MinorTicks shown;
    } cases[] = {{-0.1, MinorTicks::None}, {4.9, MinorTicks::None}, {5.0, MinorTicks::Mid},
                 {19.9, MinorTicks::Mid},  {20.0, MinorTicks::All}, {300, MinorTicks::All}};
    for (const auto& c : cases)
        EXPECT_EQ(MinorTicksAt(c.spacing), c.shown) << c.spacing;
}

} // namespace
