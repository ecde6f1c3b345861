// The plot window driven by real mouse events and real timers.

#include "PlotTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

class PlotMouseTest : public PlotFixture {
protected:
    PlotMouseTest() {
        plot.viewLeft = 0;
        plot.viewRight = 50;
        plot.resize(400, 300);
        plot.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&plot));
        // The first paint lays out the bars.
        EXPECT_TRUE(QTest::qWaitFor([this] { return plot.GetBarLayout().valid; }));
    }

    int Steps() const { return static_cast<int>(plot.viewLeft / plot.step + 0.5); }
};

TEST_F(PlotMouseTest, HeldButtonActsAtOnceThenAfterTheDelayThenAtTheRate) {
    const QPoint panRight(340, 290);
    QElapsedTimer clock;
    clock.start();
    QTest::mousePress(&plot, Qt::LeftButton, {}, panRight);
    EXPECT_EQ(Steps(), 1);
    EXPECT_EQ(plot.GetRepeatInterval(), kRepeatDelayMs);

    QTest::qWait(300);
    if (clock.elapsed() < kRepeatDelayMs - 20) { // a slow machine may already be past it
        EXPECT_EQ(Steps(), 1);
    }
    EXPECT_TRUE(QTest::qWaitFor([this] { return plot.GetTimerState() == 2; }, 5000));
    EXPECT_GE(clock.elapsed(), kRepeatDelayMs);
    EXPECT_EQ(plot.GetRepeatInterval(), kRepeatRateMs);
    const int afterDelay = Steps();
    QTest::qWait(300);
    // Nominally thirty more; a loaded machine still manages a few.
    EXPECT_GE(Steps() - afterDelay, 5);

    QTest::mouseRelease(&plot, Qt::LeftButton, {}, panRight);
    const int released = Steps();
    EXPECT_EQ(plot.GetRepeatInterval(), 0);
    EXPECT_EQ(plot.GetActiveCode(), HitCode::None);
    EXPECT_FALSE(plot.IsCaptured());
    QTest::qWait(50);
    EXPECT_EQ(Steps(), released);
}

TEST_F(PlotMouseTest, HeldPageAreaStopsUnderThePointerAndResumesBeyondIt) {
    plot.viewRight = 5;
    plot.update();
    EXPECT_TRUE(QTest::qWaitFor([this] { return plot.GetBarLayout().horzThumb.right < 150; }));
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(150, 290));
    EXPECT_TRUE(QTest::qWaitFor([this] { return plot.GetActiveCode() == HitCode::Spent; }, 10000));
    const CPixelRect thumb = plot.GetBarLayout().horzThumb;
    EXPECT_LE(thumb.left, 150);
    EXPECT_GE(thumb.right, 150);

    // Further along the track the page code takes over again and pages up to the pointer.
    QTest::mouseMove(&plot, QPoint(250, 290));
    EXPECT_EQ(plot.GetActiveCode(), HitCode::PageRight);
    EXPECT_TRUE(QTest::qWaitFor([this] { return plot.GetActiveCode() == HitCode::Spent; }, 10000));
    EXPECT_GE(plot.GetBarLayout().horzThumb.right, 250);
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(250, 290));
    EXPECT_EQ(plot.GetActiveCode(), HitCode::None);
}

TEST_F(PlotMouseTest, PointerTurnsIntoResizeArrowsOverTheThumbEnds) {
    const CPixelRect thumb = plot.GetBarLayout().horzThumb;
    QTest::mouseMove(&plot, QPoint(thumb.left + 1, 290));
    EXPECT_EQ(plot.cursor().shape(), Qt::BitmapCursor);
    QTest::mouseMove(&plot, QPoint(200, 100));
    EXPECT_EQ(plot.cursor().shape(), Qt::ArrowCursor);

    // Dragging the right end narrows the window.
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(thumb.right - 1, 290));
    EXPECT_TRUE(plot.IsDragging());
    EXPECT_EQ(plot.cursor().shape(), Qt::BitmapCursor);
    QTest::mouseMove(&plot, QPoint(thumb.right - 60, 290));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(thumb.right - 60, 290));
    EXPECT_FALSE(plot.IsDragging());
    EXPECT_NEAR(plot.viewRight, 50 - 59 * 100.0 / 282, 1e-9);
    EXPECT_EQ(plot.viewLeft, 0);
}

} // namespace
