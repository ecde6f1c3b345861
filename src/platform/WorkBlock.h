#pragma once
// Working memory for one large computation: one allocation rather than one for each of its
// arrays, and huge pages where the system offers them. Fresh memory costs a page fault for
// each page first written; on a virtual machine a million-point analysis spent more time in
// those faults, one every 4 KiB, than in its arithmetic.

#include <cstddef>
#include <memory>
#include <span>
#include <stdexcept>
#include <type_traits>

class CWorkBlock {
public:
    // What count values of T take in a block: Take() starts each array on a cache line of its
    // own and leaves a gap after it, where an overrun under the address sanitizer is caught.
    template <class T> static constexpr std::size_t Space(std::size_t count) {
        return (count * sizeof(T) + kLine - 1) / kLine * kLine + kLine;
    }

    CWorkBlock() = default;
    explicit CWorkBlock(std::size_t bytes);

    // The next count values of the block, not initialised; only for types without
    // constructors. Throws std::length_error when the block holds no more.
    template <class T> std::span<T> Take(std::size_t count) {
        static_assert(std::is_trivial_v<T> && alignof(T) <= kLine);
        const std::size_t space = Space<T>(count);
        if (space > size_ - used_)
            throw std::length_error("CWorkBlock: too little space");
        std::byte* const first = data_.get() + used_;
        used_ += space;
        Guard(first + count * sizeof(T), first + space);
        return {reinterpret_cast<T*>(first), count};
    }

private:
    static constexpr std::size_t kLine = 64;

    struct CRelease {
        std::size_t bytes;
        std::size_t alignment;
        void operator()(std::byte* data) const;
    };

    // Marks the gap between from and to as out of bounds for the address sanitizer.
    static void Guard(std::byte* from, std::byte* to);

    std::unique_ptr<std::byte[], CRelease> data_;
    std::size_t size_ = 0;
    std::size_t used_ = 0;
};
