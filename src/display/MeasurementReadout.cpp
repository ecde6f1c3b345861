#include "display/MeasurementReadout.h"

#include "display/MarkerReadout.h"

#include <QCoreApplication>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("MeasurementReadout", text);
}

QString Number(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

QString FaultTip(EMeasureFault fault) {
    switch (fault) {
    case EMeasureFault::None:
        return {};
    case EMeasureFault::NoTrace:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "Нет отсчётов рефлектограммы"));
    case EMeasureFault::MarkerOutside:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "Маркер за пределами рефлектограммы"));
    case EMeasureFault::FewSamplesAB:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "Меньше двух отсчётов между A и B"));
    case EMeasureFault::FewSamplesBefore:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "Меньше двух отсчётов между a1 и A"));
    case EMeasureFault::FewSamplesAfter:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "Меньше двух отсчётов между B и b1"));
    case EMeasureFault::CoincidentMarkers:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "Маркеры A и B совпадают"));
    case EMeasureFault::NoBackscatter:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout",
                                    "В файле нет коэффициента обратного рассеяния"));
    case EMeasureFault::NoPulseWidth:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "В файле нет длительности импульса"));
    case EMeasureFault::NoPeak:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout",
                                    "Между A и B нет пика над обратным рассеянием"));
    }
    return {};
}

// One reading row of a mode: its caption, format and where its value lies.
struct CReadingRow {
    const char* caption;
    const char* format;
    const CReading CMeasurement::*reading;
};

std::vector<CReadingRow> ReadingRows(EMeasureMode mode) {
    switch (mode) {
    case EMeasureMode::Lsa:
        return {
            {QT_TRANSLATE_NOOP("MeasurementReadout", "Потери МНК"), "%.4f dB", &CMeasurement::loss},
            {QT_TRANSLATE_NOOP("MeasurementReadout", "Ослабление МНК"), "%.4g dB/km",
             &CMeasurement::attenuation},
            {QT_TRANSLATE_NOOP("MeasurementReadout", "Отклонение МНК"), "%.4f dB",
             &CMeasurement::deviation}};
    case EMeasureMode::Splice:
        return {{QT_TRANSLATE_NOOP("MeasurementReadout", "Потери на сварке"), "%.4f dB",
                 &CMeasurement::loss}};
    case EMeasureMode::Reflectance:
        return {{QT_TRANSLATE_NOOP("MeasurementReadout", "Отражение"), "%.4f dB",
                 &CMeasurement::reflectance}};
    case EMeasureMode::Orl:
        return {{QT_TRANSLATE_NOOP("MeasurementReadout", "ORL"), "%.4f dB", &CMeasurement::orl}};
    case EMeasureMode::TwoPoint:
        break;
    }
    return {};
}

int PositionRowCount(EMeasureMode mode) {
    return UsesSubMarkers(mode) ? 4 : 2;
}

} // namespace

QString MeasureModeTitle(EMeasureMode mode) {
    switch (mode) {
    case EMeasureMode::TwoPoint:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "2 точки"));
    case EMeasureMode::Lsa:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "Затухание МНК"));
    case EMeasureMode::Splice:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "Потери на сварке (4 точки)"));
    case EMeasureMode::Reflectance:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "Отражение"));
    case EMeasureMode::Orl:
        return Tr(QT_TRANSLATE_NOOP("MeasurementReadout", "ORL"));
    }
    return {};
}

bool UsesSubMarkers(EMeasureMode mode) {
    return mode == EMeasureMode::Splice || mode == EMeasureMode::Reflectance ||
           mode == EMeasureMode::Orl;
}

int MeasurementRowCount(EMeasureMode mode) {
    if (mode == EMeasureMode::TwoPoint)
        return kMarkerRowCount;
    return PositionRowCount(mode) + static_cast<int>(ReadingRows(mode).size());
}

bool MeasurementRow(int row, EMeasureMode mode, const CMarkerSet& markers, const CSignal* signal,
                    QString& caption, QString& value, QString& tip) {
    tip.clear();
    if (mode == EMeasureMode::TwoPoint)
        return MarkerReadoutRow(row, static_cast<float>(markers.a), static_cast<float>(markers.b),
                                signal, caption, value);
    if (row < 0 || row >= MeasurementRowCount(mode))
        return false;
    if (row < PositionRowCount(mode)) {
        static const char* const kCaptions[] = {
            QT_TRANSLATE_NOOP("MeasurementReadout", "Маркер A"),
            QT_TRANSLATE_NOOP("MeasurementReadout", "Маркер B"),
            QT_TRANSLATE_NOOP("MeasurementReadout", "Маркер a1"),
            QT_TRANSLATE_NOOP("MeasurementReadout", "Маркер b1")};
        const double positions[] = {markers.a, markers.b, markers.a1, markers.b1};
        caption = Tr(kCaptions[row]);
        value = Number("%.4f km", positions[row]);
    } else {
        const CReadingRow reading =
            ReadingRows(mode)[static_cast<std::size_t>(row - PositionRowCount(mode))];
        caption = Tr(reading.caption);
        CReading measured = CReading::Failed(EMeasureFault::NoTrace);
        if (signal)
            measured = MeasureSignal(*signal, mode, markers).*reading.reading;
        if (measured.Ok()) {
            value = Number(reading.format, measured.value);
        } else {
            value = QStringLiteral("--");
            tip = FaultTip(measured.fault);
        }
    }
    caption += QLatin1Char(':');
    return true;
}
