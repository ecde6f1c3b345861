#include "tools/lumetra-sor/SorTool.h"

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The heap is grown this far at once, so the buffers of a large trace lie in one region.
constexpr std::size_t kHeapReserve = 128u << 20;
constexpr std::uintptr_t kHugePage = 2u << 20;
// Holds the heap below the first whole huge page, never freed.
void* volatile heapBelowHugePages = nullptr;

// A command lives for milliseconds, and touching fresh pages is most of what reading a large
// trace costs: on some virtual machines a first touch of a small page costs microseconds, and
// a million-point trace touches thousands. Large blocks come from the heap, freed memory stays
// for the next block instead of going back to the system, and the heap asks for huge pages, so
// a buffer made resident in one call is a few pages, not hundreds. Best effort: where the
// system declines, the pages are small as before.
void PrepareHeap() {
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
#if defined(MADV_HUGEPAGE) && !defined(__SANITIZE_ADDRESS__)
    // A block larger than the heap's free top grows it by the block and the pad; freed, it
    // stays as the top. Later growth pads as usual.
    mallopt(M_TOP_PAD, static_cast<int>(kHeapReserve));
    void* block = std::malloc(512 * 1024);
    mallopt(M_TOP_PAD, 128 * 1024);
    if (!block)
        return;
    const auto at = reinterpret_cast<std::uintptr_t>(block);
    std::free(block);
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t begin = at / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    if (end <= begin + kHugePage ||
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE) != 0)
        return;
    // Only whole aligned huge pages are made huge: what follows the heap's first one is taken
    // here, so the next blocks (the file's bytes, its levels) begin on a huge page.
    const std::uintptr_t below = (at + kHugePage - 1) / kHugePage * kHugePage - at;
    if (below > 64)
        heapBelowHugePages = std::malloc(below - 32);
#endif
}

} // namespace

int main(int argc, char** argv) {
    PrepareHeap();
    std::ios::sync_with_stdio(false);
    return RunSorTool(argc, argv, std::cout, std::cerr);
}
