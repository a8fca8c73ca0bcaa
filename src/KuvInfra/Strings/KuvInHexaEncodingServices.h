// Hexadecimal text for byte strings: GUIDs and binaries travel through text
// syntaxes and databases as upper-case hexadecimal digits, optionally as a
// quoted literal x'0123ABCD'.
//
// Results are 0 on success and -1 on failure (bad arguments, an odd number of
// digits, an allocation failure); on failure the outputs are left untouched.
// Buffers handed back are allocated with malloc and freed by the caller with
// free. With call tracing on, the input, the digits and the result are traced
// as detail lines on the channel "KuvInHexaEncodingServices".
#pragma once

#include <cstdint>

#include "KuvInObject.h"

class KUV_API KuvInHexaEncodingServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInHexaEncodingServices)

public:
  KuvInHexaEncodingServices() = delete;

  // Two upper-case digits per byte, high nibble first, zero-terminated;
  // textLength = 2 * length.
  static int encode_hex(const unsigned char* bytes, std::int32_t length, char*& text, std::int32_t& textLength);

  // Reads length characters of digits (0-9, A-F, a-f); a text starting with
  // "x" is a literal x'...' whose first two and last characters are dropped.
  // A character that is not a digit counts as the nibble 255, so it yields F
  // as a high nibble and the byte FF as a low one. count = number of bytes.
  static int decode_hex(const char* text, std::int32_t length, unsigned char*& bytes, std::int32_t& count);

  // The same on zero-terminated text, writing the bytes over its beginning.
  // The digits end at the terminating zero or at a "'"; an odd number of
  // digits fails and leaves the text as it was.
  static int decode_hex_inplace(char* text, std::int32_t& count);
};
