#pragma once
// The checks both Bellcore fuzz targets make: arbitrary bytes either fail to load with the
// format's error or load into a file object that saves, loads again cleanly, saves to the same
// bytes and converts to the other layout, whose levels survive being built into groups.

#include "formats/bellcore/CDataPts.h"
#include "platform/CException.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

// A file that loaded must also save; a failure here is a bug, not bad input.
template <class File> std::vector<std::uint8_t> MustSave(File& file) {
    try {
        return file.SaveToBytes();
    } catch (const CException&) {
        __builtin_trap();
    }
}

// What we wrote ourselves must load without a warning.
template <class File> void MustLoadCleanly(File& file, const std::vector<std::uint8_t>& bytes) {
    try {
        file.Load(bytes);
    } catch (const CException&) {
        __builtin_trap();
    }
    if (file.HasChecksumMismatch() || !file.GetPaddedBlocks().empty())
        __builtin_trap();
}

// Hands the levels back as an edit would, so that the groups are built from them again.
template <class File> void RebuildLevels(File& file) {
    auto& points = file.GetDataPts();
    const std::vector<float> levels = points.GetLevels();
    points.SetLevels(static_cast<int>(levels.size()), levels.data());
}

// Levels read from groups the builder made must come back unchanged from building them again;
// the groups themselves may differ where one level has two forms (6553 at scale 10 and 65530
// at scale 1).
template <class File> void MustKeepLevels(File& file) {
    RebuildLevels(file);
    CDataPts& points = file.GetDataPts();
    points.BuildScaleGroups();
    CDataPts decoded;
    decoded.SetScaleGroups(points.GetScaleGroups());
    if (decoded.GetLevels() != points.GetLevels())
        __builtin_trap();
}

template <class File, class OtherFile>
int RoundTripBellcore(const std::uint8_t* data, std::size_t size) {
    File file;
    try {
        file.Load(std::vector<std::uint8_t>(data, data + size));
    } catch (const COtdrException&) {
        return 0;
    } catch (const CException&) {
        return 0;
    }

    // The first save may normalise what was read (codes, scaled values); from then on the
    // writer must be idempotent.
    const std::vector<std::uint8_t> saved = MustSave(file);
    File again;
    MustLoadCleanly(again, saved);
    if (MustSave(again) != saved)
        __builtin_trap();

    // The converted file goes through the group builder, as an edited trace would.
    OtherFile other;
    other.FromOtherLayout(file);
    RebuildLevels(other);
    const std::vector<std::uint8_t> converted = MustSave(other);
    OtherFile otherAgain;
    MustLoadCleanly(otherAgain, converted);
    MustKeepLevels(otherAgain);
    return 0;
}

} // namespace fuzz
