#include "platform/CPrompts.h"

#include "platform/Translation.h"

#include <atomic>
#include <cstdio>

namespace {
CStderrPrompts stderrPrompts;
std::atomic<CPrompts*> current{&stderrPrompts};
// The file a load on this thread is about, empty outside a load.
thread_local std::string loadingFile;
} // namespace

void CStderrPrompts::Show(const std::string& text, const std::string& caption, Icon) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

bool CStderrPrompts::AskYesNo(const std::string& text, const std::string& caption, Icon) {
    std::fprintf(stderr, "%s: %s [no]\n", caption.c_str(), text.c_str());
    return false;
}

void CScriptedPrompts::Show(const std::string& text, const std::string& caption, Icon icon) {
    shown.push_back({text, caption, icon, false});
}

bool CScriptedPrompts::AskYesNo(const std::string& text, const std::string& caption, Icon icon) {
    shown.push_back({text, caption, icon, true});
    if (answers.empty())
        return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

CPrompts::Answer CPrompts::AskYesNoCancel(const std::string& text, const std::string& caption,
                                          Icon icon) {
    return AskYesNo(text, caption, icon) ? Answer::Yes : Answer::No;
}

CPrompts::Answer CScriptedPrompts::AskYesNoCancel(const std::string& text,
                                                  const std::string& caption, Icon icon) {
    if (!cancelNext)
        return CPrompts::AskYesNoCancel(text, caption, icon);
    cancelNext = false;
    shown.push_back({text, caption, icon, true});
    return Answer::Cancel;
}

CPrompts& GetPrompts() {
    return *current.load();
}

CPromptsScope::CPromptsScope(CPrompts& prompts) : previous_(current.exchange(&prompts)) {}

CPromptsScope::~CPromptsScope() {
    current.store(previous_);
}

void ShowError(const std::string& text) {
    // Shown in the interface's language; the readers' messages are its marked texts.
    const std::string shown = Translate(text);
    GetPrompts().Show(loadingFile.empty() ? shown : loadingFile + ": " + shown, kProgramTitle,
                      CPrompts::Icon::Error);
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ShowLoadError(const std::string& path, const std::string& text) {
    GetPrompts().Show(FileNameOf(path) + ": " + Translate(text), kProgramTitle,
                      CPrompts::Icon::Error);
}

CLoadMessageScope::CLoadMessageScope(const std::string& path) : previous_(loadingFile) {
    loadingFile = FileNameOf(path);
}

CLoadMessageScope::~CLoadMessageScope() {
    loadingFile = previous_;
}
