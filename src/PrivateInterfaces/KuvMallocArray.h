// Arrays the library hands to a host, or takes from the string and hex
// helpers, live in malloc'ed memory: the host frees them with free().
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace kuv::detail {

struct FreeDeleter {
  void operator()(const void* p) const { std::free(const_cast<void*>(p)); }
};

template <class T>
using MallocArray = std::unique_ptr<T, FreeDeleter>;

// count uninitialised elements (room for one when count is 0, as malloc(0)
// may answer null); null when memory is short.
template <class T>
MallocArray<T> allocateArray(std::size_t count) {
  return MallocArray<T>(static_cast<T*>(std::malloc(sizeof(T) * (count > 0 ? count : 1))));
}

}  // namespace kuv::detail
