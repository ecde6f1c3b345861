#include "scan/CIniEntry.h"

#include <algorithm>

std::string IniSingleLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

std::string CIniEntry::FormatLine() const {
    const std::string clean = IniSingleLine(value);
    // Only a space makes the value need quotes; nothing is escaped.
    if (clean.find(' ') == std::string::npos)
        return IniSingleLine(key) + "=" + clean;
    return IniSingleLine(key) + "=\"" + clean + "\"";
}
