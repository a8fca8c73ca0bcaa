// A plain 8-bit, zero-terminated byte string as a value (trace channel
// names, activation words, keys that need no Unicode).
#pragma once

#include <cstdint>
#include <initializer_list>

#include "KuvInObjectVal.h"

class KUV_API KuvInStringChar : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInStringChar)

public:
  KuvInStringChar(const char* text = "");  // NOLINT: implicit by design
  KuvInStringChar(const KuvInStringChar& other);
  KuvInStringChar& operator=(const KuvInStringChar& other);
  ~KuvInStringChar() override;

  // Concatenates the others in order, with a single reallocation.
  KuvInStringChar& Append(const KuvInStringChar& s1);
  KuvInStringChar& Append(const KuvInStringChar& s1, const KuvInStringChar& s2);
  KuvInStringChar& Append(const KuvInStringChar& s1, const KuvInStringChar& s2, const KuvInStringChar& s3);
  KuvInStringChar& Append(const KuvInStringChar& s1, const KuvInStringChar& s2, const KuvInStringChar& s3,
                          const KuvInStringChar& s4);
  KuvInStringChar& Append(const KuvInStringChar& s1, const KuvInStringChar& s2, const KuvInStringChar& s3,
                          const KuvInStringChar& s4, const KuvInStringChar& s5);

  // Replaces the text by the decimal form of value.
  HRESULT BuildFromNum(int value);
  // Characters of n in decimal, a minus sign included.
  static int getDigits(int n);

  std::int32_t GetLength() const { return m_length; }
  const char* getChars() const { return m_chars; }

  KuvInString toString() const override;
  // The byte hash over the characters (the terminator excluded).
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

  bool operator==(const KuvInStringChar& o) const;
  bool operator!=(const KuvInStringChar& o) const { return !(*this == o); }

private:
  void assign(const char* text, std::int32_t length);
  KuvInStringChar& appendParts(std::initializer_list<const KuvInStringChar*> parts);

  char* m_chars = nullptr;
  std::int32_t m_length = 0;
};
