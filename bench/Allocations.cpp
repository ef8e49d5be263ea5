// Replaces the C library's allocation entry points for the whole process (the executable's
// definitions take precedence over the C library's) to count them, then forwards to the C
// library's own allocator.
#include "bench/Allocations.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>

#include <imgui.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

thread_local bool counting = false;
std::atomic<uint64_t> counted{0};
std::atomic<uint64_t> countedForImGui{0};

void note() {
  if (counting) counted.fetch_add(1, std::memory_order_relaxed);
}

void* imGuiAllocate(size_t size, void*) {
  if (counting) countedForImGui.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size);
}

void imGuiFree(void* block, void*) { std::free(block); }

}  // namespace

namespace bench {

void countAllocationsOnThisThread() { counting = true; }

uint64_t allocations() { return counted.load(std::memory_order_relaxed); }

void countImGuiAllocations() { ImGui::SetAllocatorFunctions(imGuiAllocate, imGuiFree); }

uint64_t imGuiAllocations() { return countedForImGui.load(std::memory_order_relaxed); }

}  // namespace bench

extern "C" {

void* malloc(size_t size) noexcept {
  note();
  return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) noexcept {
  note();
  return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) noexcept {
  note();
  return __libc_realloc(block, size);
}

void* memalign(size_t alignment, size_t size) noexcept {
  note();
  return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) noexcept {
  note();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) noexcept {
  note();
  void* block = __libc_memalign(alignment, size);
  if (block == nullptr) return ENOMEM;
  *out = block;
  return 0;
}

}  // extern "C"
