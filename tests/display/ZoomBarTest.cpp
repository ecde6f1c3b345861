// The zoom bars: layout, hit codes, what each control does to the visible window, and the
// mouse handling around them (driven through the handlers, the timer fired by hand).

#include "PlotTestSupport.h"
#include "display/PlotGeometry.h"

#include <random>

namespace {

using Kind = CRecordingSurface::Kind;

constexpr CPixelRect kClient{0, 0, 400, 300};

// The window is where the bars must keep it.
void ExpectInside(const CWorldWindow& w, const char* what) {
    EXPECT_GE(w.viewLeft, w.fullLeft) << what;
    EXPECT_LE(w.viewRight, w.fullRight) << what;
    EXPECT_GE(w.viewBottom, w.fullBottom) << what;
    EXPECT_LE(w.viewTop, w.fullTop) << what;
    EXPECT_GE(w.viewRight - w.viewLeft, w.step - 1e-9) << what;
    EXPECT_GE(w.viewTop - w.viewBottom, w.step - 1e-9) << what;
}

CWorldWindow Window(double left, double right, double top, double bottom) {
    CWorldWindow w;
    w.fullLeft = 0;
    w.fullRight = 100;
    w.fullTop = 0;
    w.fullBottom = -100;
    w.viewLeft = left;
    w.viewRight = right;
    w.viewTop = top;
    w.viewBottom = bottom;
    return w;
}

TEST(ZoomBarLayoutTest, BarsButtonsTracksAndThumbs) {
    const CBarLayout bars = LayoutBars(kClient, 16, Window(25, 50, -10, -20));
    EXPECT_EQ(bars.horzBar, (CPixelRect{0, 284, 384, 300}));
    EXPECT_EQ(bars.vertBar, (CPixelRect{384, 0, 400, 284}));
    EXPECT_EQ(bars.corner, (CPixelRect{384, 284, 400, 300}));
    EXPECT_EQ(bars.buttons[0], (CPixelRect{0, 284, 16, 300}));
    EXPECT_EQ(bars.buttons[5], (CPixelRect{336, 284, 352, 300}));
    EXPECT_EQ(bars.buttons[6], (CPixelRect{384, 0, 400, 16}));
    EXPECT_EQ(bars.buttons[9], (CPixelRect{384, 268, 400, 284}));
    EXPECT_EQ(bars.horzTrack, (CPixelRect{48, 284, 336, 300}));
    EXPECT_EQ(bars.vertTrack, (CPixelRect{384, 48, 400, 236}));
    // 282 pixels for 100 km: 25 km is 70.5 pixels, rounded up; the end adds the 6 pixels.
    EXPECT_EQ(bars.horzThumb, (CPixelRect{119, 284, 195, 300}));
    // 182 pixels for 100 dB downwards.
    EXPECT_EQ(bars.vertThumb, (CPixelRect{384, 66, 400, 90}));
}

TEST(ZoomBarLayoutTest, ThumbIsAtLeastSixPixelsAndStaysOnTheTrack) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> where(0, 100);
    for (int i = 0; i < 500; ++i) {
        double a = where(random);
        double b = i % 5 == 0 ? a : where(random);
        if (a > b)
            std::swap(a, b);
        const CBarLayout bars = LayoutBars(kClient, 16, Window(a, b, -a, -b));
        EXPECT_GE(bars.horzThumb.Width(), 6);
        EXPECT_GE(bars.horzThumb.left, bars.horzTrack.left);
        EXPECT_LE(bars.horzThumb.right, bars.horzTrack.right);
        EXPECT_GE(bars.vertThumb.Height(), 6);
        EXPECT_GE(bars.vertThumb.top, bars.vertTrack.top);
        EXPECT_LE(bars.vertThumb.bottom, bars.vertTrack.bottom);
    }
}

TEST(ZoomBarLayoutTest, EmptyRangesAndShortBarsGiveSaneThumbs) {
    // A full range of a single point (a one-sample trace) must not divide by zero.
    CWorldWindow point = Window(0, 0, 0, 0);
    point.fullRight = 0;
    point.fullBottom = 0;
    const CBarLayout bars = LayoutBars(kClient, 16, point);
    EXPECT_EQ(bars.horzThumb, (CPixelRect{48, 284, 336, 300}));
    EXPECT_EQ(bars.vertThumb, (CPixelRect{384, 48, 400, 236}));

    // Too narrow for six buttons: no track, so nothing but buttons to hit.
    const CBarLayout narrow = LayoutBars({0, 0, 90, 60}, 16, Window(0, 50, 0, -50));
    EXPECT_TRUE(narrow.horzTrack.IsEmpty());
    EXPECT_TRUE(narrow.vertTrack.IsEmpty());
    for (int x = 0; x < 90; ++x) {
        for (int y = 0; y < 60; ++y) {
            const HitCode code = BarHitTest(narrow, x, y);
            EXPECT_TRUE(code == HitCode::None || ClassOf(code) == HitClass::Button)
                << static_cast<int>(code);
        }
    }
}

TEST(ZoomBarHitTest, EveryEdgeBelongsToTheControlTestedFirst) {
    const CBarLayout bars = LayoutBars(kClient, 16, Window(25, 50, -10, -20));
    struct Case {
        int x, y;
        HitCode code;
    };
    // clang-format off
    const Case cases[] = {
        // Horizontal bar, thumb 119..195, from left to right.
        {0, 284, HitCode::ExtendLeft}, {16, 299, HitCode::ExtendLeft}, {17, 290, HitCode::ShrinkLeft},
        {32, 290, HitCode::ShrinkLeft}, {33, 290, HitCode::PanLeft}, {48, 290, HitCode::PanLeft},
        {49, 290, HitCode::PageLeft}, {119, 290, HitCode::PageLeft}, {120, 290, HitCode::ThumbLeft},
        {121, 290, HitCode::ThumbLeft}, {122, 290, HitCode::HorzThumb}, {192, 290, HitCode::HorzThumb},
        {193, 290, HitCode::ThumbRight}, {194, 290, HitCode::ThumbRight}, {195, 290, HitCode::PageRight},
        {335, 290, HitCode::PageRight}, {336, 290, HitCode::PanRight}, {351, 290, HitCode::PanRight},
        {352, 290, HitCode::ShrinkRight}, {368, 290, HitCode::ExtendRight}, {383, 290, HitCode::ExtendRight},
        // The corner box wins its shared edges.
        {384, 290, HitCode::Corner}, {390, 284, HitCode::Corner}, {399, 299, HitCode::Corner},
        // Vertical bar, thumb 66..90, from top to bottom.
        {390, 0, HitCode::ExtendUp}, {390, 16, HitCode::ExtendUp}, {390, 17, HitCode::ShrinkTop},
        {390, 33, HitCode::PanUp}, {390, 48, HitCode::PanUp}, {390, 49, HitCode::PageUp},
        {390, 66, HitCode::PageUp}, {390, 67, HitCode::ThumbTop}, {390, 68, HitCode::ThumbTop},
        {390, 69, HitCode::VertThumb}, {390, 87, HitCode::VertThumb}, {390, 88, HitCode::ThumbBottom},
        {390, 89, HitCode::ThumbBottom}, {390, 90, HitCode::PageDown}, {390, 235, HitCode::PageDown},
        {390, 236, HitCode::PanDown}, {390, 252, HitCode::ShrinkBottom}, {390, 268, HitCode::ExtendDown},
        {390, 283, HitCode::ExtendDown},
        // The plot area and beyond.
        {200, 283, HitCode::None}, {383, 100, HitCode::None}, {-1, 290, HitCode::None},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(BarHitTest(bars, c.x, c.y), c.code) << "at " << c.x << "," << c.y;
    EXPECT_EQ(BarHitTest(CBarLayout{}, 390, 290), HitCode::None);
}

TEST(ZoomBarHitTest, ResizePointerExactlyOverTheThumbEnds) {
    const CBarLayout bars = LayoutBars(kClient, 16, Window(25, 50, -10, -20));
    for (int x = 0; x < kClient.right; ++x) {
        for (int y = 0; y < kClient.bottom; ++y) {
            const HitCode code = BarHitTest(bars, x, y);
            const BarCursor expected =
                code == HitCode::ThumbLeft || code == HitCode::ThumbRight   ? BarCursor::HorzResize
                : code == HitCode::ThumbTop || code == HitCode::ThumbBottom ? BarCursor::VertResize
                                                                            : BarCursor::Arrow;
            ASSERT_EQ(BarCursorAt(bars, x, y), expected) << x << "," << y;
        }
    }
}

TEST(ZoomBarActionTest, EdgeButtonsStopAtTheFullRangeAndAtStep) {
    CWorldWindow w = Window(0, 100, 0, -100);
    // Extending at the end changes nothing, yet counts as done, so holding it repeats.
    EXPECT_TRUE(ApplyBarAction(w, HitCode::ExtendLeft));
    EXPECT_TRUE(ApplyBarAction(w, HitCode::ExtendUp));
    EXPECT_EQ(w.viewLeft, 0);
    EXPECT_EQ(w.viewTop, 0);

    for (int i = 0; i < 2000; ++i)
        ApplyBarAction(w, i % 2 ? HitCode::ShrinkLeft : HitCode::ShrinkBottom);
    EXPECT_NEAR(w.viewRight - w.viewLeft, w.step, 1e-9);
    EXPECT_NEAR(w.viewTop - w.viewBottom, w.step, 1e-9);
    EXPECT_EQ(w.viewRight, 100);
    EXPECT_EQ(w.viewTop, 0);

    EXPECT_TRUE(ApplyBarAction(w, HitCode::Corner));
    EXPECT_EQ(w.viewLeft, 0);
    EXPECT_EQ(w.viewRight, 100);
    EXPECT_EQ(w.viewBottom, -100);
}

TEST(ZoomBarActionTest, AFullRangeNarrowerThanStepIsNeverLeft) {
    CWorldWindow w = Window(0, 0.05, 0, -0.05);
    w.fullRight = 0.05;
    w.fullBottom = -0.05;
    const CBarLayout bars = LayoutBars(kClient, 16, w);
    for (const HitCode code :
         {HitCode::ShrinkLeft, HitCode::ShrinkRight, HitCode::ShrinkTop, HitCode::ShrinkBottom,
          HitCode::PanLeft, HitCode::PanRight, HitCode::PageUp, HitCode::PageDown,
          HitCode::HorzThumb, HitCode::ThumbLeft, HitCode::ThumbRight, HitCode::VertThumb,
          HitCode::ThumbTop, HitCode::ThumbBottom}) {
        for (const int d : {-1000, 1000}) {
            if (ClassOf(code) == HitClass::Thumb)
                ApplyThumbDrag(w, code, {200, 100}, {200 + d, 100 + d}, bars);
            else
                ApplyBarAction(w, code);
            EXPECT_TRUE(w.viewLeft == 0 && w.viewRight == 0.05 && w.viewTop == 0 &&
                        w.viewBottom == -0.05)
                << std::hex << static_cast<int>(code);
        }
    }
}

TEST(ZoomBarActionTest, PansKeepTheSizeAndStopFlushWithTheEnds) {
    CWorldWindow w = Window(95, 99.5, -0.5, -20);
    ApplyBarAction(w, HitCode::PageRight);
    EXPECT_EQ(w.viewRight, 100);
    EXPECT_DOUBLE_EQ(w.viewLeft, 95.5);
    ApplyBarAction(w, HitCode::PageUp);
    EXPECT_EQ(w.viewTop, 0);
    EXPECT_DOUBLE_EQ(w.viewBottom, -19.5);

    w = Window(0.05, 10, -90, -99.95);
    ApplyBarAction(w, HitCode::PanLeft);
    EXPECT_EQ(w.viewLeft, 0);
    EXPECT_DOUBLE_EQ(w.viewRight, 9.95);
    ApplyBarAction(w, HitCode::PanDown);
    EXPECT_EQ(w.viewBottom, -100);
    EXPECT_DOUBLE_EQ(w.viewTop, -90.05);
    EXPECT_FALSE(ApplyBarAction(w, HitCode::HorzThumb));
    EXPECT_FALSE(ApplyBarAction(w, HitCode::None));
}

TEST(ZoomBarDragTest, ThumbPartsStopAtTheRangeAndAtStep) {
    const CBarLayout bars = LayoutBars(kClient, 16, Window(0, 100, 0, -100));
    const CScreenPoint at{200, 100};
    auto moved = [&](HitCode code, int dx, int dy) {
        CWorldWindow w = Window(40, 60, -40, -60);
        ApplyThumbDrag(w, code, at, {at.x + dx, at.y + dy}, bars);
        ExpectInside(w, "after a drag");
        return w;
    };
    // 282 track pixels stand for 100 km, 182 for 100 dB.
    CWorldWindow w = moved(HitCode::HorzThumb, 10, 0);
    EXPECT_DOUBLE_EQ(w.viewLeft, 40 + 1000.0 / 282);
    EXPECT_DOUBLE_EQ(w.viewRight - w.viewLeft, 20);
    w = moved(HitCode::HorzThumb, 1000, 0);
    EXPECT_EQ(w.viewRight, 100);
    EXPECT_DOUBLE_EQ(w.viewLeft, 80);
    w = moved(HitCode::VertThumb, 0, 1000);
    EXPECT_EQ(w.viewBottom, -100);
    EXPECT_DOUBLE_EQ(w.viewTop, -80);

    w = moved(HitCode::ThumbLeft, 1000, 0);
    EXPECT_DOUBLE_EQ(w.viewLeft, 60 - w.step);
    w = moved(HitCode::ThumbLeft, -1000, 0);
    EXPECT_EQ(w.viewLeft, 0);
    EXPECT_EQ(w.viewRight, 60);
    w = moved(HitCode::ThumbRight, -1000, 0);
    EXPECT_DOUBLE_EQ(w.viewRight, 40 + w.step);
    w = moved(HitCode::ThumbRight, 1000, 0);
    EXPECT_EQ(w.viewRight, 100);
    w = moved(HitCode::ThumbTop, 0, 1000);
    EXPECT_DOUBLE_EQ(w.viewTop, -60 + w.step);
    w = moved(HitCode::ThumbTop, 0, -1000);
    EXPECT_EQ(w.viewTop, 0);
    w = moved(HitCode::ThumbBottom, 0, -1000);
    EXPECT_DOUBLE_EQ(w.viewBottom, -40 - w.step);
    w = moved(HitCode::ThumbBottom, 0, 1000);
    EXPECT_EQ(w.viewBottom, -100);

    // No track to measure against: nothing moves, and no division by zero.
    CWorldWindow still = Window(40, 60, -40, -60);
    ApplyThumbDrag(still, HitCode::HorzThumb, at, {0, 0}, LayoutBars({0, 0, 90, 60}, 16, still));
    EXPECT_EQ(still.viewLeft, 40);
}

TEST(ZoomBarActionTest, NoSequenceOfControlsLeavesTheRangeOrNarrowsBelowStep) {
    std::mt19937 random(11);
    const HitCode codes[] = {
        HitCode::Corner,      HitCode::ExtendLeft,  HitCode::ShrinkLeft, HitCode::PanLeft,
        HitCode::ExtendRight, HitCode::ShrinkRight, HitCode::PanRight,   HitCode::ExtendUp,
        HitCode::ShrinkTop,   HitCode::PanUp,       HitCode::ExtendDown, HitCode::ShrinkBottom,
        HitCode::PanDown,     HitCode::PageLeft,    HitCode::PageRight,  HitCode::PageUp,
        HitCode::PageDown,    HitCode::HorzThumb,   HitCode::ThumbLeft,  HitCode::ThumbRight,
        HitCode::VertThumb,   HitCode::ThumbTop,    HitCode::ThumbBottom};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(codes)) - 1);
    std::uniform_int_distribution<int> move(-300, 300);
    CWorldWindow w = Window(0, 100, 0, -100);
    w.fullRight = 3.7; // a short trace: ranges of a few steps stress the clamps
    w.viewRight = 3.7;
    const CBarLayout bars = LayoutBars(kClient, 16, w);
    for (int i = 0; i < 20000; ++i) {
        const HitCode code = codes[pick(random)];
        if (ClassOf(code) == HitClass::Thumb)
            ApplyThumbDrag(w, code, {200, 100}, {200 + move(random), 100 + move(random)}, bars);
        else
            ApplyBarAction(w, code);
        ExpectInside(w, "random controls");
        if (HasFailure())
            return;
    }
}

class ZoomBarMouseTest : public PlotFixture {
protected:
    ZoomBarMouseTest() {
        plot.fullRight = 100;
        plot.viewLeft = 0;
        plot.viewRight = 10;
        Paint(400, 300); // lays out the bars
    }
};

TEST_F(ZoomBarMouseTest, PagingStopsWhenTheThumbReachesThePointer) {
    plot.OnLButtonDown(300, 290, {});
    EXPECT_EQ(plot.GetActiveCode(), HitCode::PageRight);
    EXPECT_TRUE(plot.IsCaptured());
    EXPECT_EQ(plot.GetTimerState(), 1);
    int pages = 1;
    while (plot.GetTimerState() != 0 && pages < 1000) {
        plot.OnTimer();
        ++pages;
    }
    const CPixelRect thumb = plot.GetBarLayout().horzThumb;
    EXPECT_GT(pages, 10);
    EXPECT_LE(thumb.left, 300);
    EXPECT_GE(thumb.right, 300);
    EXPECT_EQ(plot.GetActiveCode(), HitCode::Spent);
    EXPECT_EQ(plot.GetRepeatInterval(), 0);
    // The failed step changed nothing.
    const double left = plot.viewLeft;
    plot.OnTimer();
    EXPECT_EQ(plot.viewLeft, left);

    plot.OnLButtonUp(300, 290, {});
    EXPECT_EQ(plot.GetActiveCode(), HitCode::None);
    EXPECT_FALSE(plot.IsCaptured());
}

TEST_F(ZoomBarMouseTest, HeldEdgeButtonAtTheEndKeepsRepeating) {
    plot.OnLButtonDown(5, 290, {});
    EXPECT_EQ(plot.GetActiveCode(), HitCode::ExtendLeft);
    EXPECT_EQ(plot.GetRepeatInterval(), kRepeatDelayMs);
    plot.OnTimer();
    EXPECT_EQ(plot.GetTimerState(), 2);
    EXPECT_EQ(plot.GetRepeatInterval(), kRepeatRateMs);
    plot.OnTimer();
    EXPECT_EQ(plot.GetTimerState(), 2);
    EXPECT_EQ(plot.viewLeft, 0);
    EXPECT_EQ(plot.viewRight, 10);
    plot.OnLButtonUp(5, 290, {});
    EXPECT_EQ(plot.GetTimerState(), 0);
    EXPECT_EQ(plot.GetRepeatInterval(), 0);
}

TEST_F(ZoomBarMouseTest, LeavingAHeldButtonPausesItAndComingBackResumesAtTheRate) {
    plot.OnLButtonDown(340, 290, {}); // pan right
    EXPECT_DOUBLE_EQ(plot.viewLeft, 0.1);
    plot.OnMouseMove(200, 100, true, {}); // into the plot
    EXPECT_EQ(plot.GetRepeatInterval(), 0);
    EXPECT_EQ(plot.GetActiveCode(), HitCode::PanRight);
    plot.OnMouseMove(341, 291, true, {});
    EXPECT_EQ(plot.GetTimerState(), 2);
    EXPECT_EQ(plot.GetRepeatInterval(), kRepeatRateMs);
    EXPECT_DOUBLE_EQ(plot.viewLeft, 0.1);

    // Sliding onto another button operates that one at once.
    plot.OnMouseMove(355, 291, true, {});
    EXPECT_EQ(plot.GetActiveCode(), HitCode::ShrinkRight);
    EXPECT_DOUBLE_EQ(plot.viewRight, 10.0);
    EXPECT_EQ(plot.GetRepeatInterval(), kRepeatDelayMs);
    plot.OnLButtonUp(355, 291, {});
}

TEST_F(ZoomBarMouseTest, DraggingTheThumbFollowsThePointerUntilRelease) {
    const CPixelRect thumb = plot.GetBarLayout().horzThumb;
    const int x = (thumb.left + thumb.right) / 2;
    plot.OnLButtonDown(x, 290, {});
    EXPECT_TRUE(plot.IsDragging());
    plot.OnMouseMove(x + 10, 290, true, {});
    plot.OnLButtonUp(x + 30, 250, {}); // leaving the bar does not matter
    EXPECT_FALSE(plot.IsDragging());
    EXPECT_FALSE(plot.IsCaptured());
    EXPECT_NEAR(plot.viewLeft, 30 * 100.0 / 282, 1e-9);
    EXPECT_NEAR(plot.viewRight - plot.viewLeft, 10, 1e-9);
}

TEST_F(ZoomBarMouseTest, HeldControlsAreDrawnPressed) {
    plot.OnLButtonDown(395, 295, {}); // corner box
    EXPECT_EQ(plot.viewRight, 100);
    const CSystemColours& colours = plot.GetSystemColours();
    CRecordingSurface surface = Paint(400, 300);
    bool pressedCorner = false;
    for (const auto& edge : surface.CallsOf(Kind::Edge3d)) {
        if (edge.rect == plot.GetBarLayout().corner)
            pressedCorner =
                edge.colour == colours.buttonShadow && edge.colour2 == colours.buttonShadow;
    }
    EXPECT_TRUE(pressedCorner);
    plot.OnLButtonUp(395, 295, {});

    plot.viewLeft = 50;
    plot.viewRight = 60;
    Paint(400, 300);
    plot.OnLButtonDown(60, 290, {}); // page left
    surface = Paint(400, 300);
    const CBarLayout& bars = plot.GetBarLayout();
    const CPixelRect black{bars.horzTrack.left, 284, bars.horzThumb.left, 300};
    bool highlighted = false;
    for (const auto& fill : surface.CallsOf(Kind::Fill))
        highlighted |= fill.rect == black && fill.colour == 0;
    EXPECT_TRUE(highlighted);
    const auto patterns = surface.CallsOf(Kind::Pattern);
    ASSERT_EQ(patterns.size(), 2u);
    EXPECT_EQ(patterns[0].rect, bars.horzTrack);
    EXPECT_EQ(patterns[0].pattern, HalftonePattern(colours.buttonFace));
    EXPECT_EQ(patterns[0].pattern.pixels[0], 0xFFFFFFu);
    EXPECT_EQ(patterns[0].pattern.pixels[1], colours.buttonFace);
    EXPECT_EQ(patterns[0].pattern.pixels[8], colours.buttonFace);
}

} // namespace
