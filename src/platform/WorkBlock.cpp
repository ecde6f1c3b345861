#include "platform/WorkBlock.h"

#include "platform/Prefault.h"

#include <new>
#include <sys/mman.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMETRA_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define LUMETRA_ASAN 1
#endif
#if defined(LUMETRA_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace {

// The huge page of x86-64, and of arm64 with 4 KiB pages; elsewhere the advice is ignored.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

#if defined(LUMETRA_ASAN)
// Under the address sanitizer the block stays an ordinary allocation of its allocator.
constexpr bool kHugePages = false;
#else
constexpr bool kHugePages = true;
#endif

} // namespace

CWorkBlock::CWorkBlock(std::size_t bytes) {
    std::size_t alignment = kLine;
    // Below a few huge pages the memory is most likely the heap's, which it keeps between runs.
    const bool huge = kHugePages && bytes >= 4 * kHugePage;
    if (huge) {
        // Whole huge pages only: the last one would otherwise be left in small pages.
        alignment = kHugePage;
        bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    }
    data_ = {static_cast<std::byte*>(::operator new (bytes, std::align_val_t{alignment})),
             CRelease{bytes, alignment}};
    size_ = bytes;
    if (!huge)
        return;
#if defined(MADV_HUGEPAGE)
    // Best effort: without the system's support the block is in pages of the usual size.
    (void)::madvise(data_.get(), bytes, MADV_HUGEPAGE);
#endif
    // Without huge pages, faulting them all in with one call takes a third less time than a
    // fault for each.
    PrefaultForWriting(data_.get(), bytes);
}

void CWorkBlock::CRelease::operator()(std::byte* data) const {
#if defined(LUMETRA_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(data, bytes);
#endif
    ::operator delete (data, std::align_val_t{alignment});
}

void CWorkBlock::Guard([[maybe_unused]] std::byte* from, [[maybe_unused]] std::byte* to) {
#if defined(LUMETRA_ASAN)
    ASAN_POISON_MEMORY_REGION(from, static_cast<std::size_t>(to - from));
#endif
}
