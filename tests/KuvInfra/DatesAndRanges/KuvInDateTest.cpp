#include "support/KuvTestSupport.h"

namespace {

// Real-value time: KuvInDate(y, m, d, h + 1, mi + 1, s + 1).
KuvInDate real(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
  return KuvInDate(y, m, d, h + 1, mi + 1, s + 1);
}

std::string xml(const KuvInDate& d) { return d.toStringForXMLValue().ConvertToChar(); }

KuvInDate infNeg() {
  KuvInDate d;
  d.setInfNeg();
  return d;
}

KuvInDate infPos() {
  KuvInDate d;
  d.setInfPos();
  return d;
}

TEST(KuvInDate, SetDateAcceptsRealDaysAndTheInfinitiesOnlyAndMonthLengths) {
  struct { int y, m, d; HRESULT hr; } cases[] = {
      {2000, 2, 29, S_OK},    {1900, 2, 29, E_FAIL}, {2004, 2, 29, S_OK},  {2100, 2, 29, E_FAIL},
      {1899, 12, 31, E_FAIL}, {1900, 1, 1, S_OK},    {9999, 12, 31, S_OK}, {10000, 1, 1, E_FAIL},
      {2001, 4, 31, E_FAIL},  {2001, 13, 1, E_FAIL}, {2001, 0, 1, E_FAIL}, {2001, 1, 0, E_FAIL},
      {0, 0, 0, S_OK},        {20000, 13, 32, S_OK}, {0, 0, 1, E_FAIL},    {65536 + 2001, 1, 1, E_FAIL}};
  for (auto c : cases) {
    KuvInDate date = real(2010, 5, 6, 7, 8, 9);
    date.setTimeSet(true);
    EXPECT_EQ(date.setDate(c.y, c.m, c.d), c.hr) << c.y << "-" << c.m << "-" << c.d;
    if (c.hr == S_OK) {
      EXPECT_FALSE(date.isTimeSet());
    } else {
      EXPECT_EQ(date, real(2010, 5, 6, 7, 8, 9))
          << "changed by a refused " << c.y << "-" << c.m << "-" << c.d;
      EXPECT_TRUE(date.isTimeSet());
    }
  }
  KuvInDate date;
  date.setDate(2001, 2, 3);
  EXPECT_EQ(date, real(2001, 2, 3));  // at 00:00:00
  EXPECT_TRUE(KuvInDate(0, 0, 0, 0, 0, 0).isInfNeg());
  // The leap years are the table's.
  for (auto [month, days] : {std::pair{1, 31}, {2, 28}, {4, 30}, {12, 31}, {0, 0}, {13, 0}})
    EXPECT_EQ(KuvInDate::getNbDaysInMonth(2001, month), days) << month;
}

TEST(KuvInDate, SixFieldSetDateTakesStoredTimeAndKeepsSecond61As60) {
  struct { int h, mi, s; HRESULT hr; const char* text; } cases[] = {{1, 1, 1, S_OK, "2001-02-03T00:00:00"},
               {24, 60, 60, S_OK, "2001-02-03T23:59:59"},
               {24, 60, 61, S_OK, "2001-02-03T23:59:59"},
               {0, 1, 1, E_FAIL, ""},
               {25, 1, 1, E_FAIL, ""},
               {1, 61, 1, E_FAIL, ""},
               {1, 1, 62, E_FAIL, ""},
               {1, 0, 1, E_FAIL, ""}};
  for (auto c : cases) {
    KuvInDate date;
    date.setTimeSet(true);
    EXPECT_EQ(date.setDate(2001, 2, 3, c.h, c.mi, c.s), c.hr) << c.h << ":" << c.mi << ":" << c.s;
    EXPECT_EQ(xml(date), c.hr == S_OK ? c.text : "1900-01-01T00:00:00");
    EXPECT_TRUE(date.isTimeSet());
  }
  KuvInDate date;
  EXPECT_EQ(date.setDate(20000, 13, 32, 24, 60, 62), S_OK);
  EXPECT_TRUE(date.isInfPos());
  EXPECT_EQ(date.setDate(20000, 13, 32, 24, 60, 61), E_FAIL);
}

TEST(KuvInDate, SentinelsFrameEveryRealDateAndTimeSetIsIgnored) {
  const KuvInDate ordered[] = {infNeg(),
                               KuvInDate(false),
                               real(1900, 1, 1, 0, 0, 1),
                               real(2001, 2, 3),
                               real(9999, 12, 31, 23, 59, 59),
                               KuvInDate(true),
                               infPos()};
  for (std::size_t i = 0; i + 1 < std::size(ordered); ++i) {
    EXPECT_LT(ordered[i], ordered[i + 1]) << i;
    EXPECT_GT(ordered[i + 1], ordered[i]) << i;
    EXPECT_NE(ordered[i], ordered[i + 1]) << i;
  }
  EXPECT_TRUE(KuvInDate(false).isMin());
  EXPECT_TRUE(KuvInDate(true).isMax());
  EXPECT_FALSE(real(1900, 1, 1, 0, 0, 1).isMin());

  KuvInDate withTime = real(2001, 2, 3);
  withTime.setTimeSet(true);
  EXPECT_EQ(withTime, real(2001, 2, 3));
  // Assignment copies the point in time, not the flag.
  KuvInDate target;
  target = withTime;
  EXPECT_EQ(target, withTime);
  EXPECT_FALSE(target.isTimeSet());
}

// Real dates are the random test's below; here, the ends of the range.
TEST(KuvInDate, SteppingStopsAtTheSentinels) {
  enum Step { NEXT_SECOND, PREV_SECOND, NEXT_DAY, PREV_DAY };
  struct { KuvInDate from; Step step; HRESULT hr; KuvInDate to; } cases[] = {
      {real(9999, 12, 31, 23, 59, 59), NEXT_SECOND, E_FAIL, KuvInDate(true)},
      {KuvInDate(true), NEXT_SECOND, S_OK, infPos()},
      {infPos(), NEXT_SECOND, E_FAIL, infPos()},
      {infNeg(), NEXT_SECOND, S_OK, KuvInDate(false)},
      {KuvInDate(false), PREV_SECOND, S_OK, infNeg()},
      {infNeg(), PREV_SECOND, E_FAIL, infNeg()},
      {infPos(), PREV_SECOND, S_OK, KuvInDate(true)},
      {KuvInDate(true), PREV_SECOND, S_OK, real(9999, 12, 31, 23, 59, 59)},
      {real(9999, 12, 31, 6), NEXT_DAY, E_FAIL, KuvInDate(true)},
      {KuvInDate(false), PREV_DAY, S_OK, infNeg()},
      {real(1900, 1, 1, 12), PREV_DAY, E_FAIL, KuvInDate(false)},
  };
  for (auto& c : cases) {
    KuvInDate date = c.from;
    HRESULT hr = c.step == NEXT_SECOND   ? date.nextSecond()
                 : c.step == PREV_SECOND ? date.prevSecond()
                 : c.step == NEXT_DAY    ? date.nextDay()
                                         : date.prevDay();
    EXPECT_EQ(hr, c.hr) << xml(c.from) << " step " << c.step;
    EXPECT_EQ(date, c.to) << xml(c.from) << " step " << c.step << " gave " << xml(date);
  }
}

// Random real dates between 1971 and 2100 (stepping back from 1970 leaves the
// stamp's years), a third of them on the last second of a month and a third
// on the first: stepping agrees with the time stamp counted from 1970, and
// the XML text reads back to the same point.
TEST(KuvInDate, SteppingMatchesTimeStampAndXmlTextRoundTrips) {
  EXPECT_EQ(KuvInDate::getTimeStamp(real(1970, 1, 1)), 0u);
  EXPECT_EQ(KuvInDate::getTimeStamp(real(1969, 12, 31)), 364u * 86400u);  // earlier years add no whole years
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> year(1971, 2100), month(1, 12), day(1, 31), hour(0, 23), sixty(0, 59);
  for (int i = 0; i < 500; ++i) {
    const int y = year(rng), m = month(rng), last = KuvInDate::getNbDaysInMonth(y, m);
    KuvInDate date = real(y, m, std::min(day(rng), last), hour(rng), sixty(rng), sixty(rng));
    if (i % 3 == 0) date = real(y, m, last, 23, 59, 59);
    if (i % 3 == 1) date = real(y, m, 1);
    const std::uint32_t stamp = KuvInDate::getTimeStamp(date);
    KuvInDate next = date, prev = date, tomorrow = date, yesterday = date;
    ASSERT_EQ(next.nextSecond(), S_OK);
    ASSERT_EQ(prev.prevSecond(), S_OK);
    ASSERT_EQ(tomorrow.nextDay(), S_OK);
    ASSERT_EQ(yesterday.prevDay(), S_OK);
    EXPECT_EQ(KuvInDate::getTimeStamp(next), stamp + 1) << xml(date);
    EXPECT_EQ(KuvInDate::getTimeStamp(prev), stamp - 1) << xml(date);
    EXPECT_EQ(KuvInDate::getTimeStamp(tomorrow), stamp + 86400) << xml(date);
    EXPECT_EQ(KuvInDate::getTimeStamp(yesterday), stamp - 86400) << xml(date);
    EXPECT_EQ(KuvInDateUtil::getPrev(KuvInDateUtil::getNext(date)), date);

    KuvInDate back(true);
    ASSERT_EQ(back.ParseDateValue(date.toStringForXMLValue(), false), S_OK);
    EXPECT_EQ(back, date) << xml(date);
  }
}

TEST(KuvInDate, TextsShowRealTimeValuesAndInfForInfinities) {
  EXPECT_STREQ(KuvInDateUtil::toStringChar(real(2001, 2, 3, 4, 5, 6)).getChars(), "2001/2/3, 4:5:6s");
  EXPECT_STREQ(KuvInDateUtil::toStringChar(infNeg()).getChars(), "-INF");
  EXPECT_STREQ(KuvInDateUtil::toStringChar(infPos()).getChars(), "+INF");
}

TEST(KuvInDate, ParseDateValueReadsTheXmlFormAndRefusesBadPieces) {
  // message: the refusal's last trace line ("": nothing printed).
  struct { const char* text; bool startOfDay; HRESULT hr; const char* result; const char* message; } cases[] = {
      {"2001-02-03", false, S_OK, "2001-02-03T23:59:59", ""},
      {"2001-02-03", true, S_OK, "2001-02-03T00:00:00", ""},
      {"-2001-02-03T04:05:06", true, S_OK, "2001-02-03T04:05:06", ""},
      {"2001-02-03X04:05:06", true, S_OK, "2001-02-03T00:00:00", ""},
      {"2001-02-3", true, S_OK, "2010-05-06T07:08:09", ""},  // too short: unchanged
      {"", true, S_OK, "2010-05-06T07:08:09", ""},
      {"abcd-02-03", true, E_FAIL, "2010-05-06T07:08:09", "ERROR: ConvertToNum abcd"},
      {"2001-02-03T04:zz:06", true, E_FAIL, "2010-05-06T07:08:09", "ERROR: ConvertToNum zz"},
      {"2001-02-30", true, E_FAIL, "2010-05-06T07:08:09", "ERROR: setDate."},
      {"2001-02-03T24:00:00", true, E_FAIL, "2010-05-06T07:08:09", "ERROR: setDate."},
  };
  for (auto& c : cases) {
    KuvInDate date = real(2010, 5, 6, 7, 8, 9);
    date.setTimeSet(true);
    const std::string out =
        kuv_test::captured([&] { EXPECT_EQ(date.ParseDateValue(c.text, c.startOfDay), c.hr) << c.text; });
    EXPECT_EQ(xml(date), c.result) << c.text;
    EXPECT_TRUE(date.isTimeSet()) << c.text;
    const bool printed = out.find(std::string(c.message) + "\n") != std::string::npos;
    EXPECT_EQ(printed, *c.message != '\0') << c.text << out;
  }
}

TEST(KuvInDateUtil, ValidityOfPointsAndRanges) {
  EXPECT_TRUE(KuvInDateUtil::isIntervalValid(real(2001, 1, 1), real(2001, 1, 1)));
  EXPECT_FALSE(KuvInDateUtil::isIntervalValid(real(2001, 1, 1, 0, 0, 1), real(2001, 1, 1)));
  EXPECT_TRUE(KuvInDateUtil::isIntervalValid(infNeg(), infPos()));
  EXPECT_TRUE(KuvInDateUtil::isValueValid(real(2001, 1, 1)));
  EXPECT_TRUE(KuvInDateUtil::isValueValid(infNeg()));
  EXPECT_TRUE(KuvInDateUtil::isValueValid(infPos()));
  // Beyond the ends, getNext / getPrev stay put.
  EXPECT_EQ(KuvInDateUtil::getNext(infPos()), infPos());
  EXPECT_EQ(KuvInDateUtil::getPrev(infNeg()), infNeg());
}

}  // namespace
