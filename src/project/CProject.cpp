#include "project/CProject.h"

#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "platform/CPrompts.h"
#include "platform/MainMessages.h"
#include "project/ProjectFile.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <utility>

namespace {

std::string FileNamed(const std::string& path, const char* text) {
    return FileNameOf(path) + ": " + Translate(text);
}

} // namespace

CProject::CProject(std::string name) : name_(std::move(name)) {}

CProject::CProject(const CProject& other)
    : entries_(other.entries_), path_(other.path_), name_(other.name_),
      isScanningProject_(other.isScanningProject_) {}

CProject::CProject(CProject&& other) noexcept
    : entries_(std::move(other.entries_)), path_(std::move(other.path_)),
      name_(std::move(other.name_)), id_(std::exchange(other.id_, NewWorkspaceId())),
      observer_(std::exchange(other.observer_, nullptr)),
      isScanningProject_(other.isScanningProject_), activeEntry_(other.activeEntry_) {
    other.entries_.clear();
    other.activeEntry_ = -1;
}

CProject::~CProject() {
    RemoveAllEntries();
    if (observer_)
        observer_->ProjectRemoved(id_);
}

int CProject::AppendEntry(CSignalEntry entry) {
    entries_.push_back(std::move(entry));
    CSignalEntry& added = entries_.back();
    if (!added.IsInTree())
        added.AddToTree(observer_, id_);
    activeEntry_ = GetEntryCount() - 1;
    return activeEntry_;
}

void CProject::RemoveEntry(int index) {
    if (index < 0 || index >= GetEntryCount())
        return;
    {
        // Destroyed here, before the later entries move up, so its item goes first.
        CSignalEntry removed = std::move(entries_[static_cast<std::size_t>(index)]);
    }
    entries_.erase(entries_.begin() + index);
    activeEntry_ = ActiveEntryIndex();
}

void CProject::RemoveAllEntries() {
    // In display order, so the tree loses its items from the top.
    for (CSignalEntry& entry : entries_) {
        entry.LeaveTree();
        entry.trace_.Reset();
    }
    entries_.clear();
    activeEntry_ = -1;
}

CSignalEntry& CProject::EntryForFiber(int fiber) {
    for (CSignalEntry& entry : entries_) {
        if (entry.GetFiberNumber() == fiber)
            return entry;
    }
    CSignalEntry& added = entries_[static_cast<std::size_t>(AppendEntry(CSignalEntry()))];
    added.SetFiberNumber(fiber);
    return added;
}

int CProject::FindEntry(WorkspaceId id) const {
    for (int i = 0; i < GetEntryCount(); ++i) {
        if (entries_[static_cast<std::size_t>(i)].GetId() == id)
            return i;
    }
    return -1;
}

int CProject::ActiveEntryIndex() const {
    if (entries_.empty())
        return -1;
    return std::clamp(activeEntry_, 0, GetEntryCount() - 1);
}

CSignalEntry* CProject::ActiveEntry() {
    const int index = ActiveEntryIndex();
    return index < 0 ? nullptr : &entries_[static_cast<std::size_t>(index)];
}

void CProject::SetActiveEntry(int index) {
    activeEntry_ = index;
    activeEntry_ = ActiveEntryIndex();
}

void CProject::MarkAsScanningProject(const std::string& name) {
    name_ = name;
    isScanningProject_ = true;
}

std::string CProject::GetTreeText() const {
    // Two projects loaded from files would otherwise both read "Проект".
    return path_.empty() ? name_ : FileNameOf(path_);
}

void CProject::InsertIntoTree(CWorkspaceObserver& observer) {
    if (observer_)
        return;
    observer_ = &observer;
    observer_->ProjectInserted(id_, GetTreeText());
}

void CProject::RefreshTreeText() {
    if (observer_)
        observer_->ProjectRenamed(id_, GetTreeText());
}

void CProject::ForgetTree() {
    observer_ = nullptr;
    for (CSignalEntry& entry : entries_)
        entry.observer_ = nullptr;
}

bool CProject::Save(const std::string& path) {
    // The project takes a new path only once its file is written there.
    const std::string target = path.empty() ? path_ : path;
    try {
        if (target.empty())
            throw CFileException(ENOENT, target);
        CBinaryFile file;
        file.OpenForWrite(target);
        ProjectFile::WriteHeader(file,
                                 {ProjectFile::kVersion, name_, GetEntryCount(), activeEntry_});
        for (const CSignalEntry& entry : entries_)
            ProjectFile::WriteRecord(
                file, {entry.GetDisplayName(), entry.GetTracePath(), entry.GetColourForSave()});
        file.Close();
    } catch (const CException& e) {
        ShowError(e.GetErrorMessage());
        return false;
    }
    if (target != path_) {
        path_ = target;
        RefreshTreeText();
    }
    return true;
}

bool CProject::Load(const std::string& path) {
    ProjectFile::Header header;
    std::vector<ProjectFile::Record> records;
    bool truncated = false;
    try {
        CBinaryFile file;
        file.OpenForReadLimited(path, ProjectFile::kMaxFileBytes);
        if (!ProjectFile::ReadHeader(file, header))
            throw CAbortException(kMsgCannotReadProject);
        // Only as many records as the file holds: the count is not trusted for memory.
        for (std::int32_t i = 0; i < header.count && !truncated; ++i) {
            ProjectFile::Record record;
            truncated = !ProjectFile::ReadRecord(file, record);
            if (!truncated)
                records.push_back(std::move(record));
        }
        file.Close();
    } catch (const CException& e) {
        ShowLoadError(path, e.GetErrorMessage());
        return false;
    } catch (const std::bad_alloc&) {
        ShowError(CFileException(ENOMEM, path).GetErrorMessage());
        return false;
    }
    if (header.version != ProjectFile::kVersion) {
        GetPrompts().Show(FileNamed(path, kMsgWrongProjectVersion), Translate(kCaptionError),
                          CPrompts::Icon::Error);
        return false;
    }

    path_ = path;
    name_ = header.name;
    isScanningProject_ = false;
    RemoveAllEntries();
    RefreshTreeText();
    bool failed = truncated;
    for (const ProjectFile::Record& record : records) {
        CSignalEntry entry;
        if (!record.path.empty()) {
            try {
                entry.OpenTrace(record.path);
            } catch (const CException& e) {
                ShowLoadError(record.path, e.GetErrorMessage());
                failed = true;
            }
        }
        entry.SetStored(record.name, record.path);
        entries_.push_back(std::move(entry));
        entries_.back().AddToTree(observer_, id_, record.colour);
    }
    NotifySelectionChanged();
    if (truncated)
        ShowLoadError(path, kMsgCannotReadProject);
    if (failed)
        GetPrompts().Show(FileNamed(path, kMsgNotAllSignalsOpened), Translate(kCaptionAttention),
                          CPrompts::Icon::Warning);
    return true;
}
