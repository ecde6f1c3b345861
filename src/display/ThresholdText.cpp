#include "display/ThresholdText.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("Thresholds", text);
}

} // namespace

QString ThresholdName(EThreshold threshold) {
    switch (threshold) {
    case EThreshold::SpliceLoss:
        return Tr(QT_TRANSLATE_NOOP("Thresholds", "Потери на сварке"));
    case EThreshold::ConnectorLoss:
        return Tr(QT_TRANSLATE_NOOP("Thresholds", "Потери на разъёме"));
    case EThreshold::Reflectance:
        return Tr(QT_TRANSLATE_NOOP("Thresholds", "Отражение"));
    case EThreshold::SectionAttenuation:
        return Tr(QT_TRANSLATE_NOOP("Thresholds", "Затухание участка"));
    case EThreshold::EndToEndLoss:
        return Tr(QT_TRANSLATE_NOOP("Thresholds", "Потери линии"));
    case EThreshold::MinReturnLoss:
        return Tr(QT_TRANSLATE_NOOP("Thresholds", "ORL"));
    }
    return QString();
}

QString ThresholdUnit(EThreshold threshold) {
    return threshold == EThreshold::SectionAttenuation ? QStringLiteral("dB/km")
                                                       : QStringLiteral("dB");
}

QString BreachText(const CThresholdBreach& breach) {
    const QString unit = ThresholdUnit(breach.threshold);
    const QString format =
        breach.threshold == EThreshold::MinReturnLoss
            ? Tr(QT_TRANSLATE_NOOP("Thresholds", "%1: %2 %4, меньше порога %3 %4"))
            : Tr(QT_TRANSLATE_NOOP("Thresholds", "%1: %2 %4, больше порога %3 %4"));
    return format.arg(ThresholdName(breach.threshold), QString::number(breach.value, 'f', 3),
                      QString::number(breach.limit, 'f', 3), unit);
}

QString BreachesText(const CLinkVerdict& verdict, int event) {
    QStringList lines;
    for (const CThresholdBreach& breach : verdict.Of(event))
        lines << BreachText(breach);
    return lines.join(QLatin1Char('\n'));
}

QString VerdictText(const CLinkVerdict& verdict) {
    if (!verdict.checked)
        return QString();
    return verdict.Passed() ? Tr(QT_TRANSLATE_NOOP("Thresholds", "норма"))
                            : Tr(QT_TRANSLATE_NOOP("Thresholds", "не норма"));
}
