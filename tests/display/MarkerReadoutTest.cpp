// The seven readout rows of the markers pane and the printout.

#include "display/MarkerReadout.h"
#include "TraceTestSupport.h"
#include "display/CTraceView.h"

namespace {

QStringList Readout(float a, float b, const CSignal* signal) {
    QStringList rows;
    QString caption;
    QString value;
    for (int row = 0; MarkerReadoutRow(row, a, b, signal, caption, value); ++row)
        rows << caption + QLatin1Char(' ') + value;
    return rows;
}

class MarkerReadoutTest : public TraceFixture {};

TEST_F(MarkerReadoutTest, SignedDifferencesAndDashesWhereNoLevelCanBeRead) {
    // 1 dB/km from 2 dB over 20 km.
    const CSignal& slope = Open(Ramp(400, 2.0f, 0.05f), 20.0);
    EXPECT_EQ(
        Readout(5.0f, 15.0f, &slope),
        QStringList(
            {QStringLiteral("Маркер A: 5.0000 km"), QStringLiteral("Уровень A: -7.0000 dB"),
             QStringLiteral("Маркер B: 15.0000 km"), QStringLiteral("Уровень B: -17.0000 dB"),
             QStringLiteral("Расстояние AB: 10.0000 km"), QStringLiteral("Потери AB: 10.0000 dB"),
             QStringLiteral("Ослабление AB: 1 dB/km")}));
    // B left of A: distance and loss change sign, the attenuation does not.
    EXPECT_EQ(Readout(15.0f, 5.0f, &slope).mid(4),
              QStringList({QStringLiteral("Расстояние AB: -10.0000 km"),
                           QStringLiteral("Потери AB: -10.0000 dB"),
                           QStringLiteral("Ослабление AB: 1 dB/km")}));
    // A beyond the end; then both markers at one place, where no attenuation exists.
    EXPECT_EQ(Readout(25.0f, 5.0f, &slope).filter(QStringLiteral("--")).size(), 3);
    EXPECT_EQ(Readout(25.0f, 5.0f, &slope)[3], QStringLiteral("Уровень B: -7.0000 dB"));
    EXPECT_EQ(Readout(5.0f, 5.0f, &slope).last(), QStringLiteral("Ослабление AB: --"));
    // No trace, or one of a single sample: every level row reads "--", all seven remain.
    for (const CSignal* unreadable :
         {static_cast<const CSignal*>(nullptr), static_cast<const CSignal*>(&Open({3.0f}))}) {
        const QStringList rows = Readout(5.0f, 15.0f, unreadable);
        EXPECT_EQ(rows.size(), 7);
        EXPECT_EQ(rows.filter(QStringLiteral("--")).size(), 4);
    }
    QString caption;
    QString value;
    EXPECT_FALSE(MarkerReadoutRow(7, 5.0f, 15.0f, &slope, caption, value));
}

TEST_F(MarkerReadoutTest, TheViewReadsTheActiveEntryWithMarkersAtZeroAndAHundred) {
    CTraceView view(workspace, settings);
    QString caption;
    QString value;
    EXPECT_FALSE(view.GetMarkerRow(0, caption, value));
    // An entry whose trace could not be opened still has its rows.
    workspace.AddProject();
    workspace.ActiveProject()->AppendEntry(CSignalEntry());
    ASSERT_TRUE(view.GetMarkerRow(1, caption, value));
    EXPECT_EQ(value, QStringLiteral("--"));

    Open(Ramp(400, 2.0f, 0.05f), 20.0);
    ASSERT_TRUE(view.GetMarkerRow(1, caption, value));
    EXPECT_EQ(value, QStringLiteral("-2.0000 dB"));
    ASSERT_TRUE(view.GetMarkerRow(2, caption, value));
    EXPECT_EQ(value, QStringLiteral("100.0000 km"));
}

} // namespace
