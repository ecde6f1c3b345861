#pragma once
// The frame, prompts and trace files the project tests run against.

#include "formats/bellcore/CGR196File.h"
#include "platform/CMessageTarget.h"
#include "platform/CPrompts.h"
#include "project/TraceColours.h"
#include "project/TreeOperation.h"
#include "support/TestSupport.h"
#include "support/TraceFixtures.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using Lines = std::vector<std::string>;

// A main frame that records every message, tree operations as "op item kind colour text",
// and answers inserts with new item handles from 1001 on.
class CRecordingTarget : public CMessageTarget {
public:
    void Post(unsigned message, std::uintptr_t, std::intptr_t) override {
        lines.push_back(Hex("post ", message));
    }
    std::intptr_t Send(unsigned message, std::uintptr_t w, std::intptr_t l) override {
        if (message != kMsgTreeOperation) {
            lines.push_back(Hex("send ", message));
            return 0;
        }
        const auto& r = *reinterpret_cast<const TreeRecord*>(l);
        lines.push_back(std::to_string(w) + " " + std::to_string(r.item) + " " +
                        std::to_string(KindNumber(r.kind)) + Hex(" ", r.colour) + " " + r.text);
        return w == 100 || w == 103 ? ++lastItem : 0;
    }
    Lines Take() { return std::exchange(lines, {}); }

    Lines lines;
    TreeItem lastItem = 1000;

private:
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
