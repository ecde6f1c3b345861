#pragma once
// Message boxes on the command line. A command works on one file at a time: what the models
// show while it does is kept, so that a failure becomes one line naming the file, and the
// rest is written to standard error afterwards. Questions are answered No, so a command
// never waits for a user and never changes a file unasked.

#include "platform/CPrompts.h"

#include <string>
#include <vector>

class CCommandPrompts : public CPrompts {
public:
    struct Message {
        std::string text;
        bool question;
    };

    void Show(const std::string& text, const std::string& caption, Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption, Icon icon) override;

    // What was shown or asked since the last Take, oldest first; the list is emptied.
    std::vector<Message> Take();
    bool WasAsked() const;

private:
    std::vector<Message> messages_;
};
