#include "app/ScanSettingsFiles.h"

#include "scan/CAppSettings.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

#include <utility>

namespace {

ScanSettingsFileChooser& Chooser() {
    static ScanSettingsFileChooser chooser;
    return chooser;
}

} // namespace

std::optional<std::string> ChooseScanSettingsFile(QWidget* owner, bool save) {
    if (Chooser())
        return Chooser()(owner, save);
    QFileDialog dialog(owner);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("spr"));
    // "*" rather than "*.*": names without a dot are files too.
    dialog.setNameFilters(
        {QStringLiteral("Scaning Properties(*.spr)"), QStringLiteral("All Files(*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

void SetScanSettingsFileChooser(ScanSettingsFileChooser chooser) {
    Chooser() = std::move(chooser);
}

bool SaveScanSettingsWithDialog(CAppSettings& settings, QWidget* owner) {
    const std::optional<std::string> path = ChooseScanSettingsFile(owner, true);
    return path && settings.GetScanSettings().SaveToFile(*path);
}

bool LoadScanSettingsWithDialog(CAppSettings& settings, QWidget* owner) {
    const std::optional<std::string> path = ChooseScanSettingsFile(owner, false);
    return path && settings.GetScanSettings().LoadFromFile(*path);
}
