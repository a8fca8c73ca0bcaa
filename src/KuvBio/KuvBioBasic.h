// Big-endian decoding of raw bytes and the choice of index widths: the one
// place where the binary forms turn bytes into numbers. Nothing here checks
// bounds; KuvBioBuffer does that before calling in.
#pragma once

#include <cstdint>

#include "KuvBioConstants.h"
#include "KuvInString.h"

class KUV_API KuvBioBasic {
public:
  static std::int32_t getINT32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(getUINT32(p));
  }
  static std::uint32_t getUINT32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
  }
  static std::uint16_t getUINT16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
  }
  // 1 and 2 read that many bytes; any other size reads four.
  static std::uint32_t getIndex(const std::uint8_t* p, KuvBioConstants::E_IndexSize size) {
    return size == KuvBioConstants::E_IndexSize1   ? p[0]
           : size == KuvBioConstants::E_IndexSize2 ? getUINT16(p)
                                                   : getUINT32(p);
  }
  // E_FAIL, size unchanged, for any byte but 1, 2 and 4.
  static HRESULT getIndexSizeFromByte(std::uint8_t byte, KuvBioConstants::E_IndexSize& size);
  // The width of indices into a table of n entries.
  static KuvBioConstants::E_IndexSize getIndexSizeFromNbIndices(std::uint32_t n) {
    return n < 256 ? KuvBioConstants::E_IndexSize1
           : n < 65536 ? KuvBioConstants::E_IndexSize2
                       : KuvBioConstants::E_IndexSize4;
  }
  // Two upper-case hexadecimal digits per byte, in byte order.
  static KuvInString toHexText(const std::uint8_t* bytes, std::uint32_t size);
};
