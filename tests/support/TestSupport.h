#pragma once
// Helpers shared by the tests: scratch folders and the real sample files.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
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

// A file of size bytes that starts with head and holds no blocks beyond it; false where the
// file system cannot hold such a file.
bool MakeSparseFile(const std::string& path, const std::vector<std::uint8_t>& head,
                    std::uint64_t size);

// Runs body in a child process and returns its text. With asNobody a root process first
// becomes the unprivileged user "nobody", so that permissions bind it; nullopt when that
// fails or the child dies.
std::optional<std::string> RunInChild(const std::function<std::string()>& body, bool asNobody);
