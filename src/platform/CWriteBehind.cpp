#include "platform/CWriteBehind.h"

#include "platform/CBinaryFile.h"

#include <algorithm>
#include <cstring>
#include <system_error>

CWriteBehind::CWriteBehind(CBinaryFile& file) : file_(file) {
    for (auto& piece : pieces_)
        piece = std::make_unique_for_overwrite<char[]>(kPieceBytes);
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // Written as they come, as before: slower, but the output is not lost for a thread.
    }
}

CWriteBehind::~CWriteBehind() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard guard(lock_);
        stop_ = true;
    }
    handedOn_.notify_one();
    thread_.join();
}

void CWriteBehind::Write(const void* source, std::size_t n) {
    if (!thread_.joinable()) {
        file_.WriteThrough(source, n);
        return;
    }
    const auto* bytes = static_cast<const char*>(source);
    while (n > 0) {
        if (filled_ == 0) {
            std::unique_lock lock(lock_);
            written_.wait(lock, [this] { return queued_ < kPieces || failure_; });
            ThrowFailure();
            // The thread reads only queued pieces: this one is the caller's until handed on.
            filling_ = (first_ + queued_) % kPieces;
        }
        const std::size_t size = std::min(n, kPieceBytes - filled_);
        std::memcpy(pieces_[filling_].get() + filled_, bytes, size);
        filled_ += size;
        bytes += size;
        n -= size;
        if (filled_ == kPieceBytes)
            HandOn();
    }
}

void CWriteBehind::Finish() {
    if (!thread_.joinable())
        return;
    if (filled_ != 0)
        HandOn();
    std::unique_lock lock(lock_);
    written_.wait(lock, [this] { return queued_ == 0 || failure_; });
    ThrowFailure();
}

void CWriteBehind::HandOn() {
    {
        std::lock_guard guard(lock_);
        sizes_[filling_] = filled_;
        ++queued_;
    }
    filled_ = 0;
    handedOn_.notify_one();
}

void CWriteBehind::Run() {
    for (;;) {
        std::size_t piece = 0;
        {
            std::unique_lock lock(lock_);
            handedOn_.wait(lock, [this] { return queued_ > 0 || stop_; });
            if (stop_)
                return;
            piece = first_;
        }
        std::exception_ptr failure;
        try {
            file_.WriteThrough(pieces_[piece].get(), sizes_[piece]);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard guard(lock_);
            if (failure) {
                // The file is abandoned already: nothing more is written.
                failure_ = failure;
            } else {
                first_ = (first_ + 1) % kPieces;
                --queued_;
            }
        }
        written_.notify_one();
        if (failure)
            return;
    }
}

void CWriteBehind::ThrowFailure() const {
    if (failure_)
        std::rethrow_exception(failure_);
}
