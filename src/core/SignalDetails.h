#pragma once
// What a trace file says about its measurement beyond the five parameter lines: when and by
// whom, which cable and fibre between which places, with what instrument and software, how
// many averages, and the link totals the instrument worked out. Labels and values are UTF-8;
// a field the file leaves empty (or blank, or zero where zero means "not measured") gives no
// line.

#include "core/CSignal.h"

#include <ctime>
#include <vector>

class CGenParams;
class CSupParams;
class CFxdParams;
class CKeyEventTotals;
class CM600File;

// The lines of a Bellcore file of either layout.
std::vector<CDetailLine> BellcoreDetails(const CGenParams& gen, const CSupParams& sup,
                                         const CFxdParams& fxd, const CKeyEventTotals& totals);
// The lines of a Noyes M600 file (it has no fibre id, instrument or link totals).
std::vector<CDetailLine> M600Details(const CM600File& file);
// A file's time stamp in the local time zone, "dd.mm.yyyy hh:mm:ss"; empty for none (0).
std::string FormatTimeStamp(std::time_t seconds);
