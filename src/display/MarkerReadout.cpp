#include "display/MarkerReadout.h"

#include "core/CSignal.h"
#include "platform/CException.h"

#include <QCoreApplication>

#include <cmath>
#include <cstdio>
#include <optional>

namespace {

constexpr const char* kNoValue = "--";

QString Format(const char* format, std::optional<float> value) {
    if (!value || !std::isfinite(*value))
        return QString::fromLatin1(kNoValue);
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<double>(*value));
    return QString::fromLatin1(text);
}

// The stored level at a distance, in single precision; nothing where the trace has none.
std::optional<float> LevelAt(const CSignal* signal, float km) {
    if (!signal)
        return std::nullopt;
    try {
        return static_cast<float>(signal->GetLevelAt(km));
    } catch (const CException&) {
        return std::nullopt;
    }
}

std::optional<float> Difference(std::optional<float> from, std::optional<float> to) {
    if (!from || !to)
        return std::nullopt;
    return *to - *from;
}

std::optional<float> Negated(std::optional<float> level) {
    if (!level)
        return std::nullopt;
    return -*level;
}

} // namespace

bool MarkerReadoutRow(int row, float a, float b, const CSignal* signal, QString& caption,
                      QString& value) {
    switch (row) {
    case 0:
        caption = QCoreApplication::translate("MarkerReadout", "Маркер A");
        value = Format("%.4f km", a);
        break;
    case 1:
        caption = QCoreApplication::translate("MarkerReadout", "Уровень A");
        value = Format("%.4f dB", Negated(LevelAt(signal, a)));
        break;
    case 2:
        caption = QCoreApplication::translate("MarkerReadout", "Маркер B");
        value = Format("%.4f km", b);
        break;
    case 3:
        caption = QCoreApplication::translate("MarkerReadout", "Уровень B");
        value = Format("%.4f dB", Negated(LevelAt(signal, b)));
        break;
    case 4:
        caption = QCoreApplication::translate("MarkerReadout", "Расстояние AB");
        value = Format("%.4f km", b - a);
        break;
    case 5:
        caption = QCoreApplication::translate("MarkerReadout", "Потери AB");
        value = Format("%.4f dB", Difference(LevelAt(signal, a), LevelAt(signal, b)));
        break;
    case 6: {
        caption = QCoreApplication::translate("MarkerReadout", "Ослабление AB");
        const std::optional<float> loss = Difference(LevelAt(signal, a), LevelAt(signal, b));
        // Coinciding markers have no attenuation between them.
        const float distance = b - a;
        value =
            Format("%.4g dB/km", loss && distance != 0.0f ? std::optional<float>(*loss / distance)
                                                          : std::nullopt);
        break;
    }
    default:
        return false;
    }
    caption += QLatin1Char(':');
    return true;
}
