#pragma once
// The scan request the remote test unit reads from "OPTREFL.PAR": the unit's texts under
// [RTU] and one [FiberN] section for each enabled fibre, in fibre order. Texts go as stored
// (Windows-1251), whole numbers in decimal, reals with six decimals and a point whatever the
// locale.

#include "scan/CIniFile.h"

#include <string>

class CScanSettings;

CIniFile BuildScanRequest(const CScanSettings& settings);

// "%f" without the locale: 1550.000000, 1.468000.
std::string FormatRequestReal(double value);
