#include "tools/lumetra-sor/SorTool.h"

#include <iostream>
#include <malloc.h>

int main(int argc, char** argv) {
    // A command lives for milliseconds, and touching fresh pages is most of what reading a
    // large trace costs: large blocks come from the heap, and freed memory stays for the next
    // block instead of going back to the system to be faulted in again.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    std::ios::sync_with_stdio(false);
    return RunSorTool(argc, argv, std::cout, std::cerr);
}
