#include "app/CQtPrompts.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQIcon(CPrompts::Icon icon) {
    switch (icon) {
    case CPrompts::Icon::Information:
        return QMessageBox::Information;
    case CPrompts::Icon::Warning:
        return QMessageBox::Warning;
    case CPrompts::Icon::Error:
        return QMessageBox::Critical;
    case CPrompts::Icon::Question:
        return QMessageBox::Question;
    case CPrompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

int Run(const std::string& text, const std::string& caption, CPrompts::Icon icon,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    const QString title =
        QString::fromStdString(caption.empty() ? std::string(kProgramTitle) : caption);
    QMessageBox box(ToQIcon(icon), title, QString::fromStdString(text), buttons,
                    QApplication::activeWindow());
    box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

void CQtPrompts::Show(const std::string& text, const std::string& caption, Icon icon) {
    Run(text, caption, icon, QMessageBox::Ok, QMessageBox::Ok);
}

bool CQtPrompts::AskYesNo(const std::string& text, const std::string& caption, Icon icon) {
    return Run(text, caption, icon, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}
