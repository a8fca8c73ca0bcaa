#include "KuvInObjectVal.h"

KUV_DEFINE_TYPE(KuvInObjectVal, KuvInObject)

KuvInObjectVal::~KuvInObjectVal() = default;

std::uint32_t KuvInObjectVal::ComputeBinHash(const void* bytes, std::uint32_t length) {
  if (bytes == nullptr) return 0;
  const auto* p = static_cast<const signed char*>(bytes);
  std::uint32_t h = 0;
  for (std::uint32_t i = 0; i < length; ++i) h = h * 131u + static_cast<std::uint32_t>(p[i]);
  return h & 0x7FFFFFFFu;
}

std::uint32_t KuvInObjectVal::BinHashFunc(const void* bytes, std::uint32_t length) const {
  return ComputeBinHash(bytes, length);
}
