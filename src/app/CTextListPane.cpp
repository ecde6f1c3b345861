#include "app/CTextListPane.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

CTextListPane::CTextListPane(const QString& name, QWidget* parent) : QTreeWidget(parent) {
    setObjectName(name);
    setColumnCount(2);
    header()->hide();
    header()->setSectionResizeMode(0, QHeaderView::Interactive);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setFrameShadow(QFrame::Sunken);
    setTextElideMode(Qt::ElideRight);
}

void CTextListPane::AddRow(const QString& caption, const QString& value, const QString& tip) {
    AddRows({{caption, value, tip}});
}

void CTextListPane::AddRows(const QList<CRow>& rows) {
    if (rows.isEmpty())
        return;
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const CRow& row : rows) {
        auto* item = new QTreeWidgetItem(QStringList{row.caption, row.value});
        item->setToolTip(0, row.caption);
        item->setToolTip(1, row.tip.isEmpty() ? row.value : row.tip);
        items << item;
    }
    addTopLevelItems(items);
    FitColumns();
}

void CTextListPane::SetValue(int row, const QString& value, const QString& tip) {
    if (QTreeWidgetItem* item = topLevelItem(row)) {
        item->setText(1, value);
        item->setToolTip(1, tip.isEmpty() ? value : tip);
        FitColumns();
    }
}

void CTextListPane::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    FitColumns();
}

void CTextListPane::FitColumns() {
    const int available = viewport()->width();
    QStringList texts;
    texts.reserve(2 * topLevelItemCount());
    for (int row = 0; row < topLevelItemCount(); ++row)
        texts << topLevelItem(row)->text(0) << topLevelItem(row)->text(1);
    const int scrolled = verticalScrollBar()->value();
    if (!measured_ || measured_->texts != texts || measured_->font != font() ||
        measured_->viewport != viewport()->size() || measured_->scrolled != scrolled ||
        measured_->style != style()) {
        measured_ = CMeasured{texts,
                              font(),
                              viewport()->size(),
                              scrolled,
                              style(),
                              sizeHintForColumn(0),
                              sizeHintForColumn(1)};
    }
    const int captions = measured_->captions;
    const int values = measured_->values;
    int width = captions;
    // Captions that fit in three fifths of the pane stay whole and a long value (an
    // instrument's name) elides, its tooltip whole; longer captions give way to the values.
    if (captions + values > available && captions > available * 3 / 5)
        width = std::min(captions, std::max(available - values, available * 2 / 5));
    setColumnWidth(0, std::max(width, 0));
}

QString CTextListPane::Caption(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(0) : QString();
}

QString CTextListPane::Value(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(1) : QString();
}

int CTextListPane::WidthToShow(const QList<QStringList>& rows) {
    // Measured on the rows themselves, then taken out again.
    const int before = topLevelItemCount();
    for (const QStringList& row : rows)
        addTopLevelItem(new QTreeWidgetItem(row));
    const int width = std::max(sizeHintForColumn(0), 0) + std::max(sizeHintForColumn(1), 0);
    while (topLevelItemCount() > before)
        delete takeTopLevelItem(before);
    return width + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
}
