#pragma once
// A trace's key events as a table for spreadsheets: the event list's columns with the file
// and the wavelength in front. UTF-8, numbers with a dot whatever the locale, an empty cell
// where the list shows "--". The command line's export and the viewer's event list both
// write it, so the two never differ.

#include <string>

class CSignal;

enum class ETableStyle {
    Csv,  // comma-separated, fields quoted where they need it
    Tabs, // tab-separated for the clipboard; tabs and line breaks in texts become blanks
};

// The header line, ending in a newline.
std::string EventTableHeader(ETableStyle style);
// One line per event, each ending in a newline; file is what the file column says.
std::string EventTableRows(const CSignal& signal, const std::string& file, ETableStyle style);
// Header and rows.
std::string EventTable(const CSignal& signal, const std::string& file, ETableStyle style);
