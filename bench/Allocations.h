#pragma once

#include <cstdint>

namespace bench {

// From now on, heap allocations made on the calling thread are counted. The bench counts on its
// main thread only, which runs the whole game; the GL driver's own worker threads are left out.
void countAllocationsOnThisThread();

// Allocations counted so far: malloc, calloc, realloc and the aligned forms (operator new ends
// in malloc).
uint64_t allocations();

// From now on, Dear ImGui's allocations are also counted on their own (they are among the
// above). Call before the first game starts.
void countImGuiAllocations();
uint64_t imGuiAllocations();

}  // namespace bench
