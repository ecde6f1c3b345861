#include "app/CEventDialog.h"

#include "app/DialogText.h"
#include "core/CSignal.h"
#include "platform/CPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr const char* kEnterNumber = QT_TRANSLATE_NOOP("CEventDialog", "Введите число.");
constexpr const char* kNoValue = "--";

QComboBox* MakeList(std::initializer_list<const char*> items, QWidget* parent) {
    auto* list = new QComboBox(parent);
    for (const char* item : items)
        list->addItem(QCoreApplication::translate("CEventDialog", item));
    return list;
}

// An edit with its unit to the right.
QWidget* WithUnit(QLineEdit* edit, const char* unit, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    auto* label = new QLabel(Utf8(unit), row);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("dB/km")));
    layout->addWidget(label);
    return row;
}

} // namespace

CEventDialog::CEventDialog(CSignal& signal, QWidget* parent) : QDialog(parent), signal_(signal) {
    index = signal_.GetSelectedEvent();
    Show(signal_.GetEvent(index));
}

CEventDialog::CEventDialog(CSignal& signal, const CKeyEvent& added, QWidget* parent)
    : QDialog(parent), signal_(signal), adding_(true) {
    Show(added);
}

void CEventDialog::Show(const CKeyEvent& event) {
    setWindowTitle(tr("Параметры события"));
    QFont font(QStringLiteral("MS Shell Dlg"));
    font.setPointSize(8);
    setFont(font);
    BuildControls();

    original_ = event;
    type = event.GetType();
    status = event.GetMarker();
    method = event.GetMethod();
    location = Truncate4(event.GetPosition());
    loss = Truncate4(event.GetLoss());
    reflectance = Truncate4(event.GetReflectance());
    attenuation = Truncate4(event.GetAttenuation());
    changed = event.GetFlag();
    PutFields();
    // The file's "no value" marker is no number to show.
    if (!event.HasLoss())
        lossEdit->setText(QString::fromLatin1(kNoValue));
    if (!event.HasReflectance())
        reflectanceEdit->setText(QString::fromLatin1(kNoValue));
    if (!event.HasAttenuation())
        attenuationEdit->setText(QString::fromLatin1(kNoValue));
    shownTexts_ = {locationEdit->text(), lossEdit->text(), reflectanceEdit->text(),
                   attenuationEdit->text()};
    EnableEdits();
}

double CEventDialog::Truncate4(double value) {
    return std::trunc(value * 10000.0 + 0.5) * 0.0001;
}

void CEventDialog::BuildControls() {
    auto* parameters = new QGroupBox(tr("Параметры"), this);
    typeList = MakeList({QT_TRANSLATE_NOOP("CEventDialog", "Потеря"),
                         QT_TRANSLATE_NOOP("CEventDialog", "Отражение"),
                         QT_TRANSLATE_NOOP("CEventDialog", "Другое")},
                        parameters);
    statusList = MakeList({QT_TRANSLATE_NOOP("CEventDialog", "Обычное"),
                           QT_TRANSLATE_NOOP("CEventDialog", "Начало"),
                           QT_TRANSLATE_NOOP("CEventDialog", "Конец")},
                          parameters);
    methodList = MakeList({QT_TRANSLATE_NOOP("CEventDialog", "2 точки"), "LS",
                           QT_TRANSLATE_NOOP("CEventDialog", "Другое")},
                          parameters);
    changedCheck = new QCheckBox(tr("Изменено"), parameters);
    auto* left = new QFormLayout(parameters);
    left->addRow(tr("Тип"), typeList);
    left->addRow(tr("Статус"), statusList);
    left->addRow(tr("Метод"), methodList);
    left->addRow(changedCheck);

    auto* data = new QGroupBox(tr("Данные"), this);
    locationEdit = new QLineEdit(data);
    lossEdit = new QLineEdit(data);
    reflectanceEdit = new QLineEdit(data);
    attenuationEdit = new QLineEdit(data);
    auto* right = new QFormLayout(data);
    right->addRow(tr("Место"), WithUnit(locationEdit, "km", data));
    right->addRow(tr("Потери"), WithUnit(lossEdit, "dB", data));
    right->addRow(tr("Отражение", "reflectance value"), WithUnit(reflectanceEdit, "dB", data));
    right->addRow(tr("Ослабление"), WithUnit(attenuationEdit, "dB/km", data));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* acceptButton = buttons->addButton(tr("Принять"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Отменить"), QDialogButtonBox::RejectRole);
    acceptButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CEventDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CEventDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(parameters);
    groups->addWidget(data);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(buttons);

    connect(typeList, &QComboBox::currentIndexChanged, this, [this](int chosen) {
        type = chosen;
        EnableEdits();
    });
}

void CEventDialog::PutFields() {
    typeList->setCurrentIndex(type);
    statusList->setCurrentIndex(status);
    methodList->setCurrentIndex(method);
    locationEdit->setText(NumberText(location));
    lossEdit->setText(NumberText(loss));
    reflectanceEdit->setText(NumberText(reflectance));
    attenuationEdit->setText(NumberText(attenuation));
    changedCheck->setChecked(changed);
}

bool CEventDialog::ReadFields() {
    const double kept[] = {original_.GetPosition(), original_.GetLoss(), original_.GetReflectance(),
                           original_.GetAttenuation()};
    const std::array<QLineEdit*, 4> edits = {locationEdit, lossEdit, reflectanceEdit,
                                             attenuationEdit};
    double* const fields[] = {&location, &loss, &reflectance, &attenuation};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        // Untouched, the stored value stays exactly: the four decimals shown are not it.
        if (edits[i]->text() == shownTexts_[i]) {
            *fields[i] = kept[i];
            continue;
        }
        // Every field is kept in single precision at least: a larger number is none.
        const std::optional<double> value = ParseNumber(edits[i]->text());
        if (!value || std::abs(*value) > std::numeric_limits<float>::max()) {
            GetPrompts().Show(tr(kEnterNumber).toStdString(), kProgramTitle,
                              CPrompts::Icon::Warning);
            edits[i]->setFocus();
            edits[i]->selectAll();
            return false;
        }
        *fields[i] = *value;
    }
    type = typeList->currentIndex();
    status = statusList->currentIndex();
    method = methodList->currentIndex();
    changed = changedCheck->isChecked();
    return true;
}

void CEventDialog::EnableEdits() {
    lossEdit->setEnabled(type == 0);
    reflectanceEdit->setEnabled(type != 0);
    attenuationEdit->setEnabled(type != 0);
}

void CEventDialog::accept() {
    if (!ReadFields())
        return;
    // The description and the file record are not in the dialog; an edit must not lose them.
    CKeyEvent event;
    event.SetFileIndex(original_.GetFileIndex());
    event.SetComment(original_.GetComment());
    event.SetType(type);
    event.SetMarker(status);
    event.SetMethod(method);
    event.SetPosition(static_cast<float>(location));
    event.SetLoss(static_cast<float>(loss));
    event.SetAttenuation(static_cast<float>(attenuation));
    event.SetReflectance(reflectance);
    event.SetFlag(changed);
    if (adding_)
        index = signal_.AddEvent(event);
    else
        signal_.SetEvent(index, event);
    QDialog::accept();
}
