// The block extremes that speed up long traces must give exactly the points of the direct
// projection, for any trace, window and rectangle.

#include "display/CTraceEnvelope.h"
#include "display/CTraceProjector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

std::vector<CScreenPoint> Direct(const CTraceData& trace, const CPixelRect& rect, float xFrom,
                                 float yTop, float xTo, float yBottom) {
    std::vector<CScreenPoint> points;
    points.resize(
        static_cast<std::size_t>(trace.BuildPolyline(points, rect, xFrom, yTop, xTo, yBottom)));
    return points;
}

std::vector<CScreenPoint> Through(const CTraceEnvelope& envelope, const CTraceData& trace,
                                  const CPixelRect& rect, float xFrom, float yTop, float xTo,
                                  float yBottom) {
    std::vector<CScreenPoint> points;
    points.resize(static_cast<std::size_t>(
        envelope.BuildPolyline(trace, points, rect, xFrom, yTop, xTo, yBottom)));
    return points;
}

// A fibre-like walk with steps, spikes and, now and then, samples that are not numbers or
// infinite.
std::vector<float> RandomLevels(std::mt19937& random, std::size_t n, bool damaged) {
    std::normal_distribution<float> noise(0.0f, 0.3f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> levels(n);
    float level = 5.0f + 20.0f * unit(random);
    for (float& sample : levels) {
        level += 0.01f + noise(random) * 0.1f;
        sample = level + noise(random);
        if (unit(random) < 0.001f)
            sample -= 15.0f;
        if (damaged && unit(random) < 0.01f) {
            const float odd[] = {std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity()};
            sample = odd[random() % 3];
        }
    }
    return levels;
}

TEST(TraceEnvelopeTest, SamePointsAsTheDirectProjectionOverRandomWindows) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int compared = 0;
    for (int trial = 0; trial < 240; ++trial) {
        const std::size_t sizes[] = {2, 3, 9, 64, 65, 513, 4097, 30000, 70001};
        const std::size_t n =
            trial % 4 == 0 ? sizes[random() % std::size(sizes)] : 2 + random() % 20000;
        CTraceData trace;
        const float start = trial % 3 == 0 ? 0.0f : 5.0f * unit(random) - 2.5f;
        const float end =
            start + (trial % 17 == 0 ? -1.0f : 1.0f) * (0.05f + 120.0f * unit(random));
        trace.SetLevels(RandomLevels(random, n, trial % 5 == 0), start, end);
        const CTraceEnvelope envelope(trace);

        for (int window = 0; window < 40; ++window) {
            const int left = static_cast<int>(random() % 50);
            const int top = static_cast<int>(random() % 50);
            const CPixelRect rect{left, top, left + static_cast<int>(random() % 2500),
                                  top + static_cast<int>(random() % 1100)};
            const float span = end - start;
            float xFrom = start + span * (1.4f * unit(random) - 0.2f);
            float xTo = start + span * (1.4f * unit(random) - 0.2f);
            if (window % 4 == 0) { // the whole trace, as the overview shows it
                xFrom = start;
                xTo = end;
            }
            const float yTop = 10.0f * unit(random) - 5.0f;
            const float yBottom = window % 9 == 0 ? yTop : yTop - 80.0f * unit(random);
            const auto expected = Direct(trace, rect, xFrom, yTop, xTo, yBottom);
            ASSERT_EQ(Through(envelope, trace, rect, xFrom, yTop, xTo, yBottom), expected)
                << "trial " << trial << " window " << window << " n " << n;
            compared += expected.empty() ? 0 : 1;
        }
    }
    // Most windows show something, so the comparison is not of empty lists.
    EXPECT_GT(compared, 6000);
}

TEST(TraceEnvelopeTest, AChangedTraceIsNeverProjectedFromStaleBlocks) {
    std::mt19937 random(5);
    CTraceData trace;
    trace.SetLevels(RandomLevels(random, 5000, false), 0.0f, 50.0f);
    const CTraceEnvelope envelope(trace);
    trace.OffsetLevels(3.0f);
    EXPECT_EQ(Through(envelope, trace, {0, 0, 800, 500}, 0.0f, 0.0f, 50.0f, -80.0f),
              Direct(trace, {0, 0, 800, 500}, 0.0f, 0.0f, 50.0f, -80.0f));
}

TEST(TraceProjectorTest, KeepsPointsWhileTheWindowStaysAndForgetsClosedTraces) {
    std::mt19937 random(9);
    CTraceData trace;
    trace.SetLevels(RandomLevels(random, CTraceEnvelope::kWorthwhile * 2, false), 0.0f, 80.0f);
    CTraceData closed;
    closed.SetLevels(RandomLevels(random, 500, false), 0.0f, 20.0f);
    const CPixelRect rect{60, 40, 1000, 600};
    CTraceProjector projector;
    const auto project = [&](float xFrom) {
        const auto points = projector.Project(trace, rect, xFrom, 0.0f, 70.0f, -60.0f);
        EXPECT_EQ(std::vector(points.begin(), points.end()),
                  Direct(trace, rect, xFrom, 0.0f, 70.0f, -60.0f));
        return points.data();
    };
    const CScreenPoint* first = project(1.0f);
    EXPECT_EQ(project(1.0f), first);
    // A level shift or a new window projects anew.
    trace.OffsetLevels(-2.5f);
    project(1.0f);
    project(2.0f);

    projector.Project(closed, rect, 0.0f, 0.0f, 20.0f, -60.0f);
    projector.Sweep();
    project(2.0f);
    projector.Sweep();
    EXPECT_EQ(projector.GetKeptCount(), 1u);
}

} // namespace
