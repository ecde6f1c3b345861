#pragma once
// The frame, prompts and trace files the project tests run against.

#include "formats/bellcore/CGR196File.h"
#include "platform/CMessageTarget.h"
#include "platform/CPrompts.h"
#include "project/CProject.h"
#include "project/CWorkspaceObserver.h"
#include "project/TraceColours.h"
#include "support/TestSupport.h"
#include "support/TraceFixtures.h"

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

using Lines = std::vector<std::string>;

// A main frame with its tree that records every message, and every change of the tree as
// "op item kind colour text" (ops 100 insert project, 101 rename it, 102 remove it, 103 insert
// entry under item, 104 change entry, 105 select it, 106 remove it), its items numbered in
// order of insertion from 1001 on.
class CRecordingTarget : public CMessageTarget, public CWorkspaceObserver {
public:
    void Post(unsigned message, std::uintptr_t, std::intptr_t) override {
        lines.push_back(Hex("post ", message));
    }
    std::intptr_t Send(unsigned message, std::uintptr_t, std::intptr_t) override {
        lines.push_back(Hex("send ", message));
        return 0;
    }

    void ProjectInserted(WorkspaceId project, const std::string& text) override {
        Record(100, kNoWorkspaceId, SignalKind::None, 0, text);
        items_[project] = ++lastItem;
    }
    void ProjectRenamed(WorkspaceId project, const std::string& text) override {
        Record(101, project, SignalKind::None, 0, text);
    }
    void ProjectRemoved(WorkspaceId project) override {
        Record(102, project, SignalKind::None, 0, {});
    }
    void EntryInserted(WorkspaceId project, WorkspaceId entry, SignalKind kind,
                       std::uint32_t colour, const std::string& text) override {
        Record(103, project, kind, colour, text);
        items_[entry] = ++lastItem;
    }
    void EntryChanged(WorkspaceId entry, SignalKind kind, std::uint32_t colour,
                      const std::string& text) override {
        Record(104, entry, kind, colour, text);
    }
    void EntrySelected(WorkspaceId entry) override { Record(105, entry, SignalKind::None, 0, {}); }
    void EntryRemoved(WorkspaceId entry) override { Record(106, entry, SignalKind::None, 0, {}); }

    // The number of the item of a project or an entry in this tree; 0 for none.
    std::intptr_t TreeItemOf(const CProject& project) const { return ItemOf(project.GetId()); }
    std::intptr_t TreeItemOf(const CSignalEntry& entry) const { return ItemOf(entry.GetId()); }

    Lines Take() { return std::exchange(lines, {}); }

    Lines lines;
    std::intptr_t lastItem = 1000;

private:
    std::intptr_t ItemOf(WorkspaceId id) const {
        const auto found = items_.find(id);
        return found == items_.end() ? 0 : found->second;
    }
    void Record(int op, WorkspaceId item, SignalKind kind, std::uint32_t colour,
                const std::string& text) {
        lines.push_back(std::to_string(op) + " " + std::to_string(ItemOf(item)) + " " +
                        std::to_string(KindNumber(kind)) + Hex(" ", colour) + " " + text);
    }

    std::map<WorkspaceId, std::intptr_t> items_;

    static std::string Hex(const char* prefix, std::uint32_t value) {
        char text[16];
        std::snprintf(text, sizeof text, "%X", value);
        return prefix + std::string(text);
    }
};

// Installs the recording frame and scripted prompts, and restarts the default palette.
class CProjectTestScope {
public:
    CProjectTestScope() = default;
    ~CProjectTestScope() = default;
    CProjectTestScope(const CProjectTestScope&) = delete;
    CProjectTestScope& operator=(const CProjectTestScope&) = delete;

    // What was shown, as "caption [icon]: text"; cleared after reading.
    Lines TakeShown() {
        Lines lines;
        for (const CScriptedPrompts::Record& r : prompts.shown)
            lines.push_back(r.caption +
                            (r.icon == CPrompts::Icon::Error     ? " [stop]: "
                             : r.icon == CPrompts::Icon::Warning ? " [!]: "
                                                                 : ": ") +
                            r.text);
        prompts.shown.clear();
        return lines;
    }

    CRecordingTarget frame;
    CScriptedPrompts prompts;

private:
    CMainTargetScope mainTarget_{&frame};
    CPromptsScope promptsScope_{prompts};
    CTraceColourScope colours_{TraceColourSource()};
};
