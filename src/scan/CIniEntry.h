#pragma once
// One key/value pair of an INI file. Both are byte strings in Windows-1251, written as they are.

#include <string>

class CIniEntry {
public:
    CIniEntry() = default;
    CIniEntry(std::string key, std::string value) : key(std::move(key)), value(std::move(value)) {}

    // The line without its line end: "key=value", or "key=\"value\"" when the value holds a
    // space. A CR or LF becomes a space first, so no text can start a line of its own.
    std::string FormatLine() const;

    std::string key;
    std::string value;
};

// Replaces CR and LF by spaces.
std::string IniSingleLine(std::string text);
