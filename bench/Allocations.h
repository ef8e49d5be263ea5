#pragma once

#include <cstdint>

namespace bench {

// From now on, heap allocations made on the calling thread are counted. The bench counts on its
// main thread only, which runs the whole game; the GL driver's own worker threads are left out.
void countAllocationsOnThisThread();

// Allocations counted so far: malloc, calloc, realloc and the aligned forms (operator new ends
// in malloc).
uint64_t allocations();

}  // namespace bench
