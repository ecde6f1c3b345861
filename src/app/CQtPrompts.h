#pragma once
// Message boxes of the viewer: a modal QMessageBox over the active window, the caption as its
// title ("Lumetra View" when the caller gives none).

#include "platform/CPrompts.h"

class CQtPrompts : public CPrompts {
public:
    void Show(const std::string& text, const std::string& caption, Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption, Icon icon) override;
    Answer AskYesNoCancel(const std::string& text, const std::string& caption, Icon icon) override;
};
