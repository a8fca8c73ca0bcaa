#include "support/KuvTestSupport.h"

namespace {

struct Date { int year, month, day; bool operator==(const Date&) const = default; };

std::ostream& operator<<(std::ostream& out, const Date& d) {
  return out << d.year << '-' << d.month << '-' << d.day;
}

int dayNumber(Date d) {
  int n = INT_MIN;
  EXPECT_EQ(KuvCoreEncodingsToolbox::Compute_Nbdays_From_YMD(d.year, d.month, d.day, n), S_OK) << d;
  return n;
}

Date dateOf(int n) {
  Date d{};
  EXPECT_EQ(KuvCoreEncodingsToolbox::Compute_YMD_From_Nbdays(n, d.year, d.month, d.day), S_OK) << n;
  return d;
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysIn(int year, int month) {
  static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeap(year) ? 29 : lengths[month - 1];
}

// The database text of a view of either enumeration, after checking that it
// reads back to the view.
template <class View>
std::string dbText(View view) {
  KuvInString text;
  View back = static_cast<View>(-1);
  EXPECT_EQ(KuvCoreEncodingsToolbox::convertApplyingView_ENUM_To_DBValue(view, text), S_OK);
  EXPECT_EQ(KuvCoreEncodingsToolbox::convertApplyingView_DBValue_To_ENUM(text, back), S_OK);
  EXPECT_EQ(back, view);
  return text.ConvertToChar();
}

}  // namespace

// Between 1600 and 2400 the day-by-day walk below fixes every number from
// the origin; year 1 anchors the far past.
TEST(KuvCoreEncodingsToolbox, DayNumbersCountFrom1900) {
  struct { Date date; int n; } cases[] = {{{1900, 1, 1}, 0}, {{1, 1, 1}, -693595}};
  for (auto c : cases) {
    EXPECT_EQ(dayNumber(c.date), c.n) << c.date;
    EXPECT_EQ(dateOf(c.n), c.date) << c.n;
  }
}

// Every day from 1600 to 2400 (three leap-century boundaries and the
// non-leap 1700, 1800, 1900, 2100, 2200, 2300) follows the one before it.
TEST(KuvCoreEncodingsToolbox, SuccessiveDayNumbersGiveSuccessiveDates) {
  int first = dayNumber({1600, 1, 1});
  int last = dayNumber({2400, 12, 31});
  Date previous = dateOf(first - 1);
  ASSERT_EQ(previous, (Date{1599, 12, 31}));
  for (int n = first; n <= last; ++n) {
    Date d = dateOf(n);
    Date expected = previous.day < daysIn(previous.year, previous.month)
                        ? Date{previous.year, previous.month, previous.day + 1}
                    : previous.month < 12 ? Date{previous.year, previous.month + 1, 1}
                                          : Date{previous.year + 1, 1, 1};
    ASSERT_EQ(d, expected) << n;
    ASSERT_EQ(dayNumber(d), n) << d;
    previous = d;
  }
  EXPECT_EQ(last - first + 1, 801 * 365 + 195);  // 201 leap years minus 6 skipped centuries
}

TEST(KuvCoreEncodingsToolbox, AnyDayNumberRoundTrips) {
  std::mt19937 random(1900);
  std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
  for (int round = 0; round < 20000; ++round) {
    int n = round < 10 ? (round % 2 == 0 ? INT_MIN + round : INT_MAX - round) : any(random);
    Date d = dateOf(n);
    ASSERT_TRUE(d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= daysIn(d.year, d.month))
        << n << ": " << d;
    ASSERT_EQ(dayNumber(d), n) << d;
  }
}

TEST(KuvCoreEncodingsToolbox, DayNumbersRefuseBadMonthsAndOverflow) {
  int n = 12345;
  for (Date d : {Date{2000, 0, 1}, {2000, 13, 1}, {INT_MAX, 12, 31}, {-6000000, 1, 1}, {1900, 1, INT_MIN}})
    EXPECT_EQ(KuvCoreEncodingsToolbox::Compute_Nbdays_From_YMD(d.year, d.month, d.day, n), E_INVALIDARG) << d;
  EXPECT_EQ(n, 12345);
  // Days beyond the month simply carry on.
  EXPECT_EQ(dayNumber({1900, 1, 32}), dayNumber({1900, 2, 1}));
  EXPECT_EQ(dayNumber({1900, 3, 0}), dayNumber({1900, 2, 28}));
}

TEST(KuvCoreEncodingsToolbox, DisplayDecodingDropsUnescapedQuotes) {
  struct { const char* stored; const char* display; } cases[] = {
      {"'it\\'s'", "it's"},
      {"plain", "plain"},
      {"", ""},
      {"'", ""},
      {"a\\\\b", "a\\b"},
      {"\\'", "'"},
      {"x\\''", "x'"},
      {"'a b' and 'c'", "a b and c"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(KuvCoreEncodingsToolbox::DecodeExpressionForDisplay(c.stored), KuvInString(c.display))
        << c.stored;
}

// Both view enumerations read back from the stored text, which hosts keep
// as it is; anything else is refused with a traced error.
TEST(KuvCoreEncodingsToolbox, ApplyingViewsRoundTripThroughTheirDatabaseTexts) {
  using Ee = KuvEeExpressionToolbox;
  EXPECT_EQ(dbText(CFG_EXPRVIEW_SOURCE), "SOURCE");
  EXPECT_EQ(dbText(CFG_EXPRVIEW_CURRENT), "CURRENT");
  EXPECT_EQ(dbText(CFG_EXPRVIEW_PROJECTED), "PROJECTED");
  EXPECT_EQ(dbText(Ee::SOURCE), "SOURCE");
  EXPECT_EQ(dbText(Ee::CURRENT), "CURRENT");
  EXPECT_EQ(dbText(Ee::PROJECTED), "PROJECTED");

  const char* refused = "        ERROR: Incorrect/Unexpected case\n";
  KuvInString text("unchanged");
  EXPECT_TRACES(E_FAIL, refused,
                KuvCoreEncodingsToolbox::convertApplyingView_ENUM_To_DBValue(CFG_EXPRVIEW_NONE, text));
  EXPECT_TRACES(E_FAIL, refused,
                KuvCoreEncodingsToolbox::convertApplyingView_ENUM_To_DBValue(Ee::NONE, text));
  EXPECT_EQ(text, KuvInString("unchanged"));
  KuvExpressionView view = CFG_EXPRVIEW_NONE;
  Ee::ExpressionView eeView = Ee::NONE;
  for (const char* bad : {"source", "NONE", "", "SOURCE "}) {
    EXPECT_TRACES(E_FAIL, refused, KuvCoreEncodingsToolbox::convertApplyingView_DBValue_To_ENUM(bad, view));
    EXPECT_TRACES(E_FAIL, refused, KuvCoreEncodingsToolbox::convertApplyingView_DBValue_To_ENUM(bad, eeView));
  }
  EXPECT_EQ(view, CFG_EXPRVIEW_NONE);
  EXPECT_EQ(eeView, Ee::NONE);
}

TEST(KuvCoreEncodingsToolbox, EncodeForExpressionQuotesWithTheDefaultLiteralSyntax) {
  const struct { const char* name; const char* encoded; } cases[] = {
      {"a b", "a b"},          // blanks are no symbols
      {"a&b", "'a&b'"},
      {"it's", "'it\\'s'"},
      {"back\\slash", "'back\\\\slash'"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(KuvCoreEncodingsToolbox::EncodeForExpression(c.name), KuvInString(c.encoded)) << c.name;
}
