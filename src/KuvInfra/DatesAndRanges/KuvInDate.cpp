#include "KuvInDate.h"

#include <cstdio>

KUV_DEFINE_TYPE(KuvInDate, KuvInObject)

namespace {

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Leap years from year 1 to year n.
std::uint32_t leapYearsUpTo(std::uint32_t n) { return n / 4 - n / 100 + n / 400; }

bool isRealDay(int year, int month, int day) {
  return 1900 <= year && year <= 9999 && 1 <= month && month <= 12 && 1 <= day &&
         day <= KuvInDate::getNbDaysInMonth(year, month);
}

constexpr std::uint64_t packKey(std::uint64_t year, std::uint64_t month, std::uint64_t day,
                                std::uint64_t hour, std::uint64_t minute, std::uint64_t second) {
  return year << 40 | month << 32 | day << 24 | hour << 16 | minute << 8 | second;
}

constexpr std::uint64_t kMinKey = packKey(1900, 1, 1, 1, 1, 1);
constexpr std::uint64_t kMaxKey = packKey(9999, 12, 31, 24, 60, 61);

}  // namespace

KuvInDate::KuvInDate(bool max) {
  if (max) setMax();
}

KuvInDate::KuvInDate(int year, int month, int day, int hour, int minute, int second) {
  setDate(year, month, day, hour, minute, second);
}

KuvInDate& KuvInDate::operator=(const KuvInDate& other) {
  assign(other.m_year, other.m_month, other.m_day, other.m_hour, other.m_minute, other.m_second);
  return *this;
}

KuvInDate::~KuvInDate() = default;

void KuvInDate::assign(int year, int month, int day, int hour, int minute, int second) {
  m_year = static_cast<std::uint16_t>(year);
  m_month = static_cast<std::uint8_t>(month);
  m_day = static_cast<std::uint8_t>(day);
  m_hour = static_cast<std::uint8_t>(hour);
  m_minute = static_cast<std::uint8_t>(minute);
  m_second = static_cast<std::uint8_t>(second);
}

std::uint64_t KuvInDate::key() const { return packKey(m_year, m_month, m_day, m_hour, m_minute, m_second); }

HRESULT KuvInDate::setDate(int year, int month, int day) {
  if (year == 20000 && month == 13 && day == 32) {
    setInfPos();
  } else if (year == 0 && month == 0 && day == 0) {
    setInfNeg();
  } else {
    if (!isRealDay(year, month, day)) return E_FAIL;
    assign(year, month, day, 1, 1, 1);
  }
  m_timeSet = false;
  return S_OK;
}

HRESULT KuvInDate::setDate(int year, int month, int day, int hour, int minute, int second) {
  if (year == 20000 && month == 13 && day == 32 && hour == 24 && minute == 60 && second == 62) {
    setInfPos();
    return S_OK;
  }
  if (year == 0 && month == 0 && day == 0 && hour == 0 && minute == 0 && second == 0) {
    setInfNeg();
    return S_OK;
  }
  if (!isRealDay(year, month, day) || hour < 1 || hour > 24 || minute < 1 || minute > 60 || second < 1 ||
      second > 61)
    return E_FAIL;
  assign(year, month, day, hour, minute, second == 61 ? 60 : second);
  return S_OK;
}

void KuvInDate::getDate(int& year, int& month, int& day) const {
  year = m_year;
  month = m_month;
  day = m_day;
}

void KuvInDate::getDate(int& year, int& month, int& day, int& hour, int& minute, int& second) const {
  getDate(year, month, day);
  getTime(hour, minute, second);
}

void KuvInDate::getTime(int& hour, int& minute, int& second) const {
  hour = m_hour;
  minute = m_minute;
  second = m_second;
}

int KuvInDate::getNbDaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool KuvInDate::isMin() const { return key() == kMinKey; }
bool KuvInDate::isMax() const { return key() == kMaxKey; }
void KuvInDate::setInfNeg() { assign(0, 0, 0, 0, 0, 0); }
void KuvInDate::setInfPos() { assign(20000, 13, 32, 24, 60, 62); }
void KuvInDate::setMin() { assign(1900, 1, 1, 1, 1, 1); }
void KuvInDate::setMax() { assign(9999, 12, 31, 24, 60, 61); }

HRESULT KuvInDate::stepDayForward() {
  if (++m_day <= getNbDaysInMonth(m_year, m_month)) return S_OK;
  m_day = 1;
  if (++m_month <= 12) return S_OK;
  m_month = 1;
  if (++m_year <= 9999) return S_OK;
  setMax();
  return E_FAIL;
}

HRESULT KuvInDate::stepDayBack() {
  if (--m_day >= 1) return S_OK;
  if (--m_month < 1) {
    m_month = 12;
    if (--m_year < 1900) {
      setMin();
      return E_FAIL;
    }
  }
  m_day = static_cast<std::uint8_t>(getNbDaysInMonth(m_year, m_month));
  return S_OK;
}

// Sentinels step among themselves: -oo -> min, max -> +oo, and nothing lies
// beyond the infinities. True when this date was a sentinel step (or refusal).
bool KuvInDate::stepOverSentinelForward(HRESULT& result) {
  result = S_OK;
  if (isInfPos())
    result = E_FAIL;
  else if (isMax())
    setInfPos();
  else if (isInfNeg())
    setMin();
  else
    return false;
  return true;
}

bool KuvInDate::stepOverSentinelBack(HRESULT& result) {
  result = S_OK;
  if (isInfNeg())
    result = E_FAIL;
  else if (isMin())
    setInfNeg();
  else if (isInfPos())
    setMax();
  else
    return false;
  return true;
}

HRESULT KuvInDate::nextDay() {
  if (HRESULT sentinel; stepOverSentinelForward(sentinel)) return sentinel;
  return stepDayForward();
}

HRESULT KuvInDate::nextSecond() {
  if (HRESULT sentinel; stepOverSentinelForward(sentinel)) return sentinel;
  if (++m_second <= 60) return S_OK;
  m_second = 1;
  if (++m_minute <= 60) return S_OK;
  m_minute = 1;
  if (++m_hour <= 24) return S_OK;
  m_hour = 1;
  return stepDayForward();
}

HRESULT KuvInDate::prevDay() {
  if (HRESULT sentinel; stepOverSentinelBack(sentinel)) return sentinel;
  return stepDayBack();
}

HRESULT KuvInDate::prevSecond() {
  if (HRESULT sentinel; stepOverSentinelBack(sentinel)) return sentinel;
  if (--m_second >= 1) return S_OK;
  m_second = 60;
  if (--m_minute >= 1) return S_OK;
  m_minute = 60;
  if (--m_hour >= 1) return S_OK;
  m_hour = 24;
  return stepDayBack();
}

std::uint32_t KuvInDate::getTimeStamp(const KuvInDate& date) {
  // Unsigned wrap-around is the defined result for the sentinels.
  std::uint32_t days = 0;
  if (date.m_year > 1970)
    days = 365u * (date.m_year - 1970u) + leapYearsUpTo(date.m_year - 1u) - leapYearsUpTo(1969);
  for (int month = 1; month < date.m_month; ++month)
    days += static_cast<std::uint32_t>(getNbDaysInMonth(date.m_year, month));
  days += date.m_day - 1u;
  return days * 86400u + (date.m_hour - 1u) * 3600u + (date.m_minute - 1u) * 60u + (date.m_second - 1u);
}

KuvInString KuvInDate::toString() const {
  if (isInfNeg() || isInfPos()) return KuvInString("Date : INF");
  char text[96];
  std::snprintf(text, sizeof text, "Date : %04d/%02d/%02d, time : %02dh %02dmin %02ds ", m_year, m_month,
                m_day, m_hour - 1, m_minute - 1, m_second - 1);
  return KuvInString(text);
}

KuvInString KuvInDate::toStringForXMLValue() const {
  if (isInfNeg() || isInfPos()) return KuvInString("INF");
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", m_year, m_month, m_day, m_hour - 1,
                m_minute - 1, m_second - 1);
  return KuvInString(text);
}

HRESULT KuvInDate::ParseDateValue(const KuvInString& text, bool startOfDay) {
  const int length = text.GetLengthInChar();
  if (length < 10) return S_OK;
  // A negative year keeps its digits one place further; the sign is dropped.
  const int at = text.IsSubStringAt(0, "-") ? 1 : 0;
  auto read = [&text, at](int position, int width, int& value) {
    KuvInString piece = text.SubString(at + position, at + position + width);
    HRESULT hr = piece.ConvertToNum(value, "%d");
    if (FAILED(hr)) KUV_TRACE_ERROR("ERROR: ConvertToNum ", piece);
    return hr;
  };
  int year = 0, month = 0, day = 0;
  HRESULT hr = read(0, 4, year);
  if (SUCCEEDED(hr)) hr = read(5, 2, month);
  if (SUCCEEDED(hr)) hr = read(8, 2, day);
  if (FAILED(hr)) return hr;

  if (length >= 19 + at && text.IsSubStringAt(10 + at, "T")) {
    int hour = 0, minute = 0, second = 0;
    hr = read(11, 2, hour);
    if (SUCCEEDED(hr)) hr = read(14, 2, minute);
    if (SUCCEEDED(hr)) hr = read(17, 2, second);
    if (FAILED(hr)) return hr;
    hr = setDate(year, month, day, hour + 1, minute + 1, second + 1);
  } else {
    hr = startOfDay ? setDate(year, month, day, 1, 1, 1) : setDate(year, month, day, 24, 60, 60);
  }
  if (FAILED(hr)) KUV_RETURN_ERROR(E_FAIL, "ERROR: setDate.");
  return S_OK;
}
