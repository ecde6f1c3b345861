#include "platform/Prefault.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Smaller buffers are not worth the call.
constexpr std::size_t kSmallest = 256 * 1024;

} // namespace

void PrefaultForWriting(void* data, std::size_t bytes) {
#if defined(MADV_POPULATE_WRITE)
    if (bytes < kSmallest)
        return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    // Only whole pages of the buffer: its neighbours on the first and last are not ours.
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = (begin + bytes) / page * page;
    if (last > first)
        (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}
