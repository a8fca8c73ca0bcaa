// Reads and prints dates in the short form of the literal syntax: three
// numbers (optionally three more for the time of day) joined by a separator,
// in a configurable day order, plus four words for the sentinels.
//
//     KuvInDateParser parser;                 // "/", year-month-day
//     parser.setYMDOrder(KuvInDateParser::DMY);
//     parser.parse("1/2/03", date, true);     // 2003-02-01 00:00:00
//     parser.print(date);                     // "01/02/2003"
#pragma once

#include "KuvInDate.h"

class KUV_API KuvInDateParser : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInDateParser)

public:
  // Other values may be set; such a parser neither reads nor prints dates.
  enum E_YMDOrder : int { YMD = 0, DMY = 1, MDY = 2 };

  KuvInDateParser();
  KuvInDateParser(const KuvInDateParser& other) = default;
  KuvInDateParser& operator=(const KuvInDateParser& other) = default;
  ~KuvInDateParser() override;

  // A sentinel word, or 3 or 6 numbers. Years 0..69 mean 2000..2069 and
  // 70..99 mean 1970..1999. Without a time of day the date gets 00:00:00
  // when startOfDay is true, else 23:59:59, and the time-set flag is cleared;
  // with one the flag stays as it was. The date is unchanged on failure.
  HRESULT parse(const KuvInString& text, KuvInDate& date, bool startOfDay) const;
  // The date part only; the infinities print as their words. Empty when the
  // order is unknown.
  KuvInString print(const KuvInDate& date) const;

  // E_FAIL for an empty separator.
  HRESULT setSeparator(const KuvInString& separator);
  // E_FAIL when either word is empty or both are the same.
  HRESULT setInfinites(const KuvInString& minusText, const KuvInString& plusText);
  HRESULT setMinMax(const KuvInString& minText, const KuvInString& maxText);
  void setYMDOrder(E_YMDOrder order) { m_order = order; }
  // Years 1970..2069 print with two figures.
  void setTwoFiguresYearsPrint(bool twoFigures) { m_twoFiguresYears = twoFigures; }
  bool getTwoFiguresYearsPrint() const { return m_twoFiguresYears; }

private:
  KuvInString m_separator;
  E_YMDOrder m_order = YMD;
  KuvInString m_infNegText;
  KuvInString m_infPosText;
  KuvInString m_minText;
  KuvInString m_maxText;
  bool m_twoFiguresYears = false;
};
