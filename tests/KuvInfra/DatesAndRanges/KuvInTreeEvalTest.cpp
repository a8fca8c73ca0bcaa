#include <gtest/gtest.h>

#include <memory>

#include "KuvInIntHolder.h"
#include "KuvInfra/KuvInRangeTestSupport.h"
#include "KuvInTreeEvalIndex.h"

using kuvtest::bound;
using kuvtest::captured;
using kuvtest::text;

TEST(KuvInTreeEvalIndexBound, OrdersLevelByLevelWithPrefixFirst) {
  struct {
    const char *a, *b;
    int order;  // sign of a compared with b
  } cases[] = {{"1.2", "1.2.1", -1}, {"1.2.1", "1.3", -1}, {"1.2", "1.3", -1}, {"2", "1.99.99", 1},
               {"1.25.36", "1.25.36", 0}, {"0", "0.0", -1}, {"3.4294967295", "4", -1}};
  for (const auto& c : cases) {
    KuvInTreeEvalIndexBound a = bound(c.a), b = bound(c.b);
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(a == b, c.order == 0);
    EXPECT_EQ(a != b, c.order != 0);
    EXPECT_EQ(a < b, c.order < 0);
    EXPECT_EQ(a <= b, c.order <= 0);
    EXPECT_EQ(a > b, c.order > 0);
    EXPECT_EQ(a >= b, c.order >= 0);
    EXPECT_EQ(a.equals(b), c.order == 0);
    if (c.order == 0) {
      EXPECT_EQ(a.hash(), b.hash());
    }
  }
}

TEST(KuvInTreeEvalIndexBound, EmptyBoundComparesFalseWithEverything) {
  KuvInTreeEvalIndexBound empty, one(1);
  EXPECT_FALSE(empty.isValuated());
  for (const KuvInTreeEvalIndexBound* other : {&empty, &one}) {
    EXPECT_FALSE(empty == *other);
    EXPECT_FALSE(empty != *other);
    EXPECT_FALSE(empty < *other || empty <= *other || empty > *other || empty >= *other);
    EXPECT_FALSE(*other < empty || *other <= empty || *other > empty || *other >= empty);
    EXPECT_FALSE(empty.equals(*other));
  }
  // Neither is smaller, so the first argument is kept.
  EXPECT_FALSE(KuvInTreeEvalIndexBound::boundMin(empty, one).isValuated());
  EXPECT_EQ(text(KuvInTreeEvalIndexBound::boundMax(one, empty)), "1");
}

TEST(KuvInTreeEvalIndexBound, BuildsFromLevelsListArrayAndSteps) {
  KuvInListVal levels(KuvInIntHolder::sType());
  for (std::uint32_t v : {1u, 25u, 36u}) levels.PutBack(KuvInIntHolder(v));
  KuvInTreeEvalIndexBound fromList(levels);
  EXPECT_EQ(text(fromList), "1.25.36");
  EXPECT_EQ(fromList.getNumberValues(), 3u);

  KuvInListVal mixed;
  mixed.PutBack(KuvInIntHolder(1));
  mixed.PutBack(KuvInSignedIntHolder(2));
  EXPECT_FALSE(KuvInTreeEvalIndexBound(mixed).isValuated());

  KuvInTreeEvalIndexBound taken(new std::uint32_t[2]{4, 5}, 2);
  EXPECT_EQ(text(taken), "4.5");
  EXPECT_EQ(taken.set(new std::uint32_t[1]{7}, 1), S_OK);  // the old array is freed
  EXPECT_EQ(text(taken), "7");
  EXPECT_EQ(taken.set(nullptr, 3), E_FAIL);
  EXPECT_EQ(text(taken), "7");

  std::uint32_t v = 99;
  EXPECT_EQ(fromList.getValue(2, v), S_OK);
  EXPECT_EQ(v, 36u);
  EXPECT_EQ(fromList.getValue(3, v), E_FAIL);
  EXPECT_EQ(v, 36u);

  EXPECT_EQ(text(fromList + 4), "1.25.40");
  EXPECT_EQ(text(fromList - 6), "1.25.30");
  EXPECT_EQ(text(fromList), "1.25.36");
  EXPECT_FALSE((KuvInTreeEvalIndexBound() + 1).isValuated());
  EXPECT_EQ(text(KuvInTreeEvalIndexBound::boundMin(bound("1.3"), bound("1.2.9"))), "1.2.9");
  EXPECT_EQ(text(KuvInTreeEvalIndexBound::boundMax(bound("1.3"), bound("1.2.9"))), "1.3");

  // A copy owns its own levels.
  KuvInTreeEvalIndexBound copy(fromList);
  copy.AddNewLevelWithValue(1);
  std::unique_ptr<KuvInObjectVal> clone(&copy.clone());
  EXPECT_EQ(text(*clone), "1.25.36.1");
  EXPECT_EQ(text(fromList), "1.25.36");
}

namespace {
KuvInTreeEvalIndex index(const char* lower, const char* upper) { return {bound(lower), bound(upper)}; }
}  // namespace

TEST(KuvInTreeEvalIndex, ValidityInclusionAndChildInsertion) {
  EXPECT_TRUE(index("1", "1").isTreeEvalIndexValid());
  EXPECT_TRUE(index("1.2", "1.2.1").isTreeEvalIndexValid());
  EXPECT_FALSE(index("1.3", "1.2").isTreeEvalIndexValid());
  EXPECT_FALSE(index("", "2").isTreeEvalIndexValid());

  KuvInTreeEvalIndex parent = index("1", "2");
  struct {
    KuvInTreeEvalIndex child;
    bool included, insertable;
  } cases[] = {{index("1.1", "1.9"), true, true},
               {index("1", "1.9"), true, true},     // may start with its parent
               {index("1.1", "2"), true, false},    // must end before it
               {index("0.9", "1.5"), false, false},
               {index("1.5", "1.4"), true, false},  // invalid child
               {index("", "1.5"), false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text(c.child));
    EXPECT_EQ(c.child.isIncludedIn(parent), c.included);
    EXPECT_EQ(parent.isIndexValidForChildInsertion(c.child), c.insertable);
  }
}

TEST(KuvInTreeEvalIndex, BuildFromStringReadsBothBounds) {
  KuvInTreeEvalIndex built;
  ASSERT_EQ(KuvInTreeEvalIndex::BuildFromString("1.25.36-2.36.55", built), S_OK);
  EXPECT_EQ(text(built), "1.25.36-2.36.55");
  KuvInTreeEvalIndex short_;
  ASSERT_EQ(KuvInTreeEvalIndex::BuildFromString("1.2-3", short_), S_OK);
  EXPECT_EQ(text(short_.getLowerBound()), "1.2");
  EXPECT_EQ(text(short_.getUpperBound()), "3");
  EXPECT_TRUE(short_.equals(index("1.2", "3")));
}

TEST(KuvInTreeEvalIndex, BuildFromStringRefusesBadTextAndChangesNothing) {
  const char* pattern = "ERROR : unexpected pattern of string. Only one\"-\" is expected to split the inedexBounds";
  const char* number =
      "ERROR : ConvertToNum FAILED. Expected format is :  \"1.25.36-2.36.55\" with no spaces and decimal values.";
  const char* invalid =
      "ERROR : TreeEvalIndex is invalid. Check your input string is alright ValA < ValB is expected, for instance !";
  struct {
    const char* input;
    const char* message;
  } cases[] = {{"1.2", pattern},         {"1-2-3", pattern},       {"", pattern},
               {"-3", number},           {"1-", number},           {"1..2-3", number},
               {"a-3", number},          {"1.b-3", number},        {"99999999999-99999999999", number},
               {"1.2-1.1", invalid},     {"2-1.9", invalid}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    KuvInTreeEvalIndex out;
    HRESULT hr = S_OK;
    std::string printed = captured([&] { hr = KuvInTreeEvalIndex::BuildFromString(c.input, out); });
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_NE(printed.find(c.message), std::string::npos) << printed;
    EXPECT_FALSE(out.getLowerBound().isValuated() || out.getUpperBound().isValuated());
  }

  KuvInTreeEvalIndex used = index("", "7");
  HRESULT hr = S_OK;
  std::string printed = captured([&] { hr = KuvInTreeEvalIndex::BuildFromString("1-2", used); });
  EXPECT_EQ(hr, E_UNEXPECTED);
  EXPECT_NE(printed.find("ERROR : input index is valuated... so has been initialized... why ?"), std::string::npos);
  EXPECT_EQ(text(used), "-7");
}

using kuvtest::treeRange;
using kuvtest::treeRanges;

TEST(KuvInTreeEvalInterval, SetIntervalRefusesReversedEnds) {
  KuvInTreeEvalInterval r;
  EXPECT_EQ(r.setInterval(bound("1.3"), true, bound("1.2.9"), false), E_FAIL);
  EXPECT_EQ(text(r), "[,]");
  EXPECT_EQ(r.setInterval(bound("1.2"), true, bound("1.2"), false), S_OK);  // empty but accepted
  EXPECT_EQ(r.setInterval(bound("1.2"), false, bound("3"), false), S_OK);
  EXPECT_EQ(text(r), "]1.2,3[");
  EXPECT_TRUE(r == treeRange("]1.2,3["));
  EXPECT_TRUE(r != treeRange("]1.2,3]"));
}

TEST(KuvInTreeEvalInterval, PairOperations) {
  struct {
    const char *x, *y;
    bool intersect, included;
    const char* added;   // null when they do not merge
    const char* common;  // null when they do not intersect
    const char* rest;    // null when no rest
  } cases[] = {
      {"[1,5]", "[5,9]", true, false, "[1,9]", "[5,5]", nullptr},
      {"[1,5[", "[5,9]", false, false, "[1,9]", nullptr, nullptr},
      {"[1,5[", "]5,9]", false, false, nullptr, nullptr, nullptr},
      {"[5,9]", "[1,5[", false, false, "[1,9]", nullptr, nullptr},
      {"[1,9]", "[3,5[", true, false, "[1,9]", "[3,5[", "[5,9]"},
      {"[3,5[", "[1,9]", true, true, "[1,9]", "[3,5[", nullptr},
      {"]1,9[", "[1,9]", true, true, "[1,9]", "]1,9[", nullptr},
      {"[1,9]", "]1,9[", true, false, "[1,9]", "]1,9[", nullptr},
      {"[1.2,1.3]", "]1.2.5,2]", true, false, "[1.2,2]", "]1.2.5,1.3]", nullptr},
      {"[1,2]", "[3,4]", false, false, nullptr, nullptr, nullptr},
      {"[1.2,1.2.1]", "[1.2.2,1.3]", false, false, nullptr, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.x) + " " + c.y);
    KuvInTreeEvalInterval x = treeRange(c.x), y = treeRange(c.y);
    EXPECT_EQ(x.isIntersect(y), c.intersect);
    EXPECT_EQ(y.isIntersect(x), c.intersect);
    EXPECT_EQ(x.isIncludedIn(y), c.included);

    KuvInTreeEvalInterval sum = x;
    EXPECT_EQ(sum.opAdd(y), c.added != nullptr);
    EXPECT_EQ(text(sum), c.added != nullptr ? c.added : c.x);

    KuvInTreeEvalInterval common = x;
    KuvInTreeEvalInterval* rest = &common;  // must be overwritten
    EXPECT_EQ(common.opAnd(y, rest), c.common != nullptr);
    std::unique_ptr<KuvInTreeEvalInterval> owned(rest);
    EXPECT_EQ(text(common), c.common != nullptr ? c.common : c.x);
    EXPECT_EQ(rest != nullptr ? text(*rest) : "", c.rest != nullptr ? c.rest : "");
  }
}

TEST(KuvInTreeEvalInterval, SortOrdersByStartAndRefusesForeignElements) {
  KuvInListVal list = treeRanges({"[2,3]", "]1.5,2]", "[1,4]", "[1.5,1.6]", "]1,2["});
  ASSERT_EQ(KuvInTreeEvalInterval::sort(list), S_OK);
  EXPECT_EQ(text(list), "[1,4] | ]1,2[ | ]1.5,2] | [1.5,1.6] | [2,3]");

  KuvInListVal mixed;
  mixed.PutBack(treeRange("[2,3]"));
  mixed.PutBack(KuvInIntHolder(1));
  HRESULT hr = S_OK;
  std::string printed = captured([&] { hr = KuvInTreeEvalInterval::sort(mixed); });
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_NE(printed.find("ERROR: Retrieved element isn't a KuvInTreeEvalInterval."), std::string::npos);
  EXPECT_EQ(text(mixed), "[2,3] | 1");
}

TEST(KuvInTreeEvalInterval, ListOperationsOnSortedLists) {
  enum Op { Add, And, Cut };
  struct {
    std::vector<std::string> l1;
    Op op;
    std::vector<std::string> l2;
    const char* result;
  } cases[] = {
      {{"[1,10]"}, Cut, {"[4,5]"}, "[1,4[ | ]5,10]"},
      {{"[1,10]"}, Cut, {"]4,5["}, "[1,4] | [5,10]"},
      {{"[1,5]"}, Cut, {"[0,9]"}, "[Empty]"},
      {{"[1,5]", "[7,9]"}, Cut, {"]2,3[", "[4,8]"}, "[1,2] | [3,4[ | ]8,9]"},
      {{"[1,10]"}, And, {"[2,3]", "[5,6]"}, "[2,3] | [5,6]"},
      {{"[1,5]"}, And, {"[0,5[", "[5,7]"}, "[1,5[ | [5,5]"},  // not simplified afterwards
      {{"[1,2]", "[6,7]"}, Add, {"]2,4]", "[5,6["}, "[1,4] | [5,7]"},
      {{"[1,2["}, Add, {"]2,3]"}, "[1,2[ | ]2,3]"},
      {{}, Add, {"[1,2]"}, "[1,2]"},
      {{}, And, {"[1,2]"}, "[Empty]"},
  };
  for (const auto& c : cases) {
    KuvInListVal l1 = treeRanges(c.l1), l2 = treeRanges(c.l2);
    SCOPED_TRACE(text(l1) + " op " + std::to_string(c.op) + " " + text(l2));
    HRESULT hr = c.op == Add   ? KuvInTreeEvalInterval::opAdd(l1, l2)
                 : c.op == And ? KuvInTreeEvalInterval::opAnd(l1, l2)
                               : KuvInTreeEvalInterval::opCut(l1, l2);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(text(l1), c.result);
  }
  KuvInListVal l = treeRanges({"[1,9]"});
  EXPECT_EQ(KuvInTreeEvalInterval::opCut(l, treeRange("[3,5]")), S_OK);
  EXPECT_EQ(text(l), "[1,3[ | ]5,9]");
  EXPECT_EQ(KuvInTreeEvalInterval::opAdd(l, treeRange("[3,5]")), S_OK);
  EXPECT_EQ(text(l), "[1,9]");
  EXPECT_EQ(KuvInTreeEvalInterval::opAnd(l, treeRange("]8,12]")), S_OK);
  EXPECT_EQ(text(l), "]8,9]");
}

TEST(KuvInTreeEvalInterval, ListOperationsRefuseForeignElementsWithoutChange) {
  KuvInListVal good = treeRanges({"[1,2]"}), mixed, strings(KuvInString::sType());
  mixed.PutBack(treeRange("[2,3]"));
  mixed.PutBack(KuvInIntHolder(1));
  for (KuvInListVal* l1 : {&good, &strings}) {
    for (KuvInListVal* l2 : {&mixed, &good}) {
      if (l1 == &good && l2 == &good) continue;
      std::string before = text(*l1);
      std::string printed = captured([&] {
        EXPECT_EQ(KuvInTreeEvalInterval::opAdd(*l1, *l2), E_FAIL);
        EXPECT_EQ(KuvInTreeEvalInterval::opAnd(*l1, *l2), E_FAIL);
        EXPECT_EQ(KuvInTreeEvalInterval::opCut(*l1, *l2), E_FAIL);
      });
      EXPECT_NE(printed.find("ERROR: Incorrect type"), std::string::npos);
      EXPECT_EQ(text(*l1), before);
    }
  }
}

// The list algebra agrees with sets of points (see kuvtest::gridPoints).
namespace {

using Points = kuvtest::GridPoints;

Points pointsOf(const KuvInTreeEvalInterval& r) {
  return kuvtest::gridPoints(r.getA(), r.getAIncl(), r.getB(), r.getBIncl());
}

Points pointsOf(const KuvInListVal& list) {
  Points p;
  for (std::int32_t i = 0; i < list.GetLength(); ++i) p |= pointsOf(*KuvInTreeEvalInterval::cast(*list.Get(i)));
  return p;
}

// Sorted by A, no empty range, and each range wholly before the next one
// (when merged too: neither overlapping nor meeting).
bool isSortedAndApart(const KuvInListVal& list, bool merged) {
  for (std::int32_t i = 0; i < list.GetLength(); ++i) {
    KuvInTreeEvalInterval x = *KuvInTreeEvalInterval::cast(*list.Get(i));
    if (pointsOf(x).none()) return false;
    if (i + 1 == list.GetLength()) break;
    const KuvInTreeEvalInterval& y = *KuvInTreeEvalInterval::cast(*list.Get(i + 1));
    if (x.getA() > y.getA() || x.isIntersect(y) || (merged && x.opAdd(y))) return false;
  }
  return true;
}

class RandomTreeRanges : public kuvtest::RandomEnds {
public:
  KuvInTreeEvalInterval range() {
    for (;;) {
      kuvtest::RangeText e = ends();
      KuvInTreeEvalInterval r(e.lower, e.lowerIncluded, e.upper, e.upperIncluded);
      if (pointsOf(r).any()) return r;
    }
  }
  // One to four non-empty ranges, sorted; simplified when asked.
  KuvInListVal list(bool simplified) {
    KuvInListVal l(KuvInTreeEvalInterval::sType());
    for (std::uint32_t n = 1 + pick(3); n > 0; --n) l.PutBack(range());
    EXPECT_EQ(KuvInTreeEvalInterval::sort(l), S_OK);
    if (simplified) {
      Points before = pointsOf(l);
      EXPECT_EQ(KuvInTreeEvalInterval::simplify(l), S_OK);
      EXPECT_EQ(pointsOf(l), before);
      EXPECT_TRUE(isSortedAndApart(l, true)) << text(l);
    }
    return l;
  }
};

}  // namespace

TEST(KuvInTreeEvalInterval, ListAlgebraAgreesWithPointSets) {
  RandomTreeRanges gen;
  for (int round = 0; round < 400; ++round) {
    KuvInListVal l = gen.list(true), m = gen.list(round % 2 == 0);
    KuvInTreeEvalInterval y = gen.range();
    Points pl = pointsOf(l), pm = pointsOf(m), py = pointsOf(y);
    SCOPED_TRACE(text(l) + " with " + text(y) + " / " + text(m));

    KuvInListVal r(l);
    EXPECT_EQ(KuvInTreeEvalInterval::opAdd(r, m), S_OK);
    EXPECT_EQ(pointsOf(r), pl | pm);
    EXPECT_TRUE(isSortedAndApart(r, true)) << text(r);
    if (!isSortedAndApart(m, true)) continue;  // the rest needs both simplified
    r = l;
    EXPECT_EQ(KuvInTreeEvalInterval::opAnd(r, m), S_OK);
    EXPECT_EQ(pointsOf(r), pl & pm);
    EXPECT_TRUE(isSortedAndApart(r, false)) << text(r);
    r = l;
    EXPECT_EQ(KuvInTreeEvalInterval::opCut(r, m), S_OK);
    EXPECT_EQ(pointsOf(r), pl & ~pm);
    EXPECT_TRUE(isSortedAndApart(r, false)) << text(r);

    r = l;
    EXPECT_EQ(KuvInTreeEvalInterval::opAdd(r, y), S_OK);
    EXPECT_EQ(pointsOf(r), pl | py);
    r = l;
    EXPECT_EQ(KuvInTreeEvalInterval::opAnd(r, y), S_OK);
    EXPECT_EQ(pointsOf(r), pl & py);
    r = l;
    EXPECT_EQ(KuvInTreeEvalInterval::opCut(r, y), S_OK);
    EXPECT_EQ(pointsOf(r), pl & ~py);
  }
}
