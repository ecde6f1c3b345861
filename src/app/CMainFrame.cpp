#include "app/CMainFrame.h"

#include "app/AppArt.h"
#include "app/CDockPane.h"
#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "app/CQtMessageTarget.h"
#include "app/CTextListPane.h"
#include "app/CWorkspaceTree.h"
#include "app/ThresholdStore.h"
#include "core/CSignal.h"
#include "display/COverviewPane.h"
#include "display/CQtSurface.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"
#include "display/MeasurementReadout.h"
#include "display/QtShapes.h"
#include "platform/CMessageTarget.h"
#include "platform/CPrompts.h"
#include "platform/TextFill.h"
#include "platform/Translation.h"
#include "scan/CAppSettings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kLayoutVersion = 1;
// Event rows the default layout shows without scrolling.
constexpr int kDefaultEventRows = 6;
// How often the frame looks whether a scan it did not stop has ended.
constexpr int kScanWatchMs = 250;

QSettings LayoutStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLatin1(CMainFrame::kLayoutKey),
                     QString::fromLatin1(CMainFrame::kLayoutApplication));
}

} // namespace

CMainFrame::CMainFrame(CAppSettings& settings, QWidget* parent)
    : QMainWindow(parent), settings_(settings),
      target_(std::make_unique<CQtMessageTarget>(
          [this](unsigned message, std::uintptr_t w, std::intptr_t l) {
              return HandleMessage(message, w, l);
          })),
      scanner_(settings, GetPrompts()), colours_([this] { return settings_.NextTraceColour(); }) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("Vitrea"));
    setWindowIcon(ProgramIcon());
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(1, 1, 1, 1);
    view_ = new CTraceView(workspace_, settings_, frame);
    layout->addWidget(view_);
    setCentralWidget(frame);
    setAcceptDrops(true);
    // Delete on the trace view deletes the selected event, as it does in the event list.
    auto* remove = new QShortcut(QKeySequence(Qt::Key_Delete), view_);
    remove->setContext(Qt::WidgetWithChildrenShortcut);
    connect(remove, &QShortcut::activated, this, [this] {
        OnDeleteEvent();
        UpdateCommands();
    });

    // About what the window system gives a new main window.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    resize(std::min(1024, screen.width() * 3 / 4), std::min(768, screen.height() * 3 / 4));

    BuildStatusBar();
    BuildPanes();
    BuildMenus();
    // Before the docking: the default layout measures the panes' texts in this font.
    interfaceFont_ = FontFromLogFont(settings_.GetFont(CAppSettings::FontSlot::Interface));
    setFont(interfaceFont_);
    DockDefault();
    layoutRestored_ = RestoreLayout();
    SetThresholds(LoadThresholds());

    scanWatch_ = new QTimer(this);
    scanWatch_->setInterval(kScanWatchMs);
    connect(scanWatch_, &QTimer::timeout, this, [this] { UpdateScanCommand(); });

    mainTarget_.emplace(target_.get());
    scanner_.SetTargetWindow(target_.get());
    UpdateCommands();
}

CMainFrame::~CMainFrame() {
    StopScanForClose();
    mainTarget_.reset();
    target_->Close();
    // The panes and the view read the workspace; they go before it does, the tree first
    // forgotten by the projects.
    workspace_.SetObserver(nullptr);
    delete takeCentralWidget();
    for (CDockPane*& pane : panes_) {
        delete pane;
        pane = nullptr;
    }
    workspace_.RemoveAllProjects();
}

void CMainFrame::BuildStatusBar() {
    static const char* const kIndicators[] = {"CAP", "NUM", "SCRL"};
    statusPanes_[0] = new QLabel(this);
    statusPanes_[0]->setObjectName(QStringLiteral("messagePane"));
    statusBar()->addWidget(statusPanes_[0], 1);
    for (int i = 0; i < 3; ++i) {
        // Qt does not tell the lock keys' states, so the indicators stay greyed.
        auto* indicator = new QLabel(QString::fromLatin1(kIndicators[i]), this);
        indicator->setEnabled(false);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusPanes_[i + 1] = indicator;
        statusBar()->addPermanentWidget(indicator);
    }
}

void CMainFrame::BuildPanes() {
    auto makePane = [this](int id, const char* title, QSize size, QWidget* content) {
        auto* pane = new CDockPane(id, tr(title), size, this);
        pane->setWidget(content);
        return pane;
    };
    tree_ = new CWorkspaceTree(workspace_);
    workspace_.SetObserver(tree_);
    panes_[0] = makePane(kWorkspacePane, QT_TRANSLATE_NOOP("CMainFrame", "Рабочая зона"),
                         QSize(140, 200), tree_);
    eventBar_ = new CEventListBar(workspace_, this);
    panes_[1] = eventBar_;
    parameters_ = new CTextListPane(QStringLiteral("parametersList"));
    panes_[2] = makePane(kParametersPane, QT_TRANSLATE_NOOP("CMainFrame", "Параметры"),
                         QSize(150, 200), parameters_);
    markers_ = new CTextListPane(QStringLiteral("markersList"));
    // The measurement mode above the readings it chooses.
    auto* markersBox = new QWidget;
    auto* markersLayout = new QVBoxLayout(markersBox);
    markersLayout->setContentsMargins(0, 0, 0, 0);
    markersLayout->setSpacing(2);
    measureModes_ = new QComboBox(markersBox);
    measureModes_->setObjectName(QStringLiteral("measureMode"));
    measureModes_->setToolTip(tr("Режим измерения"));
    for (EMeasureMode mode : kMeasureModes)
        measureModes_->addItem(MeasureModeTitle(mode), static_cast<int>(mode));
    markersLayout->addWidget(measureModes_);
    markersLayout->addWidget(markers_, 1);
    connect(measureModes_, &QComboBox::currentIndexChanged, this, [this](int index) {
        view_->GetPlot().SetMeasureMode(
            static_cast<EMeasureMode>(measureModes_->itemData(index).toInt()));
        UpdateMarkerValues();
    });
    panes_[3] = makePane(kMarkersPane, QT_TRANSLATE_NOOP("CMainFrame", "Маркеры"), QSize(150, 200),
                         markersBox);
    overview_ = new COverviewPane(workspace_, settings_);
    overview_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panes_[4] = makePane(kOverviewPane, QT_TRANSLATE_NOOP("CMainFrame", "Просмотр"),
                         QSize(200, 100), overview_);
    connect(overview_, &COverviewPane::MoveViewRequested, this,
            [this](double distance, double level) {
                view_->GetPlot().CentreWindowAt(distance, level);
            });
    for (CDockPane* pane : panes_)
        pane->setAttribute(Qt::WA_WindowPropagation); // floating panes keep the frame's font
}

void CMainFrame::DockDefault() {
    addDockWidget(Qt::LeftDockWidgetArea, Pane(kWorkspacePane));
    addDockWidget(Qt::BottomDockWidgetArea, Pane(kEventListPane));
    addDockWidget(Qt::RightDockWidgetArea, Pane(kParametersPane));
    splitDockWidget(Pane(kParametersPane), Pane(kMarkersPane), Qt::Vertical);
    splitDockWidget(Pane(kEventListPane), Pane(kOverviewPane), Qt::Horizontal);
    QList<QDockWidget*> across;
    QList<int> widths;
    QList<QDockWidget*> down;
    QList<int> heights;
    for (CDockPane* pane : panes_) {
        across << pane;
        widths << pane->DefaultSize().width();
        down << pane;
        heights << pane->DefaultSize().height();
    }
    // The default sizes grow where the interface font needs more room: the parameters and
    // markers read whole in their usual lines, the event list shows six rows under whole
    // headers. Longer values than an instrument's usual name have their tooltips.
    const auto chrome = [](QWidget* pane, QWidget* content) {
        return std::max(0, pane->sizeHint().width() - content->sizeHint().width());
    };
    const int rightWidth =
        std::max({parameters_->WidthToShow({{tr("Показатель преломления:"), Utf8("1.46820")},
                                            {tr("Модуль:"), Utf8("MU909015C-057, № 6201635305")},
                                            {tr("Коэф. Обр. Рассеяния:"), Utf8("-81.87 dB")}}),
                  markers_->WidthToShow({{tr("Ослабление AB:"), Utf8("-0.2345 dB/km")},
                                         {tr("Расстояние AB:"), Utf8("-163.8400 km")}})}) +
        chrome(Pane(kParametersPane), parameters_);
    // In a small window the trace keeps its room: the panes grow only so far. A window that
    // starts smaller than the screen is sized for the screen it will be maximised on.
    const int screenWidth =
        std::max(width(), QGuiApplication::primaryScreen()->availableGeometry().width());
    widths[2] = std::max(widths[2], std::min(rightWidth, screenWidth * 3 / 10));
    widths[3] = widths[2];
    CEventListCtrl& events = eventBar_->List();
    events.FitHeaders();
    const int eventsHeight =
        events.HeightToShow(kDefaultEventRows) +
        std::max(0, eventBar_->sizeHint().height() - events.sizeHint().height());
    heights[1] = std::max(heights[1], std::min(eventsHeight, height() / 4));
    heights[4] = heights[1];
    // The overview keeps its width; the event list beside it takes the rest of the row.
    widths[1] = std::max(widths[1], width() - widths[4]);
    resizeDocks(across, widths, Qt::Horizontal);
    resizeDocks(down, heights, Qt::Vertical);
}

void CMainFrame::ResizeWithDefaultLayout(int width, int height) {
    resize(width, height);
    if (!layoutRestored_)
        DockDefault();
}

CDockPane* CMainFrame::Pane(int id) const {
    for (CDockPane* pane : panes_) {
        if (pane && pane->Id() == id)
            return pane;
    }
    return nullptr;
}

QString CMainFrame::StatusMessage() const {
    return statusPanes_[0]->text();
}

QLabel& CMainFrame::StatusPane(int index) const {
    return *statusPanes_[index < 0 || index > 3 ? 0 : index];
}

void CMainFrame::SetStatusMessage(const QString& text) {
    statusPanes_[0]->setText(text);
}

void CMainFrame::ShowLoadWarning() {
    // The warning belongs to the trace on screen, not to the file that was loaded last.
    const CSignalEntry* entry = workspace_.ActiveEntry();
    const CSignal* signal = entry ? entry->GetTrace() : nullptr;
    const std::string warning = signal ? signal->GetLoadWarning() : std::string();
    SetStatusMessage(warning.empty()
                         ? QString()
                         : QStringLiteral("%1: %2").arg(Utf8(ShownName(entry->GetDisplayName())),
                                                        Utf8(Translate(warning))));
}

void CMainFrame::SaveLayout() const {
    QSettings store = LayoutStore();
    store.beginGroup(QString::fromLatin1(kLayoutSection));
    QVariantList bars;
    for (const CDockPane* pane : panes_)
        bars << pane->Id();
    store.setValue(QStringLiteral("Bars"), bars);
    store.setValue(QStringLiteral("State"), saveState(kLayoutVersion));
    store.endGroup();
}

bool CMainFrame::RestoreLayout() {
    QSettings store = LayoutStore();
    store.beginGroup(QString::fromLatin1(kLayoutSection));
    const QVariantList bars = store.value(QStringLiteral("Bars")).toList();
    const QByteArray state = store.value(QStringLiteral("State")).toByteArray();
    store.endGroup();
    if (bars.isEmpty() || state.isEmpty())
        return false;
    for (const QVariant& bar : bars) {
        bool isNumber = false;
        const int id = bar.toInt(&isNumber);
        if (!isNumber || !Pane(id))
            return false;
    }
    return restoreState(state, kLayoutVersion);
}

bool CMainFrame::OpenPath(const std::string& path) {
    SetStatusMessage({});
    // A project file handed over by the file manager or the command line opens as a project.
    if (QFileInfo(QFile::decodeName(path.c_str()))
            .suffix()
            .compare(QStringLiteral("vtp"), Qt::CaseInsensitive) == 0)
        return workspace_.OpenProject(path);
    const bool opened = workspace_.OpenTrace(path);
    ShowLoadWarning();
    return opened;
}

std::intptr_t CMainFrame::HandleMessage(unsigned message, std::uintptr_t w, std::intptr_t l) {
    return DispatchFrameMessage(*this, message, w, l);
}

void CMainFrame::HandleMarkersChanged() {
    UpdateMarkerValues();
}

void CMainFrame::HandleRedrawView() {
    view_->Repaint();
    overview_->update();
    UpdateCommands();
}

void CMainFrame::HandleSelectionChanged() {
    RefreshViews();
}

void CMainFrame::HandleTraceArrived(int fibre, const std::string& path) {
    if (fibre >= 0 && fibre < kFiberCount)
        OnScannedTrace(fibre, path);
}

void CMainFrame::HandleScanPollDone() {
    OnScanPollDone();
}

void CMainFrame::HandleScanSettingsChanged() {
    scanner_.RequestSend();
}

void CMainFrame::HandleScanStartStop() {
    OnStartStopScan();
}

void CMainFrame::HandleOpenPath(const std::string& path) {
    OpenPath(path);
}

std::optional<CWorldRect> CMainFrame::HandleWorldWindow() {
    CWorldRect window{};
    view_->GetWorldWindow(window);
    return window;
}

void CMainFrame::HandleOverviewRedraw() {
    CWorldRect window{};
    view_->GetWorldWindow(window);
    overview_->SetWorldWindow(window);
}

void CMainFrame::RefreshViews() {
    view_->RecalcRange();
    eventBar_->List().Refill();
    tree_->RefreshVerdicts();
    parameters_->clear();
    markers_->clear();
    overview_->update();
    UpdateCommands();
    ShowLoadWarning();
    CSignalEntry* entry = workspace_.ActiveEntry();
    const CSignal* signal = entry ? entry->GetTrace() : nullptr;
    if (!signal)
        return;
    tree_->EntrySelected(entry->GetId());
    std::string label;
    std::string value;
    QList<CTextListPane::CRow> rows;
    for (int i = 0; i < signal->GetDescriptionCount(); ++i) {
        if (signal->GetDescription(i, label, value))
            rows.push_back({Utf8(TranslateLabel(label)), Utf8(value), {}});
    }
    for (const CDetailLine& line : signal->GetDetails())
        rows.push_back({Utf8(TranslateLabel(line.label)), Utf8(line.value), {}});
    parameters_->AddRows(rows);
    FillMarkerRows();
}

void CMainFrame::FillMarkerRows() {
    markers_->clear();
    QList<CTextListPane::CRow> rows;
    CTextListPane::CRow shown;
    for (int row = 0; row < view_->GetMarkerRowCount(); ++row) {
        if (view_->GetMarkerRow(row, shown.caption, shown.value, shown.tip))
            rows.push_back(shown);
    }
    markers_->AddRows(rows);
}

void CMainFrame::UpdateMarkerValues() {
    // Rows are there only for an active trace; a mode of another length needs them anew.
    if (markers_->RowCount() > 0 && markers_->RowCount() != view_->GetMarkerRowCount()) {
        FillMarkerRows();
        return;
    }
    QString caption;
    QString reading;
    QString tip;
    for (int row = 0; row < markers_->RowCount(); ++row) {
        if (view_->GetMarkerRow(row, caption, reading, tip))
            markers_->SetValue(row, reading, tip);
    }
}

bool CMainFrame::SaveModifiedSignals(CProject& project) {
    for (int e = 0; e < project.GetEntryCount(); ++e) {
        CSignal* signal = project.GetEntry(e).GetTrace();
        if (signal && signal->IsModified() && !signal->Save({}))
            return false;
    }
    return true;
}

bool CMainFrame::SaveModifiedSignals() {
    for (int p = 0; p < workspace_.GetProjectCount(); ++p) {
        if (!SaveModifiedSignals(workspace_.GetProject(p)))
            return false;
    }
    return true;
}

namespace {

// The local files among dropped URLs; a drop of anything else offers nothing to open.
QStringList DroppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data)
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

} // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    for (const QString& file : files)
        OpenPath(QFile::encodeName(file).toStdString());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The scan ends first, so no trace arrives while the user is asked about the others; its
    // worker is waited for only once the close is agreed.
    scanner_.SetTargetWindow(nullptr);
    scanner_.RequestStop();
    // A worker blocked on a message to the frame must be free before anything waits for it.
    mainTarget_.reset();
    target_->Close();
    if (!SaveModifiedSignals()) {
        // The user cancelled, or the save failed and said so; closing now would lose the edits.
        target_->Reopen();
        mainTarget_.emplace(target_.get());
        scanner_.SetTargetWindow(target_.get());
        NotifySelectionChanged();
        UpdateScanCommand();
        event->ignore();
        return;
    }
    // A new start can take over at once, while this one still waits for the scan.
    Q_EMIT Closing();
    StopScanForClose();
    SaveLayout();
    workspace_.RemoveAllProjects();
    event->accept();
}
