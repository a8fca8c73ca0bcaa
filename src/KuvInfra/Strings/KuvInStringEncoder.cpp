#include "KuvInStringEncoder.h"

#include <algorithm>

KUV_DEFINE_TYPE(KuvInStringEncoder, KuvInObject)

KuvInStringEncoder::~KuvInStringEncoder() = default;

HRESULT KuvInStringEncoder::addSymbol(const KuvInString& symbol) {
  if (symbol.IsEmpty() || std::find(m_symbols.begin(), m_symbols.end(), symbol) != m_symbols.end()) return E_FAIL;
  m_symbols.push_back(symbol);
  const char16_t start = symbol.GetOrbString().units().front();
  if (start < m_asciiStarts.size())
    m_asciiStarts.set(start);
  else if (m_otherStarts.find(start) == std::u16string::npos)
    m_otherStarts.push_back(start);
  return S_OK;
}

HRESULT KuvInStringEncoder::setStringifier(const KuvInString& opening, const KuvInString& closing) {
  m_opening = opening;
  m_closing = closing;
  return S_OK;
}

HRESULT KuvInStringEncoder::setEscape(const KuvInString& escape) {
  m_escape = escape;
  return S_OK;
}

void KuvInStringEncoder::clear() {
  m_symbols.clear();
  m_asciiStarts.reset();
  m_otherStarts.clear();
  m_opening = KuvInString();
  m_closing = KuvInString();
  m_escape = KuvInString();
}

bool KuvInStringEncoder::isEncodeNeeded(const KuvInString& text) const {
  const std::u16string& units = text.GetOrbString().units();
  for (std::size_t at = 0; at < units.size(); ++at) {
    const char16_t unit = units[at];
    if (unit < m_asciiStarts.size() ? !m_asciiStarts[unit] : m_otherStarts.find(unit) == std::u16string::npos)
      continue;
    for (const KuvInString& symbol : m_symbols) {
      const std::u16string& symbolUnits = symbol.GetOrbString().units();
      if (units.compare(at, symbolUnits.size(), symbolUnits) == 0) return true;
    }
  }
  return false;
}

KuvInString KuvInStringEncoder::encode(const KuvInString& text) const {
  return isEncodeNeeded(text) ? forceEncode(text) : text;
}

KuvInString KuvInStringEncoder::forceEncode(const KuvInString& text) const {
  KuvInString body(text);
  KuvInString doubledEscape(m_escape);
  doubledEscape.Append(m_escape);
  body.ReplaceAll(m_escape, doubledEscape);

  // Escapes are doubled before the closing stringifiers are escaped, so the
  // escapes added there stay single.
  int closingLength = m_closing.GetLengthInChar();
  KuvInString escapedClosing = m_closing.SubString(0, closingLength - 1);
  escapedClosing.Append(m_escape, m_closing.SubString(closingLength - 1, closingLength));
  body.ReplaceAll(m_closing, escapedClosing);

  KuvInString result(m_opening);
  result.Append(body, m_closing);
  return result;
}
