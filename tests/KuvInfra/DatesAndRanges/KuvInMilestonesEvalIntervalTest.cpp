#include "support/KuvTestSupport.h"

#include "KuvInfra/KuvInRangeTestSupport.h"

using kuv_test::bound;
using kuv_test::milestone;
using kuv_test::milestones;
using kuv_test::text;
using Range = KuvInMilestonesEvalInterval;
using Value = KuvInMilestonesEvalIntervalValue;

TEST(KuvInMilestonesEvalInterval, EmptinessAndTextFollowTheEnds) {
  struct { const char* range; bool empty; } cases[] = {
      {"[1.2-1.2]", false}, {"[1.2-1.2[", true}, {"]1.2-1.2]", true}, {"[1.3-1.2.9]", true},
               {"]1.2-1.2.0[", false}, {"[1-2]", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(milestone(c.range).isEmpty(), c.empty) << c.range;
    EXPECT_EQ(text(milestone(c.range)), c.range);
  }
  Range derived(Value(bound("1.2"), true), true, Value(bound("3")), false);
  EXPECT_EQ(text(derived), "[1.2(DerivedDate)-3[");
  // The flag plays no part in comparisons.
  EXPECT_TRUE(derived == milestone("[1.2-3["));
}

// The list algebra leans on these relations, so its point sets pin them for
// one-level ends; here, inclusion and deeper ends.
TEST(KuvInMilestonesEvalInterval, RelationsBetweenTwoRanges) {
  struct { const char *x, *y; bool intersect, adjacent, xIncludesY; } cases[] = {
      {"[1-9]", "[3-5]", true, false, true},    {"[1-9[", "[3-9]", true, false, false},
      {"]1-9]", "]1-9]", true, false, true},    {"[1-5]", "[5-5[", false, false, false},
      {"[1.2-1.3]", "[1.2.5-2]", true, false, false}};
  for (const auto& c : cases) {
    Range x = milestone(c.x), y = milestone(c.y);
    SCOPED_TRACE(std::string(c.x) + " " + c.y);
    EXPECT_EQ(x.isIntersect(y), c.intersect);
    EXPECT_EQ(y.isIntersect(x), c.intersect);
    EXPECT_EQ(x.isAdjacent(y), c.adjacent);
    EXPECT_EQ(y.isAdjacent(x), c.adjacent);
    EXPECT_EQ(x.isIncluding(y), c.xIncludesY);
  }
  Range r = milestone("[1-3[");
  EXPECT_TRUE(r.isIncludingValue(Value(bound("1"))));
  EXPECT_TRUE(r.isIncludingValue(Value(bound("2.7"))));
  EXPECT_FALSE(r.isIncludingValue(Value(bound("3"))));
  EXPECT_FALSE(r.isIncludingValue(Value()));
}

// The list forms refuse an empty list; the one-range forms take it (the
// algebra over non-empty lists, with empty or touching ranges, is pinned by
// the point sets of KuvInIntervalListTest).
TEST(KuvInMilestonesEvalInterval, EmptyLists) {
  using ListOp = HRESULT (*)(KuvInListVal&, const KuvInListVal&);
  for (ListOp op : {static_cast<ListOp>(&Range::opAdd), static_cast<ListOp>(&Range::opAnd),
                    static_cast<ListOp>(&Range::opCut)}) {
    KuvInListVal some = milestones({"[1-2]"}), none = milestones({});
    EXPECT_TRACES(E_INVALIDARG, "ERROR: One of both input lists is empty", op(some, none));
    EXPECT_TRACES(E_INVALIDARG, "ERROR: One of both input lists is empty", op(none, some));
    EXPECT_EQ(text(some), "[1-2]");
  }
  KuvInListVal none = milestones({});
  EXPECT_EQ(Range::opAnd(none, milestone("[1-2]")), S_FALSE);
  EXPECT_EQ(Range::opCut(none, milestone("[1-2]")), S_FALSE);
  EXPECT_EQ(text(none), "[Empty]");
  EXPECT_EQ(Range::opAdd(none, milestone("[1-2]")), S_OK);
  EXPECT_EQ(text(none), "[1-2]");
  // An unsorted list is met wherever its ranges lie.
  KuvInListVal a = milestones({"[1-2]", "[5-6]"}), b = milestones({"[3-4]", "]6-8]", "[4-5]"});
  EXPECT_EQ(Range::isIntersect(a, milestones({})), S_FALSE);
  EXPECT_EQ(Range::isIntersect(a, b), S_OK);
}

TEST(KuvInMilestonesEvalInterval, ForeignElementsAreRefusedWithoutChange) {
  const char* notAccepted = "ERROR: Input list doesn't accept KuvInMilestonesEvalInterval";
  const char* badA = "ERROR: Retrieved element isn't a KuvInMilestonesEvalInterval";
  const char* badB = "ERROR: Retrieved element from input list B isn't a KuvInMilestonesEvalInterval";
  KuvInListVal strings(KuvInString::sType());
  KuvInListVal mixed;  // accepts anything
  mixed.PutBack(milestone("[1-2]"));
  mixed.PutBack(KuvInIntHolder(3));
  KuvInListVal good = milestones({"[1-2]"});
  Range r = milestone("[0-9]");
  struct { std::function<HRESULT()> call; HRESULT hr; const char* message; } cases[] = {
      {[&] { return Range::opAdd(strings, r); }, E_INVALIDARG, notAccepted},
      {[&] { return Range::opAnd(strings, good); }, E_INVALIDARG, notAccepted},
      {[&] { return Range::sort(strings); }, E_INVALIDARG, notAccepted},
      {[&] { return Range::opAdd(mixed, r); }, E_FAIL, badA},
      {[&] { return Range::opAnd(mixed, r); }, E_FAIL, badA},
      {[&] { return Range::opCut(mixed, good); }, E_FAIL, badA},
      {[&] { return Range::simplify(mixed); }, E_FAIL, badA},
      {[&] { return Range::sort(mixed); }, E_FAIL, badA},
      {[&] { return Range::opAdd(good, mixed); }, E_INVALIDARG, badB},
      {[&] { return Range::opAnd(good, mixed); }, E_INVALIDARG, badB},
      {[&] { return Range::opCut(good, mixed); }, E_INVALIDARG, badB},
      {[&] { return Range::isIntersect(good, mixed); }, E_INVALIDARG, badB},
      {[&] { return Range::isIntersect(mixed, good); }, E_INVALIDARG,
       "ERROR: Retrieved element from input list A isn't a KuvInMilestonesEvalInterval"},
  };
  for (auto& c : cases) EXPECT_TRACES(c.hr, c.message, c.call());
  EXPECT_EQ(text(mixed), "[1-2] | 3");
  EXPECT_EQ(text(good), "[1-2]");
}

TEST(KuvInMilestonesEvalInterval, SortAndSimplify) {
  KuvInListVal list = milestones({"[5-6]", "[1.2-2]", "]1-1.2[", "[1-1]", "[9-9[", "[2-3["});
  ASSERT_EQ(Range::sort(list), S_OK);
  EXPECT_EQ(text(list),
            "]1-1.2[ | [1-1] | [1.2-2] | [2-3[ | [5-6] | [9-9[");  // equal lowers keep their order
  ASSERT_EQ(Range::simplify(list), S_OK);
  EXPECT_EQ(text(list), "[1-3[ | [5-6] | [9-9[");
  // Simplification does not sort: a merge lands where the first range was.
  list = milestones({"[5-6]", "[1-2]", "]6-7]"});
  ASSERT_EQ(Range::simplify(list), S_OK);
  EXPECT_EQ(text(list), "[5-7] | [1-2]");
  // A range with an end not valuated still meets others by its other end.
  list = milestones({"]1-5.1[", "[3-8]", "]2-6.0["});
  list.PutFront(Range(Value(bound("6")), true, Value(), false));
  ASSERT_EQ(Range::simplify(list), S_OK);
  EXPECT_EQ(text(list), "[6-[ | ]1-8]");
}

TEST(KuvInMilestonesEvalInterval, OpCutTracesItsSteps) {
  kuv_test::ScopedFlags flags(Range::traceChannel(), 3);
  KuvInListVal list = milestones({"[1-9]", "[10-11]"});
  std::string printed = kuv_test::captured([&] { EXPECT_EQ(Range::opCut(list, milestone("[3-5]")), S_OK); });
  std::size_t at = 0;
  for (const char* line : {"in_intervals [1-9] | [10-11]", "in_interval [3-5]", "current interval [1-9]",
                           "cut interval [1-3[ | ]5-9]", "current interval [10-11]",
                           "out_intervals [10-11] | [1-3[ | ]5-9]",
                           "out_intervals (after simplify) [10-11] | [1-3[ | ]5-9]"}) {
    at = printed.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << printed;
  }
}
