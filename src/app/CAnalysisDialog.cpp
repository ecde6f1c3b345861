#include "app/CAnalysisDialog.h"

#include "app/CMainFrame.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSettings>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr const char* kGroup = "Analysis";

QDoubleSpinBox* MakeSpin(const char* name, double low, double high, int decimals, double step,
                         QWidget* parent) {
    auto* spin = new QDoubleSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(low, high);
    spin->setDecimals(decimals);
    spin->setSingleStep(step);
    return spin;
}

double Stored(QSettings& store, const char* key, double fallback, double low, double high) {
    bool ok = false;
    const double value = store.value(QLatin1String(key)).toDouble(&ok);
    return ok && std::isfinite(value) && value >= low && value <= high ? value : fallback;
}

} // namespace

CAnalysisDialog::CAnalysisDialog(const CAnalysisThresholds& initial, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Анализ трассы"));
    auto* form = new QFormLayout;
    splice_ = MakeSpin("spliceThreshold", 0.0, 10.0, 3, 0.01, this);
    reflectance_ = MakeSpin("reflectanceThreshold", -100.0, 0.0, 1, 1.0, this);
    end_ = MakeSpin("endThreshold", 0.0, 60.0, 1, 0.5, this);
    gains_ = new QCheckBox(tr("Показывать усиления"), this);
    gains_->setObjectName(QStringLiteral("reportGains"));
    form->addRow(tr("Порог потерь на сварке, дБ:"), splice_);
    form->addRow(tr("Порог отражения, дБ:"), reflectance_);
    form->addRow(tr("Порог конца волокна, дБ:"), end_);
    form->addRow(gains_);
    splice_->setValue(initial.spliceLoss);
    reflectance_->setValue(initial.reflectance);
    end_->setValue(initial.endOfFibre);
    gains_->setChecked(initial.reportGains);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

CAnalysisThresholds CAnalysisDialog::Thresholds() const {
    CAnalysisThresholds thresholds;
    thresholds.spliceLoss = splice_->value();
    thresholds.reflectance = reflectance_->value();
    thresholds.endOfFibre = end_->value();
    thresholds.reportGains = gains_->isChecked();
    return thresholds;
}

QSettings CAnalysisDialog::OpenStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLatin1(CMainFrame::kLayoutKey),
                     QString::fromLatin1(CMainFrame::kLayoutApplication));
}

CAnalysisThresholds CAnalysisDialog::Remembered(QSettings& store,
                                                const CAnalysisThresholds& fallback) {
    // The store is the user's file: anything in it may be out of range.
    store.beginGroup(QLatin1String(kGroup));
    CAnalysisThresholds thresholds = fallback;
    thresholds.spliceLoss = Stored(store, "SpliceLoss", fallback.spliceLoss, 0.0, 10.0);
    thresholds.reflectance = Stored(store, "Reflectance", fallback.reflectance, -100.0, 0.0);
    thresholds.endOfFibre = Stored(store, "EndOfFibre", fallback.endOfFibre, 0.0, 60.0);
    thresholds.reportGains =
        store.value(QStringLiteral("ReportGains"), fallback.reportGains).toBool();
    store.endGroup();
    return thresholds;
}

CAnalysisThresholds CAnalysisDialog::Initial(QSettings& store, const CAnalysisThresholds& stored,
                                             const std::string& file) {
    const CAnalysisThresholds defaults;
    const CAnalysisThresholds kept = Remembered(store, defaults);
    const bool again =
        !file.empty() && store.value(QLatin1String(kGroup) + QStringLiteral("/File")).toString() ==
                             QString::fromStdString(file);
    if (again)
        return kept;
    // The default in stored stands for a threshold the file leaves unset; one storing exactly
    // the default then shows the kept value, which the user chose. Files hold floats.
    const auto set = [](double value, double fallback) {
        return std::abs(value - fallback) > 1e-6;
    };
    CAnalysisThresholds initial = kept;
    if (set(stored.spliceLoss, defaults.spliceLoss))
        initial.spliceLoss = stored.spliceLoss;
    if (set(stored.reflectance, defaults.reflectance))
        initial.reflectance = stored.reflectance;
    if (set(stored.endOfFibre, defaults.endOfFibre))
        initial.endOfFibre = stored.endOfFibre;
    return initial;
}

void CAnalysisDialog::Remember(QSettings& store, const CAnalysisThresholds& thresholds,
                               const std::string& file) {
    store.beginGroup(QLatin1String(kGroup));
    store.setValue(QStringLiteral("File"), QString::fromStdString(file));
    store.setValue(QStringLiteral("SpliceLoss"), thresholds.spliceLoss);
    store.setValue(QStringLiteral("Reflectance"), thresholds.reflectance);
    store.setValue(QStringLiteral("EndOfFibre"), thresholds.endOfFibre);
    store.setValue(QStringLiteral("ReportGains"), thresholds.reportGains);
    store.endGroup();
}

bool CAnalysisDialog::IsAnalysingArrivals(QSettings& store) {
    store.beginGroup(QLatin1String(kGroup));
    const bool on = store.value(QStringLiteral("AnalyseArrivals"), false).toBool();
    store.endGroup();
    return on;
}

void CAnalysisDialog::SetAnalysingArrivals(QSettings& store, bool on) {
    store.beginGroup(QLatin1String(kGroup));
    store.setValue(QStringLiteral("AnalyseArrivals"), on);
    store.endGroup();
}
