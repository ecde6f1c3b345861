#pragma once
// What the view of the workspace tree hears from the model: projects and their entries as
// they enter the tree, change and leave it, each named by its id. The workspace hands its
// observer to the projects it adds and they to their entries; a project or an entry "in the
// tree" is one that has an observer. The view keeps its own items by these ids.

#include "core/SignalKind.h"

#include <cstdint>
#include <string>

// Names one project or entry for the life of the process: never reused, never 0. A move
// carries it along; a copy is a new project or entry with an id of its own.
using WorkspaceId = std::uint64_t;
inline constexpr WorkspaceId kNoWorkspaceId = 0;

// The next unused id; safe from any thread.
WorkspaceId NewWorkspaceId() noexcept;

class CWorkspaceObserver {
public:
    virtual ~CWorkspaceObserver() = default;

    // A new top-level item showing the text.
    virtual void ProjectInserted(WorkspaceId project, const std::string& text) = 0;
    virtual void ProjectRenamed(WorkspaceId project, const std::string& text) = 0;
    // The project's item goes, with whatever is left under it.
    virtual void ProjectRemoved(WorkspaceId project) = 0;
    // A new item under the project's, its icon picked by the trace's kind and drawn in the
    // colour (0x00BBGGRR).
    virtual void EntryInserted(WorkspaceId project, WorkspaceId entry, SignalKind kind,
                               std::uint32_t colour, const std::string& text) = 0;
    virtual void EntryChanged(WorkspaceId entry, SignalKind kind, std::uint32_t colour,
                              const std::string& text) = 0;
    virtual void EntrySelected(WorkspaceId entry) = 0;
    virtual void EntryRemoved(WorkspaceId entry) = 0;
};
