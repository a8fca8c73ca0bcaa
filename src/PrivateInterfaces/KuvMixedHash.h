// Mixing for the library's own hash tables, which index by the low bits of
// a hash. The specified hashes keep keys that differ in a few bytes apart
// only in some bits (a GUID's words are XORed), so such tables mix first.
// Only where no order depends on the hash.
#pragma once

#include <cstdint>

namespace kuv::detail {

inline std::uint32_t mixedHash(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  return static_cast<std::uint32_t>(h);
}

}  // namespace kuv::detail
