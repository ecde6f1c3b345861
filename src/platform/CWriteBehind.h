#pragma once
// Writes a file opened for writing on a thread of its own while the caller makes what follows:
// a long output then takes about the longer of making and writing it, not both. The bytes are
// gathered into a few pieces in rotation, so memory stays bounded and the caller's buffer is
// its own again at once. Until Finish() returns only the thread touches the file. A write that
// fails fails the file as CBinaryFile::WriteThrough does (the target stays as it was), and its
// exception reaches the caller at a later Write() or at Finish().

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

class CBinaryFile;

class CWriteBehind {
public:
    explicit CWriteBehind(CBinaryFile& file);
    // Stops the thread after the piece it is writing; what was not written yet is dropped.
    ~CWriteBehind();
    CWriteBehind(const CWriteBehind&) = delete;
    CWriteBehind& operator=(const CWriteBehind&) = delete;

    // Takes the bytes, waiting while every piece is still to be written. Throws the exception
    // of a write that failed (CFileException).
    void Write(const void* source, std::size_t n);
    // Returns once everything taken is written; throws as Write().
    void Finish();

private:
    // Each piece handed on wakes the thread; the first and the last are not written alongside
    // anything. Of 128 KB to 1 MB, 512 KB made a 21 MB export the fastest.
    static constexpr std::size_t kPieces = 3;
    static constexpr std::size_t kPieceBytes = 512 * 1024;

    // Queues the piece being filled for the thread.
    void HandOn();
    void Run();
    // Rethrows the failure of a write, with the lock held.
    void ThrowFailure() const;

    CBinaryFile& file_;
    std::unique_ptr<char[]> pieces_[kPieces];
    std::size_t sizes_[kPieces] = {};
    // The caller's piece being filled, and how far.
    std::size_t filling_ = 0;
    std::size_t filled_ = 0;
    // Pieces handed on and not yet written, the first of them at first_.
    std::size_t first_ = 0;
    std::size_t queued_ = 0;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::mutex lock_;
    // A piece was handed on or the thread is to stop; a piece was written or a write failed.
    std::condition_variable handedOn_;
    std::condition_variable written_;
    // Not started where the system gives no thread: the caller then writes itself.
    std::thread thread_;
};
