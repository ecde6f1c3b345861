#include "app/CViewerApp.h"

#include "analysis/ThresholdsFile.h"
#include "app/CMainFrame.h"
#include "app/CSingleInstance.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"
#include "display/TracePrintout.h"
#include "platform/MainMessages.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kScreenshotWidth = 1280;
constexpr int kScreenshotHeight = 800;
// The page's own scale: a batch printout is drawn in 300 dpi dots unscaled.
constexpr int kPrintoutDpi = 300;

// Ends the event loop once the watched widget has painted for the first time; painted runs
// just before, once the paint and its flush to the screen are done.
class CFirstPaintWatch : public QObject {
public:
    CFirstPaintWatch(std::function<void()> painted, QObject* parent)
        : QObject(parent), painted_(std::move(painted)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, qApp, [painted = painted_] {
                painted();
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    std::function<void()> painted_;
};

double MillisecondsBetween(std::chrono::steady_clock::time_point from,
                           std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void PrintError(const QString& text) {
    std::fprintf(stderr, "lumetra-view: %s\n", text.toLocal8Bit().constData());
}

} // namespace

CViewerApp::CViewerApp() = default;

CViewerApp::CViewerApp(const std::string& startupFolder) : settings_(startupFolder) {}

CViewerApp::~CViewerApp() {
    // The frame first: it closes the projects while the prompts are still installed.
    frame_.reset();
    promptsScope_.reset();
    instance_.reset();
}

namespace {

// The options of the command line, shared by the start and by --help.
void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("Viewer and editor for OTDR traces"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("settings-dir"),
         QStringLiteral("Folder of the settings file (default: ~/.config/lumetra-view)."),
         QStringLiteral("DIR")},
        {QStringLiteral("screenshot"),
         QStringLiteral("Open the files in a 1280x800 window, write it to OUT.png and exit."),
         QStringLiteral("OUT.png")},
        {QStringLiteral("exit-after-first-paint"),
         QStringLiteral("Exit once the trace view has painted.")},
        {QStringLiteral("print-pdf"),
         QStringLiteral("Print the active signal's page to OUT.pdf without a dialog and exit."),
         QStringLiteral("OUT.pdf")},
        {QStringLiteral("traces"),
         QStringLiteral("Traces on the printed plot: all (default), project or active."),
         QStringLiteral("all|project|active")},
        {QStringLiteral("report"),
         QStringLiteral("Write the report of the files (a summary page, then a page per trace) "
                        "to OUT.pdf without a dialog and exit."),
         QStringLiteral("OUT.pdf")},
        {QStringLiteral("thresholds"),
         QStringLiteral("Pass/fail thresholds for --report, from a thresholds file."),
         QStringLiteral("FILE.json")},
        {QStringLiteral("instance"), QStringLiteral("Name of the single-instance lock."),
         QStringLiteral("NAME")},
    });
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Trace files to open."),
                                 QStringLiteral("[FILE...]"));
}

} // namespace

int CViewerApp::PrintInformation(const QStringList& arguments) {
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(arguments)) {
        PrintError(parser.errorText());
        return ExitCode(StartStatus::UsageError);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("lumetra-view %s\n",
                    QCoreApplication::applicationVersion().toLocal8Bit().constData());
    } else {
        std::printf("%s", parser.helpText().toLocal8Bit().constData());
    }
    return 0;
}

bool CViewerApp::Parse(const QStringList& arguments, Options& options) const {
    QCommandLineParser parser;
    AddOptions(parser);
    const QString settingsDir = QStringLiteral("settings-dir");
    const QString screenshot = QStringLiteral("screenshot");
    const QString firstPaint = QStringLiteral("exit-after-first-paint");
    const QString printPdf = QStringLiteral("print-pdf");
    const QString traces = QStringLiteral("traces");
    const QString instance = QStringLiteral("instance");
    if (!parser.parse(arguments)) {
        PrintError(parser.errorText());
        std::fprintf(stderr, "%s", parser.helpText().toLocal8Bit().constData());
        return false;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"))) {
        options.information = true;
        return true;
    }
    options.settingsDir = parser.value(settingsDir);
    options.screenshot = parser.value(screenshot);
    options.exitAfterFirstPaint = parser.isSet(firstPaint);
    options.instanceName = parser.value(instance);
    options.printPdf = parser.value(printPdf);
    if (parser.isSet(traces)) {
        const QStringList choices{QStringLiteral("all"), QStringLiteral("project"),
                                  QStringLiteral("active")};
        const qsizetype choice = choices.indexOf(parser.value(traces));
        if (choice < 0 || options.printPdf.isEmpty()) {
            PrintError(options.printPdf.isEmpty()
                           ? QStringLiteral("--traces goes with --print-pdf")
                           : QStringLiteral("--traces takes all, project or active"));
            return false;
        }
        options.printChoice = static_cast<PrintChoice>(choice);
    }
    if (!options.printPdf.isEmpty() && !options.screenshot.isEmpty()) {
        PrintError(QStringLiteral("--print-pdf and --screenshot cannot be combined"));
        return false;
    }
    options.report = parser.value(QStringLiteral("report"));
    options.thresholds = parser.value(QStringLiteral("thresholds"));
    if (!options.report.isEmpty() &&
        (!options.printPdf.isEmpty() || !options.screenshot.isEmpty())) {
        PrintError(QStringLiteral("--report goes alone, without --print-pdf or --screenshot"));
        return false;
    }
    if (!options.thresholds.isEmpty() && options.report.isEmpty()) {
        PrintError(QStringLiteral("--thresholds goes with --report"));
        return false;
    }
    for (const QString& file : parser.positionalArguments())
        options.files << QFileInfo(file).absoluteFilePath();
    return true;
}

StartStatus CViewerApp::Start(const QStringList& arguments) {
    startedAt_ = std::chrono::steady_clock::now();
    Options options;
    if (!Parse(arguments, options))
        return StartStatus::UsageError;
    if (options.information) {
        PrintInformation(arguments);
        return StartStatus::Finished;
    }
    if (!options.settingsDir.isEmpty()) {
        QDir().mkpath(options.settingsDir);
        settings_.SetSettingsDir(QFile::encodeName(options.settingsDir).toStdString());
    }

    // A headless run neither waits for nor serves another viewer, and asks nobody anything.
    const bool headless = !options.screenshot.isEmpty() || !options.printPdf.isEmpty() ||
                          !options.report.isEmpty() || options.exitAfterFirstPaint;
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

    promptsScope_.emplace(headless ? stderrPrompts_ : *interactivePrompts_);
    InstallQtTranslations();
    ShowFrame(options);
    if (!options.screenshot.isEmpty())
        return WriteScreenshot(options.screenshot);
    if (!options.printPdf.isEmpty())
        return WritePrintout(options.printPdf, options.printChoice);
    if (!options.report.isEmpty())
        return WriteReport(options.report, options.thresholds);
    if (options.exitAfterFirstPaint)
        QuitAfterFirstPaint();
    return StartStatus::Running;
}

void CViewerApp::ShowFrame(const Options& options) {
    frame_ = std::make_unique<CMainFrame>(settings_);
    if (instance_) {
        QObject::connect(frame_.get(), &CMainFrame::Closing, instance_.get(),
                         &CSingleInstance::Release);
        QObject::connect(instance_.get(), &CSingleInstance::PathsReceived, frame_.get(),
                         [this](const QStringList& paths) {
                             for (const QString& path : paths)
                                 frame_->OpenPath(QFile::encodeName(path).toStdString());
                             frame_->raise();
                             frame_->activateWindow();
                         });
    }
    if (!options.screenshot.isEmpty())
        frame_->ResizeWithDefaultLayout(kScreenshotWidth, kScreenshotHeight);
    // A printout needs the workspace and the plot's window, not a window on the screen.
    if (options.printPdf.isEmpty() && options.report.isEmpty())
        frame_->show();
    openedAt_ = std::chrono::steady_clock::now();
    for (const QString& file : options.files) {
        const std::string path = QFile::encodeName(file).toStdString();
        ::OpenPath(path);
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

StartStatus CViewerApp::WritePrintout(const QString& path, PrintChoice choice) {
    return WritePdf(path, [this, choice](QPrinter& printer) {
        return frame_->View().PrintTo(printer, choice);
    });
}

StartStatus CViewerApp::WriteReport(const QString& path, const QString& thresholdsPath) {
    CLinkThresholds thresholds;
    if (!thresholdsPath.isEmpty()) {
        // A file that cannot be used stops the run: a report without the customer's
        // criteria would pass what they fail.
        CThresholdsOrError read =
            ReadThresholdsFile(QFile::encodeName(thresholdsPath).toStdString());
        if (const std::string* error = std::get_if<std::string>(&read)) {
            PrintError(QString::fromStdString(*error));
            return StartStatus::Failed;
        }
        thresholds = std::get<CLinkThresholds>(read);
    }
    return WritePdf(path, [this, &thresholds](QPrinter& printer) {
        printer.setColorMode(QPrinter::Color);
        return frame_->View().PrintReportTo(printer, thresholds);
    });
}

StartStatus CViewerApp::WritePdf(const QString& path, const std::function<bool(QPrinter&)>& print) {
    // The views follow the opened files before the page is drawn.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    // Printed beside the target and moved over it only when complete, so a failed print
    // leaves an older file as it was.
    const QString target = QFileInfo(path).absoluteFilePath();
    QTemporaryFile temporary(target + QStringLiteral(".XXXXXX"));
    temporary.setAutoRemove(true);
    if (!temporary.open()) {
        PrintError(QStringLiteral("cannot write %1").arg(path));
        return StartStatus::Failed;
    }
    temporary.close();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(temporary.fileName());
    printer.setResolution(kPrintoutDpi);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    if (!print(printer))
        return StartStatus::Failed;

    std::error_code error;
    std::filesystem::rename(QFile::encodeName(temporary.fileName()).toStdString(),
                            QFile::encodeName(target).toStdString(), error);
    if (error) {
        PrintError(QStringLiteral("cannot write %1").arg(path));
        return StartStatus::Failed;
    }
    temporary.setAutoRemove(false);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::ReadOther);
    return StartStatus::Finished;
}

void CViewerApp::InstallQtTranslations() {
    language_.Install(ChosenLanguage(settings_.StartupFolder()));
}

void CViewerApp::QuitAfterFirstPaint() {
    // What the start-up benchmark reads: the time from opening the files to the end of the
    // first painted frame, and from the start of Start() (the application object exists).
    const auto painted = [this] {
        const auto now = std::chrono::steady_clock::now();
        std::printf("open to first paint: %.3f ms\nstart to first paint: %.3f ms\n",
                    MillisecondsBetween(openedAt_, now), MillisecondsBetween(startedAt_, now));
        std::fflush(stdout);
    };
    auto* watch = new CFirstPaintWatch(painted, frame_.get());
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
