// Quoting of names for text syntaxes: a name that contains one of the
// encoder's symbols (operators, blanks, reserved characters) is written
// between an opening and a closing stringifier, with the escape string
// doubled and placed before every occurrence of the closing stringifier.
//
//     KuvInStringEncoder encoder;
//     encoder.addSymbol(" ");
//     encoder.setStringifier("\"", "\"");
//     encoder.setEscape("\\");
//     encoder.encode("a b");   // "a b" with its quotes
#pragma once

#include <bitset>
#include <string>
#include <vector>

#include "KuvInObject.h"
#include "KuvInString.h"

class KUV_API KuvInStringEncoder : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInStringEncoder)

public:
  KuvInStringEncoder() = default;
  KuvInStringEncoder(const KuvInStringEncoder& other) = default;
  KuvInStringEncoder& operator=(const KuvInStringEncoder& other) = default;
  ~KuvInStringEncoder() override;

  // E_FAIL when symbol is empty or already known.
  HRESULT addSymbol(const KuvInString& symbol);
  HRESULT setStringifier(const KuvInString& opening, const KuvInString& closing);
  HRESULT setEscape(const KuvInString& escape);
  // Forgets the symbols and empties the stringifiers and the escape.
  void clear();

  // True when any symbol occurs in text.
  bool isEncodeNeeded(const KuvInString& text) const;
  // forceEncode(text) when isEncodeNeeded(text), else text unchanged.
  KuvInString encode(const KuvInString& text) const;
  // Quotes text whatever it holds. The escape is written twice, and once
  // more before every closing stringifier (before its last character when
  // the closing stringifier is longer than one character).
  KuvInString forceEncode(const KuvInString& text) const;

private:
  // The order of the symbols is never observable; a vector is enough.
  std::vector<KuvInString> m_symbols;
  // The first unit of each symbol: a symbol can begin only where one stands.
  // Names are scanned unit by unit, so ASCII starts are looked up in a table.
  std::bitset<128> m_asciiStarts;
  std::u16string m_otherStarts;
  KuvInString m_opening;
  KuvInString m_closing;
  KuvInString m_escape;
};
