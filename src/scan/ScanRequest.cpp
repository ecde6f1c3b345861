#include "scan/ScanRequest.h"

#include "scan/CScanSettings.h"

#include <charconv>
#include <string_view>
#include <strings.h>

std::string FormatRequestReal(double value) {
    // Room for the largest double in fixed notation.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}

CIniFile BuildScanRequest(const CScanSettings& settings) {
    CIniFile ini;
    CIniSection& rtu = ini.GetSection(ini.AddSection("RTU"));
    rtu.AddEntry("Status", "SCAN");
    rtu.AddEntry("SupplierName", settings.GetSupplierName());
    rtu.AddEntry("MainframeId", settings.GetMainframeId());
    rtu.AddEntry("MainframeSn", settings.GetMainframeSn());
    rtu.AddEntry("Operator", settings.GetOperatorName());
    rtu.AddEntry("Comment", settings.GetComment());
    // The unit always has four fibres; the sections say which of them to measure.
    rtu.AddEntry("FiberNum", std::to_string(kFiberCount));

    for (int fiber = 0; fiber < kFiberCount; ++fiber) {
        if (!settings.IsFiberEnabled(fiber))
            continue;
        CIniSection& section = ini.GetSection(ini.AddSection("Fiber" + std::to_string(fiber + 1)));
        section.AddEntry("FiberId", settings.GetFiberId(fiber));
        section.AddEntry("CableId", settings.GetCableId(fiber));
        section.AddEntry("CableCode", settings.GetCableCode(fiber));
        section.AddEntry("OriginalLocation", settings.GetOriginalLocation());
        section.AddEntry("TerminatingLocation", settings.GetTerminatingLocation(fiber));
        section.AddEntry("CurrentDataFlag", std::to_string(settings.GetDataFlag(fiber)));
        section.AddEntry("Averaging", std::to_string(settings.GetAveraging(fiber)));
        section.AddEntry("Distance", std::to_string(settings.GetDistanceKm(fiber)));
        section.AddEntry("PulseWidth", std::to_string(settings.GetPulseNs(fiber)));
        section.AddEntry("NominalWavelength",
                         FormatRequestReal(settings.GetNominalWavelength(fiber)));
        section.AddEntry("ActualWavelength",
                         FormatRequestReal(settings.GetActualWavelength(fiber)));
        section.AddEntry("GroupIndex", FormatRequestReal(settings.GetGroupIndex(fiber)));
        section.AddEntry("Filter", std::to_string(settings.GetFilterValue(fiber)));
    }
    return ini;
}

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameWord(std::string_view a, const char* b) {
    const std::size_t length = std::char_traits<char>::length(b);
    return a.size() == length && ::strncasecmp(a.data(), b, length) == 0;
}

} // namespace

std::string IdleRequest(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    bool inRtu = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string_view line(text.data() + start, end - start);
        const std::string_view content = Trimmed(line.substr(0, line.find('\n')));
        if (!content.empty() && content.front() == '[') {
            const std::size_t close = content.find(']');
            inRtu = close != std::string_view::npos &&
                    SameWord(Trimmed(content.substr(1, close - 1)), "RTU");
        }
        const std::size_t equals = content.find('=');
        if (inRtu && equals != std::string_view::npos &&
            SameWord(Trimmed(content.substr(0, equals)), "Status") &&
            SameWord(Trimmed(content.substr(equals + 1)), "SCAN")) {
            // The key as it was, the line's own ending kept.
            const std::size_t keyEnd = line.find('=');
            const std::size_t bodyEnd = line.find_last_not_of("\r\n");
            result.append(line.substr(0, keyEnd + 1));
            result.append("IDLE");
            result.append(line.substr(bodyEnd + 1));
        } else {
            result.append(line);
        }
        start = end;
    }
    return result;
}
