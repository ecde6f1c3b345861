#pragma once
// Message boxes. The viewer shows them as dialogs, the command line on standard error,
// tests answer from a script. Texts are UTF-8.

#include <deque>
#include <string>
#include <vector>

inline constexpr const char* kProgramTitle = "Lumetra View";

class CPrompts {
public:
    enum class Icon { None, Information, Warning, Error, Question };

    virtual ~CPrompts() = default;
    // A message with an OK button.
    virtual void Show(const std::string& text, const std::string& caption, Icon icon) = 0;
    // True for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption, Icon icon) = 0;
    // The same question with a Cancel button as well, which leaves the work that asked undone.
    // Prompts without such a box answer it as AskYesNo.
    enum class Answer { Yes, No, Cancel };
    virtual Answer AskYesNoCancel(const std::string& text, const std::string& caption, Icon icon);
};

// Writes to standard error; questions are answered No (nothing is changed unasked).
class CStderrPrompts : public CPrompts {
public:
    void Show(const std::string& text, const std::string& caption, Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption, Icon icon) override;
};

// Answers questions from a script (No when the script runs out) and records everything shown.
class CScriptedPrompts : public CPrompts {
public:
    struct Record {
        std::string text;
        std::string caption;
        Icon icon;
        bool question;
    };

    void Show(const std::string& text, const std::string& caption, Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption, Icon icon) override;
    Answer AskYesNoCancel(const std::string& text, const std::string& caption, Icon icon) override;

    std::deque<bool> answers;
    // Answers the next Yes/No/Cancel question with Cancel instead of taking from answers.
    bool cancelNext = false;
    std::vector<Record> shown;
};

// The prompts in use; standard error until a CPromptsScope installs others. Any thread may
// ask, the scanner's worker too.
CPrompts& GetPrompts();

// Installs prompts for its lifetime and then puts the previous ones back; scopes nest.
class CPromptsScope {
public:
    explicit CPromptsScope(CPrompts& prompts);
    ~CPromptsScope();
    CPromptsScope(const CPromptsScope&) = delete;
    CPromptsScope& operator=(const CPromptsScope&) = delete;

private:
    CPrompts* previous_;
};

// Shows an error message with the program's title, as every failed operation does.
void ShowError(const std::string& text);
// A failed load: the file's name (without its folder), then the message, so that of several
// files opened together the one that failed can be told.
void ShowLoadError(const std::string& path, const std::string& text);
// The last part of a path: what the load messages name.
std::string FileNameOf(const std::string& path);

// While one lives on a thread, ShowError on that thread names the file first, so that the
// messages the readers show from deep inside a load tell which file they are about.
class CLoadMessageScope {
public:
    explicit CLoadMessageScope(const std::string& path);
    ~CLoadMessageScope();
    CLoadMessageScope(const CLoadMessageScope&) = delete;
    CLoadMessageScope& operator=(const CLoadMessageScope&) = delete;

private:
    std::string previous_;
};
