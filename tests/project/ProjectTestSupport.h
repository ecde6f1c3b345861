#pragma once
// The frame, prompts and trace files the project tests run against.

#include "formats/bellcore/CGR196File.h"
#include "platform/CMessageTarget.h"
#include "platform/CPrompts.h"
#include "project/TraceColours.h"
#include "project/TreeOperation.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <string>
#include <vector>

// A main frame that records every message and answers tree inserts with new item handles.
class CRecordingTarget : public CMessageTarget {
public:
    struct Message {
        unsigned message = 0;
        bool sent = false;
        unsigned operation = 0;
        TreeRecord record;
    };

    void Post(unsigned message, std::uintptr_t, std::intptr_t) override {
        messages.push_back({message, false, 0, {}});
    }
    std::intptr_t Send(unsigned message, std::uintptr_t w, std::intptr_t l) override {
        Message& m = messages.emplace_back(Message{message, true, 0, {}});
        if (message != kMsgTreeOperation)
            return 0;
        m.operation = static_cast<unsigned>(w);
        m.record = *reinterpret_cast<const TreeRecord*>(l);
        const bool inserts = m.operation == 100 || m.operation == 103;
        return inserts && answerInserts ? ++lastItem : 0;
    }

    // The tree operations as "op item bitmap colour text", the other messages as
    // "send 503" or "post 503"; cleared after reading.
    std::vector<std::string> Take() {
        std::vector<std::string> lines;
        for (const Message& m : messages) {
            char line[64];
            if (m.message == kMsgTreeOperation)
                std::snprintf(line, sizeof line, "%u %ld %d %06X ", m.operation,
                              static_cast<long>(m.record.item), m.record.bitmapId, m.record.colour);
            else
                std::snprintf(line, sizeof line, "%s %X", m.sent ? "send" : "post", m.message);
            lines.push_back(m.message == kMsgTreeOperation ? line + m.record.text : line);
        }
        messages.clear();
        return lines;
    }

    std::vector<Message> messages;
    TreeItem lastItem = 1000;
    bool answerInserts = true;
};

// Installs the recording frame and scripted prompts, and restarts the default palette.
class CProjectTestScope {
public:
    CProjectTestScope() : previousPrompts_(SetPrompts(&prompts)) {
        SetMainTarget(&frame);
        SetTraceColourSource({});
    }
    ~CProjectTestScope() {
        SetMainTarget(nullptr);
        SetPrompts(previousPrompts_);
        SetTraceColourSource({});
    }
    CProjectTestScope(const CProjectTestScope&) = delete;
    CProjectTestScope& operator=(const CProjectTestScope&) = delete;

    // What the prompts showed, as "caption: text"; cleared after reading.
    std::vector<std::string> TakeShown() {
        std::vector<std::string> lines;
        for (const CScriptedPrompts::Record& r : prompts.shown)
            lines.push_back(r.caption + ": " + r.text);
        prompts.shown.clear();
        return lines;
    }

    CRecordingTarget frame;
    CScriptedPrompts prompts;

private:
    CPrompts* previousPrompts_;
};

// A GR-196-CORE trace of the given number of points.
inline void WriteTrace(const std::string& path, int points = 64) {
    CGR196File file;
    std::vector<float> levels(static_cast<std::size_t>(points));
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = 3.0f + 0.1f * static_cast<float>(i);
    file.GetFxdParams().SetGroupIndex(1.4682);
    file.GetFxdParams().AddPulseEntry(
        CPulseWidthEntry(1000, 500, static_cast<std::uint32_t>(points)));
    file.GetDataPts().SetLevels(points, levels.data());
    file.Save(path);
}

// A file no trace reader recognises: no map revision, no M600 signature.
inline void WriteJunk(const std::string& path) {
    WriteAll(path, std::vector<std::uint8_t>(64, 0));
}
