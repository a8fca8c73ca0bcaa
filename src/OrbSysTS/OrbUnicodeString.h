// Platform layer: the host platform's Unicode string class, written over
// std::u16string for hosts that do not provide one.
//
// A string is a sequence of UTF-16 code units; positions and lengths count
// units. 8-bit text given to or taken from the class is UTF-8; a malformed
// byte of 8-bit input becomes U+FFFD rather than being passed on.
// The 8-bit and UCS-2 views returned by ConvertToChar and ConvertToUCChar are
// owned by the string and stay valid until it is next modified.
#pragma once

#include <memory>
#include <string>

#include "KuvInTypes.h"

class KUV_API OrbUnicodeString {
public:
  OrbUnicodeString() = default;
  OrbUnicodeString(const OrbUnicodeString& other);
  // The source is left empty.
  OrbUnicodeString(OrbUnicodeString&& other) noexcept;
  OrbUnicodeString(const char* text);  // NOLINT: implicit by design, like the platform's
  explicit OrbUnicodeString(std::u16string units);
  OrbUnicodeString& operator=(const OrbUnicodeString& other);
  OrbUnicodeString& operator=(OrbUnicodeString&& other) noexcept;
  OrbUnicodeString& operator=(const char* text);

  // Returns 1 on success, 0 when the buffer is null with a positive length
  // or the length is negative.
  int BuildFromUCChar(const KuvUCChar* buffer, int length);
  // Zero-terminated UCS-2 text; a null pointer gives the empty string.
  int BuildFromWChar(const KuvUCChar* text);
  int BuildFromWChar(const wchar_t* text);
  // printf-style formatting; returns the formatter's result (negative on failure).
  int BuildFromNum(int value, const char* format);
  int BuildFromNum(double value, const char* format);

  bool operator==(const OrbUnicodeString& o) const { return m_units == o.m_units; }
  bool operator!=(const OrbUnicodeString& o) const { return m_units != o.m_units; }
  bool operator<(const OrbUnicodeString& o) const { return m_units < o.m_units; }
  bool operator<=(const OrbUnicodeString& o) const { return m_units <= o.m_units; }
  bool operator>(const OrbUnicodeString& o) const { return m_units > o.m_units; }
  bool operator>=(const OrbUnicodeString& o) const { return m_units >= o.m_units; }

  // 2 when identical, 1 when equal apart from letter case, 0 otherwise.
  int Compare(const OrbUnicodeString& other) const;
  // Collation: letter case is ignored first and only breaks ties.
  int SortCompare(const OrbUnicodeString& other) const;

  OrbUnicodeString& Append(const OrbUnicodeString& other);
  // count units from start, clamped to the string.
  OrbUnicodeString SubString(int start, int count) const;
  // scanf-style scan of the UTF-8 form; returns the number of items read
  // (1 on success for a single conversion). "%d" refuses out-of-range values.
  int ConvertToNum(int& value, const char* format) const;
  const char* ConvertToChar() const;
  const KuvUCChar* ConvertToUCChar() const;

  // Replaces the first occurrence; 1 when one was replaced, 0 otherwise.
  int ReplaceSubString(const OrbUnicodeString& oldText, const OrbUnicodeString& newText);
  // Replaces count units at start (clamped); 1 on success, 0 when start is outside.
  int ReplaceSubString(int start, int count, const OrbUnicodeString& newText);
  // Returns the number of replacements.
  int ReplaceAll(const OrbUnicodeString& oldText, const OrbUnicodeString& newText);
  void Remove(int start, int count);
  // 1 on success, 0 when position is outside 0..length.
  int Insert(int position, const OrbUnicodeString& text);

  int GetLengthInChar() const { return static_cast<int>(m_units.size()); }
  int GetLengthInByte() const { return static_cast<int>(m_units.size() * sizeof(KuvUCChar)); }

  // Forward: first occurrence at or after start. Backward: last occurrence
  // starting at or before start. -1 when not found.
  int SearchSubString(const OrbUnicodeString& text, int start, bool forward = true) const;

  unsigned int ComputeHashKey() const;

  const std::u16string& units() const { return m_units; }

private:
  void invalidateViews();

  std::u16string m_units;
  // Made on demand and dropped on change: most strings are never asked for
  // their 8-bit form, and every string of the library carries this member.
  mutable std::unique_ptr<std::string> m_utf8View;
};
