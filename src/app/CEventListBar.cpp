#include "app/CEventListBar.h"

#include "analysis/EventTable.h"
#include "app/CEventDialog.h"
#include "app/CEventListCtrl.h"
#include "core/CSignal.h"
#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "platform/CPrompts.h"
#include "project/CWorkspace.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QShortcut>

namespace {

constexpr const char* kAskDeleteEvent = QT_TRANSLATE_NOOP("CEventListBar", "Удалить это событие?");
constexpr const char* kCaptionConfirmation = QT_TRANSLATE_NOOP("CEventListBar", "Подтверждение");

} // namespace

CEventListBar::CEventListBar(CWorkspace& workspace, QWidget* parent)
    : CDockPane(kId, tr("Список Событий"), QSize(300, 100), parent), workspace_(workspace),
      list_(new CEventListCtrl(workspace, this)) {
    setWidget(list_);
    // What a list of records answers to in every desktop program.
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { EditEvent(); });
    auto* remove = new QShortcut(QKeySequence(Qt::Key_Delete), list_);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, [this] { DeleteEvent(); });
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowContextMenu(at); });
}

void CEventListBar::ShowContextMenu(const QPoint& at) {
    if (!ActiveSignal())
        return;
    QMenu menu(this);
    menu.addAction(tr("Копировать таблицу"), this, [this] { CopyTable(); });
    menu.addAction(tr("Сохранить как CSV..."), this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Сохранить события"), QString(),
                                                          tr("Таблица CSV (*.csv);;Все файлы (*)"));
        if (!path.isEmpty())
            SaveTable(path);
    });
    menu.exec(list_->viewport()->mapToGlobal(at));
}

void CEventListBar::CopyTable() {
    if (const CSignal* signal = ActiveSignal())
        QApplication::clipboard()->setText(
            QString::fromStdString(EventTable(*signal, signal->GetFileName(), ETableStyle::Tabs)));
}

bool CEventListBar::SaveTable(const QString& path) {
    const CSignal* signal = ActiveSignal();
    if (!signal)
        return false;
    const std::string text = EventTable(*signal, signal->GetFileName(), ETableStyle::Csv);
    try {
        CBinaryFile file;
        file.OpenForWrite(QFile::encodeName(path).toStdString());
        file.Write(text.data(), text.size());
        file.Close();
        return true;
    } catch (const CException& error) {
        GetPrompts().Show(error.GetErrorMessage(), kProgramTitle, CPrompts::Icon::Error);
        return false;
    }
}

CSignal* CEventListBar::ActiveSignal() const {
    return list_->ShownSignal();
}

int CEventListBar::CurrentEvent() const {
    CSignal* signal = ActiveSignal();
    if (!signal)
        return -1;
    const int index = signal->GetSelectedEvent();
    return index >= 0 && index < signal->GetEventCount() ? index : -1;
}

void CEventListBar::AddEvent(float markerA) {
    CSignal* signal = ActiveSignal();
    if (!signal)
        return;
    CKeyEvent added;
    if (markerA >= signal->GetStartDistance() && markerA <= signal->GetEndDistance())
        added.SetPosition(markerA);
    CEventDialog dialog(*signal, added, window());
    dialog.exec();
}

void CEventListBar::EditEvent() {
    CSignal* signal = ActiveSignal();
    if (!signal || CurrentEvent() < 0)
        return;
    CEventDialog dialog(*signal, window());
    dialog.exec();
}

void CEventListBar::DeleteEvent() {
    CSignal* signal = ActiveSignal();
    const int index = CurrentEvent();
    if (!signal || index < 0)
        return;
    if (GetPrompts().AskYesNo(tr(kAskDeleteEvent).toStdString(),
                              tr(kCaptionConfirmation).toStdString(), CPrompts::Icon::Question))
        signal->DeleteEvent(index);
}
