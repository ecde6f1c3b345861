#pragma once
// The main window: the trace view in the middle, five docking panes around it (workspace tree,
// event list, parameters, markers, overview), a status bar, and the File menu. It owns the
// workspace and is the target of the private messages through which the models and panes
// notify it. The docking layout persists in the per-user settings store.

#include "project/CWorkspace.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <string>

class CAppSettings;
class CDockPane;
class CEventListBar;
class COverviewPane;
class CQtMessageTarget;
class CTextListPane;
class CTraceView;
class CWorkspaceTree;
class QLabel;

class CMainFrame : public QMainWindow {
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
    static constexpr const char* kOpenFilter =
        "OTDR Files(*.sor, *.tra)|*.sor;*.tra|Noyes M600 files(*.*)|*.*|All Files(*.*)|*.*||";

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
    // The private messages 0x500..0x510.
    std::intptr_t HandleMessage(unsigned message, std::uintptr_t w, std::intptr_t l);

    // The layout as the store keeps it; RestoreLayout is false, and the layout unchanged,
    // when there is none or it names a pane this frame does not have.
    void SaveLayout() const;
    bool RestoreLayout();
    // The Qt file-dialog filter for a filter of the "text|patterns|...||" form.
    static QString QtFilter(const char* filter);

    CWorkspace& Workspace() { return workspace_; }
    CTraceView& View() { return *view_; }
    CWorkspaceTree& Tree() { return *tree_; }
    CEventListBar& EventListBar() { return *eventBar_; }
    CTextListPane& Parameters() { return *parameters_; }
    CTextListPane& Markers() { return *markers_; }
    COverviewPane& Overview() { return *overview_; }
    CDockPane* Pane(int id) const;
    QString StatusMessage() const;
    QLabel& StatusPane(int index) const;
    const QFont& InterfaceFont() const { return interfaceFont_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildStatusBar();
    void BuildPanes();
    void DockDefault();
    // Every signal with unsaved edits is offered for saving; false when a save failed, so the
    // edits would be lost.
    bool SaveModifiedSignals();
    // 0x503: the views follow the selection and the set of signals.
    void RefreshViews();
    // 0x501: the markers pane's values from the readout.
    void UpdateMarkerValues();
    void SetStatusMessage(const QString& text);

    CAppSettings& settings_;
    CWorkspace workspace_;
    std::unique_ptr<CQtMessageTarget> target_;
    QFont interfaceFont_;
    QLabel* statusPanes_[4] = {};
    CTraceView* view_ = nullptr;
    CWorkspaceTree* tree_ = nullptr;
    CEventListBar* eventBar_ = nullptr;
    CTextListPane* parameters_ = nullptr;
    CTextListPane* markers_ = nullptr;
    COverviewPane* overview_ = nullptr;
    CDockPane* panes_[5] = {};
};
