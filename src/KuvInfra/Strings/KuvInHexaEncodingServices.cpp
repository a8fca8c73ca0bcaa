#include "KuvInHexaEncodingServices.h"

#include <cstdlib>
#include <cstring>
#include <string>

KUV_DEFINE_TYPE(KuvInHexaEncodingServices, KuvInObject)

namespace {

constexpr std::int32_t sc_maxInt32 = 0x7FFFFFFF;

unsigned nibble(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return 255;
}

KuvInTraceClass& channel() { return KuvInHexaEncodingServices::traceChannel(); }

unsigned char decodePair(char c1, char c2) {
  KUV_TRACE_DETAIL_ON(channel(), "char1=", static_cast<int>(static_cast<unsigned char>(c1)), " char2=",
                      static_cast<int>(static_cast<unsigned char>(c2)));
  return static_cast<unsigned char>((nibble(c1) << 4) | nibble(c2));
}

// The input need not be zero-terminated; copy it only when it will print.
void traceInput(const char* label, const char* text, std::int32_t length) {
  if (!channel().isCallOn()) return;
  std::string copy = text != nullptr ? std::string(text, static_cast<size_t>(length)) : std::string();
  KUV_TRACE_DETAIL_ON(channel(), label, copy.c_str());
}

}  // namespace

int KuvInHexaEncodingServices::encode_hex(const unsigned char* bytes, std::int32_t length, char*& text,
                                          std::int32_t& textLength) {
  if (length < 0 || length > (sc_maxInt32 - 1) / 2 || (bytes == nullptr && length > 0)) return -1;
  auto* out = static_cast<char*>(std::malloc(2 * static_cast<size_t>(length) + 1));
  if (out == nullptr) return -1;
  static constexpr char digits[] = "0123456789ABCDEF";
  for (std::int32_t i = 0; i < length; ++i) {
    out[2 * i] = digits[bytes[i] >> 4];
    out[2 * i + 1] = digits[bytes[i] & 0x0F];
  }
  out[2 * length] = '\0';
  KUV_TRACE_DETAIL("encode_hex result: ", out);
  text = out;
  textLength = 2 * length;
  return 0;
}

int KuvInHexaEncodingServices::decode_hex(const char* text, std::int32_t length, unsigned char*& bytes,
                                          std::int32_t& count) {
  if (length < 0 || (text == nullptr && length > 0)) return -1;
  traceInput("decode_hex: ", text, length);
  const char* digits = text;
  std::int32_t digitCount = length;
  if (length > 0 && text[0] == 'x') {
    KUV_TRACE_DETAIL("strip x' part ");
    if (length < 3) return -1;  // not even room for x''
    digits += 2;
    digitCount -= 3;
  } else {
    KUV_TRACE_DETAIL("no strip");
  }
  if (digitCount % 2 != 0) return -1;
  std::int32_t byteCount = digitCount / 2;
  // malloc(0) may answer null, which is not a failure here.
  auto* out = static_cast<unsigned char*>(std::malloc(byteCount > 0 ? static_cast<size_t>(byteCount) : 1));
  if (out == nullptr) return -1;
  for (std::int32_t i = 0; i < byteCount; ++i) out[i] = decodePair(digits[2 * i], digits[2 * i + 1]);
  KUV_TRACE_DETAIL("out_length=", byteCount);
  bytes = out;
  count = byteCount;
  return 0;
}

int KuvInHexaEncodingServices::decode_hex_inplace(char* text, std::int32_t& count) {
  if (text == nullptr) return -1;
  KUV_TRACE_DETAIL("decode_hex_inplace: ", text);
  const char* digits = text;
  if (text[0] == 'x') {
    KUV_TRACE_DETAIL("strip x' part ");
    if (text[1] == '\0') return -1;
    digits += 2;
  } else {
    KUV_TRACE_DETAIL("no strip");
  }
  // Measure first so that a truncated pair fails before anything is overwritten.
  size_t digitCount = 0;
  while (digits[digitCount] != '\0' && digits[digitCount] != '\'') ++digitCount;
  if (digitCount % 2 != 0 || digitCount > static_cast<size_t>(sc_maxInt32)) return -1;
  auto byteCount = static_cast<std::int32_t>(digitCount / 2);
  // Byte i is written after digits 2i and 2i+1, which lie at or after it, are read.
  for (std::int32_t i = 0; i < byteCount; ++i)
    text[i] = static_cast<char>(decodePair(digits[2 * i], digits[2 * i + 1]));
  KUV_TRACE_DETAIL("out_length=", byteCount);
  count = byteCount;
  return 0;
}
