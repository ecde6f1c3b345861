#pragma once
// The workspace pane's tree: projects at the top level with folder icons, their traces below
// with a small trace icon in the trace's colour. The project model changes it only through
// tree operations; the user's choice of an item goes back to the workspace.
//
// Item handles are numbers of the tree's own, never pointers, so a handle that outlived its
// item finds nothing instead of a freed object.

#include "analysis/LinkThresholds.h"
#include "project/TreeOperation.h"

#include <QIcon>
#include <QTreeWidget>

#include <cstdint>
#include <unordered_map>
#include <vector>

class CWorkspace;

class CWorkspaceTree : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr int kClosedFolderImage = 0;
    static constexpr int kOpenFolderImage = 1;

    explicit CWorkspaceTree(CWorkspace& workspace, QWidget* parent = nullptr);

    // One operation of the tree message; answers the new item for the two inserts, else
    // kNoTreeItem. Operations on unknown items do nothing.
    TreeItem Apply(TreeOperation operation, const TreeRecord& record);

    QTreeWidgetItem* ItemOf(TreeItem handle) const;
    TreeItem HandleOf(const QTreeWidgetItem* item) const;
    // The image an item shows; -1 for none.
    int ImageOf(TreeItem handle) const;
    int ImageCount() const { return static_cast<int>(images_.size()); }
    QImage Image(int index) const;
    // The image of the bitmap recoloured for the colour, made once and then reused; -1 when
    // there is no such bitmap.
    int ColouredImage(int bitmapId, std::uint32_t colour);

    // What the tooltip of an item says: the file behind it (the trace's file, the project's
    // file), else its text, and the trace's verdict while thresholds are on. Names wider than
    // the pane are read there.
    QString ToolTipOf(const QTreeWidgetItem* item) const;

    // With thresholds on, a second column shows each trace's verdict against them, in red
    // where it fails; with all off there is no such column.
    void SetThresholds(const CLinkThresholds& thresholds);
    // Checks every open trace again (after its events changed).
    void RefreshVerdicts();

protected:
    bool viewportEvent(QEvent* event) override;

private:
    TreeItem Insert(QTreeWidgetItem* parent, const QString& text, int image);
    void SetImage(QTreeWidgetItem* item, int image);
    void Delete(TreeItem handle);
    void Forget(QTreeWidgetItem* item);
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    void OnExpandedOrCollapsed(QTreeWidgetItem* item, bool expanded);

    struct CachedImage {
        int bitmapId;
        std::uint32_t colour;
        int index;
    };

    CWorkspace& workspace_;
    std::vector<QImage> images_;
    std::vector<CachedImage> cache_;
    std::unordered_map<TreeItem, QTreeWidgetItem*> items_;
    TreeItem nextHandle_ = 1;
    CLinkThresholds thresholds_;
    // Deleting the current item moves the selection; the model must not hear of it while it
    // is in the middle of removing things.
    bool reportSelection_ = true;
};
