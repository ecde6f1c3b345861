// The trace plot's keyboard: markers stepped by pixel columns, panning, zooming and the full range.

#include "TraceTestSupport.h"
#include "display/TraceGeometry.h"

#include <QTest>

namespace {

class TracePlotKeysTest : public TraceFixture {
protected:
    TracePlotKeysTest() {
        Open(Ramp(400, 2.0f, 0.05f), 20.0);
        p = ShowPlot();
    }

    double Column() const { return (plot.viewRight - plot.viewLeft) / (p.right - p.left - 1); }

    CPixelRect p;
};

TEST_F(TracePlotKeysTest, ArrowsStepTheChosenMarkerByColumnsAndStopAtTheWindow) {
    const float a = plot.GetMarkerA();
    QTest::keyClick(&plot, Qt::Key_Right);
    EXPECT_NEAR(plot.GetMarkerA(), a + Column(), 1e-5);
    QTest::keyClick(&plot, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_NEAR(plot.GetMarkerA(), a - 9 * Column(), 1e-5);
    EXPECT_EQ(plot.GetMarkerB(), 15.0f);
    EXPECT_EQ(frame.Sent(kMsgMarkersChanged), 2);

    QTest::keyClick(&plot, Qt::Key_B);
    for (int i = 0; i < 200; ++i)
        QTest::keyClick(&plot, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(plot.GetMarkerB(), static_cast<float>(plot.viewRight));

    // A dragged marker becomes the one the keys move.
    const int xA = MarkerGrabX(p, plot.viewLeft, plot.viewRight, plot.GetMarkerA());
    const int y = (p.top + p.bottom) / 2;
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(xA, y));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(xA + 20, y));
    EXPECT_EQ(plot.GetKeyboardMarker(), 0);
}

TEST_F(TracePlotKeysTest, ZoomAndPanStayInsideTheFullRangeAndHomeRestoresIt) {
    const CWorldWindow full = plot;
    QTest::keyClick(&plot, Qt::Key_Plus);
    EXPECT_NEAR(plot.viewRight - plot.viewLeft, (full.viewRight - full.viewLeft) / 2, 1e-9);
    EXPECT_NEAR((plot.viewLeft + plot.viewRight) / 2, (full.viewLeft + full.viewRight) / 2, 1e-9);

    for (int i = 0; i < 30; ++i)
        QTest::keyClick(&plot, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(plot.viewRight, full.fullRight);
    EXPECT_NEAR(plot.viewRight - plot.viewLeft, (full.viewRight - full.viewLeft) / 2, 1e-9);
    for (int i = 0; i < 30; ++i)
        QTest::keyClick(&plot, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_LE(plot.viewTop, full.fullTop);

    // Zooming in never goes below the step; zooming out never beyond the full range.
    for (int i = 0; i < 60; ++i)
        QTest::keyClick(&plot, Qt::Key_Plus);
    EXPECT_GE(plot.viewRight - plot.viewLeft, plot.step - 1e-12);
    EXPECT_LE(plot.viewRight, full.fullRight);
    for (int i = 0; i < 60; ++i)
        QTest::keyClick(&plot, Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(plot.viewLeft, full.fullLeft);
    EXPECT_DOUBLE_EQ(plot.viewRight, full.fullRight);

    QTest::keyClick(&plot, Qt::Key_Plus);
    QTest::keyClick(&plot, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&plot, Qt::Key_Home);
    EXPECT_EQ(plot.GetWorldWindow().left, full.fullLeft);
    EXPECT_EQ(plot.GetWorldWindow().right, full.fullRight);
    EXPECT_EQ(plot.GetWorldWindow().top, full.fullTop);
    EXPECT_EQ(plot.GetWorldWindow().bottom, full.fullBottom);
}

} // namespace
