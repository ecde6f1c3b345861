#include "tools/rtu-sim/RtuRequest.h"

#include <charconv>
#include <strings.h>

namespace {

template <typename T> void ReadNumber(const std::string& text, T& value) {
    T parsed{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error == std::errc() && end == text.data() + text.size())
        value = parsed;
}

void Assign(RtuRequest& request, const std::string& key, const std::string& value) {
    if (key == "Status")
        request.status = value;
    else if (key == "SupplierName")
        request.supplierName = value;
    else if (key == "MainframeId")
        request.mainframeId = value;
    else if (key == "MainframeSn")
        request.mainframeSn = value;
    else if (key == "Operator")
        request.operatorName = value;
    else if (key == "Comment")
        request.comment = value;
}

void Assign(RtuFiberRequest& fiber, const std::string& key, const std::string& value) {
    if (key == "FiberId")
        fiber.fiberId = value;
    else if (key == "CableId")
        fiber.cableId = value;
    else if (key == "CableCode")
        fiber.cableCode = value;
    else if (key == "OriginalLocation")
        fiber.originalLocation = value;
    else if (key == "TerminatingLocation")
        fiber.terminatingLocation = value;
    else if (key == "CurrentDataFlag")
        ReadNumber(value, fiber.dataFlag);
    else if (key == "Averaging")
        ReadNumber(value, fiber.averaging);
    else if (key == "Distance")
        ReadNumber(value, fiber.distanceKm);
    else if (key == "PulseWidth")
        ReadNumber(value, fiber.pulseNs);
    else if (key == "NominalWavelength")
        ReadNumber(value, fiber.nominalWavelength);
    else if (key == "ActualWavelength")
        ReadNumber(value, fiber.actualWavelength);
    else if (key == "GroupIndex")
        ReadNumber(value, fiber.groupIndex);
    else if (key == "Filter")
        fiber.filter = value == "1";
}

} // namespace

RtuRequest ParseRtuRequest(const std::string& text) {
    RtuRequest request;
    // -1: before any section or in one the unit does not know; 0: RTU; 1..4: FiberN.
    int section = -1;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string name = line.substr(1, line.size() - 2);
            section = -1;
            if (::strcasecmp(name.c_str(), "RTU") == 0)
                section = 0;
            else if (name.size() == 6 && ::strncasecmp(name.c_str(), "Fiber", 5) == 0 &&
                     name[5] >= '1' && name[5] <= '4')
                section = name[5] - '0';
            if (section > 0)
                request.fibers[static_cast<std::size_t>(section - 1)].emplace();
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || section < 0)
            continue;
        const std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (section == 0)
            Assign(request, key, value);
        else
            Assign(*request.fibers[static_cast<std::size_t>(section - 1)], key, value);
    }
    return request;
}
