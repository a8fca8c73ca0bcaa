// Helpers shared by the benchmark programs.
#pragma once

#include <array>

namespace kuv_bench {

// A GUID's 16 bytes: n in the first four, tag in the last, so that each
// program's objects keep GUIDs of their own.
inline std::array<unsigned char, 16> guid(unsigned n, unsigned char tag) {
  std::array<unsigned char, 16> bytes{};
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(n >> (8 * i));
  bytes[15] = tag;
  return bytes;
}

}  // namespace kuv_bench
