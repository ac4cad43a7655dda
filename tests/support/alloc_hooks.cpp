#include "alloc_hooks.h"

#include <atomic>
#include <cstdlib>
#include <new>

extern "C" {
void *__real_malloc(size_t size);
void *__real_calloc(size_t count, size_t size);
void *__real_realloc(void *p, size_t size);
void __real_free(void *p);
}

namespace {

std::atomic<long> allocations{0};
std::atomic<long> live{0};
std::atomic<long> fail_countdown{0};

// True when this allocation is the one armed to fail.
bool take_allocation() {
  allocations.fetch_add(1, std::memory_order_relaxed);
  long armed = fail_countdown.load(std::memory_order_relaxed);
  while (armed > 0) {
    if (fail_countdown.compare_exchange_weak(armed, armed - 1)) return armed == 1;
  }
  return false;
}

}  // namespace

long alloc_hooks_count() { return allocations.load(); }
void alloc_hooks_fail_at(long n) { fail_countdown.store(n < 0 ? 0 : n); }
long alloc_hooks_live_blocks() { return live.load(); }

extern "C" {

void *__wrap_malloc(size_t size) {
  if (take_allocation()) return nullptr;
  void *p = __real_malloc(size);
  if (p) live.fetch_add(1);
  return p;
}

void *__wrap_calloc(size_t count, size_t size) {
  if (take_allocation()) return nullptr;
  void *p = __real_calloc(count, size);
  if (p) live.fetch_add(1);
  return p;
}

void *__wrap_realloc(void *old, size_t size) {
  if (take_allocation()) return nullptr;
  void *p = __real_realloc(old, size);
  if (p && !old) live.fetch_add(1);
  return p;
}

void __wrap_free(void *p) {
  if (p) live.fetch_sub(1);
  __real_free(p);
}

}  // extern "C"

// ThreadSanitizer's runtime defines the global operator new and delete
// itself; there only the malloc family is counted.
#if defined(__SANITIZE_THREAD__)
#define ALLOC_HOOKS_REPLACE_NEW 0
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ALLOC_HOOKS_REPLACE_NEW 0
#endif
#endif
#ifndef ALLOC_HOOKS_REPLACE_NEW
#define ALLOC_HOOKS_REPLACE_NEW 1
#endif

#if ALLOC_HOOKS_REPLACE_NEW
void *operator new(size_t size) {
  void *p = take_allocation() ? nullptr : __real_malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  live.fetch_add(1);
  return p;
}
void *operator new[](size_t size) { return operator new(size); }
void *operator new(size_t size, const std::nothrow_t &) noexcept {
  void *p = take_allocation() ? nullptr : __real_malloc(size ? size : 1);
  if (p) live.fetch_add(1);
  return p;
}
void *operator new[](size_t size, const std::nothrow_t &tag) noexcept { return operator new(size, tag); }
void operator delete(void *p) noexcept {
  if (p) live.fetch_sub(1);
  __real_free(p);
}
void operator delete[](void *p) noexcept { operator delete(p); }
void operator delete(void *p, size_t) noexcept { operator delete(p); }
void operator delete[](void *p, size_t) noexcept { operator delete(p); }
#endif
