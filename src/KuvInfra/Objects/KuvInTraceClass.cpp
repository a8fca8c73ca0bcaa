#include "KuvInTraceClass.h"

#include <cstdio>
#include <cstring>

#include "KuvInStringChar.h"
#include "KuvInTraceMngr.h"

KUV_DEFINE_TYPE(KuvInTraceClass, KuvInObject)

thread_local std::int32_t KuvInTraceClass::s_lvl = 0;

KuvInTraceClass::KuvInTraceClass(const char* name) {
  const char* text = name != nullptr ? name : "";
  size_t length = std::strlen(text);
  if (length > static_cast<size_t>(sc_maxLength)) length = sc_maxLength;
  std::memset(m_label, ' ', sc_maxLength);
  std::memcpy(m_label, text, length);
  std::memcpy(m_label + sc_maxLength, " =>  ", 6);
  KuvInTraceMngr::getInstance().registerTrace(text, this);
}

KuvInTraceClass::KuvInTraceClass(const KuvInTraceClass& other) : KuvInObject(other), m_flags(other.m_flags) {
  std::memcpy(m_label, other.m_label, sizeof m_label);
}

KuvInTraceClass& KuvInTraceClass::operator=(const KuvInTraceClass& other) {
  m_flags = other.m_flags;
  std::memcpy(m_label, other.m_label, sizeof m_label);
  return *this;
}

KuvInTraceClass::~KuvInTraceClass() { KuvInTraceMngr::unregisterTrace(this); }

KuvInTraceClass& KuvInTraceClass::beginTrace() {
  flockfile(stdout);
  std::fputs(m_label, stdout);
  for (std::int32_t i = 0; i < s_lvl; ++i) std::fputs(sc_pszIndentUnit, stdout);
  return *this;
}

KuvInTraceClass& KuvInTraceClass::endTrace() {
  std::fputc('\n', stdout);
  std::fflush(stdout);
  funlockfile(stdout);
  return *this;
}

KuvInTraceClass& KuvInTraceClass::operator<<(int value) {
  std::printf("%d", value);
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(unsigned int value) {
  std::printf("%u", value);
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(long int value) {
  std::printf("%ld", value);
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(unsigned long int value) {
  std::printf("%lu", value);
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(long long int value) {
  std::printf("%lld", value);
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(unsigned long long int value) {
  std::printf("%llu", value);
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(float value) {
  std::printf("%f", static_cast<double>(value));
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(double value) {
  std::printf("%f", value);
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(const char* text) {
  std::printf("%s", text != nullptr ? text : "(null)");
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(const void* pointer) {
  std::printf("0x%p", pointer);
  return *this;
}
KuvInTraceClass& KuvInTraceClass::operator<<(const KuvInString& text) {
  return *this << text.ConvertToChar();
}
KuvInTraceClass& KuvInTraceClass::operator<<(const KuvInStringChar& text) {
  return *this << text.getChars();
}

namespace kuv::detail {

OutputLock::OutputLock() { flockfile(stdout); }

OutputLock::~OutputLock() { funlockfile(stdout); }

void TraceCallGuard::enter(const char* operation) {
  m_channel->beginTrace() << KuvInTraceClass::sc_pszCall << operation << KuvInTraceClass::sc_pszBeginMethodSymbol;
  m_channel->endTrace();
  ++KuvInTraceClass::s_lvl;
}

void TraceCallGuard::leave() {
  --KuvInTraceClass::s_lvl;
  m_channel->beginTrace() << KuvInTraceClass::sc_pszEndMethodSymbol;
  m_channel->endTrace();
}

}  // namespace kuv::detail
