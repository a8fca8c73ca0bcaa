// Reads and prints serial numbers in the literal syntax: a decimal number or
// one of four words for the sentinels of KuvInSerialUtil.
//
//     KuvInSerialParser parser;            // "-oo", "min", "max", "+oo"
//     parser.parse("+oo", value, true);    // 2000000000
//     parser.print(999999999);             // "999999999": only the
//                                          // infinities print as words
#pragma once

#include <cstdint>

#include "KuvInObject.h"
#include "KuvInString.h"

class KUV_API KuvInSerialParser : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInSerialParser)

public:
  KuvInSerialParser();
  KuvInSerialParser(const KuvInSerialParser& other) = default;
  KuvInSerialParser& operator=(const KuvInSerialParser& other) = default;
  ~KuvInSerialParser() override;

  // A sentinel word or a number read with "%d" (the value is unchanged on
  // failure). startOfRange mirrors the date parser's startOfDay; a serial
  // number has no part to choose, so it does not change the result.
  HRESULT parse(const KuvInString& text, std::int32_t& value, bool startOfRange) const;
  // The infinities as their words; every other number through "%d".
  KuvInString print(std::int32_t value) const;

  // E_FAIL when either word is empty or both are the same.
  HRESULT setInfinites(const KuvInString& minusText, const KuvInString& plusText);
  HRESULT setMinMax(const KuvInString& minText, const KuvInString& maxText);

private:
  KuvInString m_infNegText;
  KuvInString m_minText;
  KuvInString m_maxText;
  KuvInString m_infPosText;
};
