
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

constexpr int kIdRole = Qt::UserRole;
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

void CWorkspaceTree::ProjectInserted(WorkspaceId project, const std::string& text) {
    Insert(project, nullptr, text, kClosedFolderImage);
}

void CWorkspaceTree::ProjectRenamed(WorkspaceId project, const std::string& text) {
    if (QTreeWidgetItem* item = ItemOf(project))
        item->setText(0, QString::fromStdString(ShownName(text)));
}

void CWorkspaceTree::ProjectRemoved(WorkspaceId project) {
    Delete(project);
}

void CWorkspaceTree::EntryInserted(WorkspaceId project, WorkspaceId entry, SignalKind kind,
                                   std::uint32_t colour, const std::string& text) {
    QTreeWidgetItem* parent = ItemOf(project);
    if (parent && !parent->parent())
        Insert(entry, parent, text, ColouredImage(TreeBitmapOf(kind), colour));
}

void CWorkspaceTree::EntryChanged(WorkspaceId entry, SignalKind kind, std::uint32_t colour,
                                  const std::string& text) {
    if (QTreeWidgetItem* item = ItemOf(entry)) {
        item->setText(0, QString::fromStdString(ShownName(text)));
        SetImage(item, ColouredImage(TreeBitmapOf(kind), colour));
    }
}

void CWorkspaceTree::EntrySelected(WorkspaceId entry) {
    if (QTreeWidgetItem* item = ItemOf(entry)) {
        if (QTreeWidgetItem* parent = item->parent())
            parent->setExpanded(true);
        setCurrentItem(item);
    }
}

void CWorkspaceTree::EntryRemoved(WorkspaceId entry) {
    Delete(entry);
}

QTreeWidgetItem* CWorkspaceTree::ItemOf(WorkspaceId id) const {
    const auto found = items_.find(id);
    return found == items_.end() ? nullptr : found->second;
}

WorkspaceId CWorkspaceTree::IdOf(const QTreeWidgetItem* item) const {
    return item ? item->data(0, kIdRole).value<qulonglong>() : kNoWorkspaceId;
}

int CWorkspaceTree::ImageOf(WorkspaceId id) const {
    const QTreeWidgetItem* item = ItemOf(id);
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

void CWorkspaceTree::Insert(WorkspaceId id, QTreeWidgetItem* parent, const std::string& text,
                            int image) {
    // An id already shown keeps its one item.
    if (id == kNoWorkspaceId || ItemOf(id))
        return;
    auto* item = new QTreeWidgetItem(QStringList(QString::fromStdString(ShownName(text))));
    item->setData(0, kIdRole, QVariant::fromValue<qulonglong>(id));
    SetImage(item, image);
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    items_.emplace(id, item);
}

void CWorkspaceTree::SetImage(QTreeWidgetItem* item, int image) {
    item->setData(0, kImageRole, image);
    const QImage picture = Image(image);
    item->setIcon(0, picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
}

void CWorkspaceTree::Delete(WorkspaceId id) {
    QTreeWidgetItem* item = ItemOf(id);
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
    items_.erase(IdOf(item));
}

void CWorkspaceTree::OnCurrentItemChanged(QTreeWidgetItem* current) {
    if (!reportSelection_ || !current)
        return;
    if (QTreeWidgetItem* parent = current->parent())
        workspace_.SelectEntryItem(IdOf(parent), IdOf(current));
    else
        workspace_.SelectProjectItem(IdOf(current));
}

void CWorkspaceTree::OnExpandedOrCollapsed(QTreeWidgetItem* item, bool expanded) {
    if (item->parent())
        return;
    SetImage(item, expanded ? kOpenFolderImage : kClosedFolderImage);
}

QString CWorkspaceTree::ToolTipOf(const QTreeWidgetItem* item) const {
    if (!item)
        return {};
    const WorkspaceId id = IdOf(item);
    for (int p = 0; p < workspace_.GetProjectCount(); ++p) {
        CProject& project = workspace_.GetProject(p);
        if (project.GetId() == id)
            return project.HasPath() ? QString::fromStdString(project.GetPath()) : item->text(0);
        for (int e = 0; e < project.GetEntryCount(); ++e) {
            const CSignalEntry& entry = project.GetEntry(e);
            if (entry.GetId() != id)
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
            QTreeWidgetItem* item = ItemOf(entry.GetId());
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
