// Date and series ranges: what their single ranges do and the sentinels of
// the series (their list algebra is pinned by KuvInIntervalListTest).
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::text;

KuvInDate at(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
  return KuvInDate(y, m, d, h + 1, mi + 1, s + 1);
}

KuvInDateInterval dates(const KuvInDate& a, const KuvInDate& b) {
  KuvInDateInterval x;
  EXPECT_EQ(x.setInterval(a, b), S_OK);
  return x;
}

KuvInListVal series(std::initializer_list<std::pair<int, int>> ranges) {
  KuvInListVal list(KuvInSeriesInterval::sType());
  for (auto [a, b] : ranges) {
    KuvInSeriesInterval x;
    x.setIntervalNoCheck(a, b);
    list.PutBack(x);
  }
  return list;
}

TEST(KuvInDateInterval, DefaultIsEverythingTextsUseTheCompactDatesAndEqualityIsByEnds) {
  KuvInDateInterval all;
  EXPECT_EQ(text(all), "[-INF, +INF]");
  const KuvInDateInterval x = dates(at(2001, 2, 3, 4, 5, 6), at(2001, 2, 3, 7, 8, 9));
  EXPECT_EQ(text(x), "[2001/2/3, 4:5:6s, 2001/2/3, 7:8:9s]");
  EXPECT_STREQ(x.toStringChar().getChars(), "[2001/2/3, 4:5:6s,2001/2/3, 7:8:9s]");
  // A reversed range is refused and changes nothing; one second is a range.
  KuvInDateInterval y = x;
  EXPECT_EQ(y.setInterval(at(2001, 1, 1, 0, 0, 1), at(2001, 1, 1)), E_FAIL);
  EXPECT_EQ(y, x);
  EXPECT_EQ(y.setInterval(at(2001, 1, 1), at(2001, 1, 1)), S_OK);
  EXPECT_NE(y, x);
  std::unique_ptr<KuvInObjectVal> copy(&x.clone());
  EXPECT_TRUE(copy->equals(x) && KuvInDateInterval::isObjectOfThisType(*copy));
  EXPECT_FALSE(x.equals(KuvInSeriesInterval()) || x.equals(KuvInIntHolder(1)));
}

TEST(KuvInDateInterval, SingleRangesMergeWhenTheyTouchAtOneSecondAndKeepTheRestOfAnIntersection) {
  const KuvInDateInterval day1 = dates(at(2001, 1, 1), at(2001, 1, 1, 23, 59, 59));
  const KuvInDateInterval day2 = dates(at(2001, 1, 2), at(2001, 1, 3));
  KuvInDateInterval result;
  EXPECT_EQ(day1.getUnion(day2, result), INTERSECT);
  EXPECT_EQ(result, dates(at(2001, 1, 1), at(2001, 1, 3)));
  EXPECT_EQ(day1.getUnion(dates(at(2001, 1, 2, 0, 0, 1), at(2001, 1, 3)), result), NO_INTERSECT);
  EXPECT_EQ(result, day1);
  EXPECT_FALSE(day1.isIntersect(day2));
  EXPECT_EQ(day1.getIntersect(day2, result), NO_INTERSECT);

  KuvInDateInterval x = dates(at(2001, 1, 1), at(2001, 1, 10));
  const KuvInDateInterval y = dates(at(2001, 1, 3), at(2001, 1, 5));
  EXPECT_TRUE(y.isIncludedIn(x));
  EXPECT_FALSE(x.isIncludedIn(y));
  KuvInDateInterval* rest = nullptr;
  ASSERT_TRUE(x.opAnd(y, rest));
  std::unique_ptr<KuvInDateInterval> owned(rest);
  EXPECT_EQ(x, y);
  ASSERT_NE(rest, nullptr);
  EXPECT_EQ(*rest, dates(at(2001, 1, 5, 0, 0, 1), at(2001, 1, 10)));
  EXPECT_EQ(y.getIntersect(dates(at(2001, 1, 4), at(2001, 1, 20)), result), INTERSECT);
  EXPECT_EQ(result, dates(at(2001, 1, 4), at(2001, 1, 5)));
}

TEST(KuvInSeriesInterval, SentinelsStepLikeNumbersAndMalformedRangesAreRefused) {
  // Nothing lies beyond plus infinity.
  KuvInListVal everything = series({{KuvInSerialUtil::sc_infNeg, KuvInSerialUtil::sc_infPos}});
  ASSERT_EQ(
      KuvInSeriesInterval::opCut(everything, series({{KuvInSerialUtil::sc_min, KuvInSerialUtil::sc_max}})),
      S_OK);
  EXPECT_EQ(text(everything), "[-2000000000, -2000000000] | [2000000000, 2000000000]");

  // Cutting [8, 6] by [9, 9] would leave a piece ending before it starts.
  KuvInListVal reversed = series({{8, 6}});
  EXPECT_TRACES(E_FAIL, "ERROR: Unexpected state\n", KuvInSeriesInterval::opCut(reversed, series({{9, 9}})));
  EXPECT_EQ(text(reversed), "[8, 6]");
}

}  // namespace
