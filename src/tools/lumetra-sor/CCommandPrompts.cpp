#include "tools/lumetra-sor/CCommandPrompts.h"

#include <algorithm>

void CCommandPrompts::Show(const std::string& text, const std::string&, Icon) {
    messages_.push_back({text, false});
}

bool CCommandPrompts::AskYesNo(const std::string& text, const std::string&, Icon) {
    messages_.push_back({text, true});
    return false;
}

std::vector<CCommandPrompts::Message> CCommandPrompts::Take() {
    std::vector<Message> taken;
    taken.swap(messages_);
    return taken;
}

bool CCommandPrompts::WasAsked() const {
    return std::any_of(messages_.begin(), messages_.end(),
                       [](const Message& message) { return message.question; });
}
