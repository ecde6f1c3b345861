// The two-column panes keep their values in sight when the pane is narrow.

#include "app/CTextListPane.h"

#include <gtest/gtest.h>

TEST(TextListPaneTest, LongCaptionsGiveWayToTheValuesInANarrowPane) {
    const QString caption = QStringLiteral("Показатель преломления:");
    CTextListPane pane(QStringLiteral("parameters"));
    pane.AddRow(QStringLiteral("Диапазон:"), QStringLiteral("10 km"));
    pane.AddRow(caption, QStringLiteral("1.46850"));
    pane.resize(150, 200);
    pane.show();

    const int viewport = pane.viewport()->width();
    const int value = pane.fontMetrics().horizontalAdvance(QStringLiteral("1.46850"));
    const int narrow = pane.columnWidth(0);
    // The value column starts inside the pane with room for a value; the captions keep some.
    EXPECT_LE(narrow + value, viewport);
    EXPECT_GE(narrow, viewport * 2 / 5 - 1);

    // A wide pane shows every caption whole.
    pane.resize(600, 200);
    EXPECT_GE(pane.columnWidth(0), pane.fontMetrics().horizontalAdvance(caption));

    // A longer value later takes its room again.
    pane.resize(150, 200);
    pane.SetValue(1, QStringLiteral("1.46850000"));
    EXPECT_LT(pane.columnWidth(0), narrow);
    EXPECT_EQ(pane.Value(1), QStringLiteral("1.46850000"));
}

TEST(TextListPaneTest, RowsAddedTogetherShowAsRowsAddedOneByOne) {
    const QList<CTextListPane::CRow> rows{
        {QStringLiteral("Показатель преломления:"), QStringLiteral("1.46850"), {}},
        {QStringLiteral("Модуль:"), QStringLiteral("MU909015C-057, № 6201635305"),
         QStringLiteral("полное имя")},
        {QStringLiteral("Диапазон:"), {}, {}},
    };
    CTextListPane single(QStringLiteral("single"));
    CTextListPane together(QStringLiteral("together"));
    for (CTextListPane* pane : {&single, &together}) {
        pane->resize(150, 200);
        pane->show();
    }
    for (const CTextListPane::CRow& row : rows)
        single.AddRow(row.caption, row.value, row.tip);
    together.AddRows(rows);
    together.AddRows({});

    ASSERT_EQ(together.RowCount(), single.RowCount());
    EXPECT_EQ(together.columnWidth(0), single.columnWidth(0));
    for (int row = 0; row < single.RowCount(); ++row) {
        for (int column = 0; column < 2; ++column) {
            EXPECT_EQ(together.topLevelItem(row)->text(column),
                      single.topLevelItem(row)->text(column));
            EXPECT_EQ(together.topLevelItem(row)->toolTip(column),
                      single.topLevelItem(row)->toolTip(column));
        }
    }

    // The same rows again in a larger font take more room: a refill is measured anew.
    for (CTextListPane* pane : {&single, &together})
        pane->resize(600, 200);
    EXPECT_EQ(together.columnWidth(0), single.columnWidth(0));
    QFont larger = together.font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    together.setFont(larger);
    together.clear();
    together.AddRows(rows);
    EXPECT_GT(together.columnWidth(0), single.columnWidth(0));
}
