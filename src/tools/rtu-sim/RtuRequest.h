#pragma once
// The scan request as the unit reads it from "OPTREFL.PAR": [RTU] with its status and texts,
// and a [FiberN] section for each fibre to measure. Texts stay Windows-1251 bytes.

#include <array>
#include <optional>
#include <string>

struct RtuFiberRequest {
    std::string fiberId;
    std::string cableId;
    std::string cableCode;
    std::string originalLocation;
    std::string terminatingLocation;
    int dataFlag = 0;
    int averaging = 1;
    int distanceKm = 20;
    int pulseNs = 0; // 0: the synthesizer's choice
    double nominalWavelength = 1550.0;
    double actualWavelength = 1550.0;
    double groupIndex = 0.0; // 0: the fibre's own
    bool filter = false;
};

struct RtuRequest {
    std::string status;
    std::string supplierName;
    std::string mainframeId;
    std::string mainframeSn;
    std::string operatorName;
    std::string comment;
    std::array<std::optional<RtuFiberRequest>, 4> fibers;

    bool IsScan() const { return status == "SCAN"; }
};

// Lenient: unknown sections and keys are ignored, numbers that do not read keep their default,
// a value in double quotes loses them.
RtuRequest ParseRtuRequest(const std::string& text);
