#pragma once
// The open projects, in tree order, with the user's selection: the active project and whether
// the active item is that project or one of its entries. Projects are held by pointer, so a
// reference to one (the scanning project) stays valid while others are added or closed. The
// view of the tree hears of the projects and entries through the workspace's observer.

#include "platform/Fibres.h"
#include "project/CProject.h"

#include <memory>
#include <string>
#include <vector>

inline constexpr const char* kScanningProjectName = "Сканирование";

class CWorkspace {
public:
    enum class ActiveItem { None = -1, Project = 0, Entry = 1 };

    CWorkspace() = default;
    CWorkspace(const CWorkspace&) = delete;
    CWorkspace& operator=(const CWorkspace&) = delete;
    // Closes every project.
    ~CWorkspace();

    // The projects added from now on enter the observer's tree; none, they stay outside. The
    // projects already in a tree forget it unasked: that tree is going away.
    void SetObserver(CWorkspaceObserver* observer);

    // Adds the project (inserting its tree item when it has none and there is an observer)
    // and makes it the active project; the kind of active item stays. Returns its index.
    int AddProject(CProject project = CProject());
    // Closes the project: its items leave the tree and its traces are released unasked.
    void RemoveProject(int index);
    void RemoveAllProjects();

    int GetProjectCount() const { return static_cast<int>(projects_.size()); }
    // Index 0..count-1.
    CProject& GetProject(int index) { return *projects_.at(static_cast<std::size_t>(index)); }
    // The project's index, or -1 once it has been closed.
    int IndexOf(const CProject& project) const;

    // The active project clamped into the projects; -1 and null when there are none.
    int ActiveProjectIndex() const;
    CProject* ActiveProject();
    // The active project's active entry.
    CSignalEntry* ActiveEntry();
    ActiveItem GetActiveItem() const { return activeItem_; }
    bool IsProjectActive() const { return activeItem_ == ActiveItem::Project; }
    bool IsEntryActive() const { return activeItem_ == ActiveItem::Entry; }

    // The user chose a project's item: it becomes the active project. No refresh is asked for.
    void SelectProjectItem(WorkspaceId project);
    // The user chose an entry's item: its project and the entry become active and the views
    // refresh. Nothing changes when either id is unknown.
    void SelectEntryItem(WorkspaceId project, WorkspaceId entry);

    // The first project marked for scanning, or a new project "Проект" added for it (not yet
    // marked).
    CProject& ScanningProject();
    // Marks ScanningProject() for a scan with the RTU's name ("Сканирование" when empty) and
    // shows the name in the tree.
    CProject& BeginScanningProject(const std::string& rtuName);
    // A scanned trace of fibre 0..3: the scanning project's entry of that fibre, made when
    // missing, reloads its trace from the path, and the views refresh. When the user closed
    // the scanning project during the scan, a new one of the scan's name takes the trace, so
    // no arriving trace is lost. Errors are shown. False for a fibre outside 0..3.
    bool LoadScannedTrace(int fiber, const std::string& path);

    // The open command: the file's trace joins the active project, or a new project when there
    // is none. An error is shown and leaves the workspace unchanged. The views refresh.
    bool OpenTrace(const std::string& path);
    // The open-project command: a new project loaded from the file. The views refresh.
    bool OpenProject(const std::string& path);

private:
    std::vector<std::unique_ptr<CProject>> projects_;
    CWorkspaceObserver* observer_ = nullptr;
    int activeProject_ = -1;
    ActiveItem activeItem_ = ActiveItem::None;
    // The name the running or last scan gave its project.
    std::string scanName_ = kScanningProjectName;
};
