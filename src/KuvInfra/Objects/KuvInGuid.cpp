#include "KuvInGuid.h"

#include <cstring>

#include "KuvMixedHash.h"

KUV_DEFINE_TYPE(KuvInGuid, KuvInObjectVal)

KuvInGuid::KuvInGuid(const unsigned char* bytes) { setArray(bytes); }

KuvInGuid::~KuvInGuid() = default;

void KuvInGuid::setArray(const unsigned char* bytes) {
  if (bytes != nullptr) std::memcpy(m_bytes, bytes, sc_size);
}

bool KuvInGuid::IsValuated() const {
  for (unsigned char b : m_bytes)
    if (b != 0) return true;
  return false;
}

bool KuvInGuid::operator==(const KuvInGuid& o) const { return std::memcmp(m_bytes, o.m_bytes, sc_size) == 0; }

// memcmp compares as unsigned char, which is the required order.
bool KuvInGuid::operator<(const KuvInGuid& o) const { return std::memcmp(m_bytes, o.m_bytes, sc_size) < 0; }

std::uint32_t KuvInGuid::HashFunc() const {
  std::uint32_t h = 0;
  for (int word = 0; word < sc_size; word += 4)
    h ^= static_cast<std::uint32_t>(m_bytes[word]) | static_cast<std::uint32_t>(m_bytes[word + 1]) << 8 |
         static_cast<std::uint32_t>(m_bytes[word + 2]) << 16 | static_cast<std::uint32_t>(m_bytes[word + 3]) << 24;
  return h;
}

std::size_t KuvInGuid::MixedHash::operator()(const KuvInGuid& guid) const noexcept {
  return static_cast<std::uint32_t>(kuv::detail::guidMix(guid.m_bytes) >> 32);
}

bool KuvInGuid::equals(const KuvInObjectVal& other) const {
  const KuvInGuid* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& KuvInGuid::clone(void* where) const { return cloneOf(*this, where); }

KuvInString KuvInGuid::toString() const {
  static constexpr char digits[] = "0123456789ABCDEF";
  char text[2 * sc_size + 1];
  for (int i = 0; i < sc_size; ++i) {
    text[2 * i] = digits[m_bytes[i] >> 4];
    text[2 * i + 1] = digits[m_bytes[i] & 0x0F];
  }
  text[2 * sc_size] = '\0';
  return KuvInString(text);
}
