#pragma once
// Where the model's shapes meet Qt's: below display/ colours are 0x00BBGGRR (as the files and
// the settings store them) and text is std::string in UTF-8.

#include <QColor>
#include <QString>

#include <cstdint>
#include <string>

inline QRgb ToQRgb(std::uint32_t colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

inline QColor ToQColor(std::uint32_t colour) {
    return QColor(ToQRgb(colour));
}

inline std::uint32_t FromQColor(const QColor& colour) {
    return static_cast<std::uint32_t>(colour.red()) |
           (static_cast<std::uint32_t>(colour.green()) << 8) |
           (static_cast<std::uint32_t>(colour.blue()) << 16);
}

inline QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

inline QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}
