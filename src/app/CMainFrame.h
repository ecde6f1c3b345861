#pragma once
// The main window: the trace view in the middle, five docking panes around it (workspace tree,
// event list, parameters, markers, overview), a status bar and the menus. It owns the
// workspace and the scanner, and is the target of the private messages through which the
// models, the panes and the scanner notify it. The docking layout persists in the per-user
// settings store.

#include "analysis/LinkThresholds.h"
#include "platform/CMessageTarget.h"
#include "platform/Translation.h"
#include "project/CWorkspace.h"
#include "project/FrameMessages.h"
#include "project/TraceColours.h"
#include "scan/CScanner.h"
#include "scan/GridStyle.h"

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class CAppSettings;
class CDockPane;
class CEventListBar;
class COverviewPane;
class CQtMessageTarget;
class CTextListPane;
class CTraceView;
class CWorkspaceTree;
class QAction;
class QActionGroup;
class QComboBox;
class QMenu;
class QLabel;
class QTimer;

class CMainFrame : public QMainWindow, private CFrameMessageHandler {
    Q_OBJECT

public:
    // Bar identifiers of the five panes.
    static constexpr int kWorkspacePane = 100;
    static constexpr int kEventListPane = 101;
    static constexpr int kParametersPane = 102;
    static constexpr int kMarkersPane = 103;
    static constexpr int kOverviewPane = 104;
    // Where the docking layout is kept: the store's key (the organisation of QSettings) and
    // the section within it.
    static constexpr const char* kLayoutKey = "Lumetra View 1.0.6";
    static constexpr const char* kLayoutApplication = "lumetra-view";
    static constexpr const char* kLayoutSection = "Vitrea";
    // File-dialog filters in Qt's form. Extensions are matched in either case; "(*)" is
    // every file.
    static constexpr const char* kOpenFilter =
        "OTDR Files(*.sor, *.tra) (*.sor *.SOR *.tra *.TRA);;Noyes M600 files(*.*) (*);;"
        "All Files(*.*) (*)";
    static constexpr const char* kProjectFilter =
        "Vitrea Project(*.vtp) (*.vtp *.VTP);;All Files(*.*) (*)";
    static constexpr const char* kScanSettingsFilter =
        "Scaning Properties(*.spr) (*.spr *.SPR);;All Files(*.*) (*)";
    static constexpr const char* kSignalSaveFilter =
        "OTDR Files(*.sor) (*.sor *.SOR);;All Files(*.*) (*)";
    static constexpr const char* kSignalSaveAsFilter =
        "OTDR GR-196-CORE Files(*.sor) (*.sor *.SOR);;OTDR SR-4731 Files(*.tra) (*.tra *.TRA);;"
        "Noyes M600 files(*.*) (*)";

    // Command identifiers of the menus.
    enum Command : int {
        kCmdOpen = 57601,
        kCmdClose = 57602,
        kCmdNewProject = 32774,
        kCmdOpenProject = 32771,
        kCmdCloseProject = 32773,
        kCmdCloseAllProjects = 32793,
        kCmdPrint = 57607,
        kCmdReport = 32840,
        kCmdSave = 57603,
        kCmdSaveAs = 32785,
        kCmdSaveAll = 32786,
        kCmdExit = 57665,
        kCmdWorkspacePane = 32801,
        kCmdEventListPane = 32802,
        kCmdParametersPane = 32803,
        kCmdMarkersPane = 32804,
        kCmdOverviewPane = 32813,
        kCmdGridSolid = 32788,
        kCmdGridDashes = 32789,
        kCmdGridDots = 32790,
        kCmdGridBroken = 32791,
        kCmdGridNone = 32792,
        kCmdLegend = 32781,
        kCmdOneTrace = 32782,
        kCmdStatusBar = 59393,
        kCmdShowEvent = 32806,
        kCmdAddEvent = 32807,
        kCmdEditEvent = 32808,
        kCmdDeleteEvent = 32809,
        kCmdAnalyseTrace = 32814,
        kCmdScanParams = 32794,
        kCmdExtraParams = 32796,
        kCmdSaveScanParams = 32797,
        kCmdLoadScanParams = 32798,
        kCmdStartStopScan = 32787,
        kCmdAbout = 57664,
        kCmdThresholds = 32830,
    };
    static constexpr const char* kStartScanText =
        QT_TRANSLATE_NOOP("CMainFrame", "&Начать сканирование\tCtrl+R");
    static constexpr const char* kStopScanText =
        QT_TRANSLATE_NOOP("CMainFrame", "&Закончить сканирование\tCtrl+R");

    // Stands in for the file dialogs (tests): save or open, the Qt filter, the default
    // extension and the initial name; filterIndex holds the filter the dialog starts on and
    // takes the chosen one, 1 for the first. An empty answer is a cancelled dialog.
    using FileDialogHook =
        std::function<QString(bool save, const QString& filter, const QString& defaultExtension,
                              const QString& initial, int* filterIndex)>;

    // Becomes the main message target and hands out the settings' trace colours. The
    // settings must outlive the frame.
    explicit CMainFrame(CAppSettings& settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The open routine: the file's trace joins the active project (or a new one); an error is
    // shown and the views refresh either way. A file that opened with a warning (a checksum
    // that did not match) says so in the status bar.
    bool OpenPath(const std::string& path);
    // File > Open.
    void OnFileOpen();
    // The private messages 0x500..0x510, decoded by DispatchFrameMessage.
    std::intptr_t HandleMessage(unsigned message, std::uintptr_t w, std::intptr_t l);

    // The menu command of that identifier, or null.
    QAction* Action(int id) const;
    // Enabling, marks and the scan command's text as the workspace, the panes, the settings
    // and the scanner now stand. Runs before a menu shows and after every refresh.
    void UpdateCommands();
    void SetFileDialogHook(FileDialogHook hook) { fileDialogHook_ = std::move(hook); }

    // The pass/fail thresholds in use (kept in the settings store); setting them stores them
    // and marks the event list and the tree afresh.
    const CLinkThresholds& Thresholds() const { return thresholds_; }
    void SetThresholds(const CLinkThresholds& thresholds);
    // File > Thresholds.
    void OnThresholds();

    // Starts a scan into the scanning project, or stops the running one.
    void OnStartStopScan();
    CScanner& Scanner() { return scanner_; }

    // The layout as the store keeps it; RestoreLayout is false, and the layout unchanged,
    // when there is none or it names a pane this frame does not have.
    void SaveLayout() const;
    bool RestoreLayout();
    // Resizes the frame and, unless a saved layout was restored, lays the panes out afresh for
    // the new size (the screenshot's window).
    void ResizeWithDefaultLayout(int width, int height);
    // A trace file's name for saving as kind 1 (GR-196-CORE, ".sor"), 2 (SR-4731, ".tra") or
    // 3 (Noyes M600, which has no extension of its own): a trace extension the name has gives
    // way to the kind's, a name without one takes it, any other extension stays.
    static QString TraceNameForKind(const QString& name, int kind);

    CWorkspace& Workspace() { return workspace_; }
    CTraceView& View() { return *view_; }
    CWorkspaceTree& Tree() { return *tree_; }
    CEventListBar& EventListBar() { return *eventBar_; }
    CTextListPane& Parameters() { return *parameters_; }
    CTextListPane& Markers() { return *markers_; }
    // The markers pane's choice of measurement mode.
    QComboBox& MeasureModes() { return *measureModes_; }
    COverviewPane& Overview() { return *overview_; }
    CDockPane* Pane(int id) const;
    QString StatusMessage() const;
    QLabel& StatusPane(int index) const;
    const QFont& InterfaceFont() const { return interfaceFont_; }

Q_SIGNALS:
    // The user has agreed to close; the frame may now wait for a scan to end.
    void Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Files dropped on the window open as if chosen in File > Open.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    QAction* AddCommand(QMenu* menu, int id, const char* text, std::function<void()> handler);
    // A file dialog (or the hook); empty when cancelled.
    QString AskFilePath(bool save, const char* filter, const char* defaultExtension,
                        const QString& initial = {}, int* filterIndex = nullptr);
    // The open dialog choosing one file or several; empty when cancelled.
    QStringList AskOpenPaths(const char* filter);
    std::string AskSavePath(const char* filter, const char* defaultExtension,
                            const std::string& initial = {}, int* filterIndex = nullptr);

    // The commands.
    void OnFileClose();
    void OnNewProject();
    void OnOpenProject();
    void OnCloseProject();
    void OnCloseAllProjects();
    void OnPrint();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileSaveAll();
    void OnExit();
    void OnShowEvent();
    void OnAddEvent();
    void OnEditEvent();
    void OnDeleteEvent();
    // Finds the active trace's events anew, with thresholds the user confirms.
    void OnAnalyseTrace();
    // A trace arriving without events is analysed when the scanning options ask for it.
    void AnalyseArrival(int fiber);
    void OnScanParams();
    void OnExtraParams();
    void OnSaveScanParams();
    void OnLoadScanParams();
    void OnAbout();
    // Kept for the next start; the running interface stays as it is.
    void OnChooseLanguage(Language language);
    void AddLanguageMenu(QMenu* view);
    void TogglePane(int paneId);
    void SetGridStyle(GridStyle style);
    // Saves the project where it was loaded or saved, or where the user says; false when
    // cancelled or failed.
    bool SaveProject(CProject& project, bool askPath);
    // Offers every signal of the project with unsaved edits for saving; false when a save
    // failed, so the edits would be lost.
    bool SaveModifiedSignals(CProject& project);
    // The active signal and the index of its current event within its events, or -1.
    CSignal* ActiveSignal();
    int CurrentEventIndex();

    // The messages, each as its own call.
    void HandleMarkersChanged() override;
    void HandleRedrawView() override;
    void HandleSelectionChanged() override;
    void HandleTraceArrived(int fibre, const std::string& path) override;
    void HandleScanPollDone() override;
    void HandleScanSettingsChanged() override;
    void HandleScanStartStop() override;
    void HandleOpenPath(const std::string& path) override;
    std::optional<CWorldRect> HandleWorldWindow() override;
    void HandleOverviewRedraw() override;

    // Scanning control: 0x504..0x506 and 0x508.
    void OnScannedTrace(int fiber, const std::string& path);
    void OnScanPollDone();
    void UpdateScanCommand();
    // Stops a running scan before the frame closes: its worker is waited for at most 5 s over
    // all calls, then left to end by itself.
    void StopScanForClose();

    void BuildStatusBar();
    void BuildPanes();
    void DockDefault();
    // Every signal with unsaved edits is offered for saving; false when a save failed, so the
    // edits would be lost.
    bool SaveModifiedSignals();
    // 0x503: the views follow the selection and the set of signals.
    void RefreshViews();
    // 0x501: the markers pane's values from the readout; its rows anew when the mode changed
    // their number.
    void UpdateMarkerValues();
    // The markers pane's rows anew from the readout.
    void FillMarkerRows();
    void SetStatusMessage(const QString& text);
    // The load warning of the trace on screen, or nothing.
    void ShowLoadWarning();

    CAppSettings& settings_;
    CWorkspace workspace_;
    std::unique_ptr<CQtMessageTarget> target_;
    // Makes the target the main one while the frame takes messages.
    std::optional<CMainTargetScope> mainTarget_;
    QFont interfaceFont_;
    QLabel* statusPanes_[4] = {};
    CTraceView* view_ = nullptr;
    CWorkspaceTree* tree_ = nullptr;
    CEventListBar* eventBar_ = nullptr;
    CTextListPane* parameters_ = nullptr;
    CTextListPane* markers_ = nullptr;
    QComboBox* measureModes_ = nullptr;
    COverviewPane* overview_ = nullptr;
    CDockPane* panes_[5] = {};
    std::map<int, QAction*> actions_;
    QActionGroup* gridStyles_ = nullptr;
    FileDialogHook fileDialogHook_;
    bool layoutRestored_ = false;
    CLinkThresholds thresholds_;
    // After the message target: the scanner goes first and lets go of it.
    CScanner scanner_;
    // New entries take the settings' palette while the frame lives.
    CTraceColourScope colours_;
    // Notices the end of a run the frame did not ask for (an error, a failed start).
    QTimer* scanWatch_ = nullptr;
};
