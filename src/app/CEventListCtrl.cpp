#include "app/CEventListCtrl.h"

#include "app/AppArt.h"
#include "core/CSignal.h"
#include "display/PlotArt.h"
#include "display/ThresholdText.h"
#include "platform/MainMessages.h"
#include "platform/Translation.h"
#include "project/CWorkspace.h"

#include <QHeaderView>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include <array>
#include <utility>

namespace {

struct Column {
    const char* header;
    int width;
};

constexpr std::array<Column, CEventListCtrl::kColumnCount> kColumns{{
    {QT_TRANSLATE_NOOP("CEventListCtrl", "Номер"), 50},
    {QT_TRANSLATE_NOOP("CEventListCtrl", "Тип события"), 100},
    {QT_TRANSLATE_NOOP("CEventListCtrl", "Расстояние (km)"), 100},
    {QT_TRANSLATE_NOOP("CEventListCtrl", "Потери (dB)"), 100},
    {QT_TRANSLATE_NOOP("CEventListCtrl", "Отражение (dB)"), 100},
    {QT_TRANSLATE_NOOP("CEventListCtrl", "Ослабление (dB/km)"), 100},
    {QT_TRANSLATE_NOOP("CEventListCtrl", "Описание"), 300},
}};

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

CEventListCtrl::CEventListCtrl(CWorkspace& workspace, QWidget* parent)
    : QTreeWidget(parent), workspace_(workspace) {
    setObjectName(QStringLiteral("eventList"));
    setColumnCount(kColumnCount);
    QStringList headers;
    for (const Column& column : kColumns)
        headers << tr(column.header);
    setHeaderLabels(headers);
    for (int i = 0; i < kColumnCount; ++i) {
        setColumnWidth(i, kColumns[static_cast<std::size_t>(i)].width);
        headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
    }
    header()->setStretchLastSection(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setFrameShadow(QFrame::Sunken);
    setIconSize(QSize(16, 16));
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
}

QImage CEventListCtrl::EventIcon(int index, std::uint32_t colour) {
    const QImage cell = EventListImages().Cell(index);
    return cell.isNull() ? cell : RecolourBlack(cell, colour);
}

void CEventListCtrl::Refill() {
    shown_ = nullptr;
    clear();
    CSignalEntry* entry = workspace_.ActiveEntry();
    if (!entry)
        return;
    std::array<QIcon, kEventIconCount> icons;
    for (int i = 0; i < kEventIconCount; ++i)
        icons[static_cast<std::size_t>(i)] =
            QIcon(QPixmap::fromImage(EventIcon(i, entry->GetColour())));

    CSignal* signal = entry->GetTrace();
    if (!signal)
        return;
    shown_ = signal;
    const int count = signal->GetEventCount();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const CKeyEvent event = signal->GetEvent(i);
        auto* row = new QTreeWidgetItem;
        row->setIcon(0, icons[static_cast<std::size_t>(event.GetImageIndex())]);
        row->setData(0, kFileIndexRole, event.GetFileIndex());
        row->setText(0, QStringLiteral(" %1").arg(i + 1));
        row->setText(1, Text(Translate(event.GetTypeName())));
        row->setText(2, Text(event.GetPositionText()));
        row->setText(3, Text(event.GetLossText()));
        row->setText(4, Text(event.GetReflectanceText()));
        row->setText(5, Text(event.GetAttenuationText()));
        row->setText(6, Text(event.GetComment()));
        rows.append(row);
    }
    const CLinkVerdict verdict = CheckSignal(*signal, thresholds_);
    for (int i = 0; i < count; ++i) {
        const QString breaches = BreachesText(verdict, i);
        if (breaches.isEmpty())
            continue;
        for (int column = 0; column < kColumnCount; ++column) {
            rows[i]->setForeground(column, QColor(Qt::red));
            rows[i]->setToolTip(column, breaches);
        }
    }
    addTopLevelItems(rows);
    const int selected = signal->GetSelectedEvent();
    if (selected >= 0 && selected < count) {
        QTreeWidgetItem* row = topLevelItem(selected);
        setCurrentItem(row);
        scrollToItem(row);
    }
}

void CEventListCtrl::FitHeaders() {
    for (int i = 0; i < kColumnCount; ++i)
        setColumnWidth(
            i, std::max(kColumns[static_cast<std::size_t>(i)].width, header()->sectionSizeHint(i)));
    // Every event type's name whole: some languages name them longer than the column's width.
    int names = 0;
    for (const auto& [marker, type] : {std::pair{1, 0}, {2, 0}, {0, 0}, {0, 1}, {0, 2}}) {
        CKeyEvent event;
        event.SetMarker(marker);
        event.SetType(type);
        names =
            std::max(names, fontMetrics().horizontalAdvance(Text(Translate(event.GetTypeName()))));
    }
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    setColumnWidth(1, std::max(columnWidth(1), names + margins + 4));
}

int CEventListCtrl::HeightToShow(int rows) {
    // A row as Refill makes them: an icon and text.
    auto* sample = new QTreeWidgetItem(QStringList{QStringLiteral(" 1"), QStringLiteral("Wg")});
    sample->setIcon(0, QIcon(QPixmap::fromImage(EventIcon(0, 0))));
    insertTopLevelItem(0, sample);
    const int row = std::max(sizeHintForRow(0), fontMetrics().height());
    delete takeTopLevelItem(0);
    return header()->sizeHint().height() + rows * row + 2 * frameWidth() +
           horizontalScrollBar()->sizeHint().height();
}

int CEventListCtrl::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

CSignal* CEventListCtrl::ShownSignal() const {
    if (!shown_)
        return nullptr;
    // The pointer alone may name a signal closed since the last refill.
    for (int i = 0; i < workspace_.GetProjectCount(); ++i) {
        CProject& project = workspace_.GetProject(i);
        for (int j = 0; j < project.GetEntryCount(); ++j) {
            if (project.GetEntry(j).GetTrace() == shown_)
                return shown_;
        }
    }
    return nullptr;
}

void CEventListCtrl::OnSelectionChanged() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    CSignal* signal = ShownSignal();
    if (!signal)
        return;
    signal->SetSelectedEvent(row);
    RequestRedraw();
}
