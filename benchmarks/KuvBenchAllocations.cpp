// Every operator new of the program counted, the library's included: the
// filtering benchmarks report allocations per object. The array and
// nothrow forms of the standard library call this one.
#include <atomic>
#include <cstdlib>
#include <new>

#include "KuvBenchSupport.h"

namespace {

std::atomic<std::uint64_t> g_allocations{0};

}  // namespace

std::uint64_t kuv_bench::allocations() { return g_allocations.load(std::memory_order_relaxed); }

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
