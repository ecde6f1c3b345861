#pragma once
// One trace of a project: display name, fibre number, colour, id and observer in the workspace
// tree, and a counted reference to the trace. An entry keeps the path its trace was opened from, so
// an entry whose trace could not be opened is still a member of its project and is saved with it.

#include "core/SignalKind.h"
#include "project/CWorkspaceObserver.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

class CSignal;

// One counted hold on a signal; the holder that releases it last deletes it.
class CSignalRef {
public:
    CSignalRef() = default;
    // Takes a reference (a new signal from the factory starts with none).
    explicit CSignalRef(CSignal* signal);
    CSignalRef(const CSignalRef& other) : CSignalRef(other.signal_) {}
    CSignalRef(CSignalRef&& other) noexcept : signal_(other.signal_) { other.signal_ = nullptr; }
    CSignalRef& operator=(CSignalRef other) noexcept {
        std::swap(signal_, other.signal_);
        return *this;
    }
    ~CSignalRef() { Reset(); }

    void Reset();
    CSignal* Get() const { return signal_; }
    explicit operator bool() const { return signal_ != nullptr; }

private:
    CSignal* signal_ = nullptr;
};

class CSignalEntry {
public:
    static constexpr std::size_t kMaxNameLength = 255; // characters

    // No trace, fibre -1, not in the tree, no name.
    CSignalEntry() = default;
    // OpenTrace.
    explicit CSignalEntry(const std::string& path);
    // Shares the trace. The copy is outside the tree, with an id of its own: only one entry
    // may delete an item.
    CSignalEntry(const CSignalEntry& other);
    CSignalEntry& operator=(const CSignalEntry& other);
    // Takes the id and the place in the tree along; the source is left outside the tree,
    // without a trace, under a new id.
    CSignalEntry(CSignalEntry&& other) noexcept;
    CSignalEntry& operator=(CSignalEntry&& other) noexcept;
    // Deletes the tree item and releases the trace.
    ~CSignalEntry();

    // Drops the trace, then opens the file as a trace of the kind its content shows. Throws
    // what the factory throws ("Неправильный тип файла", file errors); an open that failed
    // after showing its message leaves the entry without a trace. Either way the entry keeps
    // the path. When the factory did not throw, names the entry and refreshes its item.
    void OpenTrace(const std::string& path);
    // A trace the entry holds reopens itself from the path (same kind, contents replaced);
    // without one, as OpenTrace. Then names the entry and refreshes its item.
    void ReloadTrace(const std::string& path);
    // Converts the trace to another kind for saving in that format; nothing when there is
    // no trace or it has that kind. False when the kind is unknown. Conversion errors pass on.
    bool ConvertTrace(SignalKind kind);

    // 0..3 for a scanned fibre (names the entry "Волокно n+1"), -1 for a file's trace.
    void SetFiberNumber(int fiber);
    int GetFiberNumber() const { return fiberNumber_; }
    // Sets the name and refreshes the tree item.
    void SetDisplayName(const std::string& name);
    const std::string& GetDisplayName() const { return displayName_; }

    // Outside the tree: takes the colour (or the next palette colour) and, given an observer,
    // enters the tree under the project. Every call tells the frame the selection changed.
    void AddToTree(CWorkspaceObserver* observer, WorkspaceId project,
                   std::optional<std::uint32_t> colour = std::nullopt);
    // Updates the tree item's icon and text; every call tells the frame the selection changed.
    void RefreshTreeItem();
    // Selects the entry's tree item.
    void SelectInTree();

    bool IsInTree() const { return observer_ != nullptr; }
    WorkspaceId GetId() const { return id_; }
    std::uint32_t GetColour() const { return colour_; }
    // The colour stored in a project file: the entry's colour once it was given one, else 0.
    std::uint32_t GetColourForSave() const { return hasColour_ ? colour_ : 0; }
    // The trace's kind; None without a trace.
    SignalKind GetTraceKind() const;

    CSignal* GetTrace() const { return trace_.Get(); }
    bool HasTrace() const { return static_cast<bool>(trace_); }
    // The path a project file stores: the trace's file name, or, when there is no trace or it
    // has lost its name, the path the entry last opened.
    std::string GetTracePath() const;

private:
    friend class CProject;

    void NameFromPath(const std::string& path);
    // The loader's entry for a record: name, path and colour as stored, no trace yet.
    void SetStored(const std::string& name, const std::string& path);
    void LeaveTree();

    WorkspaceId id_ = NewWorkspaceId();
    CWorkspaceObserver* observer_ = nullptr;
    int fiberNumber_ = -1;
    std::uint32_t colour_ = 0;
    bool hasColour_ = false;
    std::string displayName_;
    std::string sourcePath_;
    CSignalRef trace_;
};
