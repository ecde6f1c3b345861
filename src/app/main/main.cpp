// lumetra-view: the viewer. Everything but the event loop is CViewerApp's.

#include "app/CViewerApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumetra-view"));
    CViewerApp viewer;
    const StartStatus status = viewer.Start(QApplication::arguments());
    if (status != StartStatus::Running)
        return CViewerApp::ExitCode(status);
    return application.exec();
}
