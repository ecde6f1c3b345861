#include "platform/CLocalShareAccess.h"

#include "platform/CBinaryFile.h"
#include "platform/CException.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

[[noreturn]] void FailWith(int error) {
    throw CNetException(error);
}

// The name in the folder that equals the part without regard to case; the part itself when
// it exists as written or nothing matches.
std::string FindPart(const std::string& folder, const std::string& part) {
    struct stat info {};
    if (::lstat((folder + "/" + part).c_str(), &info) == 0)
        return part;
    DirHandle dir(::opendir(folder.c_str()));
    if (!dir)
        return part;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (::strcasecmp(entry->d_name, part.c_str()) == 0)
            return entry->d_name;
    }
    return part;
}

void CheckFolder(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        FailWith(errno);
    if (!S_ISDIR(info.st_mode))
        FailWith(ENOTDIR);
}

} // namespace

CLocalShareAccess::CLocalShareAccess(std::string folder) : folder_(std::move(folder)) {
    while (folder_.size() > 1 && folder_.back() == '/')
        folder_.pop_back();
}

std::string CLocalShareAccess::Resolve(const std::string& path) const {
    std::string resolved = folder_ == "/" ? std::string() : folder_;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "." || part == "..")
            FailWith(EINVAL);
        if (!part.empty())
            resolved = resolved + "/" + FindPart(resolved.empty() ? "/" : resolved, part);
        start = end + 1;
    }
    return resolved.empty() ? "/" : resolved;
}

void CLocalShareAccess::Connect() {
    CheckFolder(folder_);
    if (::access(folder_.c_str(), R_OK | X_OK) != 0)
        FailWith(errno);
}

std::vector<CShareAccess::Entry> CLocalShareAccess::List(const std::string& folder,
                                                         const std::string& pattern) {
    // A share that went away is an error; a folder missing in it merely holds nothing.
    CheckFolder(folder_);
    std::vector<Entry> entries;
    const std::string local = Resolve(folder);
    DirHandle dir(::opendir(local.c_str()));
    if (!dir) {
        if (errno == ENOENT || errno == ENOTDIR)
            return entries;
        FailWith(errno);
    }
    while (const dirent* item = ::readdir(dir.get())) {
        if (!NameMatches(pattern, item->d_name))
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir.get()), item->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        entries.push_back(
            {item->d_name, static_cast<std::uint64_t>(info.st_size),
             static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec});
    }
    return entries;
}

std::vector<std::uint8_t> CLocalShareAccess::ReadFile(const std::string& path,
                                                      std::size_t maxBytes) {
    CBinaryFile file;
    try {
        file.OpenForRead(Resolve(path), maxBytes);
    } catch (const CFileException& e) {
        throw CNetException(e.GetError(), e.GetErrorMessage());
    }
    if (file.IsPartial())
        FailWith(EFBIG);
    return {file.GetData(), file.GetData() + file.GetLength()};
}

void CLocalShareAccess::WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    CBinaryFile file;
    try {
        file.OpenForWrite(Resolve(path));
        file.Write(bytes.data(), bytes.size());
        file.Close();
    } catch (const CFileException& e) {
        throw CNetException(e.GetError(), e.GetErrorMessage());
    }
}

void CLocalShareAccess::DeleteFile(const std::string& path) {
    if (::unlink(Resolve(path).c_str()) != 0)
        FailWith(errno);
}
