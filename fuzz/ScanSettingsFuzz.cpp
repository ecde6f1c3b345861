// Arbitrary bytes as a .spr file: every value reads without undefined behaviour, reading
// changes nothing, and the record saves back byte for byte.

#include "scan/CScanSettings.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// Keeps the values read from being optimised away.
volatile std::size_t gSink;

namespace {

// Every getter, so that a value no dialog would write still reads safely.
std::size_t ReadAll(const CScanSettings& s) {
    std::size_t sum = 0;
    const auto add = [&sum](auto value) { sum += static_cast<std::size_t>(value); };
    add(s.GetUseIp());
    add(s.GetIpAddress());
    add(s.GetPassword().value_or("").size());
    for (const std::string& text :
         {s.GetRtuName(), s.GetOriginalLocation(), s.GetSupplierName(), s.GetMainframeId(),
          s.GetMainframeSn(), s.GetOperatorName(), s.GetComment()})
        add(text.size());
    for (int octet = -1; octet <= 4; ++octet)
        add(s.GetIpOctet(octet));
    for (int fiber = -1; fiber <= kFiberCount; ++fiber) {
        for (int value : {s.GetDataFlag(fiber), s.GetAveraging(fiber), s.GetDistanceIndex(fiber),
                          s.GetDistanceKm(fiber), s.GetPulseIndex(fiber), s.GetPulseNs(fiber)})
            add(value);
        add(s.IsFiberEnabled(fiber));
        add(s.GetFilter(fiber));
        for (double value :
             {s.GetNominalWavelength(fiber), s.GetActualWavelength(fiber), s.GetGroupIndex(fiber)})
            add(value == value);
        for (const std::string& text : {s.GetFiberId(fiber), s.GetCableId(fiber),
                                        s.GetCableCode(fiber), s.GetTerminatingLocation(fiber)})
            add(text.size());
    }
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Loading takes the file's first kSize bytes over the record it replaces.
    CScanSettings settings;
    const std::vector<std::uint8_t> before(settings.GetBytes().begin(), settings.GetBytes().end());
    settings.SetBytes(data, size);
    const std::size_t taken = size < CScanSettings::kSize ? size : CScanSettings::kSize;
    std::vector<std::uint8_t> expected(data, data + taken);
    expected.insert(expected.end(), before.begin() + static_cast<std::ptrdiff_t>(taken),
                    before.end());
    gSink = ReadAll(settings);
    const std::vector<std::uint8_t> saved(settings.GetBytes().begin(), settings.GetBytes().end());
    if (saved != expected)
        std::abort();
    return 0;
}
