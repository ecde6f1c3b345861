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

// The request text with every Status=SCAN of its [RTU] section made Status=IDLE, the rest
// kept byte for byte; what the unit is left when a scan ends, so it stops measuring even when
// the request it had before was itself a scan (left by a run that could not end).
std::string IdleRequest(const std::string& text);
