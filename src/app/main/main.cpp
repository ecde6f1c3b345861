// lumetra-view: the viewer. Everything but the event loop is CViewerApp's.

#include "app/CViewerApp.h"
#include "scan/CAppSettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdlib>
#include <cstring>

namespace {

bool AsksForInformation(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Help and the version need no display.
    if (AsksForInformation(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("lumetra-view"));
        QCoreApplication::setApplicationVersion(QStringLiteral(LUMETRA_VERSION));
        return CViewerApp::PrintInformation(QCoreApplication::arguments());
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumetra-view"));
    QApplication::setApplicationVersion(QStringLiteral(LUMETRA_VERSION));
    // The settings file and the scanner's temporary folder belong in the user's configuration
    // folder, not wherever the viewer happened to be started from (a file manager starts it
    // in the home folder).
    std::string startupFolder;
    if (const char* folder = std::getenv(CAppSettings::kSettingsDirVariable); folder && *folder) {
        startupFolder = folder;
    } else {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QDir().mkpath(config);
        startupFolder = QFile::encodeName(config).toStdString();
    }
    CViewerApp viewer(startupFolder);
    const StartStatus status = viewer.Start(QApplication::arguments());
    if (status != StartStatus::Running)
        return CViewerApp::ExitCode(status);
    return application.exec();
}
