#include "KuvInStringChar.h"

#include <cstdio>
#include <cstring>

KUV_DEFINE_TYPE(KuvInStringChar, KuvInObjectVal)

KuvInStringChar::KuvInStringChar(const char* text) {
  const char* source = text != nullptr ? text : "";
  assign(source, static_cast<std::int32_t>(std::strlen(source)));
}

KuvInStringChar::KuvInStringChar(const KuvInStringChar& other) : KuvInObjectVal(other) {
  assign(other.m_chars, other.m_length);
}

KuvInStringChar& KuvInStringChar::operator=(const KuvInStringChar& other) {
  if (this != &other) assign(other.m_chars, other.m_length);
  return *this;
}

KuvInStringChar::~KuvInStringChar() { delete[] m_chars; }

void KuvInStringChar::assign(const char* text, std::int32_t length) {
  char* copy = new char[static_cast<size_t>(length) + 1];
  std::memcpy(copy, text, static_cast<size_t>(length));
  copy[length] = '\0';
  delete[] m_chars;
  m_chars = copy;
  m_length = length;
}

KuvInStringChar& KuvInStringChar::appendParts(std::initializer_list<const KuvInStringChar*> parts) {
  size_t total = static_cast<size_t>(m_length);
  for (const KuvInStringChar* part : parts) total += static_cast<size_t>(part->m_length);
  char* joined = new char[total + 1];
  std::memcpy(joined, m_chars, static_cast<size_t>(m_length));
  size_t at = static_cast<size_t>(m_length);
  for (const KuvInStringChar* part : parts) {
    std::memcpy(joined + at, part->m_chars, static_cast<size_t>(part->m_length));
    at += static_cast<size_t>(part->m_length);
  }
  joined[total] = '\0';
  delete[] m_chars;
  m_chars = joined;
  m_length = static_cast<std::int32_t>(total);
  return *this;
}

KuvInStringChar& KuvInStringChar::Append(const KuvInStringChar& s1) { return appendParts({&s1}); }
KuvInStringChar& KuvInStringChar::Append(const KuvInStringChar& s1, const KuvInStringChar& s2) {
  return appendParts({&s1, &s2});
}
KuvInStringChar& KuvInStringChar::Append(const KuvInStringChar& s1, const KuvInStringChar& s2,
                                         const KuvInStringChar& s3) {
  return appendParts({&s1, &s2, &s3});
}
KuvInStringChar& KuvInStringChar::Append(const KuvInStringChar& s1, const KuvInStringChar& s2,
                                         const KuvInStringChar& s3, const KuvInStringChar& s4) {
  return appendParts({&s1, &s2, &s3, &s4});
}
KuvInStringChar& KuvInStringChar::Append(const KuvInStringChar& s1, const KuvInStringChar& s2,
                                         const KuvInStringChar& s3, const KuvInStringChar& s4,
                                         const KuvInStringChar& s5) {
  return appendParts({&s1, &s2, &s3, &s4, &s5});
}

int KuvInStringChar::getDigits(int n) {
  long long v = n;
  int digits = v < 0 ? 2 : 1;
  if (v < 0) v = -v;
  while (v >= 10) {
    v /= 10;
    ++digits;
  }
  return digits;
}

HRESULT KuvInStringChar::BuildFromNum(int value) {
  int digits = getDigits(value);
  char* text = new char[static_cast<size_t>(digits) + 1];
  if (std::snprintf(text, static_cast<size_t>(digits) + 1, "%d", value) != digits) {
    delete[] text;
    return E_FAIL;
  }
  delete[] m_chars;
  m_chars = text;
  m_length = digits;
  return S_OK;
}

KuvInString KuvInStringChar::toString() const { return KuvInString(m_chars); }

std::uint32_t KuvInStringChar::hash() const {
  return BinHashFunc(m_chars, static_cast<std::uint32_t>(m_length));
}

bool KuvInStringChar::operator==(const KuvInStringChar& o) const { return std::strcmp(m_chars, o.m_chars) == 0; }

bool KuvInStringChar::equals(const KuvInObjectVal& other) const {
  const KuvInStringChar* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& KuvInStringChar::clone(void* where) const { return cloneOf(*this, where); }
