#include "app/CQtPrompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

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

bool OnGuiThread() {
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

void CQtPrompts::Show(const std::string& text, const std::string& caption, Icon icon) {
    if (OnGuiThread()) {
        Run(text, caption, icon, QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    // A worker (the scanner) reports an error: widgets live on the user-interface thread, and
    // the worker must not wait for the box, since closing the window waits for the worker.
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            application,
            [text, caption, icon] { Run(text, caption, icon, QMessageBox::Ok, QMessageBox::Ok); },
            Qt::QueuedConnection);
    }
}

bool CQtPrompts::AskYesNo(const std::string& text, const std::string& caption, Icon icon) {
    // No worker asks; one that did could not wait for the answer, so it gets the careful one.
    if (!OnGuiThread())
        return false;
    return Run(text, caption, icon, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

CPrompts::Answer CQtPrompts::AskYesNoCancel(const std::string& text, const std::string& caption,
                                            Icon icon) {
    if (!OnGuiThread())
        return Answer::Cancel;
    switch (Run(text, caption, icon, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}
