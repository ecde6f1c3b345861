#pragma once
// Small trace files for the tests of the layers that open traces.

#include "formats/bellcore/CGR196File.h"
#include "support/TestSupport.h"

#include <string>
#include <vector>

// A GR-196-CORE trace of 64 points without events in the folder; returns its path.
inline std::string WriteTrace(const CScratchDir& dir, const std::string& name) {
    CGR196File file;
    std::vector<float> levels(64);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = 3.0f + 0.1f * static_cast<float>(i);
    file.GetFxdParams().SetGroupIndex(1.4682);
    file.GetFxdParams().AddPulseEntry(CPulseWidthEntry(1000, 500, 64));
    file.GetDataPts().SetLevels(64, levels.data());
    file.Save(dir.Path(name));
    return dir.Path(name);
}

// A file no trace reader recognises (no map revision, no M600 signature); returns its path.
inline std::string WriteJunk(const CScratchDir& dir, const std::string& name) {
    WriteAll(dir.Path(name), std::vector<std::uint8_t>(64, 0));
    return dir.Path(name);
}
