#include "support/TestSupport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The texts the tests compare are the Russian ones. ctest sets the message locale; a test
// program started by hand from a shell in another language sets it the same way.
[[maybe_unused]] const bool kRussianMessages = [] {
    return ::setenv("LC_MESSAGES", "ru_RU.UTF-8", 1) == 0;
}();

} // namespace

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

bool MakeSparseFile(const std::string& path, const std::vector<std::uint8_t>& head,
                    std::uint64_t size) {
    WriteAll(path, head);
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0 && fs::file_size(path) == size;
}

std::optional<std::string> RunInChild(const std::function<std::string()>& body, bool asNobody) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        constexpr uid_t kNobody = 65534;
        if (asNobody && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(2);
        const std::string text = body();
        const bool written =
            ::write(pipeFds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeFds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}
