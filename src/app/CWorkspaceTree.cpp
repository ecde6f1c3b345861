
#include "app/CWorkspaceTree.h"

#include "app/AppArt.h"
#include "display/ThresholdText.h"
#include "platform/TextFill.h"
#include "project/CWorkspace.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPixmap>
#include <QToolTip>

#include <utility>

namespace {

constexpr int kHandleRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kVerdictRole = Qt::UserRole + 2;

} // namespace

CWorkspaceTree::CWorkspaceTree(CWorkspace& workspace, QWidget* parent)
    : QTreeWidget(parent), workspace_(workspace) {
    setObjectName(QStringLiteral("workspaceTree"));
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShadow(QFrame::Sunken);
    setIconSize(QSize(16, 16));
    const CImageStrip& folders = FolderImages();
    images_.push_back(folders.Cell(0));
    images_.push_back(folders.Cell(1));

    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentItemChanged(current); });
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { OnExpandedOrCollapsed(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { OnExpandedOrCollapsed(item, false); });
}

TreeItem CWorkspaceTree::Apply(TreeOperation operation, const TreeRecord& record) {
    const QString text = QString::fromStdString(ShownName(record.text));
    QTreeWidgetItem* item = ItemOf(record.item);
    switch (operation) {
    case TreeOperation::InsertProject:
        return Insert(nullptr, text, kClosedFolderImage);
    case TreeOperation::InsertEntry:
        // Entries hang only under projects.
        if (!item || item->parent())
            return kNoTreeItem;
        return Insert(item, text, ColouredImage(TreeBitmapOf(record.kind), record.colour));
    case TreeOperation::SetProjectText:
        if (item)
            item->setText(0, text);
        break;
    case TreeOperation::UpdateEntry:
        if (item) {
            item->setText(0, text);
            SetImage(item, ColouredImage(TreeBitmapOf(record.kind), record.colour));
        }
        break;
    case TreeOperation::SelectItem:
        if (item) {
            // As the window system does: a selected item is never hidden in a closed folder.
            if (QTreeWidgetItem* parent = item->parent())
                parent->setExpanded(true);
            setCurrentItem(item);
        }
        break;
    case TreeOperation::DeleteProject:
    case TreeOperation::DeleteEntry:
        Delete(record.item);
        break;
    }
    return kNoTreeItem;
}

QTreeWidgetItem* CWorkspaceTree::ItemOf(TreeItem handle) const {
    const auto found = items_.find(handle);
    return found == items_.end() ? nullptr : found->second;
}

TreeItem CWorkspaceTree::HandleOf(const QTreeWidgetItem* item) const {
    return item ? item->data(0, kHandleRole).value<qlonglong>() : kNoTreeItem;
}

int CWorkspaceTree::ImageOf(TreeItem handle) const {
    const QTreeWidgetItem* item = ItemOf(handle);
    return item ? item->data(0, kImageRole).toInt() : -1;
}

QImage CWorkspaceTree::Image(int index) const {
    if (index < 0 || index >= ImageCount())
        return {};
    return images_[static_cast<std::size_t>(index)];
}

int CWorkspaceTree::ColouredImage(int bitmapId, std::uint32_t colour) {
    for (const CachedImage& cached : cache_) {
        if (cached.bitmapId == bitmapId && cached.colour == colour)
            return cached.index;
    }
    const QImage bitmap = TreeBitmap(bitmapId);
    if (bitmap.isNull())
        return -1;
    images_.push_back(RecolourBlack(bitmap, colour));
    const int index = ImageCount() - 1;
    cache_.push_back({bitmapId, colour, index});
    return index;
}

TreeItem CWorkspaceTree::Insert(QTreeWidgetItem* parent, const QString& text, int image) {
    auto* item = new QTreeWidgetItem(QStringList(text));
    const TreeItem handle = nextHandle_++;
    item->setData(0, kHandleRole, QVariant::fromValue<qlonglong>(handle));
    SetImage(item, image);
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    items_.emplace(handle, item);
    return handle;
}

void CWorkspaceTree::SetImage(QTreeWidgetItem* item, int image) {
    item->setData(0, kImageRole, image);
    const QImage picture = Image(image);
    item->setIcon(0, picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
}

void CWorkspaceTree::Delete(TreeItem handle) {
    QTreeWidgetItem* item = ItemOf(handle);
    if (!item)
        return;
    Forget(item);
    const bool reporting = std::exchange(reportSelection_, false);
    delete item;
    reportSelection_ = reporting;
}

void CWorkspaceTree::Forget(QTreeWidgetItem* item) {
    for (int i = 0; i < item->childCount(); ++i)
        Forget(item->child(i));
    items_.erase(HandleOf(item));
}

void CWorkspaceTree::OnCurrentItemChanged(QTreeWidgetItem* current) {
    if (!reportSelection_ || !current)
        return;
    if (QTreeWidgetItem* parent = current->parent())
        workspace_.SelectEntryItem(HandleOf(parent), HandleOf(current));
    else
        workspace_.SelectProjectItem(HandleOf(current));
}

void CWorkspaceTree::OnExpandedOrCollapsed(QTreeWidgetItem* item, bool expanded) {
    if (item->parent())
        return;
    SetImage(item, expanded ? kOpenFolderImage : kClosedFolderImage);
}

QString CWorkspaceTree::ToolTipOf(const QTreeWidgetItem* item) const {
    if (!item)
        return {};
    const TreeItem handle = HandleOf(item);
    for (int p = 0; p < workspace_.GetProjectCount(); ++p) {
        CProject& project = workspace_.GetProject(p);
        if (project.GetTreeItem() == handle)
            return project.HasPath() ? QString::fromStdString(project.GetPath()) : item->text(0);
        for (int e = 0; e < project.GetEntryCount(); ++e) {
            const CSignalEntry& entry = project.GetEntry(e);
            if (entry.GetTreeItem() != handle)
                continue;
            const std::string path = entry.GetTracePath();
            const QString tip = path.empty() ? item->text(0) : QString::fromStdString(path);
            const QString verdict =
                columnCount() > 1 ? item->data(1, kVerdictRole).toString() : QString();
            return verdict.isEmpty() ? tip : tip + QLatin1Char('\n') + verdict;
        }
    }
    return item->text(0);
}

bool CWorkspaceTree::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QTreeWidget::viewportEvent(event);
    // Worked out when asked, so a rename or a Save As never leaves a stale path behind.
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = ToolTipOf(itemAt(help->pos()));
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, viewport());
    return true;
}

void CWorkspaceTree::SetThresholds(const CLinkThresholds& thresholds) {
    thresholds_ = thresholds;
    RefreshVerdicts();
}

void CWorkspaceTree::RefreshVerdicts() {
    const bool on = thresholds_.AnyOn();
    if (columnCount() != (on ? 2 : 1)) {
        setColumnCount(on ? 2 : 1);
        header()->setStretchLastSection(!on);
        // The verdict keeps its width in a narrow pane; the name gives way.
        if (on) {
            header()->setSectionResizeMode(0, QHeaderView::Stretch);
            header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
        } else {
            header()->setSectionResizeMode(0, QHeaderView::Interactive);
        }
    }
    if (!on)
        return;
    for (int p = 0; p < workspace_.GetProjectCount(); ++p) {
        CProject& project = workspace_.GetProject(p);
        for (int e = 0; e < project.GetEntryCount(); ++e) {
            const CSignalEntry& entry = project.GetEntry(e);
            QTreeWidgetItem* item = ItemOf(entry.GetTreeItem());
            const CSignal* signal = entry.GetTrace();
            if (!item || !signal)
                continue;
            const CLinkVerdict verdict = CheckSignal(*signal, thresholds_);
            // A mark that fits a narrow pane; the words are in the tooltip.
            item->setText(1,
                          verdict.Passed() ? QStringLiteral("\u2713") : QStringLiteral("\u2717"));
            item->setData(1, kVerdictRole, VerdictText(verdict));
            item->setForeground(1, verdict.Passed() ? QColor(0, 128, 0) : QColor(Qt::red));
        }
    }
}
