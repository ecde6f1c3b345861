// The trace plot's gestures, driven by mouse events on the widget.

#include "TraceTestSupport.h"
#include "display/TraceGeometry.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

namespace {

class TracePlotMouseTest : public TraceFixture {
protected:
    TracePlotMouseTest() : trace(Open(Ramp(400, 2.0f, 0.05f), 20.0)) {
        p = ShowPlot();
        y = (p.top + p.bottom) / 2;
    }

    int MarkerX(float marker) const {
        return MarkerGrabX(p, plot.viewLeft, plot.viewRight, marker);
    }

    CSignal& trace;
    CPixelRect p;
    int y = 0;
};

TEST_F(TracePlotMouseTest, AMarkerGrabbedWithinTenPixelsFollowsThePointerInsideThePlot) {
    const int xA = MarkerX(5.0f);
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(xA + 10, y));
    EXPECT_EQ(plot.GetGrabbedMarker(), 0);
    QTest::mouseMove(&plot, QPoint(xA + 60, y));
    EXPECT_EQ(plot.GetMarkerA(), *MarkerAtColumn(p, plot.viewLeft, plot.viewRight, xA + 60));
    // The pointer is held inside the plot: beyond its edge the marker stops at the window's end.
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(p.right + 40, y));
    EXPECT_FALSE(plot.IsMarkerDragActive());
    EXPECT_FLOAT_EQ(plot.GetMarkerA(), static_cast<float>(plot.viewRight));
    EXPECT_EQ(frame.Sent(kMsgMarkersChanged), 2);

    // Eleven pixels away nothing is grabbed.
    const int xB = MarkerX(15.0f);
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(xB - 11, y));
    EXPECT_EQ(plot.GetGrabbedMarker(), -1);
    QTest::mouseMove(&plot, QPoint(xB - 100, y));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(xB - 100, y));
    EXPECT_EQ(plot.GetMarkerB(), 15.0f);
}

TEST_F(TracePlotMouseTest, ShiftWithOrWithoutCtrlDrawsAZoomBox) {
    const CWorldWindow before = plot;
    const CPixelRect box{p.left + 100, p.top + 50, p.left + 300, p.top + 200};
    const auto modifiers = Qt::ShiftModifier | Qt::ControlModifier;
    QTest::mousePress(&plot, Qt::LeftButton, modifiers, QPoint(box.left, box.top));
    QTest::mouseMove(&plot, QPoint(box.right, box.bottom));
    EXPECT_TRUE(plot.IsZoomBoxActive());
    EXPECT_FALSE(plot.IsLevelShiftActive());
    // The rubber band: the outline in NOT-XOR, so drawing it twice takes it away.
    CRecordingSurface window;
    plot.DrawOnWindow(window);
    ASSERT_EQ(window.CallsOf(CRecordingSurface::Kind::Line).size(), 4u);
    EXPECT_EQ(window.Calls()[0].mode, RasterMode::NotXor);

    QTest::mouseRelease(&plot, Qt::LeftButton, modifiers, QPoint(box.right, box.bottom));
    EXPECT_FALSE(plot.IsZoomBoxActive());
    const CWorldRect expected = *ZoomToBox(before, p, box);
    EXPECT_EQ(plot.GetWorldWindow().left, expected.left);
    EXPECT_EQ(plot.GetWorldWindow().bottom, expected.bottom);
    EXPECT_FALSE(trace.IsModified());
}

TEST_F(TracePlotMouseTest, ADoubleClickInsideThePlotStartsNothing) {
    const QPoint inside(MarkerX(5.0f), y);
    for (const auto type : {QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, inside, plot.mapToGlobal(inside), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::ShiftModifier);
        QApplication::sendEvent(&plot, &event);
        EXPECT_FALSE(plot.IsZoomBoxActive());
        EXPECT_FALSE(plot.IsMarkerDragActive());
    }
    EXPECT_EQ(plot.GetActiveCode(), HitCode::None);
}

TEST_F(TracePlotMouseTest, CtrlDragDownLowersTheActiveTraceByTheWindowsScale) {
    const std::vector<float> before = trace.GetLevels();
    // The scale the gesture is made at: afterwards the level range follows the shifted trace.
    const double perPixel = (plot.viewTop - plot.viewBottom) / (p.bottom - p.top);
    const QPoint from(p.left + 200, y - 40);
    const QPoint to = from + QPoint(30, 60);
    QTest::mousePress(&plot, Qt::LeftButton, Qt::ControlModifier, from);
    QTest::mouseMove(&plot, to);
    EXPECT_EQ(plot.GetShiftLineY(), to.y());
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ControlModifier, to);
    // Stored levels are drawn negated: adding to them lowers the displayed trace.
    EXPECT_NEAR(trace.GetLevels()[100] - before[100], 60 * perPixel, 1e-4);
    EXPECT_NEAR(trace.GetLevels()[399] - before[399], 60 * perPixel, 1e-4);
    EXPECT_TRUE(trace.IsLevelsModified());
    EXPECT_EQ(frame.Sent(kMsgMarkersChanged), 1);

    // A Ctrl-click that moves nothing edits nothing; without an active trace Ctrl does nothing.
    const std::vector<float> shifted = trace.GetLevels();
    QTest::mouseClick(&plot, Qt::LeftButton, Qt::ControlModifier, from);
    EXPECT_EQ(trace.GetLevels(), shifted);
    workspace.ActiveProject()->AppendEntry(CSignalEntry());
    QTest::mousePress(&plot, Qt::LeftButton, Qt::ControlModifier, from);
    EXPECT_FALSE(plot.IsLevelShiftActive());
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ControlModifier, from);
}

} // namespace
