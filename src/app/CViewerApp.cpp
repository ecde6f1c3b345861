#include "app/CViewerApp.h"

#include "app/CMainFrame.h"
#include "app/CSingleInstance.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"
#include "platform/CMessageTarget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kScreenshotWidth = 1280;
constexpr int kScreenshotHeight = 800;

// Ends the event loop once the watched widget has painted for the first time.
class CFirstPaintWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After the paint itself has run.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

void PrintError(const QString& text) {
    std::fprintf(stderr, "lumetra-view: %s\n", text.toLocal8Bit().constData());
}

} // namespace

CViewerApp::CViewerApp() = default;

CViewerApp::CViewerApp(const std::string& startupFolder) : settings_(startupFolder) {}

CViewerApp::~CViewerApp() {
    // The frame first: it closes the projects while the prompts are still installed.
    frame_.reset();
    if (promptsInstalled_)
        SetPrompts(previousPrompts_);
    instance_.reset();
}

bool CViewerApp::Parse(const QStringList& arguments, Options& options) const {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Viewer and editor for OTDR traces"));
    const QCommandLineOption settingsDir(QStringLiteral("settings-dir"),
                                         QStringLiteral("Folder of the settings file."),
                                         QStringLiteral("DIR"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Open the files in a 1280x800 window, write it to OUT.png and exit."),
        QStringLiteral("OUT.png"));
    const QCommandLineOption firstPaint(QStringLiteral("exit-after-first-paint"),
                                        QStringLiteral("Exit once the trace view has painted."));
    const QCommandLineOption instance(QStringLiteral("instance"),
                                      QStringLiteral("Name of the single-instance lock."),
                                      QStringLiteral("NAME"));
    parser.addOptions({settingsDir, screenshot, firstPaint, instance});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Trace files to open."),
                                 QStringLiteral("[FILE...]"));
    if (!parser.parse(arguments)) {
        PrintError(parser.errorText());
        std::fprintf(stderr, "%s", parser.helpText().toLocal8Bit().constData());
        return false;
    }
    options.settingsDir = parser.value(settingsDir);
    options.screenshot = parser.value(screenshot);
    options.exitAfterFirstPaint = parser.isSet(firstPaint);
    options.instanceName = parser.value(instance);
    for (const QString& file : parser.positionalArguments())
        options.files << QFileInfo(file).absoluteFilePath();
    return true;
}

StartStatus CViewerApp::Start(const QStringList& arguments) {
    Options options;
    if (!Parse(arguments, options))
        return StartStatus::UsageError;
    if (!options.settingsDir.isEmpty()) {
        QDir().mkpath(options.settingsDir);
        settings_.SetSettingsDir(QFile::encodeName(options.settingsDir).toStdString());
    }

    // A headless run neither waits for nor serves another viewer, and asks nobody anything.
    const bool headless = !options.screenshot.isEmpty() || options.exitAfterFirstPaint;
    if (!headless) {
        instance_ = std::make_unique<CSingleInstance>(
            options.instanceName.isEmpty() ? CSingleInstance::DefaultName() : options.instanceName);
        if (instance_->Acquire() == CSingleInstance::Role::Secondary) {
            if (options.files.isEmpty() || instance_->HandOver(options.files))
                return StartStatus::HandedOver;
            PrintError(QStringLiteral("the running viewer does not answer"));
            return StartStatus::Failed;
        }
    }

    previousPrompts_ = SetPrompts(headless ? &stderrPrompts_ : interactivePrompts_);
    promptsInstalled_ = true;
    ShowFrame(options);
    if (!options.screenshot.isEmpty())
        return WriteScreenshot(options.screenshot);
    if (options.exitAfterFirstPaint)
        QuitAfterFirstPaint();
    return StartStatus::Running;
}

void CViewerApp::ShowFrame(const Options& options) {
    frame_ = std::make_unique<CMainFrame>(settings_);
    if (instance_) {
        QObject::connect(instance_.get(), &CSingleInstance::PathsReceived, frame_.get(),
                         [this](const QStringList& paths) {
                             for (const QString& path : paths)
                                 frame_->OpenPath(QFile::encodeName(path).toStdString());
                             frame_->raise();
                             frame_->activateWindow();
                         });
    }
    if (!options.screenshot.isEmpty())
        frame_->resize(kScreenshotWidth, kScreenshotHeight);
    frame_->show();
    for (const QString& file : options.files) {
        const std::string path = QFile::encodeName(file).toStdString();
        SendToMain(kMsgOpenPath, 0, reinterpret_cast<std::intptr_t>(&path));
    }
}

StartStatus CViewerApp::WriteScreenshot(const QString& path) {
    // Lets the posted messages and the layout settle before the picture is taken.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    if (!frame_->grab().save(path, "PNG")) {
        PrintError(QStringLiteral("cannot write %1").arg(path));
        return StartStatus::Failed;
    }
    return StartStatus::Finished;
}

void CViewerApp::QuitAfterFirstPaint() {
    auto* watch = new CFirstPaintWatch(frame_.get());
    frame_->View().GetPlot().installEventFilter(watch);
}

int CViewerApp::ExitCode(StartStatus status) {
    switch (status) {
    case StartStatus::Running:
    case StartStatus::HandedOver:
    case StartStatus::Finished:
        return 0;
    case StartStatus::Failed:
        return 1;
    case StartStatus::UsageError:
        return 2;
    }
    return 1;
}
