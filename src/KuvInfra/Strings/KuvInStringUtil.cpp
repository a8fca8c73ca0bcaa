#include "KuvInStringUtil.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "KuvInLinkListVal.h"
#include "KuvInListVal.h"
#include "KuvInStringChar.h"
#include "MibSysUCAlgorithm.h"

KUV_DEFINE_TYPE(KuvInStringUtil, KuvInObject)
KUV_DEFINE_TYPE(KuvInCharUtil, KuvInObject)

namespace {

template <class Char>
bool isTokenSeparator(Char c) {
  return c == Char(' ') || c == Char('\t') || c == Char('\n');
}

}  // namespace

HRESULT KuvInStringUtil::ConvertUTF8ToUCS2(const char* text, std::int32_t length, KuvUCChar*& buffer,
                                           std::int32_t& count) {
  buffer = nullptr;
  count = 0;
  if (length < 0 || (text == nullptr && length > 0)) return E_FAIL;
  // A UTF-8 byte never yields more than one unit (four bytes yield two).
  auto* units = static_cast<KuvUCChar*>(std::malloc((static_cast<size_t>(length) + 1) * sizeof(KuvUCChar)));
  if (units == nullptr) return E_FAIL;
  int consumed = 0;
  int written = MibSysUCAlgorithm::ConvertUTF8ToUCS2(text, length, units, length, consumed);
  if (consumed != length) {
    std::free(units);
    return E_FAIL;
  }
  units[written] = 0;
  buffer = units;
  count = written;
  return S_OK;
}

HRESULT KuvInStringUtil::ConvertUCS2ToUTF8(const KuvUCChar* buffer, std::int32_t length, char*& text,
                                           std::int32_t& count) {
  text = nullptr;
  count = 0;
  // The output needs up to 4 bytes per unit and must stay countable in 32 bits.
  if (length < 0 || length > (0x7FFFFFFF - 1) / 4 || (buffer == nullptr && length > 0)) return E_FAIL;
  int capacity = 4 * length;
  auto* bytes = static_cast<char*>(std::malloc(static_cast<size_t>(capacity) + 1));
  if (bytes == nullptr) return E_FAIL;
  int consumed = 0;
  int written = MibSysUCAlgorithm::ConvertUCS2ToUTF8(buffer, length, bytes, capacity, consumed);
  if (consumed != length) {
    std::free(bytes);
    return E_FAIL;
  }
  bytes[written] = '\0';
  text = bytes;
  count = written;
  return S_OK;
}

std::int32_t KuvInStringUtil::getNextString(const KuvInString& text, std::int32_t& position, KuvInString& token) {
  token = KuvInString();
  const std::u16string& units = text.GetOrbString().units();
  auto length = static_cast<std::int32_t>(units.size());
  if (position < 0 || position >= length) return 0;
  std::int32_t start = position;
  std::int32_t end = start;
  while (end < length && !isTokenSeparator(units[static_cast<size_t>(end)])) ++end;
  token = text.SubString(start, end);
  position = end < length ? end + 1 : length;
  return end - start;
}

HRESULT KuvInStringUtil::splitAroundSpaces(const KuvInString& text, KuvInListVal& list) {
  if (!list.IsTypeAccepted(KuvInString::sType())) return E_FAIL;
  list.Clear();
  const std::u16string& units = text.GetOrbString().units();
  auto length = static_cast<std::int32_t>(units.size());
  for (std::int32_t start = 0; start < length;) {
    std::int32_t end = start;
    while (end < length && !isTokenSeparator(units[static_cast<size_t>(end)])) ++end;
    if (end > start) list.PutBack(text.SubString(start, end));
    start = end + 1;
  }
  return S_OK;
}

HRESULT KuvInStringUtil::sortStringList(KuvInLinkListVal& list) {
  if (!list.IsTypeAccepted(KuvInString::sType())) return E_FAIL;
  for (KuvInLinkListVal::const_iterator it = list.cBegin(); it.IsValid(); it.Next())
    if (KuvInString::cast(*it.Get()) == nullptr) return E_FAIL;
  for (bool swapped = true; swapped;) {
    swapped = false;
    KuvInLinkListVal::iterator it = list.Begin();
    KuvInLinkListVal::iterator next = it;
    for (next.Next(); next.IsValid(); it.Next(), next.Next()) {
      const auto* a = static_cast<const KuvInString*>(it.Get());
      const auto* b = static_cast<const KuvInString*>(next.Get());
      if (a->SortCompare(*b) > 0) {
        it.SwapWithNext();
        swapped = true;
      }
    }
  }
  return S_OK;
}

std::int32_t KuvInCharUtil::getNextString(const char* text, std::int32_t& position, char*& token) {
  token = nullptr;
  if (text == nullptr || position < 0) return 0;
  // Look for the terminator before position rather than measuring the whole
  // text: a position far beyond it must not make us read past it.
  for (std::int64_t i = 0; i <= position; ++i)
    if (text[i] == '\0') return 0;
  const char* start = text + position;
  while (*start != '\0' && isTokenSeparator(*start)) ++start;
  const char* end = start;
  while (*end != '\0' && !isTokenSeparator(*end)) ++end;
  auto tokenLength = static_cast<std::int32_t>(end - start);
  if (tokenLength == 0) {
    position = static_cast<std::int32_t>(end - text);
    return 0;
  }
  auto* copy = static_cast<char*>(std::malloc(static_cast<size_t>(tokenLength) + 1));
  if (copy == nullptr) return 0;
  std::memcpy(copy, start, static_cast<size_t>(tokenLength));
  copy[tokenLength] = '\0';
  token = copy;
  position = static_cast<std::int32_t>(*end != '\0' ? end + 1 - text : end - text);
  return tokenLength;
}

HRESULT KuvInCharUtil::splitAroundSpaces(const char* text, KuvInListVal& list) {
  if (!list.IsTypeAccepted(KuvInStringChar::sType())) return E_FAIL;
  list.Clear();
  if (text == nullptr) return S_OK;
  for (const char* start = text; *start != '\0';) {
    const char* end = start;
    while (*end != '\0' && !isTokenSeparator(*end)) ++end;
    if (end > start) list.PutBack(KuvInStringChar(std::string(start, end).c_str()));
    start = *end != '\0' ? end + 1 : end;
  }
  return S_OK;
}
