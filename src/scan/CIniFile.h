#pragma once
// Write-only builder of an INI text file (the RTU's request file). Sections without a name
// are written first and without a header, then the named ones under "[name]"; every line
// ends in CR LF. The file on disk is replaced as a whole.

#include "scan/CIniSection.h"

#include <cstddef>
#include <string>
#include <vector>

class CIniFile {
public:
    // Returns the index of the new section (0 for the first).
    std::size_t AddSection(std::string name);
    // Throws CIniException for an index at or beyond the section count.
    CIniSection& GetSection(std::size_t index);
    const CIniSection& GetSection(std::size_t index) const;
    std::size_t GetSectionCount() const { return sections_.size(); }

    const std::string& GetFileName() const { return fileName_; }
    void SetFileName(std::string path) { fileName_ = std::move(path); }

    // The whole file as it is written, for targets that are not local files.
    std::string Format() const;

    // Writes to the file name, replacing the file atomically. Throws CIniException when no
    // name is set (nothing is created) and CFileException on a disk error.
    void Save() const;
    // The path becomes the file name first.
    void Save(std::string path);

private:
    std::string fileName_;
    std::vector<CIniSection> sections_;
};
