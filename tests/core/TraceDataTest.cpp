#include "core/CTraceData.h"
#include "platform/CException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

CTraceData Trace(std::vector<float> levels, float start, float end) {
    CTraceData trace;
    trace.SetLevels(std::move(levels), start, end);
    return trace;
}

// GetLevelAt's spacing (span / n) is exactly 1 km here.
const CTraceData kTen = Trace({1, 3, 7, 15, 31, 63, 127, 255, 511, 1023}, 0.0f, 10.0f);

} // namespace

TEST(TraceData, LevelBoundsAreDisplayedExtremesIncludingZero) {
    const CTraceData positive = Trace({2.0f, 5.0f, kNaN, 3.0f}, 0.0f, 1.0f);
    EXPECT_EQ(positive.GetMaxLevel(), 0.0f);
    EXPECT_EQ(positive.GetMinLevel(), -5.0f);
    CTraceData negative = Trace({-2.0f, -5.0f}, 0.0f, 1.0f);
    EXPECT_EQ(negative.GetMaxLevel(), 5.0f);
    EXPECT_EQ(negative.GetMinLevel(), 0.0f);
    // Shifted, the bounds go with the samples: the plot's level range and the overview are
    // taken from them, and a trace shifted past them would be drawn flat along the edge.
    negative.OffsetLevels(10.0f);
    EXPECT_EQ(negative.GetLevels()[0], 8.0f);
    EXPECT_EQ(negative.GetBounds().top, 0.0);
    EXPECT_EQ(negative.GetBounds().bottom, -8.0);
    negative.OffsetLevels(-20.0f);
    EXPECT_EQ(negative.GetMaxLevel(), 15.0f);
    EXPECT_EQ(negative.GetMinLevel(), 0.0f);
}

TEST(TraceData, LevelBoundsOfLongTracesFollowOneRunningPair) {
    // Long traces take the bounds eight samples at a time: every length around that, with
    // NaNs, infinities and both zeros anywhere, against the plain definition.
    std::mt19937 random(31);
    const float specials[] = {kNaN, kInf, -kInf, 0.0f, -0.0f};
    std::uniform_real_distribution<float> level(-80.0f, 80.0f);
    for (std::size_t n = 0; n < 70; ++n)
        for (int round = 0; round < 20; ++round) {
            std::vector<float> levels(n);
            for (float& value : levels)
                value = random() % 6 == 0 ? specials[random() % 5] : level(random);
            float high = 0.0f, low = 0.0f;
            for (const float value : levels) {
                high = -value > high ? -value : high;
                low = -value < low ? -value : low;
            }
            const CTraceData trace = Trace(levels, 0.0f, 1.0f);
            ASSERT_EQ(trace.GetMaxLevel(), high) << n;
            ASSERT_EQ(trace.GetMinLevel(), low) << n;
            // Never -0, whatever the samples.
            ASSERT_FALSE(std::signbit(trace.GetMaxLevel()));
            ASSERT_TRUE(low != 0.0f || !std::signbit(trace.GetMinLevel()));
        }
}

TEST(TraceData, LevelAtDistanceAndAtIndex) {
    EXPECT_DOUBLE_EQ(kTen.GetLevelAt(0.0), 1.0);
    EXPECT_DOUBLE_EQ(kTen.GetLevelAt(2.5), 11.0);
    EXPECT_DOUBLE_EQ(kTen.GetLevelAt(-0.5), 0.0); // extended from the first interval
    // The last interval goes on along the line through the last two samples.
    EXPECT_DOUBLE_EQ(kTen.GetLevelAt(9.5), 511.0 + 1.5 * 512.0);
    EXPECT_TRUE(std::isnan(Trace({kNaN, kNaN, 1.0f}, 0.0f, 3.0f).GetLevelAt(1.5)));

    const std::pair<CTraceData, double> unreadable[] = {{kTen, 10.0},
                                                        {kTen, -1.0},
                                                        {kTen, 1e300},
                                                        {kTen, std::nan("")},
                                                        {Trace({4.0f}, 0.0f, 1.0f), 0.0},
                                                        {CTraceData(), 0.0},
                                                        {Trace({1.0f, 2.0f}, 3.0f, 3.0f), 3.0},
                                                        {Trace({1.0f, 2.0f}, 0.0f, kNaN), 0.0}};
    for (const auto& [trace, km] : unreadable) {
        try {
            trace.GetLevelAt(km);
            ADD_FAILURE() << "no exception at " << km;
        } catch (const CAbortException& e) {
            EXPECT_EQ(e.GetErrorMessage(), "Ошибочное количество точек");
        }
    }

    EXPECT_EQ(kTen.GetLevelAtIndex(-3.0), 1.0);
    EXPECT_EQ(kTen.GetLevelAtIndex(std::nan("")), 1.0);
    EXPECT_EQ(kTen.GetLevelAtIndex(15.0), 1023.0);
    EXPECT_DOUBLE_EQ(kTen.GetLevelAtIndex(2.25), 9.0);
    EXPECT_EQ(Trace({4.0f}, 0.0f, 1.0f).GetLevelAtIndex(0.5), 4.0);
    EXPECT_THROW(CTraceData().GetLevelAtIndex(0.0), CAbortException);
}

TEST(Polyline, NothingForTracesAndWindowsThatCannotBeProjected) {
    const CPixelRect rect{0, 0, 99, 49};
    std::vector<CScreenPoint> p;
    EXPECT_EQ(CTraceData().BuildPolylineFull(p, rect), 0);
    EXPECT_EQ(Trace({4.0f}, 0.0f, 1.0f).BuildPolyline(p, rect, 0.0f, 0.0f, 1.0f, -5.0f), 0);
    EXPECT_EQ(Trace({1.0f, 2.0f}, 3.0f, 3.0f).BuildPolyline(p, rect, 0.0f, 0.0f, 5.0f, -5.0f), 0);
    EXPECT_EQ(kTen.BuildPolyline(p, rect, 2.0f, 0.0f, 2.0f, -1e3f), 0);    // no width
    EXPECT_EQ(kTen.BuildPolyline(p, rect, 0.0f, -7.0f, 10.0f, -7.0f), 0);  // no height
    EXPECT_EQ(kTen.BuildPolyline(p, rect, kNaN, 0.0f, 10.0f, -1e3f), 0);   // NaN edge
    EXPECT_EQ(kTen.BuildPolyline(p, rect, 0.0f, 0.0f, kInf, -1e3f), 0);    // infinite
    EXPECT_EQ(kTen.BuildPolyline(p, rect, -20.0f, 0.0f, -0.5f, -1e3f), 0); // before
    // After the last sample (index 9 at 10 km): not even that sample at the left edge.
    EXPECT_EQ(kTen.BuildPolyline(p, rect, 10.5f, 0.0f, 30.0f, -1e3f), 0);
    EXPECT_EQ(kTen.BuildPolyline(p, {5, 0, 4, 10}, 0.0f, 0.0f, 10.0f, -1e3f), 0);
}

TEST(Polyline, EdgesAreInterpolatedAndNaNSamplesStayInside) {
    std::vector<CScreenPoint> p;
    const CTraceData ramp = Trace({0.0f, -10.0f, -20.0f, -30.0f, -40.0f}, 0.0f, 4.0f);
    // Samples 1 to 3 inside the window; sample 0 left of it is not drawn.
    ASSERT_EQ(ramp.BuildPolyline(p, {0, 0, 10, 40}, 0.5f, 40.0f, 3.5f, 0.0f), 5);
    EXPECT_EQ(p[0].x, 0);
    EXPECT_EQ(p[0].y, 35);
    EXPECT_EQ(p[1].y, 30);
    EXPECT_EQ(p[4].x, 10);
    EXPECT_EQ(p[4].y, 5);

    std::vector<CScreenPoint> q;
    const CTraceData gaps = Trace({kNaN, 1.0f, kNaN, kNaN, 2.0f, kNaN}, 0.0f, 5.0f);
    ASSERT_EQ(gaps.BuildPolyline(q, {10, 20, 15, 30}, 0.0f, 0.0f, 5.0f, -4.0f), 6);
    EXPECT_EQ(q[0].y, 30); // at the bottom edge
    EXPECT_EQ(q[1].y, 22);
    EXPECT_EQ(q.size(), 12u); // the buffer holds two points per column
}

// Each column's points against an independent reduction of the projected samples: one point
// for one value, else the largest then the smallest y, with the window edges at L and R.
TEST(Polyline, EachColumnHoldsTheExtremesOfItsSamples) {
    std::mt19937 random(42);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<CScreenPoint> points;
    for (int round = 0; round < 400; ++round) {
        const std::size_t n = 2 + random() % (round % 4 == 0 ? 20000 : 300);
        std::vector<float> v(n);
        for (float& level : v)
            level = 30.0f * unit(random) - 10.0f;
        const float end = 0.01f + 80.0f * unit(random);
        const int left = int(random() % 40) - 20;
        const int top = int(random() % 40) - 20;
        const CPixelRect r{left, top, left + int(random() % 700), top + 1 + int(random() % 400)};
        float xFrom = end * (1.4f * unit(random) - 0.2f);
        float xTo = end * (1.4f * unit(random) - 0.2f);
        if (xFrom > xTo)
            std::swap(xFrom, xTo);
        const float yTop = 12.0f - 4.0f * unit(random);
        const float yBottom = -22.0f + 4.0f * unit(random);
        const int count = Trace(v, 0.0f, end).BuildPolyline(points, r, xFrom, yTop, xTo, yBottom);

        std::map<int, std::vector<int>> columns; // x -> y of every value in it
        const float m = float(n - 1) / end;
        const float o = xFrom * m;
        const float t = xTo * m;
        if (o <= float(n - 1) && t >= 0.0f && t > o) {
            const float a = float(r.right - r.left) / (t - o);
            const float k = float(r.bottom - r.top) / (yTop - yBottom);
            const auto y = [&](float level) {
                return r.top + int(std::clamp(k * (yTop + level), 0.0f, float(r.bottom - r.top)));
            };
            const auto at = [&](float f) {
                const std::size_t i = std::min(std::size_t(f), n - 2);
                return float(v[i] + (double(v[i + 1]) - v[i]) * (f - double(i)));
            };
            const long first = o > 0.0f ? long(std::ceil(o)) : 0;
            const long last = std::min(long(t), long(n - 1));
            const float b0 = (float(first) - o) * a;
            if (o >= 0.0f && o < float(first))
                columns[r.left].push_back(y(at(o)));
            for (long j = first; j <= last; ++j)
                columns[r.left +
                        int(std::clamp(b0 + a * float(j - first), 0.0f, float(r.right - r.left)))]
                    .push_back(y(v[j]));
            if (t <= float(n - 1) && t > float(last))
                columns[r.right].push_back(y(at(t)));
        }
        std::vector<CScreenPoint> expected;
        for (const auto& [x, ys] : columns) {
            expected.push_back({x, *std::max_element(ys.begin(), ys.end())});
            if (ys.size() > 1)
                expected.push_back({x, *std::min_element(ys.begin(), ys.end())});
        }
        ASSERT_EQ(count, int(expected.size())) << "round " << round;
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(points[i].x, expected[i].x) << "round " << round << " point " << i;
            ASSERT_EQ(points[i].y, expected[i].y) << "round " << round << " point " << i;
        }
    }
}

TEST(TraceData, SampleDistancesSpanStartToEndAsTheCurveIsDrawn) {
    // A launch cable: the samples begin before the events' zero.
    std::vector<float> levels(1001, 5.0f);
    levels[700] = 0.0f; // one spike, drawn highest
    const CTraceData trace = Trace(levels, -1.2345f, 7.654f);
    EXPECT_DOUBLE_EQ(trace.GetSampleDistance(0.0), -1.2345f);
    EXPECT_EQ(trace.GetSampleDistance(1000.0), 7.654f) << "the last sample is the end";
    EXPECT_NEAR(trace.GetSampleSpacing(), (7.654 + 1.2345) / 1000.0, 1e-7);
    // The polyline puts the spike in the column of its distance.
    std::vector<CScreenPoint> points;
    const CPixelRect rect{0, 0, 888, 100};
    const int count = trace.BuildPolylineFull(points, rect);
    ASSERT_GT(count, 0);
    const auto top = std::min_element(points.begin(), points.begin() + count,
                                      [](auto a, auto b) { return a.y < b.y; });
    const double column =
        (trace.GetSampleDistance(700.0) - trace.GetStartDistance()) / trace.GetRange() * 888.0;
    EXPECT_NEAR(top->x, column, 1.0);
    EXPECT_EQ(CTraceData().GetSampleSpacing(), 0.0);
}
