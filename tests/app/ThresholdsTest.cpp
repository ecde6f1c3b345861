// Pass/fail thresholds in the viewer: failing events in red with the broken limit in their
// tooltip, the verdict beside each trace in the tree, the sets the dialog saves and loads.

#include "AppTestSupport.h"

#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "app/CThresholdsDialog.h"
#include "app/CWorkspaceTree.h"
#include "app/ThresholdStore.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>

namespace {

class ThresholdsTest : public ViewerFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(Start({CopyDemo(scratch, "demo.sor")}), StartStatus::Running);
        Settle();
    }
    CEventListCtrl& List() { return Frame().EventListBar().List(); }
    QTreeWidgetItem* TraceItem() {
        return Frame().Tree().ItemOf(Workspace().ActiveEntry()->GetId());
    }
    std::vector<int> RedRows() {
        std::vector<int> red;
        for (int row = 0; row < List().topLevelItemCount(); ++row)
            if (List().topLevelItem(row)->foreground(2).color() == QColor(Qt::red))
                red.push_back(row);
        return red;
    }
};

TEST_F(ThresholdsTest, FailingEventIsRedWithItsLimitAndTheTreeSaysFail) {
    ASSERT_EQ(List().topLevelItemCount(), 14);
    EXPECT_EQ(Frame().Tree().columnCount(), 1); // nothing is on at first
    EXPECT_TRUE(RedRows().empty());

    // The connector at 4.788 km reflects -40.258 dB; the others stay below -44 dB, and the
    // file's totals (20.41 dB, ORL 31.238 dB) pass.
    CLinkThresholds set;
    set.name = "Заказчик";
    set.reflectance = -42.0;
    set.spliceLoss = 0.15;
    set.endToEndLoss = 25.0;
    set.minReturnLoss = 30.0;
    Frame().SetThresholds(set);
    Settle();
    EXPECT_EQ(RedRows(), std::vector<int>{1});
    const QString tip = List().topLevelItem(1)->toolTip(4);
    EXPECT_TRUE(tip.contains(Q("Отражение"))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(Q("-40.258")) && tip.contains(Q("-42.000"))) << tip.toStdString();
    EXPECT_TRUE(List().topLevelItem(2)->toolTip(4).isEmpty());
    ASSERT_EQ(Frame().Tree().columnCount(), 2);
    EXPECT_EQ(TraceItem()->text(1), Q("\u2717"));
    EXPECT_TRUE(Frame().Tree().ToolTipOf(TraceItem()).endsWith(Q("\nне норма")));
    EXPECT_EQ(TraceItem()->foreground(1).color(), QColor(Qt::red));
    // The set is kept for the next start.
    EXPECT_EQ(LoadThresholds(), set);

    // An edit that mends the event mends the marks and the verdict.
    CKeyEvent connector = Active().GetEvent(1);
    connector.SetReflectance(-50.0);
    Active().SetEvent(1, connector);
    Settle();
    EXPECT_TRUE(RedRows().empty());
    EXPECT_EQ(TraceItem()->text(1), Q("\u2713"));
    EXPECT_TRUE(Frame().Tree().ToolTipOf(TraceItem()).endsWith(Q("\nнорма")));

    // The event list's table for a spreadsheet: the header and one line an event.
    Frame().EventListBar().CopyTable();
    const QStringList lines =
        QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 15);
    EXPECT_TRUE(lines[2].contains(Q("\t-50.000\t"))) << lines[2].toStdString();

    Frame().SetThresholds({});
    Settle();
    EXPECT_EQ(Frame().Tree().columnCount(), 1);
}

TEST_F(ThresholdsTest, DialogSavesSetsAndRefusesADamagedOneUnchanged) {
    CLinkThresholds set;
    set.name = "Север/2";
    set.connectorLoss = 0.5;
    set.sectionAttenuation = 0.35;
    CThresholdsDialog dialog(set);
    EXPECT_EQ(dialog.Thresholds(), set);
    ASSERT_TRUE(dialog.SaveSet());
    const std::vector<CThresholdSetFile> files = ThresholdSetFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, Q("Север_2")); // no folder from a slash in the name
    EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("thresholdSets"))->currentText(),
              Q("Север_2"));

    CThresholdsDialog other(CLinkThresholds{});
    ASSERT_TRUE(other.LoadSet(files[0].path));
    EXPECT_EQ(other.Thresholds(), set);

    const QString damaged = ThresholdSetsFolder() + QStringLiteral("/damaged.json");
    WriteAll(damaged.toStdString(), {'{', '"', 'f'});
    TakeShown();
    EXPECT_FALSE(other.LoadSet(damaged));
    EXPECT_EQ(other.Thresholds(), set);
    const std::vector<std::string> shown = TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find(damaged.toStdString()), std::string::npos) << shown[0];
}

} // namespace
