#include "analysis/EventTable.h"

#include "analysis/SignalAnalysis.h"
#include "core/CSignal.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace {

constexpr const char* kHeader[] = {"file",           "wavelength_nm",         "number",
                                   "type",           "distance_km",           "loss_db",
                                   "reflectance_db", "attenuation_db_per_km", "comment"};

// "%.3f" in the C locale: the list's precision, a dot in any locale.
std::string Number(double value) {
    if (!std::isfinite(value))
        return {};
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
    if (result.ec != std::errc())
        return {};
    std::string number(text, result.ptr);
    // A value that rounds to zero has no sign, as the list shows it.
    if (number == "-0.000")
        number.erase(0, 1);
    return number;
}

// The list shows "--" where a value does not apply or the file holds none.
std::string Shown(const std::string& listText, double value) {
    return listText == "--" ? std::string() : Number(value);
}

std::string Field(std::string text, ETableStyle style, bool freeText) {
    // A spreadsheet runs a cell starting like a formula; a comment from a file must stay text.
    if (freeText && !text.empty() && std::string("=+-@").find(text[0]) != std::string::npos) {
        // Built piecewise: GCC 12 at -O3 warns falsely on an insert at the front.
        std::string guarded(1, '\'');
        guarded += text;
        text = std::move(guarded);
    }
    if (style == ETableStyle::Tabs) {
        for (char& c : text)
            if (c == '\t' || c == '\n' || c == '\r')
                c = ' ';
        return text;
    }
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string Line(const std::vector<std::string>& fields, ETableStyle style) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0)
            line += style == ETableStyle::Csv ? ',' : '\t';
        line += fields[i];
    }
    line += '\n';
    return line;
}

} // namespace

std::string EventTableHeader(ETableStyle style) {
    return Line(std::vector<std::string>(std::begin(kHeader), std::end(kHeader)), style);
}

std::string EventTableRows(const CSignal& signal, const std::string& file, ETableStyle style) {
    const int wavelength = AnalysisTraceOf(signal).wavelength;
    const std::string fileField = Field(file, style, true);
    const std::string wavelengthField = wavelength > 0 ? std::to_string(wavelength) : "";
    std::string rows;
    for (int i = 0; i < signal.GetEventCount(); ++i) {
        const CKeyEvent event = signal.GetEvent(i);
        rows += Line({fileField, wavelengthField, std::to_string(i + 1),
                      Field(event.GetTypeName(), style, false), Number(event.GetPosition()),
                      Shown(event.GetLossText(), event.GetLoss()),
                      Shown(event.GetReflectanceText(), event.GetReflectance()),
                      Shown(event.GetAttenuationText(), event.GetAttenuation()),
                      Field(event.GetComment(), style, true)},
                     style);
    }
    return rows;
}

std::string EventTable(const CSignal& signal, const std::string& file, ETableStyle style) {
    return EventTableHeader(style) + EventTableRows(signal, file, style);
}
