// Hexadecimal text from stored data: decoding must refuse odd or truncated
// input without reading or writing out of bounds.
#include <Kuv.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);

  unsigned char* bytes = nullptr;
  std::int32_t count = 0;
  if (KuvInHexaEncodingServices::decode_hex(text.c_str(), static_cast<std::int32_t>(size), bytes, count) == 0) {
    char* back = nullptr;
    std::int32_t backLength = 0;
    if (KuvInHexaEncodingServices::encode_hex(bytes, count, back, backLength) == 0) std::free(back);
    std::free(bytes);
  }

  std::string inPlace(text.c_str());  // up to the first zero, as a C string
  std::int32_t inPlaceCount = 0;
  (void)KuvInHexaEncodingServices::decode_hex_inplace(inPlace.data(), inPlaceCount);

  KuvInStringEncoder encoder;
  encoder.setStringifier("\"", "\"");
  encoder.setEscape("\\");
  encoder.addSymbol(" ");
  (void)encoder.encode(KuvInString(inPlace.c_str()));
  (void)KuvCoreEncodingsToolbox::DecodeExpressionForDisplay(KuvInString(inPlace.c_str()));
  return 0;
}
