// The text of every kuv interface: a value over the platform's Unicode
// string class, hashable and comparable so that it can live in containers.
//
// Positions and lengths count UTF-16 code units; 8-bit text in and out is
// UTF-8. Conversions of malformed input are refused (ConvertUTF8ToUCS2 and
// friends in KuvInStringUtil); the 8-bit constructor replaces a malformed
// byte by U+FFFD instead of passing it on.
#pragma once

#include <cstdint>

#include "KuvInObjectVal.h"
#include "OrbUnicodeString.h"

class KuvInListVal;

class KUV_API KuvInString : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInString)

public:
  KuvInString() = default;
  KuvInString(const KuvInString& other);
  // The source is left empty.
  KuvInString(KuvInString&& other) noexcept;
  explicit KuvInString(const OrbUnicodeString& text);
  KuvInString(const char* text);        // NOLINT: implicit, strings are written as literals
  KuvInString(const KuvUCChar* text);   // NOLINT: zero-terminated UCS-2
  KuvInString(const wchar_t* text);     // NOLINT: zero-terminated wide text
  KuvInString(const KuvUCChar* buffer, int length);
  ~KuvInString() override;

  KuvInString& operator=(const KuvInString& other);
  KuvInString& operator=(KuvInString&& other) noexcept;
  KuvInString& operator=(const char* text);
  KuvInString& operator=(const KuvUCChar* text);
  KuvInString& operator=(const wchar_t* text);

  bool operator==(const KuvInString& o) const { return m_text == o.m_text; }
  bool operator!=(const KuvInString& o) const { return m_text != o.m_text; }
  bool operator<(const KuvInString& o) const { return m_text < o.m_text; }
  bool operator<=(const KuvInString& o) const { return m_text <= o.m_text; }
  bool operator>(const KuvInString& o) const { return m_text > o.m_text; }
  bool operator>=(const KuvInString& o) const { return m_text >= o.m_text; }

  // Appends each of its 1 to 8 arguments in order (empty ones change
  // nothing); returns *this. Only the arguments given are built, so short
  // appends on hot paths create no empty temporaries.
  template <class... More>
  KuvInString& Append(const KuvInString& s1, const More&... more) {
    static_assert(sizeof...(More) < 8, "Append takes 1 to 8 strings");
    appendOne(s1);
    (appendOne(more), ...);
    return *this;
  }

  // printf-style; the formatter's result (negative on failure).
  int BuildFromNum(int value, const char* format = "%d");
  int BuildFromDouble(double value, const char* format = "%f");
  // A new string; empty when formatting fails.
  static KuvInString FromNum(int value, const char* format = "%d");
  static KuvInString FromDouble(double value, const char* format = "%f");

  HRESULT BuildFromUCChar(const KuvUCChar* buffer, int length);
  // scanf-style; S_OK when one value was read. "%d" refuses values outside int.
  HRESULT ConvertToNum(int& value, const char* format = "%d") const;
  // UTF-8 and UCS-2 views owned by the string, valid until it changes.
  const char* ConvertToChar() const { return m_text.ConvertToChar(); }
  const KuvUCChar* ConvertToUCChar() const { return m_text.ConvertToUCChar(); }

  int GetLengthInChar() const { return m_text.GetLengthInChar(); }
  int GetLengthInByte() const { return m_text.GetLengthInByte(); }
  bool IsEmpty() const { return m_text.GetLengthInChar() == 0; }

  // Characters from `from` up to, not including, `to`.
  KuvInString SubString(int from, int to) const;
  // E_FAIL when position is outside 0..length.
  HRESULT Insert(int position, const KuvInString& text);
  void Remove(int start, int count);
  // Returns the number of replacements.
  int ReplaceAll(const KuvInString& oldText, const KuvInString& newText);
  // Replaces the first occurrence; 1 when replaced, 0 otherwise.
  int ReplaceSubString(const KuvInString& oldText, const KuvInString& newText);
  // Replaces count characters at start by text.
  int ReplaceRange(const KuvInString& text, int start, int count);
  // First occurrence at or after start, or -1.
  int SearchSubString(const KuvInString& text, int start = 0) const;
  // Last occurrence starting at or before start, or -1.
  int SearchSubStringBackward(const KuvInString& text, int start) const;
  bool IsSubStringAt(int position, const KuvInString& text) const;
  bool IsEqual(const KuvInString& text, bool ignoreCase) const;
  int SortCompare(const KuvInString& text) const { return m_text.SortCompare(text.m_text); }
  // Replaces the content of list by the pieces between the occurrences of
  // separator, empty pieces included ("a,,b" gives a, "" and b). E_FAIL,
  // list unchanged, when separator is empty or list refuses strings.
  HRESULT Split(const KuvInString& separator, KuvInListVal& list) const;
  const OrbUnicodeString& GetOrbString() const { return m_text; }

  KuvInString toString() const override { return *this; }
  std::uint32_t hash() const override { return m_text.ComputeHashKey(); }
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  void appendOne(const KuvInString& s) { m_text.Append(s.m_text); }

  OrbUnicodeString m_text;
};
