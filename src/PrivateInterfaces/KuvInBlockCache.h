// Freed memory blocks of one size, kept per thread for the next allocation
// of that size. Literal reading makes and frees its parse nodes and list
// links by the thousand; the general allocator serves such bursts slowly.
//
// A class uses it through its own operator new and delete, for its exact
// size only (a derived class falls back to the global operators). Under the
// address sanitizer nothing is cached, so that freed blocks stay poisoned.
#pragma once

#include <cstddef>
#include <new>

namespace kuv::detail {

#if defined(__SANITIZE_ADDRESS__)
#define KUV_BLOCK_CACHE_ENABLED 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KUV_BLOCK_CACHE_ENABLED 0
#endif
#endif
#ifndef KUV_BLOCK_CACHE_ENABLED
#define KUV_BLOCK_CACHE_ENABLED 1
#endif

template <std::size_t Size>
class BlockCache {
public:
  static void* take() {
#if KUV_BLOCK_CACHE_ENABLED
    Cache& cache = local();
    if (Free* block = cache.head) {
      cache.head = block->next;
      --cache.count;
      return block;
    }
#endif
    return ::operator new(Size);
  }

  static void give(void* block) {
#if KUV_BLOCK_CACHE_ENABLED
    Cache& cache = local();
    if (cache.alive && cache.count < sc_maxCached) {
      cache.head = new (block) Free{cache.head};
      ++cache.count;
      return;
    }
#endif
    ::operator delete(block);
  }

private:
  static_assert(Size >= sizeof(void*), "a cached block holds a link");
  // Enough for the nodes of a large text; more would only hold memory.
  static constexpr std::size_t sc_maxCached = 1 << 14;

  struct Free {
    Free* next;
  };
  struct Cache {
    Free* head = nullptr;
    std::size_t count = 0;
    // Blocks freed while the thread's other objects are destroyed, after
    // this cache, go straight back.
    bool alive = true;
    ~Cache() {
      alive = false;
      while (head != nullptr) {
        Free* next = head->next;
        ::operator delete(head);
        head = next;
      }
      count = 0;
    }
  };

  static Cache& local() {
    thread_local Cache cache;
    return cache;
  }
};

}  // namespace kuv::detail
