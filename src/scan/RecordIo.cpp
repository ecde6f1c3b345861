#include "scan/RecordIo.h"

#include "platform/CException.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RecordIo {

namespace {

// Closes a descriptor on every path out.
class CDescriptor {
public:
    explicit CDescriptor(int fd = -1) : fd_(fd) {}
    ~CDescriptor() { Reset(); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return fd_; }
    // Hands the descriptor over without closing it.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

[[noreturn]] void Fail(int error, const std::string& path) {
    throw CFileException(error != 0 ? error : EIO, path);
}

} // namespace

std::string GetText(const std::uint8_t* field, std::size_t fieldSize) {
    const void* end = std::memchr(field, 0, fieldSize);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - field) : fieldSize;
    std::string text(length, '\0');
    if (length != 0)
        std::memcpy(text.data(), field, length);
    return text;
}

void SetText(std::uint8_t* field, std::size_t fieldSize, std::string_view text) {
    if (fieldSize == 0)
        return;
    std::size_t length = std::min(text.size(), fieldSize - 1);
    if (const void* nul = std::memchr(text.data(), 0, length))
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
    std::memset(field, 0, fieldSize);
    if (length != 0)
        std::memcpy(field, text.data(), length);
}

std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t maxBytes) {
    // Non-blocking open: a FIFO planted under the name must not hang the program.
    CDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        Fail(errno, path);
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        Fail(errno, path);
    if (!S_ISREG(info.st_mode))
        Fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, path);
    if (::flock(fd.Get(), LOCK_SH | LOCK_NB) != 0)
        Fail(errno, path);
    std::vector<std::uint8_t> bytes(maxBytes);
    std::size_t done = 0;
    while (done < maxBytes) {
        const ssize_t got = ::read(fd.Get(), bytes.data() + done, maxBytes - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Fail(errno, path);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

void WritePrivateFile(const std::string& path, const void* data, std::size_t size) {
    std::string target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    // Exclusive use of an existing file while it is replaced, as every writer takes it.
    CDescriptor lock;
    if (::stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            Fail(EISDIR, path);
        lock.Reset(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (lock.Get() < 0 || ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0)
            Fail(errno, path);
    }

    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::random_device seed;
    std::mt19937 random(seed());
    std::string tempPath;
    CDescriptor temp;
    for (int attempt = 0; attempt < 100 && temp.Get() < 0; ++attempt) {
        tempPath = folder + "." + base + ".tmp" + std::to_string(random() % 1000000);
        temp.Reset(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                          S_IRUSR | S_IWUSR));
        if (temp.Get() < 0 && errno != EEXIST)
            break;
    }
    if (temp.Get() < 0)
        Fail(errno, path);

    int error = 0;
    // The umask may only take bits away; make the mode exactly owner read and write.
    if (::fchmod(temp.Get(), S_IRUSR | S_IWUSR) != 0)
        error = errno;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (error == 0 && size > 0) {
        const ssize_t written = ::write(temp.Get(), bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            error = errno;
            break;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    if (error == 0 && ::fsync(temp.Get()) != 0)
        error = errno;
    if (::close(temp.Release()) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(tempPath.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tempPath.c_str());
        Fail(error, path);
    }
}

} // namespace RecordIo
