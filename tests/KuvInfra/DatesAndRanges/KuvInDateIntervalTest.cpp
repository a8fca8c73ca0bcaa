#include <gtest/gtest.h>

#include <string>

#include "KuvInDateInterval.h"
#include "KuvInIntHolder.h"
#include "KuvInListVal.h"
#include "KuvInSeriesInterval.h"

namespace {

KuvInDate at(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
  return KuvInDate(y, m, d, h + 1, mi + 1, s + 1);
}

KuvInDateInterval dates(const KuvInDate& a, const KuvInDate& b) {
  KuvInDateInterval x;
  EXPECT_EQ(x.setInterval(a, b), S_OK);
  return x;
}

KuvInSeriesInterval series(int a, int b) {
  KuvInSeriesInterval x;
  EXPECT_EQ(x.setInterval(a, b), S_OK);
  return x;
}

KuvInListVal seriesList(std::initializer_list<std::pair<int, int>> ranges) {
  KuvInListVal list(KuvInSeriesInterval::sType());
  for (auto [a, b] : ranges) list.PutBack(series(a, b));
  return list;
}

std::string text(const KuvInObjectVal& x) { return x.toString().ConvertToChar(); }

TEST(KuvInDateInterval, DefaultIsEverythingAndTextsUseTheCompactDates) {
  KuvInDateInterval all;
  EXPECT_TRUE(all.getA().isInfNeg());
  EXPECT_TRUE(all.getB().isInfPos());
  EXPECT_TRUE(all.canSimplify());
  EXPECT_EQ(text(all), "[-INF, +INF]");
  const KuvInDateInterval x = dates(at(2001, 2, 3, 4, 5, 6), at(2001, 2, 3, 7, 8, 9));
  EXPECT_EQ(text(x), "[2001/2/3, 4:5:6s, 2001/2/3, 7:8:9s]");
  EXPECT_STREQ(x.toStringChar().getChars(), "[2001/2/3, 4:5:6s,2001/2/3, 7:8:9s]");
}

TEST(KuvInDateInterval, SetIntervalRefusesAReversedRangeAndChangesNothing) {
  KuvInDateInterval x = dates(at(2001, 1, 1), at(2001, 1, 2));
  EXPECT_EQ(x.setInterval(at(2001, 1, 1, 0, 0, 1), at(2001, 1, 1)), E_FAIL);
  EXPECT_EQ(x, dates(at(2001, 1, 1), at(2001, 1, 2)));
  EXPECT_EQ(x.setInterval(at(2001, 1, 1), at(2001, 1, 1)), S_OK);  // one second
}

TEST(KuvInDateInterval, MergeJoinsRangesThatTouchAtOneSecond) {
  const KuvInDateInterval day1 = dates(at(2001, 1, 1), at(2001, 1, 1, 23, 59, 59));
  const KuvInDateInterval day2 = dates(at(2001, 1, 2), at(2001, 1, 3));
  const KuvInDateInterval later = dates(at(2001, 1, 2, 0, 0, 1), at(2001, 1, 3));
  KuvInDateInterval result;
  EXPECT_EQ(day1.getUnion(day2, result), INTERSECT);
  EXPECT_EQ(result, dates(at(2001, 1, 1), at(2001, 1, 3)));
  EXPECT_EQ(day1.getUnion(later, result), NO_INTERSECT);
  EXPECT_EQ(result, day1);
  EXPECT_FALSE(day1.isIntersect(day2));
  EXPECT_EQ(day1.getIntersect(day2, result), NO_INTERSECT);
}

TEST(KuvInDateInterval, IntersectionKeepsWhatLiesBeyondTheOtherAsRest) {
  KuvInDateInterval x = dates(at(2001, 1, 1), at(2001, 1, 10));
  const KuvInDateInterval y = dates(at(2001, 1, 3), at(2001, 1, 5));
  EXPECT_TRUE(y.isIncludedIn(x));
  EXPECT_FALSE(x.isIncludedIn(y));
  KuvInDateInterval* rest = nullptr;
  ASSERT_TRUE(x.opAnd(y, rest));
  EXPECT_EQ(x, y);
  ASSERT_NE(rest, nullptr);
  EXPECT_EQ(*rest, dates(at(2001, 1, 5, 0, 0, 1), at(2001, 1, 10)));
  delete rest;

  KuvInDateInterval result;
  EXPECT_EQ(y.getIntersect(dates(at(2001, 1, 4), at(2001, 1, 20)), result), INTERSECT);
  EXPECT_EQ(result, dates(at(2001, 1, 4), at(2001, 1, 5)));
}

TEST(KuvInDateInterval, EqualsClonesAndRefusesOtherTypes) {
  const KuvInDateInterval x = dates(at(2001, 1, 1), at(2001, 1, 2));
  KuvInObjectVal& copy = x.clone();
  EXPECT_TRUE(copy.equals(x));
  EXPECT_TRUE(KuvInDateInterval::isObjectOfThisType(copy));
  delete &copy;
  EXPECT_FALSE(x.equals(series(1, 2)));
  EXPECT_FALSE(x.equals(KuvInIntHolder(1)));
  EXPECT_NE(x, KuvInDateInterval());
}

TEST(KuvInSeriesInterval, ListExamples) {
  KuvInListVal cut = seriesList({{1, 10}});
  ASSERT_EQ(KuvInSeriesInterval::opCut(cut, seriesList({{4, 5}})), S_OK);
  EXPECT_EQ(text(cut), "[1, 3] | [6, 10]");

  KuvInListVal both = seriesList({{1, 10}});
  ASSERT_EQ(KuvInSeriesInterval::opAnd(both, seriesList({{2, 3}, {5, 6}})), S_OK);
  EXPECT_EQ(text(both), "[2, 3] | [5, 6]");

  KuvInListVal merged = seriesList({{1, 2}, {4, 4}, {5, 9}, {20, 30}});
  ASSERT_EQ(KuvInSeriesInterval::simplify(merged), S_OK);
  EXPECT_EQ(text(merged), "[1, 2] | [4, 9] | [20, 30]");

  // The sentinels step like the numbers: nothing lies beyond plus infinity.
  KuvInListVal everything = seriesList({{KuvInSerialUtil::sc_infNeg, KuvInSerialUtil::sc_infPos}});
  ASSERT_EQ(KuvInSeriesInterval::opCut(everything,
                                       seriesList({{KuvInSerialUtil::sc_min, KuvInSerialUtil::sc_max}})),
            S_OK);
  EXPECT_EQ(text(everything), "[-2000000000, -2000000000] | [2000000000, 2000000000]");
  EXPECT_EQ(KuvInSeriesInterval::sort(everything), E_NOTIMPL);
  EXPECT_EQ(KuvInDateInterval::sort(everything), E_NOTIMPL);
}

TEST(KuvInSeriesInterval, AListOperatedWithItselfGivesTheSetLaws) {
  KuvInListVal list = seriesList({{1, 3}, {7, 9}});
  ASSERT_EQ(KuvInSeriesInterval::opAdd(list, list), S_OK);
  EXPECT_EQ(text(list), "[1, 3] | [7, 9]");
  ASSERT_EQ(KuvInSeriesInterval::opAnd(list, list), S_OK);
  EXPECT_EQ(text(list), "[1, 3] | [7, 9]");
  ASSERT_EQ(KuvInSeriesInterval::opCut(list, list), S_OK);
  EXPECT_TRUE(list.IsEmpty());
}

// Refusals leave the first list as it was and report on the range class's
// channel, naming the algebra's source.
TEST(KuvInSeriesInterval, ListsOfOtherElementsOrMalformedRangesAreRefused) {
  using Op = HRESULT (*)(KuvInListVal&, const KuvInListVal&);
  KuvInListVal holders;
  holders.PutBack(KuvInIntHolder(1));
  holders.PutBack(KuvInIntHolder(2));
  KuvInListVal dateRanges(KuvInDateInterval::sType());
  dateRanges.PutBack(KuvInDateInterval());
  KuvInSeriesInterval backwards;
  backwards.setIntervalNoCheck(8, 6);
  KuvInListVal reversed(KuvInSeriesInterval::sType());
  reversed.PutBack(backwards);
  const KuvInListVal plain = seriesList({{1, 5}, {7, 9}});

  struct {
    Op op;
    const char* name;
    const KuvInListVal& l1;
    const KuvInListVal& l2;
    const char* message;
  } cases[] = {
      {&KuvInSeriesInterval::opAdd, "opAdd", plain, holders, "ERROR: Incorrect type"},
      {&KuvInSeriesInterval::opAnd, "opAnd", holders, plain, "ERROR: Incorrect type"},
      {&KuvInSeriesInterval::opCut, "opCut", plain, dateRanges, "ERROR: Incorrect type"},
      // Cutting [8, 6] by [9, 9] would leave a piece ending before it starts.
      {&KuvInSeriesInterval::opCut, "opCut", reversed, seriesList({{9, 9}}), "ERROR: Unexpected state"},
  };
  for (auto& c : cases) {
    KuvInListVal l1 = c.l1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(c.op(l1, c.l2), E_FAIL) << c.name;
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("KuvInSeriesInterval"), std::string::npos) << out;
    EXPECT_NE(out.find("<ERROR> KuvInInterval_Define.h("), std::string::npos) << out;
    EXPECT_NE(out.find(std::string(c.message) + "\n"), std::string::npos) << c.name << ": " << out;
    EXPECT_TRUE(l1 == c.l1) << c.name;
  }

  KuvInListVal typedForHolders(KuvInIntHolder::sType());
  testing::internal::CaptureStdout();
  EXPECT_EQ(KuvInSeriesInterval::opAdd(typedForHolders, seriesList({{1, 2}})), E_FAIL);
  EXPECT_EQ(KuvInSeriesInterval::simplify(holders), E_FAIL);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("ERROR: Incorrect type\n"), std::string::npos) << out;
  EXPECT_NE(out.find("ERROR: NULL pointer\n"), std::string::npos) << out;
  EXPECT_TRUE(typedForHolders.IsEmpty());
  EXPECT_EQ(holders.GetLength(), 2);
}

}  // namespace
