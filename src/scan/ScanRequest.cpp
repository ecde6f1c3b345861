#include "scan/ScanRequest.h"

#include "scan/CScanSettings.h"

#include <charconv>

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
    rtu.AddEntry("FiberNum", std::to_string(CScanSettings::kFiberCount));

    for (int fiber = 0; fiber < CScanSettings::kFiberCount; ++fiber) {
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
        section.AddEntry("Filter", settings.GetFilter(fiber) ? "1" : "0");
    }
    return ini;
}
