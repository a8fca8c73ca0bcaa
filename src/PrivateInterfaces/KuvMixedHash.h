// Mixing for the library's own hash tables, which index by the low bits of
// a hash. The specified hashes keep keys that differ in a few bytes apart
// only in some bits (a GUID's words are XORed), so such tables mix first.
// Only where no order depends on the hash.
#pragma once

#include <cstdint>
#include <cstring>

namespace kuv::detail {

// The high half of the product carries every bit of the input.
inline std::uint64_t mixedBits(std::uint64_t h) { return h * 0xBF58476D1CE4E5B9ULL; }

inline std::uint32_t mixedHash(std::uint64_t h) { return static_cast<std::uint32_t>(mixedBits(h) >> 32); }

// The 16 bytes of a GUID, with salt, mixed into 64 bits.
inline std::uint64_t guidMix(const unsigned char* bytes, std::uint64_t salt = 0) {
  std::uint64_t halves[2];
  std::memcpy(halves, bytes, sizeof halves);
  return mixedBits(halves[0] ^ (halves[1] * 0x9E3779B97F4A7C15ULL) ^ salt);
}

}  // namespace kuv::detail
