// Where the trace view puts markers, labels and event icons, which marker a click grabs, and
// what a zoom box, a level shift and a new full range do to the window.

#include "display/TraceGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// One pixel per km across: a marker at m km sits in column trunc(m). half = 250.
constexpr CPixelRect kPlot{0, 20, 501, 300};

CMarkerPlaces Place(float a, float b, CPixelSize labelA = {70, 14}) {
    return PlaceMarkers(kPlot, 0.0, 501.0, a, b, labelA, {70, 14});
}

TEST(MarkerPlaceTest, LabelsStackWhenTheyTouchAndHangLeftInTheRightHalf) {
    EXPECT_EQ(Place(100.5f, 300.5f).b, (CMarkerPlace{300, {230, 20}, 34}));
    // Touching counts as overlapping, from either side; B moves down by A's label height.
    EXPECT_EQ(Place(100.5f, 170.5f).b, (CMarkerPlace{170, {170, 34}, 48}));
    EXPECT_EQ(Place(100.5f, 171.5f).b.label.y, 20);
    EXPECT_EQ(Place(120.5f, 100.5f, {70, 30}).b, (CMarkerPlace{100, {100, 50}, 64}));
    // Exactly in the middle the label stays right of its line.
    EXPECT_EQ(Place(250.5f, 10.5f).a.label.x, 250);
    EXPECT_EQ(Place(251.5f, 10.5f).a.label.x, 251 - 70);
    // Beyond the window the lines stop at the plot's edges.
    EXPECT_EQ(Place(-40.0f, 9000.0f).a.x, 0);
    EXPECT_EQ(Place(-40.0f, 9000.0f).b.x, 500);
    EXPECT_EQ(PlaceMarkers(kPlot, 5.0, 5.0, NAN, 7.0f, {}, {}).b.x, 500);
}

TEST(MarkerPlaceTest, AClickGrabsTheNearerLineWithinTenPixelsAndATieGoesToA) {
    const auto pick = [](int x) { return PickMarker(kPlot, 0.0, 500.0, 100.0f, 120.0f, x); };
    EXPECT_EQ(pick(110), 0);
    EXPECT_EQ(pick(111), 1);
    EXPECT_EQ(pick(89), -1);
    EXPECT_EQ(pick(130), 1);
    EXPECT_EQ(pick(131), -1);
    EXPECT_FALSE(MarkerAtColumn({5, 5, 6, 50}, 0.0, 10.0, 5));
}

TEST(EventIconTest, IconsCloserThanFivePixelsToAnEndAreLeftOut) {
    const CPixelRect plot{10, 0, 110, 200};
    EXPECT_FALSE(EventIconPlace(plot, 0.0, 100.0, 4.4f));
    EXPECT_EQ(EventIconPlace(plot, 0.0, 100.0, 4.5f), (CScreenPoint{11, 191}));
    EXPECT_TRUE(EventIconPlace(plot, 0.0, 100.0, 95.0f));
    EXPECT_FALSE(EventIconPlace(plot, 0.0, 100.0, 95.5f));
    EXPECT_FALSE(EventIconPlace(plot, 0.0, 100.0, NAN));
    EXPECT_FALSE(EventIconPlace(plot, 50.0, 50.0, 50.0f));
}

// 0.1 km and 0.1 dB per pixel over 0..10 km, 0..-20 dB.
CWorldWindow Window(double right = 10.0) {
    CWorldWindow world;
    world.fullLeft = world.viewLeft = 0.0;
    world.fullRight = world.viewRight = right;
    world.fullTop = world.viewTop = 0.0;
    world.fullBottom = world.viewBottom = -20.0;
    return world;
}

void ExpectWindow(std::optional<CWorldRect> zoom, CWorldRect expected) {
    ASSERT_TRUE(zoom);
    EXPECT_NEAR(zoom->left, expected.left, 1e-6);
    EXPECT_NEAR(zoom->top, expected.top, 1e-6);
    EXPECT_NEAR(zoom->right, expected.right, 1e-6);
    EXPECT_NEAR(zoom->bottom, expected.bottom, 1e-6);
}

TEST(ZoomBoxTest, ThinBoxesWidenToATenthInsideTheFullRange) {
    constexpr CPixelRect plot{0, 0, 101, 201};
    ExpectWindow(ZoomToBox(Window(), plot, {70, 130, 20, 30}), {2, -3, 7, -13});
    ExpectWindow(ZoomToBox(Window(), plot, {50, 50, 50, 50}), {5, -5, 5.1, -5.1});
    ExpectWindow(ZoomToBox(Window(), plot, {100, 200, 100, 200}), {9.9, -19.9, 10, -20});
    // A patch cord shorter than a tenth can only be shown whole.
    ExpectWindow(ZoomToBox(Window(0.05), plot, {20, 30, 70, 130}), {0, -3, 0.05, -13});
    EXPECT_FALSE(ZoomToBox(Window(), {0, 0, 1, 201}, {0, 0, 0, 10}));
}

TEST(WindowTest, LevelShiftsFollowTheScaleAndALostWindowShowsTheRange) {
    EXPECT_FLOAT_EQ(LevelShiftOffset(Window(), {0, 0, 100, 200}, 50, 80), 3.0f);
    EXPECT_EQ(LevelShiftOffset(Window(), {0, 50, 100, 50}, 50, 80), 0.0f);
    CWorldWindow broken = Window();
    broken.viewBottom = NAN;
    EXPECT_EQ(LevelShiftOffset(broken, {0, 0, 100, 200}, 50, 80), 0.0f);

    CWorldWindow world = Window();
    world.viewLeft = 2;
    world.viewRight = 30;
    world.viewTop = -30;
    world.viewBottom = -40;
    ClampViewToFull(world);
    EXPECT_EQ(world.viewLeft, 2);
    EXPECT_EQ(world.viewRight, 10);
    EXPECT_EQ(world.viewTop, 0);
    EXPECT_EQ(world.viewBottom, -20);
}

TEST(WindowTest, TheOverviewFrameScalesIntoTheClient) {
    const CPixelRect client{0, 0, 200, 100};
    const CWorldRect extent{0, 0, 10, -20};
    EXPECT_EQ(OverviewFrame(client, extent, {2, -5, 6, -10}), (CPixelRect{40, 25, 120, 50}));
    EXPECT_EQ(OverviewFrame(client, extent, {-5, 10, 50, -90}), client);
    EXPECT_FALSE(OverviewFrame(client, {3, 0, 3, -20}, extent));
}

} // namespace
