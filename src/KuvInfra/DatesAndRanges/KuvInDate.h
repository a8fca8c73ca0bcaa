// A calendar date and time of day at one-second resolution: the point of
// every date effectivity.
//
// The time fields are stored plus one (hour 1..24 means 00..23, minute and
// second 1..60 mean 00..59); getters and setters use that stored form, the
// texts show real values. Four sentinels frame the real dates (1900-01-01
// to 9999-12-31) and order below and above them:
//
//     minus infinity < minimum (1900-01-01 00:00:00) < real dates
//                    < maximum (9999-12-31, second 61) < plus infinity
//
// Stepping past either end of the real dates lands on the minimum or the
// maximum and reports E_FAIL; stepping from a sentinel moves to the next one.
//
//     KuvInDate d(2001, 2, 3, 5, 6, 7);   // 2001-02-03 04:05:06
//     d.nextSecond();                     // 04:05:07
#pragma once

#include <cstdint>

#include "KuvInObject.h"
#include "KuvInString.h"

class KUV_API KuvInDate : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInDate)

public:
  // The minimum for false, the maximum for true.
  explicit KuvInDate(bool max = false);
  // Through the six-field setDate; the minimum when it refuses.
  KuvInDate(int year, int month, int day, int hour, int minute, int second);
  KuvInDate(const KuvInDate& other) = default;
  // Copies the date and time, not the time-set flag.
  KuvInDate& operator=(const KuvInDate& other);
  ~KuvInDate() override;

  // Time 00:00:00 and the time-set flag cleared. (0, 0, 0) and (20000, 13, 32)
  // give the infinities. E_FAIL and no change for anything else outside the
  // real dates.
  HRESULT setDate(int year, int month, int day);
  // Stored time fields: hour 1..24, minute 1..60, second 1..61 (61 is kept as
  // 60). All zeros and (20000, 13, 32, 24, 60, 62) give the infinities. The
  // time-set flag is left alone.
  HRESULT setDate(int year, int month, int day, int hour, int minute, int second);
  void getDate(int& year, int& month, int& day) const;
  void getDate(int& year, int& month, int& day, int& hour, int& minute, int& second) const;
  void getTime(int& hour, int& minute, int& second) const;
  // Gregorian length of the month; 0 for a month outside 1..12.
  static int getNbDaysInMonth(int year, int month);

  HRESULT nextDay();
  HRESULT prevDay();
  HRESULT nextSecond();
  HRESULT prevSecond();

  // Whether a time of day was given; ignored by every comparison.
  bool isTimeSet() const { return m_timeSet; }
  void setTimeSet(bool timeSet) { m_timeSet = timeSet; }

  // The infinities are recognised by their year alone.
  bool isInfNeg() const { return m_year == 0; }
  bool isInfPos() const { return m_year == 20000; }
  bool isMin() const;
  bool isMax() const;
  void setInfNeg();
  void setInfPos();
  void setMin();
  void setMax();

  // Seconds since 1970-01-01 00:00:00, no time zone, in unsigned 32-bit
  // arithmetic; years before 1970 add no whole years.
  static std::uint32_t getTimeStamp(const KuvInDate& date);

  // "Date : 2001/02/03, time : 04h 05min 06s ", or "Date : INF".
  KuvInString toString() const override;
  // "2001-02-03T04:05:06", or "INF".
  KuvInString toStringForXMLValue() const;
  // Reads the XML form back (an optional leading "-" is skipped). A date
  // without a time gets 00:00:00 when startOfDay is true, else 23:59:59.
  // Texts shorter than 10 characters leave the date as it is (S_OK).
  HRESULT ParseDateValue(const KuvInString& text, bool startOfDay);

  bool operator==(const KuvInDate& o) const { return key() == o.key(); }
  bool operator!=(const KuvInDate& o) const { return key() != o.key(); }
  bool operator<(const KuvInDate& o) const { return key() < o.key(); }
  bool operator<=(const KuvInDate& o) const { return key() <= o.key(); }
  bool operator>(const KuvInDate& o) const { return key() > o.key(); }
  bool operator>=(const KuvInDate& o) const { return key() >= o.key(); }

private:
  void assign(int year, int month, int day, int hour, int minute, int second);
  // The six fields packed most significant first, so that one integer
  // comparison orders dates field by field.
  std::uint64_t key() const;
  HRESULT stepDayForward();
  HRESULT stepDayBack();
  bool stepOverSentinelForward(HRESULT& result);
  bool stepOverSentinelBack(HRESULT& result);

  std::uint16_t m_year = 1900;
  std::uint8_t m_month = 1;
  std::uint8_t m_day = 1;
  std::uint8_t m_hour = 1;
  std::uint8_t m_minute = 1;
  std::uint8_t m_second = 1;
  bool m_timeSet = false;
};
