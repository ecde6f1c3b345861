#pragma once
// A named, ordered list of signal entries with the active one, saved to and loaded from a
// project file that stores each entry's name, trace path and colour. The project keeps its
// workspace-tree item and those of its entries up to date through the workspace's observer.

#include "platform/Translation.h"
#include "project/CSignalEntry.h"

#include <string>
#include <vector>

inline constexpr const char* kDefaultProjectName = "Проект";
inline constexpr const char* kMsgWrongProjectVersion =
    QT_TRANSLATE_NOOP("core", "Неправильная версия проекта");
inline constexpr const char* kMsgNotAllSignalsOpened =
    QT_TRANSLATE_NOOP("core", "Не все сигналы могут быть открыты");
// A project file that ends before its header or its announced records do.
inline constexpr const char* kMsgCannotReadProject =
    QT_TRANSLATE_NOOP("core", "Не могу прочесть файл");
inline constexpr const char* kCaptionError = QT_TRANSLATE_NOOP("core", "Ошибка");
inline constexpr const char* kCaptionAttention = QT_TRANSLATE_NOOP("core", "Внимание");

class CProject {
public:
    explicit CProject(std::string name = kDefaultProjectName);
    // Entries shared (their traces counted once more), outside the tree, no active entry, new
    // ids.
    CProject(const CProject& other);
    CProject& operator=(const CProject&) = delete;
    // Takes the id and the tree items along; the source is left empty and outside the tree,
    // under a new id.
    CProject(CProject&& other) noexcept;
    CProject& operator=(CProject&&) = delete;
    // Deletes the entries (their items first) and then the project's item.
    ~CProject();

    // Appends the entry; one outside the tree enters it under the project with the next
    // palette colour. The new entry becomes active. Returns its index.
    int AppendEntry(CSignalEntry entry);
    // Deletes the entry (its tree item, its hold on the trace); out-of-range indices are ignored.
    void RemoveEntry(int index);
    void RemoveAllEntries();
    // The first entry of the scanned fibre, or a new empty one for it appended to the project.
    // The reference is valid until entries are next added or removed.
    CSignalEntry& EntryForFiber(int fiber);

    int GetEntryCount() const { return static_cast<int>(entries_.size()); }
    // Index 0..count-1.
    CSignalEntry& GetEntry(int index) { return entries_.at(static_cast<std::size_t>(index)); }
    const CSignalEntry& GetEntry(int index) const {
        return entries_.at(static_cast<std::size_t>(index));
    }
    // The entry of this id, or -1.
    int FindEntry(WorkspaceId id) const;
    // The active entry clamped into the entries; -1 and null when there are none.
    int ActiveEntryIndex() const;
    CSignalEntry* ActiveEntry();
    void SetActiveEntry(int index);

    const std::string& GetName() const { return name_; }
    const std::string& GetPath() const { return path_; }
    bool HasPath() const { return !path_.empty(); }
    // A scanning project receives scanned traces; the mark is never stored.
    void MarkAsScanningProject(const std::string& name);
    bool IsScanningProject() const { return isScanningProject_; }

    // Enters the tree of the observer (a top-level item) when outside one. Entries already
    // there stay outside.
    void InsertIntoTree(CWorkspaceObserver& observer);
    // What the project's item shows: the file's name once the project has a file, else the
    // project's name.
    std::string GetTreeText() const;
    // Shows GetTreeText on the project's item.
    void RefreshTreeText();
    bool IsInTree() const { return observer_ != nullptr; }
    // Leaves the tree without telling it: the tree is going away.
    void ForgetTree();
    WorkspaceId GetId() const { return id_; }

    // Writes the project file, at path when given (once written it becomes the project's path),
    // else at the project's path. The old file is replaced only by a complete new one. Errors
    // are shown; false then.
    bool Save(const std::string& path = {});
    // Replaces name, path and entries by the file's and reopens each trace; errors are shown.
    // False, with the project unchanged, when the file cannot be read or has another version.
    // Entries whose traces cannot be opened stay, without a trace, so a save keeps them.
    bool Load(const std::string& path);

private:
    std::vector<CSignalEntry> entries_;
    std::string path_;
    std::string name_;
    WorkspaceId id_ = NewWorkspaceId();
    CWorkspaceObserver* observer_ = nullptr;
    bool isScanningProject_ = false;
    int activeEntry_ = -1;
};
