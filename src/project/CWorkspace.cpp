#include "project/CWorkspace.h"

#include "platform/CException.h"
#include "platform/CPrompts.h"
#include "platform/MainMessages.h"

#include <algorithm>

CWorkspace::~CWorkspace() {
    RemoveAllProjects();
}

void CWorkspace::SetObserver(CWorkspaceObserver* observer) {
    for (std::unique_ptr<CProject>& project : projects_)
        project->ForgetTree();
    observer_ = observer;
}

int CWorkspace::AddProject(CProject project) {
    projects_.push_back(std::make_unique<CProject>(std::move(project)));
    if (observer_)
        projects_.back()->InsertIntoTree(*observer_);
    activeProject_ = GetProjectCount() - 1;
    return activeProject_;
}

void CWorkspace::RemoveProject(int index) {
    if (index < 0 || index >= GetProjectCount())
        return;
    projects_.erase(projects_.begin() + index);
    activeProject_ = ActiveProjectIndex();
}

void CWorkspace::RemoveAllProjects() {
    // In tree order.
    for (std::unique_ptr<CProject>& project : projects_)
        project.reset();
    projects_.clear();
    activeProject_ = -1;
}

int CWorkspace::IndexOf(const CProject& project) const {
    for (int i = 0; i < GetProjectCount(); ++i) {
        if (projects_[static_cast<std::size_t>(i)].get() == &project)
            return i;
    }
    return -1;
}

int CWorkspace::ActiveProjectIndex() const {
    if (projects_.empty())
        return -1;
    return std::clamp(activeProject_, 0, GetProjectCount() - 1);
}

CProject* CWorkspace::ActiveProject() {
    const int index = ActiveProjectIndex();
    return index < 0 ? nullptr : projects_[static_cast<std::size_t>(index)].get();
}

CSignalEntry* CWorkspace::ActiveEntry() {
    CProject* project = ActiveProject();
    return project ? project->ActiveEntry() : nullptr;
}

void CWorkspace::SelectProjectItem(WorkspaceId project) {
    for (int i = 0; i < GetProjectCount(); ++i) {
        if (projects_[static_cast<std::size_t>(i)]->GetId() == project) {
            activeProject_ = i;
            activeItem_ = ActiveItem::Project;
            return;
        }
    }
}

void CWorkspace::SelectEntryItem(WorkspaceId project, WorkspaceId entry) {
    for (int i = 0; i < GetProjectCount(); ++i) {
        CProject& owner = *projects_[static_cast<std::size_t>(i)];
        if (owner.GetId() != project)
            continue;
        const int index = owner.FindEntry(entry);
        if (index < 0)
            return;
        activeProject_ = i;
        owner.SetActiveEntry(index);
        activeItem_ = ActiveItem::Entry;
        NotifySelectionChanged();
        return;
    }
}

CProject& CWorkspace::ScanningProject() {
    for (std::unique_ptr<CProject>& project : projects_) {
        if (project->IsScanningProject())
            return *project;
    }
    return GetProject(AddProject());
}

CProject& CWorkspace::BeginScanningProject(const std::string& rtuName) {
    scanName_ = rtuName.empty() ? kScanningProjectName : rtuName;
    CProject& project = ScanningProject();
    project.MarkAsScanningProject(scanName_);
    project.RefreshTreeText();
    return project;
}

bool CWorkspace::LoadScannedTrace(int fiber, const std::string& path) {
    // Fibre -1 would match the entries of opened files.
    if (fiber < 0 || fiber >= kFiberCount)
        return false;
    const bool marked = std::any_of(projects_.begin(), projects_.end(), [](const auto& project) {
        return project->IsScanningProject();
    });
    // A scanning project closed during the scan comes back, so no arriving trace is lost.
    CProject& project = marked ? ScanningProject() : BeginScanningProject(scanName_);
    try {
        project.EntryForFiber(fiber).ReloadTrace(path);
    } catch (const CException& e) {
        ShowLoadError(path, e.GetErrorMessage());
    }
    NotifySelectionChanged();
    return true;
}

bool CWorkspace::OpenTrace(const std::string& path) {
    bool opened = false;
    try {
        // The entry first: a file that cannot be read leaves no new project behind, and no
        // entry without a trace (its reader has told why).
        CSignalEntry entry(path);
        if (entry.HasTrace()) {
            CProject* project = ActiveProject();
            if (!project)
                project = &GetProject(AddProject());
            project->AppendEntry(std::move(entry));
            opened = true;
        }
    } catch (const CException& e) {
        ShowLoadError(path, e.GetErrorMessage());
    }
    NotifySelectionChanged();
    return opened;
}

bool CWorkspace::OpenProject(const std::string& path) {
    const bool loaded = GetProject(AddProject()).Load(path);
    NotifySelectionChanged();
    return loaded;
}
