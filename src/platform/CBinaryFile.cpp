#include "platform/CBinaryFile.h"

#include "platform/CException.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(int error, const std::string& path) {
    throw CFileException(error, path);
}

int OpenLocked(const std::string& path, int flags, int lock) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, lock | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

CBinaryFile::~CBinaryFile() {
    if (mode_ == Mode::Write)
        Abandon();
    else
        Release();
}

void CBinaryFile::OpenForRead(const std::string& path, std::size_t maxBytes) {
    if (mode_ != Mode::Closed)
        Close();
    // Shared lock: readers do not exclude each other, a writer in progress excludes them.
    // Non-blocking, so that a FIFO planted under the name cannot hang the open.
    const int fd = OpenLocked(path, O_RDONLY | O_NONBLOCK, LOCK_SH);
    if (fd < 0)
        Fail(errno, path);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : (errno ? errno : EINVAL);
        ::close(fd);
        Fail(error, path);
    }
    const auto size = std::min(static_cast<std::size_t>(info.st_size), maxBytes);
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer.get() + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            Fail(error, path);
        }
        if (got == 0)
            break; // the file shrank meanwhile
        done += static_cast<std::size_t>(got);
    }
    data_.clear();
    fileBytes_ = std::move(buffer);
    view_ = fileBytes_.get();
    viewSize_ = done;
    partial_ = static_cast<std::size_t>(info.st_size) > size;
    lockFd_ = fd;
    path_ = path;
    position_ = 0;
    memory_ = false;
    mode_ = Mode::Read;
}

void CBinaryFile::OpenForWrite(const std::string& path, unsigned flags) {
    if (mode_ != Mode::Closed)
        Close();
    // Replace the file a symbolic link points to, not the link.
    std::string target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    if (::stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            Fail(EISDIR, path);
        lockFd_ = OpenLocked(target, O_RDONLY | O_NONBLOCK, LOCK_EX);
        if (lockFd_ < 0)
            Fail(errno, path);
    }

    const auto slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100 && tempFd_ < 0; ++attempt) {
        tempPath_ = folder + "." + base + ".tmp" + std::to_string(random() % 1000000);
        tempFd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                         (flags & kOwnerOnly) ? 0600 : 0666);
        if (tempFd_ < 0 && errno != EEXIST)
            break;
    }
    if (tempFd_ < 0) {
        const int error = errno;
        Release();
        Fail(error, path);
    }
    // An existing file keeps its permissions, but a secret is for its owner only whatever
    // the umask or the old file allowed.
    if (flags & kOwnerOnly)
        (void)::fchmod(tempFd_, 0600);
    else if (lockFd_ >= 0 && ::stat(target.c_str(), &info) == 0)
        (void)::fchmod(tempFd_, info.st_mode & 07777);
    flags_ = flags;
    path_ = target;
    data_.clear();
    position_ = 0;
    memory_ = false;
    mode_ = Mode::Write;
}

void CBinaryFile::OpenMemoryRead(std::vector<std::uint8_t> bytes) {
    if (mode_ != Mode::Closed)
        Close();
    data_ = std::move(bytes);
    view_ = data_.data();
    viewSize_ = data_.size();
    position_ = 0;
    memory_ = true;
    path_.clear();
    mode_ = Mode::Read;
}

void CBinaryFile::OpenMemoryWrite() {
    if (mode_ != Mode::Closed)
        Close();
    data_.clear();
    position_ = 0;
    memory_ = true;
    path_.clear();
    mode_ = Mode::Write;
}

void CBinaryFile::Close() {
    if (mode_ != Mode::Write || memory_) {
        Release();
        return;
    }
    int error = 0;
    if (!WriteAll(tempFd_, data_.data(), data_.size()))
        error = errno;
    if (error == 0 && (flags_ & kSync) && ::fsync(tempFd_) != 0)
        error = errno;
    if (::close(tempFd_) != 0 && error == 0)
        error = errno;
    tempFd_ = -1;
    if (error == 0 && ::rename(tempPath_.c_str(), path_.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tempPath_.c_str());
        const std::string path = path_;
        Release();
        Fail(error, path);
    }
    tempPath_.clear();
    Release();
}

void CBinaryFile::Flush() {
    if (mode_ != Mode::Write || memory_ || data_.empty())
        return;
    if (!WriteAll(tempFd_, data_.data(), data_.size())) {
        const int error = errno;
        const std::string path = path_;
        Abandon();
        Fail(error, path);
    }
    data_.clear();
}

void CBinaryFile::Abandon() {
    if (tempFd_ >= 0) {
        ::close(tempFd_);
        tempFd_ = -1;
        ::unlink(tempPath_.c_str());
    }
    tempPath_.clear();
    Release();
}

void CBinaryFile::Release() {
    if (tempFd_ >= 0) { // only reached on paths that already gave up the temporary file
        ::close(tempFd_);
        tempFd_ = -1;
        ::unlink(tempPath_.c_str());
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
    // Memory written in memory mode stays readable through GetBytes() until the next open.
    if (!(memory_ && mode_ == Mode::Write))
        data_.clear();
    fileBytes_.reset();
    view_ = nullptr;
    viewSize_ = 0;
    partial_ = false;
    position_ = 0;
    mode_ = Mode::Closed;
}
