#pragma once
// A named set of link thresholds as a small JSON file of our own:
//   {"format": "lumetra-thresholds", "version": 1, "name": "…",
//    "spliceLoss": 0.1, "connectorLoss": 0.5, "reflectance": -45, "sectionAttenuation": 0.35,
//    "endToEndLoss": null, "minReturnLoss": 35}
// null (or a missing key) is a threshold that is off; keys we do not know are ignored.

#include "analysis/LinkThresholds.h"

#include <string>
#include <variant>

// Either the set or a message naming the file and what is wrong with it. A file that is not
// ours, of a later version, damaged or holding a value out of range gives the message.
using CThresholdsOrError = std::variant<CLinkThresholds, std::string>;

CThresholdsOrError ParseThresholds(const std::string& text, const std::string& path);
CThresholdsOrError ReadThresholdsFile(const std::string& path);
std::string ThresholdsText(const CLinkThresholds& thresholds);
// Atomic; throws CFileException, leaving the old file as it was.
void WriteThresholdsFile(const std::string& path, const CLinkThresholds& thresholds);
