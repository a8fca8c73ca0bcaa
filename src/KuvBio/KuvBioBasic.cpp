#include "KuvBioBasic.h"

#include <cstdlib>
#include <memory>

#include "KuvInHexaEncodingServices.h"
#include "KuvMallocArray.h"

HRESULT KuvBioBasic::getIndexSizeFromByte(std::uint8_t byte, KuvBioConstants::E_IndexSize& size) {
  if (byte != 1 && byte != 2 && byte != 4) return E_FAIL;
  size = static_cast<KuvBioConstants::E_IndexSize>(byte);
  return S_OK;
}

KuvInString KuvBioBasic::toHexText(const std::uint8_t* bytes, std::uint32_t size) {
  char* text = nullptr;
  std::int32_t length = 0;
  if (KuvInHexaEncodingServices::encode_hex(bytes, static_cast<std::int32_t>(size), text, length) != 0)
    return KuvInString();
  const kuv::detail::MallocArray<char> owned(text);
  return KuvInString(text);
}
