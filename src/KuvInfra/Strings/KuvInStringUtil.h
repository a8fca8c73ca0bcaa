// Tokenizing and UTF-8/UCS-2 conversion of text: KuvInStringUtil for
// KuvInString, KuvInCharUtil for zero-terminated 8-bit text.
//
// Tokens are separated by blanks, tabs and line feeds. Buffers handed back
// (converted text, 8-bit tokens) are allocated with malloc, zero-terminated,
// and freed by the caller with free.
#pragma once

#include <cstdint>

#include "KuvInObject.h"
#include "KuvInString.h"

class KuvInListVal;
class KuvInLinkListVal;

class KUV_API KuvInStringUtil : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInStringUtil)

public:
  KuvInStringUtil() = delete;

  // S_OK with count units in buffer; E_FAIL with a null buffer and a count
  // of 0 when the text is not valid UTF-8 (malformed, truncated, surrogates).
  static HRESULT ConvertUTF8ToUCS2(const char* text, std::int32_t length, KuvUCChar*& buffer,
                                   std::int32_t& count);
  // S_OK with count bytes in text; E_FAIL with a null text and a count of 0
  // when the buffer holds an unpaired surrogate.
  static HRESULT ConvertUCS2ToUTF8(const KuvUCChar* buffer, std::int32_t length, char*& text,
                                   std::int32_t& count);

  // The token runs from position up to the next separator, and position
  // moves past that separator (to the length when there is none). A
  // separator at position gives an empty token. Returns the token's length,
  // 0 with position unchanged when position is outside the text.
  static std::int32_t getNextString(const KuvInString& text, std::int32_t& position, KuvInString& token);

  // Replaces the content of list by the non-empty runs of text between
  // separators, as KuvInStrings. E_FAIL, list unchanged, when list refuses
  // KuvInString.
  static HRESULT splitAroundSpaces(const KuvInString& text, KuvInListVal& list);

  // Sorts in ascending SortCompare order by exchanging neighbours in place
  // (stable; no element is copied). E_FAIL, list unchanged, when list refuses
  // KuvInString or holds anything else.
  static HRESULT sortStringList(KuvInLinkListVal& list);
};

class KUV_API KuvInCharUtil : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInCharUtil)

public:
  KuvInCharUtil() = delete;

  // Unlike KuvInStringUtil::getNextString, separators at position are
  // skipped: the token is the next non-empty run, and position moves past
  // the separator that ends it (to the length when none does). Returns the
  // token's length. When no token remains the result is 0 and token is
  // null; position then moves to the length, or stays where it was when it
  // was outside the text.
  static std::int32_t getNextString(const char* text, std::int32_t& position, char*& token);

  // As KuvInStringUtil::splitAroundSpaces, with the runs as KuvInStringChars
  // (8-bit text stays 8-bit). E_FAIL, list unchanged, when list refuses
  // KuvInStringChar.
  static HRESULT splitAroundSpaces(const char* text, KuvInListVal& list);
};
