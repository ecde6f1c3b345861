#pragma once
// A section of an INI file: a name (empty for the lines before the first header) and its
// entries in the order they were added. Duplicates are kept; nothing is trimmed or folded.

#include "scan/CIniEntry.h"

#include <cstddef>
#include <string>
#include <vector>

class CIniSection {
public:
    explicit CIniSection(std::string name = {}) : name_(std::move(name)) {}

    // Returns the index of the new entry.
    std::size_t AddEntry(std::string key, std::string value);
    // Throws CIniException for an index at or beyond the entry count.
    CIniEntry& GetEntry(std::size_t index);
    const CIniEntry& GetEntry(std::size_t index) const;
    std::size_t GetEntryCount() const { return entries_.size(); }

    const std::string& GetName() const { return name_; }

private:
    std::string name_;
    std::vector<CIniEntry> entries_;
};
