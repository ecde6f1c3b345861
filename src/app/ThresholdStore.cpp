#include "app/ThresholdStore.h"

#include "analysis/ThresholdsFile.h"
#include "app/CMainFrame.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLatin1(CMainFrame::kLayoutKey),
                     QString::fromLatin1(CMainFrame::kLayoutApplication));
}

const QString kKey = QStringLiteral("Thresholds/Current");

// A name as a file name: no folders, no hidden files, nothing a file system refuses.
QString FileNameOf(const QString& name) {
    QString base = name.trimmed().left(100);
    for (QChar& c : base)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    while (base.startsWith(QLatin1Char('.')))
        base.remove(0, 1);
    if (base.isEmpty())
        base = QStringLiteral("thresholds");
    return base + QStringLiteral(".json");
}

} // namespace

CLinkThresholds LoadThresholds() {
    const QString text = Store().value(kKey).toString();
    if (text.isEmpty())
        return {};
    const CThresholdsOrError read = ParseThresholds(text.toStdString(), "settings");
    if (const auto* set = std::get_if<CLinkThresholds>(&read))
        return *set;
    return {};
}

void StoreThresholds(const CLinkThresholds& thresholds) {
    Store().setValue(kKey, QString::fromStdString(ThresholdsText(thresholds)));
}

QString ThresholdSetsFolder() {
    return QFileInfo(Store().fileName()).absolutePath() + QStringLiteral("/thresholds");
}

std::vector<CThresholdSetFile> ThresholdSetFiles() {
    std::vector<CThresholdSetFile> sets;
    const QDir folder(ThresholdSetsFolder());
    for (const QFileInfo& file :
         folder.entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        sets.push_back({file.completeBaseName(), file.absoluteFilePath()});
    return sets;
}

QString SaveThresholdSet(const CLinkThresholds& thresholds) {
    const QString folder = ThresholdSetsFolder();
    QDir().mkpath(folder);
    const QString path =
        folder + QLatin1Char('/') + FileNameOf(QString::fromStdString(thresholds.name));
    WriteThresholdsFile(QFile::encodeName(path).toStdString(), thresholds);
    return path;
}
