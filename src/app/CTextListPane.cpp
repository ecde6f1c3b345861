#include "app/CTextListPane.h"

#include <QHeaderView>

CTextListPane::CTextListPane(const QString& name, QWidget* parent) : QTreeWidget(parent) {
    setObjectName(name);
    setColumnCount(2);
    header()->hide();
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setFrameShadow(QFrame::Sunken);
}

void CTextListPane::AddRow(const QString& caption, const QString& value) {
    addTopLevelItem(new QTreeWidgetItem(QStringList{caption, value}));
}

void CTextListPane::SetValue(int row, const QString& value) {
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setText(1, value);
}

QString CTextListPane::Caption(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(0) : QString();
}

QString CTextListPane::Value(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(1) : QString();
}
