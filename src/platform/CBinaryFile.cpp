#include "platform/CBinaryFile.h"

#include "platform/CException.h"
#include "platform/Prefault.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Temporary files are ".NAME.tmpDIGITS" beside the target.
constexpr const char* kTempInfix = ".tmp";
// Links followed before a save gives up, as the system does.
constexpr int kMaxLinkHops = 40;

[[noreturn]] void Fail(int error, const std::string& path) {
    throw CFileException(error, path);
}

[[noreturn]] void FailNotRegular(const std::string& path) {
    throw CFileException(EINVAL, path, "Not a regular file");
}

std::string SystemText(int error) {
    char buffer[256] = {};
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
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

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of symbolic links ends at, which need not exist yet: a save through a
// dangling link creates the file it names rather than replacing the link.
std::string FollowLinks(const std::string& path) {
    std::string target = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0)
            Fail(errno, path);
        if (static_cast<std::size_t>(length) >= link.size())
            Fail(ENAMETOOLONG, path); // the link changed under us
        link.resize(static_cast<std::size_t>(length));
        target = link.front() == '/' ? link : FolderOf(target) + link;
    }
    Fail(ELOOP, path);
}

// Makes the folder's entries (a rename) durable; file systems that cannot are left as they are.
void SyncFolder(const std::string& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

// Removes temporary files of the target that a killed save left behind. A save in progress
// holds a lock on its temporary file, so only abandoned ones are taken.
void RemoveStaleTemporaries(const std::string& target, const std::string& own) {
    const std::string folder = FolderOf(target);
    // Built piecewise: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + temporary.
    std::string prefix = ".";
    prefix += BaseOf(target);
    prefix += kTempInfix;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                         [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const std::string path = folder + name;
        if (path == own)
            continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace

CBinaryFile::~CBinaryFile() {
    if (mode_ == Mode::Write)
        Abandon();
    else
        Release();
}

void CBinaryFile::OpenForRead(const std::string& path, std::size_t maxBytes) {
    OpenRead(path, SIZE_MAX, maxBytes);
}

void CBinaryFile::OpenForReadLimited(const std::string& path, std::size_t limit,
                                     std::size_t maxBytes) {
    OpenRead(path, limit, std::min(limit, maxBytes));
}

void CBinaryFile::OpenRead(const std::string& path, std::size_t limit, std::size_t maxBytes) {
    if (mode_ != Mode::Closed)
        Close();
    // A device is not opened at all: opening one may have effects of its own.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        if (S_ISDIR(info.st_mode))
            Fail(EISDIR, path);
        FailNotRegular(path);
    }
    // Shared lock: readers do not exclude each other, a writer in progress excludes them.
    // Non-blocking, so that a FIFO planted under the name meanwhile cannot hang the open.
    const int fd = OpenLocked(path, O_RDONLY | O_NONBLOCK, LOCK_SH);
    if (fd < 0)
        Fail(errno, path);
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        Fail(error, path);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        if (S_ISDIR(info.st_mode))
            Fail(EISDIR, path);
        FailNotRegular(path);
    }
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    if (fileSize > limit) {
        ::close(fd);
        Fail(EFBIG, path);
    }
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, maxBytes));
    std::unique_ptr<std::uint8_t[]> buffer;
    try {
        buffer = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    } catch (const std::bad_alloc&) {
        ::close(fd);
        Fail(ENOMEM, path);
    }
    PrefaultForWriting(buffer.get(), size);
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
    partial_ = fileSize > size;
    lockFd_ = fd;
    path_ = path;
    position_ = 0;
    memory_ = false;
    mode_ = Mode::Read;
}

void CBinaryFile::OpenForWrite(const std::string& path, unsigned flags) {
    if (mode_ != Mode::Closed)
        Close();
    const std::string target = FollowLinks(path);
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists) {
        if (S_ISDIR(info.st_mode))
            Fail(EISDIR, path);
        if (!S_ISREG(info.st_mode))
            FailNotRegular(path);
        lockFd_ = OpenLocked(target, O_RDONLY | O_NONBLOCK, LOCK_EX);
        if (lockFd_ < 0)
            Fail(errno, path);
        // What is locked is what gets replaced.
        if (::fstat(lockFd_, &info) != 0) {
            const int error = errno;
            Release();
            Fail(error, path);
        }
    }

    const std::string folder = FolderOf(target);
    const std::string base = BaseOf(target);
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100 && tempFd_ < 0; ++attempt) {
        tempPath_ = folder + "." + base + kTempInfix + std::to_string(random() % 1000000);
        tempFd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                         (flags & kOwnerOnly) ? 0600 : 0666);
        if (tempFd_ < 0 && errno != EEXIST)
            break;
    }
    if (tempFd_ < 0) {
        const int error = errno;
        tempPath_.clear();
        // A folder that takes no new file may still hold a file we may write: write that in
        // place, without the atomic replacement.
        if ((error == EACCES || error == EPERM) && exists && ::access(target.c_str(), W_OK) == 0) {
            folderError_ = error;
        } else {
            Release();
            Fail(error, path);
        }
    } else {
        // Marks the temporary file as in use for RemoveStaleTemporaries.
        (void)::flock(tempFd_, LOCK_EX | LOCK_NB);
        // The new file takes the old one's owner where we may (the group alone where only
        // that is allowed) and then its permissions, as chown clears set-id bits. A secret is
        // for its owner only whatever the umask or the old file allowed.
        if (exists && ::fchown(tempFd_, info.st_uid, info.st_gid) != 0)
            (void)::fchown(tempFd_, static_cast<uid_t>(-1), info.st_gid);
        if (flags & kOwnerOnly)
            (void)::fchmod(tempFd_, 0600);
        else if (exists)
            (void)::fchmod(tempFd_, info.st_mode & 07777);
    }
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
    if (folderError_ != 0)
        CommitInPlace();
    else
        CommitByRename();
}

void CBinaryFile::CommitByRename() {
    // Written and flushed before the rename: a crash leaves the old file or the whole new one
    // (without the flush, a crash of the system may leave either, or an empty new file).
    const bool flush = (flags_ & kNoDiskFlush) == 0;
    int error = 0;
    if (!WriteAll(tempFd_, data_.data(), data_.size()))
        error = errno;
    if (error == 0 && flush && ::fsync(tempFd_) != 0)
        error = errno;
    if (::close(tempFd_) != 0 && error == 0)
        error = errno;
    tempFd_ = -1;
    if (error == 0 && ::rename(tempPath_.c_str(), path_.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
        const std::string path = path_;
        Release();
        Fail(error, path);
    }
    if (flush)
        SyncFolder(FolderOf(path_));
    RemoveStaleTemporaries(path_, tempPath_);
    tempPath_.clear();
    Release();
}

void CBinaryFile::Flush() {
    // Writing in place keeps every byte until Close: the old file is replaced only then.
    if (mode_ != Mode::Write || memory_ || tempFd_ < 0 || data_.empty())
        return;
    if (!WriteAll(tempFd_, data_.data(), data_.size())) {
        const int error = errno;
        const std::string path = path_;
        Abandon();
        Fail(error, path);
    }
    data_.clear();
}

void CBinaryFile::WriteThrough(const void* source, std::size_t n) {
    if (mode_ != Mode::Write || memory_ || tempFd_ < 0) {
        Write(source, n);
        return;
    }
    Flush();
    if (!WriteAll(tempFd_, static_cast<const std::uint8_t*>(source), n)) {
        const int error = errno;
        const std::string path = path_;
        Abandon();
        Fail(error, path);
    }
}

void CBinaryFile::CommitInPlace() {
    int error = 0;
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = errno;
    } else {
        if (flags_ & kOwnerOnly)
            (void)::fchmod(fd, 0600);
        if (!WriteAll(fd, data_.data(), data_.size()) ||
            ::ftruncate(fd, static_cast<off_t>(data_.size())) != 0 ||
            ((flags_ & kNoDiskFlush) == 0 && ::fsync(fd) != 0))
            error = errno;
        if (::close(fd) != 0 && error == 0)
            error = errno;
    }
    const int folderError = folderError_;
    const std::string path = path_;
    Release();
    if (error != 0)
        throw CFileException(error, path,
                             "The folder takes no new file (" + SystemText(folderError) +
                                 ") and writing the file in place failed too (" +
                                 SystemText(error) + ")");
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
    folderError_ = 0;
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
