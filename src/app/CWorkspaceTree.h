#pragma once
// The workspace pane's tree: projects at the top level with folder icons, their traces below
// with a small trace icon in the trace's colour. It observes the workspace, keeping its items
// by the ids of the projects and entries; the user's choice of an item goes back to the
// workspace by those ids.
//
// Ids are never reused, so one that outlived its item finds nothing instead of a freed object.

#include "analysis/LinkThresholds.h"
#include "project/CWorkspaceObserver.h"

#include <QIcon>
#include <QTreeWidget>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CWorkspace;

class CWorkspaceTree : public QTreeWidget, public CWorkspaceObserver {
    Q_OBJECT

public:
    static constexpr int kClosedFolderImage = 0;
    static constexpr int kOpenFolderImage = 1;

    explicit CWorkspaceTree(CWorkspace& workspace, QWidget* parent = nullptr);

    // Changes to items of unknown ids do nothing; an entry goes only under a project.
    void ProjectInserted(WorkspaceId project, const std::string& text) override;
    void ProjectRenamed(WorkspaceId project, const std::string& text) override;
    void ProjectRemoved(WorkspaceId project) override;
    void EntryInserted(WorkspaceId project, WorkspaceId entry, SignalKind kind,
                       std::uint32_t colour, const std::string& text) override;
    void EntryChanged(WorkspaceId entry, SignalKind kind, std::uint32_t colour,
                      const std::string& text) override;
    // As the window system does: a selected item is never hidden in a closed folder.
    void EntrySelected(WorkspaceId entry) override;
    void EntryRemoved(WorkspaceId entry) override;

    QTreeWidgetItem* ItemOf(WorkspaceId id) const;
    WorkspaceId IdOf(const QTreeWidgetItem* item) const;
    // The image an item shows; -1 for none.
    int ImageOf(WorkspaceId id) const;
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
    void Insert(WorkspaceId id, QTreeWidgetItem* parent, const std::string& text, int image);
    void SetImage(QTreeWidgetItem* item, int image);
    void Delete(WorkspaceId id);
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
    std::unordered_map<WorkspaceId, QTreeWidgetItem*> items_;
    CLinkThresholds thresholds_;
    // Deleting the current item moves the selection; the model must not hear of it while it
    // is in the middle of removing things.
    bool reportSelection_ = true;
};
