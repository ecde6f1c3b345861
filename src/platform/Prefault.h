#pragma once
// Large buffers about to be filled are made resident in one call rather than a page fault
// for each of their pages (a million-point trace touches about 1,500 pages on loading).

#include <cstddef>

// Best effort: without the system's support the pages fault in as they are written.
void PrefaultForWriting(void* data, std::size_t bytes);
