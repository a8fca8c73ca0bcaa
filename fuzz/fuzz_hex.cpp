// Hexadecimal text from stored data: decoding must refuse odd or truncated
// input without reading or writing out of bounds, and the binaries the
// conversion services make of it must encode and decode to the same bytes.
#include <Kuv.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  static const bool silenced = (KuvConversionServices::traceChannel().setFlags(0), true);
  (void)silenced;
  std::string text(reinterpret_cast<const char*>(data), size);
  const KuvInString asText(text.c_str());  // up to the first zero, as a host's string

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

  KuvBioBuffer* binary = nullptr;
  if (SUCCEEDED(KuvConversionServices::ConvertStringToBinary(asText, binary))) {
    const std::unique_ptr<KuvBioBuffer> owned(binary);
    // An empty literal x'' makes an empty binary, whose empty text reads as nothing.
    if (owned->getSize() == 0) return 0;
    KuvInString digits;
    KuvBioBuffer* again = nullptr;
    if (FAILED(KuvConversionServices::ConvertBinaryToString(*owned, digits)) ||
        FAILED(KuvConversionServices::ConvertStringToBinary(digits, again)))
      std::abort();
    const std::unique_ptr<KuvBioBuffer> back(again);
    if (back->getSize() != owned->getSize() ||
        std::memcmp(back->getBytes(), owned->getBytes(), owned->getSize()) != 0)
      std::abort();
  }
  KuvInGuid guid;
  (void)KuvConversionServices::ConvertStringToGuid(asText, guid);
  return 0;
}
