#pragma once
// Text as the dialogs show and take it: UTF-8 literals, Windows-1251 record fields, and
// decimal numbers typed with a point or the comma Russian keyboards give.

#include "display/QtShapes.h"
#include "platform/TextCodec.h"

#include <QString>

#include <cmath>
#include <optional>
#include <string>

inline QString FromRecord(const Cp1251String& bytes) {
    return QString::fromStdString(TextCodec::Cp1251ToUtf8(bytes));
}

inline Cp1251String ToRecord(const QString& text) {
    return TextCodec::Utf8ToCp1251(text.toStdString());
}

inline std::optional<double> ParseNumber(const QString& text) {
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = number.toDouble(&ok);
    // The toolkit takes "nan" and "inf" as numbers; no field means either.
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

inline QString NumberText(double value) {
    return QString::number(value, 'g', 15);
}
