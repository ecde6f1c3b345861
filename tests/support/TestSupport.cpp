#include "support/TestSupport.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

CScratchDir::CScratchDir() {
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        root_ = fs::temp_directory_path() / ("lumetra-test-" + std::to_string(seed()));
        if (fs::create_directory(root_))
            return;
    }
    throw std::runtime_error("cannot create a scratch folder");
}

CScratchDir::~CScratchDir() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

fs::path SamplesDir() {
    const fs::path dir = LUMETRA_SAMPLES_DIR;
    std::error_code error;
    return fs::is_directory(dir, error) ? dir : fs::path();
}

std::vector<fs::path> SampleFiles(const std::vector<std::string>& extensions) {
    std::vector<fs::path> files;
    const fs::path dir = SamplesDir();
    if (dir.empty())
        return files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (entry.is_regular_file() &&
            std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}
