// The wheel's zoom about the pointer and the overview's move, checked as properties over a
// spread of windows and anchors rather than case by case.

#include "display/ViewNavigation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

TEST(ViewNavigation, ZoomKeepsTheAnchorInPlaceAndTheWindowInsideTheRange) {
    const double min = -0.5;
    const double max = 40.0;
    for (double low : {-0.5, 0.0, 3.0, 17.25}) {
        for (double width : {0.2, 1.0, 10.0, 22.0}) {
            const double high = std::min(low + width, max);
            for (double share : {0.0, 0.1, 0.5, 0.9, 1.0}) {
                for (double factor : {0.8, 0.5, 1.25, 3.0}) {
                    SCOPED_TRACE(testing::Message()
                                 << low << " " << width << " " << share << " " << factor);
                    const double anchor = low + share * (high - low);
                    double a = low;
                    double b = high;
                    ZoomAbout(a, b, anchor, factor, 0.1, min, max);
                    EXPECT_GE(a, min);
                    EXPECT_LE(b, max);
                    EXPECT_LT(a, b);
                    const double expected = std::clamp((high - low) * factor, 0.1, max - min);
                    EXPECT_NEAR(b - a, expected, 1e-9);
                    // The anchor keeps its share unless an edge of the range stopped the window.
                    if (a > min && b < max) {
                        EXPECT_NEAR((anchor - a) / (b - a), share, 1e-9);
                    }
                }
            }
        }
    }
}

TEST(ViewNavigation, ZoomIgnoresWindowsAndAnchorsThatMakeNoSense) {
    const struct {
        double low, high, anchor, factor, min, max;
    } cases[] = {
        {5.0, 5.0, 5.0, 0.5, 0.0, 10.0},  // no width
        {6.0, 5.0, 5.5, 0.5, 0.0, 10.0},  // turned round
        {1.0, 5.0, NAN, 0.5, 0.0, 10.0},  // anchor not a number
        {1.0, 5.0, 2.0, 0.0, 0.0, 10.0},  // no factor
        {1.0, 5.0, 2.0, 0.5, 10.0, 10.0}, // no range
        {1.0, 5.0, 2.0, NAN, 0.0, 10.0},  // factor not a number
    };
    for (const auto& c : cases) {
        double a = c.low;
        double b = c.high;
        ZoomAbout(a, b, c.anchor, c.factor, 0.1, c.min, c.max);
        EXPECT_EQ(a, c.low);
        EXPECT_EQ(b, c.high);
    }
}

TEST(ViewNavigation, OverviewPixelsMapToTheTraceAndCentreTheWindowWithinTheRange) {
    // 0..20 km and 10..-30 dB over 201 by 41 pixels: a pixel is 0.1 km and 1 dB.
    const CPixelRect client{0, 0, 200, 40};
    const CWorldRect extent{0.0, 10.0, 20.0, -30.0};
    double km = 0.0;
    double db = 0.0;
    OverviewWorldAt(client, extent, 50, 10, km, db);
    EXPECT_DOUBLE_EQ(km, 5.0);
    EXPECT_DOUBLE_EQ(db, 0.0);
    OverviewWorldAt(client, extent, -7, 99, km, db); // clamped to the picture
    EXPECT_DOUBLE_EQ(km, 0.0);
    EXPECT_DOUBLE_EQ(db, -30.0);
    EXPECT_EQ(WorldAtPixel(3, 4, 4, 1.5, 9.0), 1.5);

    const struct {
        double centre, low, high;
    } moves[] = {{10.0, 8.0, 12.0}, {1.0, 0.0, 4.0}, {19.5, 16.0, 20.0}, {NAN, 2.0, 6.0}};
    for (const auto& move : moves) {
        double low = 2.0;
        double high = 6.0;
        CentreInside(low, high, move.centre, 0.0, 20.0);
        EXPECT_DOUBLE_EQ(low, move.low) << move.centre;
        EXPECT_DOUBLE_EQ(high, move.high) << move.centre;
    }
}

} // namespace
