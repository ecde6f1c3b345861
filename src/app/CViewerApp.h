#pragma once
// The application object: the settings (made first, so the settings file is read before any
// window exists and written after the last one is gone), the single-instance guard and the
// main frame. Start() takes the command line and reports what became of the start; the
// caller runs the event loop only for StartStatus::Running.
//
// Command line: [--help] [--version] [--settings-dir DIR] [--screenshot OUT.png]
// [--exit-after-first-paint]
//               [--print-pdf OUT.pdf [--traces all|project|active]]
//               [--report OUT.pdf [--thresholds FILE.json]] [--instance NAME] [FILE...]

#include "app/CQtPrompts.h"
#include "app/InterfaceLanguage.h"
#include "display/PrintChoice.h"
#include "scan/CAppSettings.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class CMainFrame;
class CSingleInstance;
class QPrinter;
class QTranslator;

enum class StartStatus {
    Running,    // the frame is shown; run the event loop
    HandedOver, // another viewer runs and got the paths (or there were none)
    Finished,   // a screenshot or a printout was written
    Failed, // a screenshot or printout could not be written, or the running viewer did not answer
    UsageError, // the command line made no sense
};

class CViewerApp {
public:
    // The settings' start-up folder as CAppSettings chooses it, or the given one.
    CViewerApp();
    explicit CViewerApp(const std::string& startupFolder);
    ~CViewerApp();
    CViewerApp(const CViewerApp&) = delete;
    CViewerApp& operator=(const CViewerApp&) = delete;

    // arguments as QCoreApplication::arguments() gives them, the program first.
    StartStatus Start(const QStringList& arguments);
    static int ExitCode(StartStatus status);
    // --help or --version on standard output; needs only a core application. The exit code.
    static int PrintInformation(const QStringList& arguments);

    // The prompts a start installs instead of the message boxes (tests answer from a script).
    // Headless starts always write to standard error.
    void UsePrompts(CPrompts* prompts) { interactivePrompts_ = prompts; }

    CAppSettings& Settings() { return settings_; }
    // Null before a start that shows the frame, and for a second instance.
    CMainFrame* MainFrame() { return frame_.get(); }
    CSingleInstance* Instance() { return instance_.get(); }

private:
    struct Options {
        QString settingsDir;
        QString screenshot;
        QString printPdf;
        PrintChoice printChoice = PrintChoice::AllSignals;
        QString report;
        QString thresholds;
        QString instanceName;
        bool exitAfterFirstPaint = false;
        bool information = false; // --help or --version
        QStringList files;
    };

    bool Parse(const QStringList& arguments, Options& options) const;
    void ShowFrame(const Options& options);
    StartStatus WriteScreenshot(const QString& path);
    // The active signal's page into the PDF, complete or not at all.
    StartStatus WritePrintout(const QString& path, PrintChoice choice);
    // The active project's report into the PDF, complete or not at all.
    StartStatus WriteReport(const QString& path, const QString& thresholdsPath);
    // A PDF printed by print, moved over the target only when print succeeded.
    StartStatus WritePdf(const QString& path, const std::function<bool(QPrinter&)>& print);
    void QuitAfterFirstPaint();
    // The interface's language, Qt's own texts (the file and print dialogs) with it.
    void InstallQtTranslations();

    CAppSettings settings_;
    CQtPrompts qtPrompts_;
    CStderrPrompts stderrPrompts_;
    CPrompts* interactivePrompts_ = &qtPrompts_;
    std::optional<CPromptsScope> promptsScope_;
    std::unique_ptr<CSingleInstance> instance_;
    CInterfaceLanguage language_;
    std::unique_ptr<CMainFrame> frame_;
    // When Start() began and when the files given began to open.
    std::chrono::steady_clock::time_point startedAt_;
    std::chrono::steady_clock::time_point openedAt_;
};
