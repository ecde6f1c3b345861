#pragma once
// A binary file opened for exclusive use. Reading takes the whole file into memory at open,
// so every reader knows how many bytes remain. Writing collects the bytes and replaces the
// target atomically at Close(): a save that fails or is abandoned leaves the old file intact,
// and the new file is on the disk, with the old one's permissions and owner, before it
// replaces it (kNoDiskFlush leaves the flush to the system: still atomic, not yet durable). A
// symbolic link is written through, never replaced. Where the folder takes no new file but the file
// itself is writable, Close() writes it in place instead. The memory modes serve tests, fuzzers and
// benchmarks with the same code path.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

class CBinaryFile {
public:
    enum class Mode { Closed, Read, Write };

    CBinaryFile() = default;
    ~CBinaryFile();
    CBinaryFile(const CBinaryFile&) = delete;
    CBinaryFile& operator=(const CBinaryFile&) = delete;

    // Options of a write.
    enum WriteFlags : unsigned {
        kOwnerOnly = 1, // the new file is readable and writable by its owner alone (secrets)
        kSync = 2,      // kept for callers: every write is flushed before it replaces the old
        // Output that can be made again (an export): replaced by rename as always, but not
        // forced to the disk first, which costs more than writing it (an 8 MB file: ~20 ms).
        kNoDiskFlush = 4,
    };

    // Throw CFileException. A read takes at most maxBytes from the start of the file.
    void OpenForRead(const std::string& path, std::size_t maxBytes = SIZE_MAX);
    // A file longer than limit is refused at once ("File too large") instead of being cut.
    void OpenForReadLimited(const std::string& path, std::size_t limit,
                            std::size_t maxBytes = SIZE_MAX);
    void OpenForWrite(const std::string& path, unsigned flags = 0);
    void OpenMemoryRead(std::vector<std::uint8_t> bytes);
    void OpenMemoryWrite();

    // Reads up to n bytes at the position; returns how many were read.
    std::size_t Read(void* destination, std::size_t n) {
        const std::size_t count = n < Remaining() ? n : Remaining();
        if (count != 0)
            std::memcpy(destination, view_ + position_, count);
        position_ += count;
        return count;
    }
    void Write(const void* source, std::size_t n) {
        const auto* bytes = static_cast<const std::uint8_t*>(source);
        data_.insert(data_.end(), bytes, bytes + n);
    }
    // Read mode only; a position beyond the end reads nothing.
    void Seek(std::size_t position) { position_ = position; }
    std::size_t GetPosition() const { return position_; }
    std::size_t GetLength() const { return viewSize_; }
    std::size_t Remaining() const { return position_ < viewSize_ ? viewSize_ - position_ : 0; }
    // Read mode: the whole contents.
    const std::uint8_t* GetData() const { return view_; }
    // Read mode: the read stopped at its byte limit before the end of the file.
    bool IsPartial() const { return partial_; }
    // Write mode: the bytes collected so far (after Close in memory mode, all of them).
    const std::vector<std::uint8_t>& GetBytes() const { return data_; }

    // Write mode: moves the bytes collected so far into the temporary file, so a long output
    // need not be held whole; the target is still replaced only by Close. Throws
    // CFileException, after which the target stays as it was. Memory mode: nothing.
    void Flush();
    // Write mode: Write and Flush in one, the bytes going straight into the temporary file
    // without being gathered first. Memory mode, or writing in place: Write.
    void WriteThrough(const void* source, std::size_t n);
    // Write mode: commits the bytes to the target (throws CFileException on failure, the
    // old file then stays as it was). Read mode: releases the file.
    void Close();
    // Drops uncommitted bytes; the target is not touched.
    void Abandon();

    Mode GetMode() const { return mode_; }
    const std::string& GetPath() const { return path_; }

private:
    void OpenRead(const std::string& path, std::size_t limit, std::size_t maxBytes);
    void CommitByRename();
    void CommitInPlace();
    void Release();

    Mode mode_ = Mode::Closed;
    std::string path_;
    std::string tempPath_;
    int lockFd_ = -1;
    int tempFd_ = -1;
    // The folder refused the temporary file with this error; Close() writes in place.
    int folderError_ = 0;
    bool memory_ = false;
    unsigned flags_ = 0;
    // Written bytes, or the bytes of a memory read.
    std::vector<std::uint8_t> data_;
    // A file read goes here, uninitialised before the read fills it.
    std::unique_ptr<std::uint8_t[]> fileBytes_;
    const std::uint8_t* view_ = nullptr;
    std::size_t viewSize_ = 0;
    bool partial_ = false;
    std::size_t position_ = 0;
};
