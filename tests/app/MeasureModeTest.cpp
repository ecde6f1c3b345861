// The markers pane's measurement modes over the bundled demo trace, whose splice at 8.996 km
// loses 0.107 dB.

#include "AppTestSupport.h"

#include "app/CTextListPane.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"
#include "display/TraceGeometry.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QStyleHints>
#include <QTreeWidgetItem>

namespace {

class MeasureModeTest : public ViewerFixture {
protected:
    // Drags the marker whose line is at km to km `to`, by its pixel columns.
    void Drag(float from, double to) {
        CTracePlot& plot = Frame().View().GetPlot();
        const CPixelRect rect = plot.GetPlotRect();
        const CWorldRect window = plot.GetWorldWindow();
        const int y = (rect.top + rect.bottom) / 2;
        const int x0 = MarkerGrabX(rect, window.left, window.right, from);
        const int x1 = MarkerGrabX(rect, window.left, window.right, static_cast<float>(to));
        // Two presses in quick succession would be a double click, which drags nothing.
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 20);
        QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(x0, y));
        QTest::mouseMove(&plot, QPoint(x1, y));
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(x1, y));
        Settle();
    }
    QComboBox& Modes() { return Frame().MeasureModes(); }
    QString Tip(int row) { return Frame().Markers().topLevelItem(row)->toolTip(1); }
};

TEST_F(MeasureModeTest, SpliceLossFromTheSubMarkersAndBackToTwoPoints) {
    ASSERT_EQ(Start({CopyDemo(scratch, "demo.sor")}), StartStatus::Running);
    CTracePlot& plot = Frame().View().GetPlot();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !plot.GetPlotRect().IsEmpty(); }));
    CTextListPane& markers = Frame().Markers();
    const QStringList names = {Q("2 точки"), Q("Затухание МНК"), Q("Потери на сварке (4 точки)"),
                               Q("Отражение"), Q("ORL")};
    ASSERT_EQ(Modes().count(), names.size());
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(Modes().itemText(i), names[i]);
    ASSERT_EQ(markers.RowCount(), 7);
    const QString twoPointLoss = markers.Value(5);

    // With A at the very start there is nothing before it to fit: said so, not a number.
    Modes().setCurrentIndex(2);
    Settle();
    ASSERT_EQ(markers.RowCount(), 5);
    EXPECT_EQ(markers.Caption(2), Q("Маркер a1:"));
    EXPECT_EQ(markers.Caption(4), Q("Потери на сварке:"));
    EXPECT_EQ(markers.Value(4), Q("--"));
    EXPECT_EQ(Tip(4), Q("Меньше двух отсчётов между a1 и A"));

    // Around the splice, the sub-markers placed anew a twentieth of the view outside. Zoomed,
    // so that a pixel column is a few metres.
    Modes().setCurrentIndex(0);
    Frame().View().SetHorzWindow(7.5, 12.5);
    Settle();
    Drag(plot.GetMarkerA(), 8.90);
    Drag(plot.GetMarkerB(), 9.10);
    EXPECT_NE(markers.Value(5), twoPointLoss);
    Modes().setCurrentIndex(2);
    Settle();
    const CWorldRect window = plot.GetWorldWindow();
    EXPECT_NEAR(plot.GetMarkerA1(), plot.GetMarkerA() - 0.05 * (window.right - window.left), 1e-3);
    EXPECT_NEAR(plot.GetMarkerB1(), plot.GetMarkerB() + 0.05 * (window.right - window.left), 1e-3);
    ASSERT_TRUE(markers.Value(4).endsWith(Q(" dB")));
    EXPECT_NEAR(markers.Value(4).chopped(3).toDouble(), 0.107, 0.02);
    EXPECT_EQ(Tip(4), markers.Value(4));

    // a1 by the keyboard and b1 by the mouse; A and B stay.
    const float a = plot.GetMarkerA(), b = plot.GetMarkerB(), a1 = plot.GetMarkerA1();
    plot.setFocus();
    QTest::keyClick(&plot, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(&plot, Qt::Key_Right);
    Settle();
    EXPECT_GT(plot.GetMarkerA1(), a1);
    EXPECT_EQ(markers.Value(2), Q("%1 km").arg(plot.GetMarkerA1(), 0, 'f', 4));
    Drag(plot.GetMarkerB1(), 11.0);
    EXPECT_NEAR(plot.GetMarkerB1(), 11.0, 0.2);
    EXPECT_EQ(plot.GetMarkerA(), a);
    EXPECT_EQ(plot.GetMarkerB(), b);
    EXPECT_NEAR(markers.Value(4).chopped(3).toDouble(), 0.107, 0.02);

    // The printout's block reads the same rows.
    QString caption, value, tip;
    ASSERT_TRUE(Frame().View().GetMarkerRow(4, caption, value, tip));
    EXPECT_EQ(value, markers.Value(4));

    // Two points again: today's seven rows, the sub-markers no longer taking the keys.
    Modes().setCurrentIndex(0);
    Settle();
    ASSERT_EQ(markers.RowCount(), 7);
    EXPECT_EQ(markers.Caption(5), Q("Потери AB:"));
    EXPECT_LT(plot.GetKeyboardMarker(), 2);
}

} // namespace
