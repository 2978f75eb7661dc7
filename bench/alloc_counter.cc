// Replaces the C library's allocator entry points with counting forwarders to glibc's own
// (__libc_*), so allocations made inside shared libraries are counted too.
#include "bench/alloc_counter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t n, size_t size);
void *__libc_realloc(void *ptr, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
void __libc_free(void *ptr);
}

namespace {

std::atomic<uint64_t> g_allocations{0};
std::atomic<int64_t> g_liveBytes{0};

void *Counted(void *p) noexcept {
  if (p != nullptr) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    g_liveBytes.fetch_add(static_cast<int64_t>(malloc_usable_size(p)), std::memory_order_relaxed);
  }
  return p;
}

void Uncount(void *p) noexcept {
  if (p != nullptr) {
    g_liveBytes.fetch_sub(static_cast<int64_t>(malloc_usable_size(p)), std::memory_order_relaxed);
  }
}

}  // namespace

namespace srv6db::bench {

HeapCounters Heap() noexcept {
  return {g_allocations.load(std::memory_order_relaxed),
          g_liveBytes.load(std::memory_order_relaxed)};
}

}  // namespace srv6db::bench

extern "C" {

void *malloc(size_t size) { return Counted(__libc_malloc(size)); }
void *calloc(size_t n, size_t size) { return Counted(__libc_calloc(n, size)); }
void *realloc(void *ptr, size_t size) {
  Uncount(ptr);
  void *p = __libc_realloc(ptr, size);
  if (p == nullptr && size != 0) {  // the old block is still there
    Counted(ptr);
    g_allocations.fetch_sub(1, std::memory_order_relaxed);
    return nullptr;
  }
  return Counted(p);
}
void free(void *ptr) {
  Uncount(ptr);
  __libc_free(ptr);
}
void *memalign(size_t alignment, size_t size) { return Counted(__libc_memalign(alignment, size)); }
void *aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void **out, size_t alignment, size_t size) {
  void *p = memalign(alignment, size);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}
void *valloc(size_t size) { return memalign(4096, size); }

}  // extern "C"
