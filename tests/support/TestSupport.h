#pragma once
// Helpers shared by the tests: scratch folders and the real sample files.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A fresh folder removed at the end of the test.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;
    std::string Path(const std::string& name) const { return (root_ / name).string(); }
    const std::filesystem::path& Root() const { return root_; }

private:
    std::filesystem::path root_;
};

std::vector<std::uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The folder of real instrument files, empty when it is not there.
std::filesystem::path SamplesDir();
// Every sample file with one of the extensions (lower case, with dot), sorted.
std::vector<std::filesystem::path> SampleFiles(const std::vector<std::string>& extensions);
