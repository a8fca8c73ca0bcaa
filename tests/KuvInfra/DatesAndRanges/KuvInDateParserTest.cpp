#include "support/KuvTestSupport.h"

namespace {

std::string xml(const KuvInDate& d) { return d.toStringForXMLValue().ConvertToChar(); }

// Days in each order are the print-and-parse round trip's; the table keeps
// the end of the day, the two-figure window's edges and the refusals.
TEST(KuvInDateParser, ParseReadsThreeOrSixNumbersInTheDayOrder) {
  using P = KuvInDateParser;
  const char* unchanged = "2010-05-06T07:08:09";
  struct { const char* text; P::E_YMDOrder order; bool startOfDay; HRESULT hr; const char* result; bool clearsTimeSet;
  } cases[] = {
      {"2001/02/03", P::YMD, false, S_OK, "2001-02-03T23:59:59", true},
      {"69/1/1", P::YMD, true, S_OK, "2069-01-01T00:00:00", true},
      {"70/1/1", P::YMD, true, S_OK, "1970-01-01T00:00:00", true},
      {"2001/2/3/4/5/6", P::YMD, false, S_OK, "2001-02-03T04:05:06", false},
      {"-oo", P::YMD, true, S_OK, "INF", false},
      {"max", P::DMY, true, S_OK, "9999-12-31T23:59:60", false},
      {"min", P::DMY, true, S_OK, "1900-01-01T00:00:00", false},
      {"1/2", P::DMY, true, E_FAIL, unchanged, false},
      {"1/2/3/4", P::YMD, true, E_FAIL, unchanged, false},
      {"//", P::YMD, true, E_FAIL, unchanged, false},
      {"a/b/c", P::YMD, true, E_FAIL, unchanged, false},
      {"100/1/1", P::YMD, true, E_FAIL, unchanged, false},
      {"2001/02/30", P::YMD, true, E_FAIL, unchanged, false},
      {"2001/1/1/2147483647/0/0", P::YMD, true, E_FAIL, unchanged, false},
      {"2001/1/1/24/0/0", P::YMD, true, E_FAIL, unchanged, false},
      {"2001/1/1", static_cast<P::E_YMDOrder>(3), true, E_FAIL, unchanged, false},
  };
  // Only a date without a time of day touches the time-set flag.
  for (bool timeSet : {false, true})
    for (auto& c : cases) {
      KuvInDateParser parser;
      parser.setYMDOrder(c.order);
      KuvInDate date(2010, 5, 6, 8, 9, 10);
      date.setTimeSet(timeSet);
      EXPECT_EQ(parser.parse(c.text, date, c.startOfDay), c.hr) << c.text;
      EXPECT_EQ(xml(date), c.result) << c.text;
      EXPECT_EQ(date.isTimeSet(), timeSet && !c.clearsTimeSet) << c.text;
    }
}

TEST(KuvInDateParser, PrintWritesTheDateInTheDayOrder) {
  using P = KuvInDateParser;
  struct { KuvInDate date; P::E_YMDOrder order; bool twoFigures; const char* text; } cases[] = {
      {KuvInDate(2005, 7, 1, 5, 6, 7), P::YMD, true, "05/07/01"},
      {KuvInDate(2005, 7, 1, 5, 6, 7), P::YMD, false, "2005/07/01"},
      {KuvInDate(1999, 7, 1, 1, 1, 1), P::DMY, true, "01/07/99"},
      {KuvInDate(1969, 7, 1, 1, 1, 1), P::MDY, true, "07/01/1969"},
      {KuvInDate(false), P::YMD, false, "1900/01/01"},
      {KuvInDate(true), P::YMD, false, "9999/12/31"},
      {KuvInDate(0, 0, 0, 0, 0, 0), P::YMD, false, "-oo"},
      {KuvInDate(20000, 13, 32, 24, 60, 62), P::YMD, false, "+oo"},
      {KuvInDate(2005, 7, 1, 1, 1, 1), static_cast<P::E_YMDOrder>(7), false, ""},
  };
  for (auto& c : cases) {
    KuvInDateParser parser;
    parser.setYMDOrder(c.order);
    parser.setTwoFiguresYearsPrint(c.twoFigures);
    EXPECT_STREQ(parser.print(c.date).ConvertToChar(), c.text);
  }
}

TEST(KuvInDateParser, SettersRefuseEmptyOrEqualWordsAndKeepTheOldOnes) {
  KuvInDateParser parser;
  EXPECT_EQ(parser.setSeparator(""), E_FAIL);
  EXPECT_EQ(parser.setInfinites("", "+oo"), E_FAIL);
  EXPECT_EQ(parser.setInfinites("x", "x"), E_FAIL);
  EXPECT_EQ(parser.setMinMax("min", ""), E_FAIL);
  EXPECT_EQ(parser.setMinMax("m", "m"), E_FAIL);
  KuvInDate date;
  EXPECT_EQ(parser.parse("2001/2/3", date, true), S_OK);
  EXPECT_EQ(parser.parse("-oo", date, true), S_OK);
  EXPECT_TRUE(date.isInfNeg());

  EXPECT_EQ(parser.setSeparator(" - "), S_OK);
  EXPECT_EQ(parser.setInfinites("past", "future"), S_OK);
  EXPECT_EQ(parser.setMinMax("first", "last"), S_OK);
  EXPECT_EQ(parser.parse("future", date, true), S_OK);
  EXPECT_TRUE(date.isInfPos());
  EXPECT_EQ(parser.parse("last", date, true), S_OK);
  EXPECT_TRUE(date.isMax());
  EXPECT_EQ(parser.parse("-oo", date, true), E_FAIL);
  EXPECT_EQ(parser.parse("2001 - 2 - 3", date, true), S_OK);
  EXPECT_STREQ(parser.print(date).ConvertToChar(), "2001 - 02 - 03");
}

// What print writes, parse reads back to the same day, in every order.
TEST(KuvInDateParser, PrintThenParseGivesTheSameDay) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> year(1900, 9999), twoFigureYear(1970, 2069), month(1, 12), day(1, 31);
  for (int i = 0; i < 300; ++i) {
    KuvInDateParser parser;
    parser.setYMDOrder(static_cast<KuvInDateParser::E_YMDOrder>(i % 3));
    parser.setTwoFiguresYearsPrint(i % 2 == 0);
    const int y = parser.getTwoFiguresYearsPrint() ? twoFigureYear(rng) : year(rng);
    const int m = month(rng);
    KuvInDate date;
    ASSERT_EQ(date.setDate(y, m, std::min(day(rng), KuvInDate::getNbDaysInMonth(y, m))), S_OK);
    KuvInDate back(true);
    const KuvInString text = parser.print(date);
    ASSERT_EQ(parser.parse(text, back, true), S_OK) << text.ConvertToChar();
    EXPECT_EQ(back, date) << text.ConvertToChar();
  }
}

}  // namespace
