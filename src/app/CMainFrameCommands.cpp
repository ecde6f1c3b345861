// The main frame's menus: each command picks its object (the active project, entry, signal or
// event, the settings, a pane) and hands it to the operation that does the work.

#include "app/CMainFrame.h"

#include "app/CDockPane.h"
#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "app/CExtraParamsDialog.h"
#include "app/CScanParamsDialog.h"
#include "app/InterfaceLanguage.h"
#include "app/ScanSettingsFiles.h"
#include "core/CSignal.h"
#include "display/CTracePlot.h"
#include "display/CTraceView.h"
#include "display/QtShapes.h"
#include "display/TracePrintout.h"
#include "platform/CException.h"
#include "platform/CPrompts.h"
#include "platform/MainMessages.h"
#include "platform/Translation.h"
#include "scan/CAppSettings.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

#include <filesystem>

namespace {

// The extension a file of the Qt filter takes when none is typed: its first pattern's, or the
// fallback for a filter of every file.
QString SuffixOf(const QString& filter, const QString& fallback) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close <= open)
        return fallback;
    const QString first = filter.mid(open + 1, close - open - 1)
                              .section(QLatin1Char(' '), 0, 0)
                              .section(QLatin1Char(','), 0, 0);
    if (!first.startsWith(QStringLiteral("*.")) || first.indexOf(QLatin1Char('*'), 1) >= 0 ||
        first.size() < 3)
        return fallback;
    return first.mid(2);
}

// 1 for the first filter. The dialog may name the filter without its patterns.
int FilterIndex(const QStringList& filters, const QString& selected) {
    for (qsizetype i = 0; i < filters.size(); ++i) {
        if (filters[i] == selected || filters[i].startsWith(selected + QStringLiteral(" (")))
            return static_cast<int>(i) + 1;
    }
    return 1;
}

// A name typed for saving without extension takes the chosen type's, as it stands when the
// user accepts. Saving a trace, the name's extension follows the type as it is chosen.
class CFileDialog : public QFileDialog {
public:
    CFileDialog(QWidget* parent, const QString& caption, const QString& initial,
                const QString& filter)
        : QFileDialog(parent, caption, initial, filter) {
        // The list of types itself: the dialog tells no choice of a filter without patterns.
        if (auto* types = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            connect(types, &QComboBox::activated, this, [this](int index) {
                if (traceTypes)
                    RenameFor(index + 1);
            });
        }
    }

    void accept() override {
        chosenFilter = FilterIndex(nameFilters(), selectedNameFilter());
        if (traceTypes)
            RenameFor(chosenFilter);
        else if (acceptMode() == QFileDialog::AcceptSave)
            setDefaultSuffix(SuffixOf(selectedNameFilter(), fallbackSuffix));
        QFileDialog::accept();
    }

    QString fallbackSuffix;
    // The filters are the trace types of Save As, in kind order.
    bool traceTypes = false;
    // 1 for the first filter; read while the dialog still shows the choice.
    int chosenFilter = 1;

private:
    void RenameFor(int kind) {
        auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name && !name->text().isEmpty())
            name->setText(CMainFrame::TraceNameForKind(name->text(), kind));
    }
};

} // namespace

QString CMainFrame::TraceNameForKind(const QString& name, int kind) {
    const QFileInfo file(name);
    const QString suffix = file.suffix().toLower();
    QString base = name;
    if (suffix == QStringLiteral("sor") || suffix == QStringLiteral("tra"))
        base.chop(suffix.size() + 1);
    else if (!suffix.isEmpty())
        return name;
    if (kind == 2)
        return base + QStringLiteral(".tra");
    if (kind == 3)
        return base;
    return base + QStringLiteral(".sor");
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const char* text,
                                std::function<void()> handler) {
    const QString label = tr(text);
    QAction* action = menu->addAction(label);
    action->setData(id);
    const qsizetype tab = label.indexOf(QLatin1Char('\t'));
    if (tab >= 0)
        action->setShortcut(
            QKeySequence::fromString(label.mid(tab + 1), QKeySequence::PortableText));
    connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] {
        handler();
        UpdateCommands();
    });
    actions_[id] = action;
    return action;
}

QAction* CMainFrame::Action(int id) const {
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::AddLanguageMenu(QMenu* view) {
    // Named in both languages, and each language in itself, so either reader finds it.
    QMenu* menu = view->addMenu(QStringLiteral("Язык / Language"));
    menu->setObjectName(QStringLiteral("languageMenu"));
    auto* group = new QActionGroup(this);
    const Language chosen = ChosenLanguage(settings_.StartupFolder());
    for (const Language language : {Language::Russian, Language::English}) {
        QAction* action = menu->addAction(
            language == Language::Russian ? QStringLiteral("Русский") : QStringLiteral("English"));
        action->setCheckable(true);
        action->setChecked(language == chosen);
        action->setData(QString::fromLatin1(LanguageCode(language)));
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, language] { OnChooseLanguage(language); });
    }
}

void CMainFrame::OnChooseLanguage(Language language) {
    const bool changes = language != ChosenLanguage(settings_.StartupFolder());
    // Kept even when it is the locale's: the choice then outlasts a change of locale.
    StoreLanguage(settings_.StartupFolder(), language);
    if (changes)
        GetPrompts().Show("Язык интерфейса сменится при следующем запуске.\n"
                          "The interface language changes at the next start.",
                          kProgramTitle, CPrompts::Icon::Information);
}

void CMainFrame::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&Файл"));
    AddCommand(file, kCmdNewProject, QT_TRANSLATE_NOOP("CMainFrame", "&Новый Проект\tCtrl+N"),
               [this] { OnNewProject(); });
    AddCommand(file, kCmdOpenProject, QT_TRANSLATE_NOOP("CMainFrame", "О&ткрыть Проект..."),
               [this] { OnOpenProject(); });
    AddCommand(file, kCmdCloseProject, QT_TRANSLATE_NOOP("CMainFrame", "Закрыть П&роект"),
               [this] { OnCloseProject(); });
    AddCommand(file, kCmdCloseAllProjects, QT_TRANSLATE_NOOP("CMainFrame", "З&акрыть все Проекты"),
               [this] { OnCloseAllProjects(); });
    file->addSeparator();
    AddCommand(file, kCmdOpen, QT_TRANSLATE_NOOP("CMainFrame", "&Открыть...\tCtrl+O"),
               [this] { OnFileOpen(); });
    AddCommand(file, kCmdClose, QT_TRANSLATE_NOOP("CMainFrame", "&Закрыть"),
               [this] { OnFileClose(); });
    file->addSeparator();
    AddCommand(file, kCmdSave, QT_TRANSLATE_NOOP("CMainFrame", "&Сохранить\tCtrl+S"),
               [this] { OnFileSave(); });
    AddCommand(file, kCmdSaveAs, QT_TRANSLATE_NOOP("CMainFrame", "Сохранить &как..."),
               [this] { OnFileSaveAs(); });
    AddCommand(file, kCmdSaveAll, QT_TRANSLATE_NOOP("CMainFrame", "Сохранить &всё"),
               [this] { OnFileSaveAll(); });
    file->addSeparator();
    AddCommand(file, kCmdPrint, QT_TRANSLATE_NOOP("CMainFrame", "&Печать\tCtrl+P"),
               [this] { OnPrint(); });
    AddCommand(file, kCmdReport, QT_TRANSLATE_NOOP("CMainFrame", "Отч&ёт по проекту…"),
               [this] { view_->PrintReport(Thresholds()); });
    AddCommand(file, kCmdThresholds, QT_TRANSLATE_NOOP("CMainFrame", "Поро&ги..."),
               [this] { OnThresholds(); });
    file->addSeparator();
    AddCommand(file, kCmdExit, QT_TRANSLATE_NOOP("CMainFrame", "Вы&ход"), [this] { OnExit(); });

    QMenu* view = menuBar()->addMenu(tr("&Вид"));
    const struct {
        int command;
        const char* text;
        int pane;
    } paneCommands[] = {
        {kCmdWorkspacePane, QT_TRANSLATE_NOOP("CMainFrame", "&Рабочая зона\tCtrl+W"),
         kWorkspacePane},
        {kCmdEventListPane, QT_TRANSLATE_NOOP("CMainFrame", "&Список событий\tCtrl+E"),
         kEventListPane},
        {kCmdParametersPane, QT_TRANSLATE_NOOP("CMainFrame", "&Параметры"), kParametersPane},
        {kCmdMarkersPane, QT_TRANSLATE_NOOP("CMainFrame", "&Маркеры"), kMarkersPane},
        {kCmdOverviewPane, QT_TRANSLATE_NOOP("CMainFrame", "Пр&осмотр"), kOverviewPane}};
    for (const auto& command : paneCommands) {
        const int pane = command.pane;
        AddCommand(view, command.command, command.text, [this, pane] {
            TogglePane(pane);
        })->setCheckable(true);
        connect(Pane(pane), &QDockWidget::visibilityChanged, this, [this] { UpdateCommands(); });
    }
    view->addSeparator();
    AddCommand(view, kCmdStatusBar, QT_TRANSLATE_NOOP("CMainFrame", "С&трока состояния"), [this] {
        statusBar()->setVisible(statusBar()->isHidden());
    })->setCheckable(true);
    view->addSeparator();
    QMenu* grid = view->addMenu(tr("Сет&ка"));
    gridStyles_ = new QActionGroup(this);
    gridStyles_->setExclusive(true);
    const struct {
        int command;
        const char* text;
        GridStyle style;
    } gridCommands[] = {
        {kCmdGridSolid, QT_TRANSLATE_NOOP("CMainFrame", "Сплошные &Линии"), GridStyle::Solid},
        {kCmdGridDashes, QT_TRANSLATE_NOOP("CMainFrame", "&Пунктир"), GridStyle::Dashes},
        {kCmdGridDots, QT_TRANSLATE_NOOP("CMainFrame", "&Точки"), GridStyle::Dots},
        {kCmdGridBroken, QT_TRANSLATE_NOOP("CMainFrame", "&Разрыв"), GridStyle::Broken},
        {kCmdGridNone, QT_TRANSLATE_NOOP("CMainFrame", "&Без сетки"), GridStyle::None}};
    for (const auto& command : gridCommands) {
        const GridStyle style = command.style;
        QAction* action =
            AddCommand(grid, command.command, command.text, [this, style] { SetGridStyle(style); });
        action->setCheckable(true);
        gridStyles_->addAction(action);
    }
    AddCommand(view, kCmdLegend, QT_TRANSLATE_NOOP("CMainFrame", "&Легенда"), [this] {
        settings_.SetLegendShown(!settings_.IsLegendShown());
    })->setCheckable(true);
    AddCommand(view, kCmdOneTrace, QT_TRANSLATE_NOOP("CMainFrame", "О&дна трасса"), [this] {
        settings_.SetOneTraceMode(!settings_.IsOneTraceMode());
    })->setCheckable(true);

    view->addSeparator();
    AddLanguageMenu(view);

    QMenu* events = menuBar()->addMenu(tr("&События"));
    AddCommand(events, kCmdShowEvent, QT_TRANSLATE_NOOP("CMainFrame", "&Показать событие"),
               [this] { OnShowEvent(); });
    AddCommand(events, kCmdAddEvent, QT_TRANSLATE_NOOP("CMainFrame", "&Добавить событие..."),
               [this] { OnAddEvent(); });
    AddCommand(events, kCmdEditEvent, QT_TRANSLATE_NOOP("CMainFrame", "&Редактировать событие..."),
               [this] { OnEditEvent(); });
    AddCommand(events, kCmdDeleteEvent, QT_TRANSLATE_NOOP("CMainFrame", "&Удалить событие"),
               [this] { OnDeleteEvent(); });
    events->addSeparator();
    AddCommand(events, kCmdAnalyseTrace, QT_TRANSLATE_NOOP("CMainFrame", "&Анализ трассы..."),
               [this] { OnAnalyseTrace(); });

    QMenu* scan = menuBar()->addMenu(tr("С&канирование"));
    AddCommand(scan, kCmdScanParams, QT_TRANSLATE_NOOP("CMainFrame", "&Параметры сканирования..."),
               [this] { OnScanParams(); });
    AddCommand(scan, kCmdExtraParams,
               QT_TRANSLATE_NOOP("CMainFrame", "&Дополнительные параметры..."),
               [this] { OnExtraParams(); });
    scan->addSeparator();
    AddCommand(scan, kCmdSaveScanParams, QT_TRANSLATE_NOOP("CMainFrame", "&Сохранить параметры..."),
               [this] { OnSaveScanParams(); });
    AddCommand(scan, kCmdLoadScanParams, QT_TRANSLATE_NOOP("CMainFrame", "&Загрузить параметры"),
               [this] { OnLoadScanParams(); });
    scan->addSeparator();
    AddCommand(scan, kCmdStartStopScan, kStartScanText, [this] { OnStartStopScan(); });

    QMenu* help = menuBar()->addMenu(tr("Спр&авка"));
    AddCommand(help, kCmdAbout, QT_TRANSLATE_NOOP("CMainFrame", "&О программе Vitrea..."),
               [this] { OnAbout(); });

    for (QMenu* menu : {file, view, grid, events, scan, help})
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
}

CSignal* CMainFrame::ActiveSignal() {
    CSignalEntry* entry = workspace_.ActiveEntry();
    return entry ? entry->GetTrace() : nullptr;
}

int CMainFrame::CurrentEventIndex() {
    // The event commands act on the events the list shows.
    const CSignal* signal = eventBar_->List().ShownSignal();
    const int index = signal ? signal->GetSelectedEvent() : -1;
    return index >= 0 && index < signal->GetEventCount() ? index : -1;
}

void CMainFrame::UpdateCommands() {
    if (actions_.empty())
        return;
    const bool anyProject = workspace_.GetProjectCount() > 0;
    const bool activeEntry = workspace_.ActiveEntry() != nullptr;
    const CSignal* shown = eventBar_->List().ShownSignal();
    const bool currentEvent = shown && shown->GetSelectedEvent() >= 0;
    const std::pair<int, bool> enabling[] = {
        {kCmdClose, activeEntry},
        {kCmdCloseProject, workspace_.ActiveProject() != nullptr},
        {kCmdCloseAllProjects, anyProject},
        {kCmdPrint, activeEntry},
        {kCmdReport, workspace_.ActiveProject() != nullptr},
        {kCmdSave, anyProject},
        {kCmdSaveAs, anyProject},
        {kCmdSaveAll, anyProject},
        {kCmdShowEvent, currentEvent},
        {kCmdAddEvent, shown != nullptr},
        {kCmdEditEvent, currentEvent},
        {kCmdDeleteEvent, currentEvent},
        {kCmdAnalyseTrace, activeEntry},
    };
    for (const auto& [id, enabled] : enabling)
        Action(id)->setEnabled(enabled);

    const std::pair<int, int> paneChecks[] = {{kCmdWorkspacePane, kWorkspacePane},
                                              {kCmdEventListPane, kEventListPane},
                                              {kCmdParametersPane, kParametersPane},
                                              {kCmdMarkersPane, kMarkersPane},
                                              {kCmdOverviewPane, kOverviewPane}};
    for (const auto& [command, pane] : paneChecks)
        Action(command)->setChecked(!Pane(pane)->isHidden());
    Action(kCmdStatusBar)->setChecked(!statusBar()->isHidden());
    // The grid commands follow the styles' stored numbers.
    Action(kCmdGridSolid + static_cast<int>(settings_.GetGridStyle()))->setChecked(true);
    Action(kCmdLegend)->setChecked(settings_.IsLegendShown());
    Action(kCmdOneTrace)->setChecked(settings_.IsOneTraceMode());
    UpdateScanCommand();
}

QString CMainFrame::AskFilePath(bool save, const char* filter, const char* defaultExtension,
                                const QString& initial, int* filterIndex) {
    const QString qtFilter = Utf8(filter);
    const QString extension = QString::fromLatin1(defaultExtension ? defaultExtension : "");
    const bool traceTypes = save && filter == kSignalSaveAsFilter;
    int chosen = filterIndex && *filterIndex > 1 ? *filterIndex : 1;
    QString path;
    if (fileDialogHook_) {
        path = fileDialogHook_(save, qtFilter, extension, initial, &chosen);
        if (traceTypes && !path.isEmpty())
            path = TraceNameForKind(path, chosen);
    } else {
        CFileDialog dialog(this, save ? tr("Сохранить как") : tr("Открыть"), initial, qtFilter);
        dialog.fallbackSuffix = extension;
        dialog.traceTypes = traceTypes;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        if (!save)
            dialog.setOption(QFileDialog::ReadOnly);
        // After the options: hiding the filters' details fills the list of types anew.
        const QStringList filters = qtFilter.split(QStringLiteral(";;"));
        if (chosen <= filters.size())
            dialog.selectNameFilter(filters[chosen - 1]);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        path = dialog.selectedFiles().first();
        chosen = dialog.chosenFilter;
    }
    if (filterIndex)
        *filterIndex = chosen;
    return path;
}

std::string CMainFrame::AskSavePath(const char* filter, const char* defaultExtension,
                                    const std::string& initial, int* filterIndex) {
    const QString path =
        AskFilePath(true, filter, defaultExtension,
                    QFile::decodeName(QByteArray::fromStdString(initial)), filterIndex);
    return QFile::encodeName(path).toStdString();
}

QStringList CMainFrame::AskOpenPaths(const char* filter) {
    if (fileDialogHook_) {
        int chosen = 1;
        const QString path = fileDialogHook_(false, Utf8(filter), {}, {}, &chosen);
        return path.isEmpty() ? QStringList() : QStringList{path};
    }
    CFileDialog dialog(this, tr("Открыть"), {}, Utf8(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::ReadOnly);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void CMainFrame::OnFileOpen() {
    // Each file opens on its own: one that fails says so and the others still open.
    for (const QString& path : AskOpenPaths(kOpenFilter))
        OpenPath(QFile::encodeName(path).toStdString());
}

void CMainFrame::OnFileClose() {
    CProject* project = workspace_.ActiveProject();
    CSignalEntry* entry = workspace_.ActiveEntry();
    if (!project || !entry)
        return;
    CSignal* signal = entry->GetTrace();
    // A save that failed keeps the entry: closing it would lose the edits.
    if (signal && signal->IsModified() && !signal->Save({}))
        return;
    project->RemoveEntry(project->ActiveEntryIndex());
    NotifySelectionChanged();
}

void CMainFrame::OnNewProject() {
    workspace_.AddProject();
}

void CMainFrame::OnOpenProject() {
    const QString path = AskFilePath(false, kProjectFilter, nullptr);
    if (!path.isEmpty())
        workspace_.OpenProject(QFile::encodeName(path).toStdString());
}

void CMainFrame::OnCloseProject() {
    const int index = workspace_.ActiveProjectIndex();
    if (index < 0)
        return;
    // Closing releases the traces; unsaved edits are offered for saving first.
    if (!SaveModifiedSignals(workspace_.GetProject(index)))
        return;
    workspace_.RemoveProject(index);
    NotifySelectionChanged();
}

void CMainFrame::OnCloseAllProjects() {
    if (!SaveModifiedSignals())
        return;
    // A project never saved would leave with its list of traces; Cancel keeps them all open.
    for (int p = 0; p < workspace_.GetProjectCount(); ++p) {
        CProject& project = workspace_.GetProject(p);
        bool holdsTraces = false;
        for (int e = 0; e < project.GetEntryCount(); ++e)
            holdsTraces = holdsTraces || project.GetEntry(e).HasTrace();
        if (project.HasPath() || !holdsTraces)
            continue;
        const CPrompts::Answer answer =
            GetPrompts().AskYesNoCancel(tr("Сохранить проект %1?")
                                            .arg(QString::fromStdString(project.GetTreeText()))
                                            .toStdString(),
                                        Translate(kCaptionAttention), CPrompts::Icon::Warning);
        if (answer == CPrompts::Answer::Cancel)
            return;
        if (answer == CPrompts::Answer::Yes && !SaveProject(project, true))
            return;
    }
    workspace_.RemoveAllProjects();
    NotifySelectionChanged();
}

void CMainFrame::OnPrint() {
    if (workspace_.ActiveEntry())
        view_->Print();
}

bool CMainFrame::SaveProject(CProject& project, bool askPath) {
    std::string path;
    if (askPath || !project.HasPath()) {
        path = AskSavePath(kProjectFilter, "vtp", project.GetPath());
        if (path.empty())
            return false;
    }
    return project.Save(path);
}

void CMainFrame::OnFileSave() {
    if (workspace_.IsProjectActive()) {
        if (CProject* project = workspace_.ActiveProject())
            SaveProject(*project, false);
        return;
    }
    if (!workspace_.IsEntryActive())
        return;
    CSignal* signal = ActiveSignal();
    if (!signal)
        return;
    if (!signal->GetFileName().empty()) {
        signal->Save({});
        return;
    }
    const std::string path = AskSavePath(kSignalSaveFilter, "sor");
    if (!path.empty())
        signal->Save(path);
}

void CMainFrame::OnFileSaveAs() {
    if (workspace_.IsProjectActive()) {
        if (CProject* project = workspace_.ActiveProject())
            SaveProject(*project, true);
        return;
    }
    if (!workspace_.IsEntryActive())
        return;
    CSignalEntry* entry = workspace_.ActiveEntry();
    if (!entry || !entry->GetTrace())
        return;
    // The dialog starts on the trace's own type; the filters are listed in the kinds' order.
    int filterIndex = KindNumber(entry->GetTrace()->GetKind());
    const std::string path =
        AskSavePath(kSignalSaveAsFilter, "sor", entry->GetTrace()->GetFileName(), &filterIndex);
    if (path.empty())
        return;
    // The filter chooses the format, GR-196-CORE for any other filter.
    SignalKind kind = KindFromNumber(filterIndex);
    if (kind == SignalKind::None)
        kind = SignalKind::GR196;
    try {
        if (!entry->ConvertTrace(kind))
            return;
    } catch (const CException& e) {
        ShowError(e.GetErrorMessage());
        return;
    }
    CSignal* signal = entry->GetTrace();
    // The entry takes the new name only when the file was written there; a declined or failed
    // save leaves it naming the file it still shows.
    if (signal->Save(path) && signal->GetFileName() == path)
        entry->SetDisplayName(std::filesystem::path(path).filename().string());
    else
        entry->RefreshTreeItem();
}

void CMainFrame::OnFileSaveAll() {
    for (int p = 0; p < workspace_.GetProjectCount(); ++p) {
        CProject& project = workspace_.GetProject(p);
        SaveModifiedSignals(project);
        SaveProject(project, false);
    }
}

void CMainFrame::OnExit() {
    close();
}

void CMainFrame::TogglePane(int paneId) {
    if (CDockPane* pane = Pane(paneId))
        pane->setVisible(pane->isHidden());
}

void CMainFrame::SetGridStyle(GridStyle style) {
    settings_.SetGridStyle(style);
}

void CMainFrame::OnShowEvent() {
    const CSignal* signal = eventBar_->List().ShownSignal();
    const int index = CurrentEventIndex();
    // A selection left past the last event by a deletion names no event to show.
    if (!signal || index < 0)
        return;
    const double position = signal->GetEvent(index).GetPosition();
    view_->SetHorzWindow(position - 1.0, position + 1.0);
}

void CMainFrame::OnAddEvent() {
    eventBar_->AddEvent(view_->GetPlot().GetMarkerA());
}

void CMainFrame::OnEditEvent() {
    eventBar_->EditEvent();
}

void CMainFrame::OnDeleteEvent() {
    eventBar_->DeleteEvent();
}

void CMainFrame::OnScanParams() {
    CScanParamsDialog dialog(settings_, scanner_.IsRunning(), this);
    dialog.exec();
}

void CMainFrame::OnExtraParams() {
    CExtraParamsDialog dialog(settings_, this);
    dialog.exec();
}

void CMainFrame::OnSaveScanParams() {
    SaveScanSettingsWithDialog(settings_, this);
}

void CMainFrame::OnLoadScanParams() {
    LoadScanSettingsWithDialog(settings_, this);
}

void CMainFrame::OnAbout() {
    QMessageBox::about(this, tr("О программе Vitrea"),
                       Utf8(kProgramTitle) + QLatin1Char('\n') + Utf8(kProgramVersion));
}
