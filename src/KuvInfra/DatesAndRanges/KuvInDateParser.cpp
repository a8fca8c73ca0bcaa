#include "KuvInDateParser.h"

#include <climits>

#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvInDateParser, KuvInObject)

namespace {

// Time fields are stored plus one; the largest int is out of range either
// way, so it is passed on unchanged rather than overflowed.
int storedTime(int value) { return value < INT_MAX ? value + 1 : value; }

bool refusedPair(const KuvInString& a, const KuvInString& b) { return a.IsEmpty() || b.IsEmpty() || a == b; }

}  // namespace

KuvInDateParser::KuvInDateParser()
    : m_separator("/"), m_infNegText("-oo"), m_infPosText("+oo"), m_minText("min"), m_maxText("max") {}

KuvInDateParser::~KuvInDateParser() = default;

HRESULT KuvInDateParser::parse(const KuvInString& text, KuvInDate& date, bool startOfDay) const {
  if (text == m_infNegText) {
    date.setInfNeg();
    return S_OK;
  }
  if (text == m_infPosText) {
    date.setInfPos();
    return S_OK;
  }
  if (text == m_minText) {
    date.setMin();
    return S_OK;
  }
  if (text == m_maxText) {
    date.setMax();
    return S_OK;
  }

  KuvInListVal pieces(KuvInString::sType());
  if (FAILED(text.Split(m_separator, pieces))) return E_FAIL;
  const std::int32_t count = pieces.GetLength();
  if (count != 3 && count != 6) return E_FAIL;
  int numbers[6] = {};
  for (std::int32_t i = 0; i < count; ++i)
    if (FAILED(KuvInString::cast(*pieces.Get(i))->ConvertToNum(numbers[i], "%d"))) return E_FAIL;

  // Where year, month and day stand in each day order.
  static constexpr int kPlaces[3][3] = {{0, 1, 2}, {2, 1, 0}, {2, 0, 1}};
  if (m_order < YMD || m_order > MDY) return E_FAIL;
  const int* places = kPlaces[m_order];
  int year = numbers[places[0]];
  const int month = numbers[places[1]];
  const int day = numbers[places[2]];
  if (0 <= year && year <= 69)
    year += 2000;
  else if (70 <= year && year <= 99)
    year += 1900;

  const bool withTime = count == 6;
  HRESULT hr = E_FAIL;
  if (withTime)
    hr = date.setDate(year, month, day, storedTime(numbers[3]), storedTime(numbers[4]),
                      storedTime(numbers[5]));
  else if (startOfDay)
    hr = date.setDate(year, month, day, 1, 1, 1);
  else
    hr = date.setDate(year, month, day, 24, 60, 60);
  if (SUCCEEDED(hr) && !withTime) date.setTimeSet(false);
  return hr;
}

KuvInString KuvInDateParser::print(const KuvInDate& date) const {
  if (date.isInfNeg()) return m_infNegText;
  if (date.isInfPos()) return m_infPosText;
  int year = 0, month = 0, day = 0;
  date.getDate(year, month, day);
  KuvInString y, m, d;
  int formatted = m_twoFiguresYears && 1970 <= year && year < 2070
                      ? y.BuildFromNum(year < 2000 ? year - 1900 : year - 2000, "%.2d")
                      : y.BuildFromNum(year, "%d");
  if (formatted < 0 || m.BuildFromNum(month, "%.2d") < 0 || d.BuildFromNum(day, "%.2d") < 0)
    return KuvInString();
  KuvInString text;
  switch (m_order) {
    case YMD:
      return text.Append(y, m_separator, m, m_separator, d);
    case DMY:
      return text.Append(d, m_separator, m, m_separator, y);
    case MDY:
      return text.Append(m, m_separator, d, m_separator, y);
    default:
      return KuvInString();
  }
}

HRESULT KuvInDateParser::setSeparator(const KuvInString& separator) {
  if (separator.IsEmpty()) return E_FAIL;
  m_separator = separator;
  return S_OK;
}

HRESULT KuvInDateParser::setInfinites(const KuvInString& minusText, const KuvInString& plusText) {
  if (refusedPair(minusText, plusText)) return E_FAIL;
  m_infNegText = minusText;
  m_infPosText = plusText;
  return S_OK;
}

HRESULT KuvInDateParser::setMinMax(const KuvInString& minText, const KuvInString& maxText) {
  if (refusedPair(minText, maxText)) return E_FAIL;
  m_minText = minText;
  m_maxText = maxText;
  return S_OK;
}
