#include "app/CThresholdsDialog.h"

#include "analysis/ThresholdsFile.h"
#include "app/ThresholdStore.h"
#include "display/ThresholdText.h"
#include "platform/CException.h"
#include "platform/CPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct CRowShape {
    EThreshold threshold;
    std::optional<double> CLinkThresholds::*member;
    double low, high, start; // the range, and the value a switched-on row starts with
};

constexpr CRowShape kRows[] = {
    {EThreshold::SpliceLoss, &CLinkThresholds::spliceLoss, 0.0, 50.0, 0.10},
    {EThreshold::ConnectorLoss, &CLinkThresholds::connectorLoss, 0.0, 50.0, 0.50},
    {EThreshold::Reflectance, &CLinkThresholds::reflectance, -100.0, 0.0, -45.0},
    {EThreshold::SectionAttenuation, &CLinkThresholds::sectionAttenuation, 0.0, 50.0, 0.35},
    {EThreshold::EndToEndLoss, &CLinkThresholds::endToEndLoss, 0.0, 200.0, 20.0},
    {EThreshold::MinReturnLoss, &CLinkThresholds::minReturnLoss, 0.0, 100.0, 35.0},
};

QString RowLabel(EThreshold threshold) {
    return threshold == EThreshold::MinReturnLoss
               ? CThresholdsDialog::tr("%1 не меньше").arg(ThresholdName(threshold))
               : CThresholdsDialog::tr("%1 не больше").arg(ThresholdName(threshold));
}

void Warn(const QString& text, const QString& caption) {
    GetPrompts().Show(text.toStdString(), caption.toStdString(), CPrompts::Icon::Warning);
}

} // namespace

CThresholdsDialog::CThresholdsDialog(const CLinkThresholds& thresholds, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("thresholdsDialog"));
    setWindowTitle(tr("Пороги"));
    auto* layout = new QVBoxLayout(this);

    auto* setRow = new QHBoxLayout;
    sets_ = new QComboBox(this);
    sets_->setObjectName(QStringLiteral("thresholdSets"));
    auto* save = new QPushButton(tr("Сохранить набор"), this);
    save->setObjectName(QStringLiteral("saveThresholdSet"));
    setRow->addWidget(sets_, 1);
    setRow->addWidget(save);
    auto* form = new QFormLayout;
    form->addRow(tr("Набор:"), setRow);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("thresholdSetName"));
    name_->setMaxLength(100);
    form->addRow(tr("Имя набора:"), name_);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const CRowShape& shape = kRows[i];
        CRow& row = rows_[i];
        row.on = new QCheckBox(RowLabel(shape.threshold), this);
        row.on->setObjectName(QStringLiteral("thresholdOn%1").arg(i));
        row.value = new QDoubleSpinBox(this);
        row.value->setObjectName(QStringLiteral("thresholdValue%1").arg(i));
        row.value->setRange(shape.low, shape.high);
        row.value->setDecimals(3);
        row.value->setSingleStep(0.05);
        row.value->setSuffix(QLatin1Char(' ') + ThresholdUnit(shape.threshold));
        row.value->setValue(shape.start);
        row.value->setEnabled(false);
        connect(row.on, &QCheckBox::toggled, row.value, &QWidget::setEnabled);
        form->addRow(row.on, row.value);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, [this] { SaveSet(); });

    SetThresholds(thresholds);
    FillSets();
    connect(sets_, &QComboBox::activated, this, [this](int index) {
        const QString path = sets_->itemData(index).toString();
        if (!path.isEmpty())
            LoadSet(path);
    });
}

void CThresholdsDialog::FillSets() {
    const QSignalBlocker quiet(sets_);
    sets_->clear();
    sets_->addItem(tr("(выберите набор)"));
    for (const CThresholdSetFile& set : ThresholdSetFiles())
        sets_->addItem(set.name, set.path);
}

CLinkThresholds CThresholdsDialog::Thresholds() const {
    CLinkThresholds out;
    out.name = name_->text().trimmed().toStdString();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].on->isChecked())
            out.*kRows[i].member = rows_[i].value->value();
    return out;
}

void CThresholdsDialog::SetThresholds(const CLinkThresholds& thresholds) {
    name_->setText(QString::fromStdString(thresholds.name));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const std::optional<double>& value = thresholds.*kRows[i].member;
        rows_[i].on->setChecked(value.has_value());
        if (value)
            rows_[i].value->setValue(*value);
    }
}

bool CThresholdsDialog::LoadSet(const QString& path) {
    const CThresholdsOrError read = ReadThresholdsFile(QFile::encodeName(path).toStdString());
    if (const auto* problem = std::get_if<std::string>(&read)) {
        Warn(QString::fromStdString(*problem), windowTitle());
        return false;
    }
    SetThresholds(std::get<CLinkThresholds>(read));
    return true;
}

bool CThresholdsDialog::SaveSet() {
    if (name_->text().trimmed().isEmpty()) {
        Warn(tr("Введите имя набора."), windowTitle());
        name_->setFocus();
        return false;
    }
    try {
        const QString path = SaveThresholdSet(Thresholds());
        FillSets();
        sets_->setCurrentIndex(sets_->findData(path));
        return true;
    } catch (const CException& error) {
        Warn(QString::fromStdString(error.GetErrorMessage()), windowTitle());
        return false;
    }
}
