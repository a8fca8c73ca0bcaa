// Replaces the global allocator: allocation number g_countdown fails.
#include "support/KuvTestSupport.h"

#include "memory/FailingAllocator.h"

std::atomic<long> kuv_test::g_countdown{-1};

namespace {

using kuv_test::g_countdown;

// Memory resources allocate with an alignment; the others with none (0).
void* allocate(std::size_t size, std::size_t alignment = 0) {
  if (g_countdown.load(std::memory_order_relaxed) >= 0 && g_countdown.fetch_sub(1) == 0)
    throw std::bad_alloc();
  size = std::max<std::size_t>(size, 1);
  void* p = alignment == 0 ? std::malloc(size)
                           : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
  if (p != nullptr) return p;
  throw std::bad_alloc();
}

}  // namespace

// The replacements pair with each other; the compiler cannot tell.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void* operator new(std::size_t size, std::align_val_t a) {
  return allocate(size, static_cast<std::size_t>(a));
}
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
