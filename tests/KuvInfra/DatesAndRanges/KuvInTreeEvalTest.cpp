#include "support/KuvTestSupport.h"

#include "KuvInfra/KuvInRangeTestSupport.h"

using kuv_test::bound;
using kuv_test::text;

TEST(KuvInTreeEvalIndexBound, OrdersLevelByLevelWithPrefixFirstAndNeverTheEmptyBound) {
  // order: the sign of a compared with b, or kNone: every comparison is false.
  constexpr int kNone = 2;
  struct { const char *a, *b; int order; } cases[] = {
      {"1.2", "1.2.1", -1}, {"1.2.1", "1.3", -1},     {"1.2", "1.3", -1}, {"2", "1.99.99", 1},
      {"1.25.36", "1.25.36", 0}, {"0", "0.0", -1},    {"3.4294967295", "4", -1},
      {"", "", kNone},      {"", "1", kNone},         {"1", "", kNone}};
  for (const auto& c : cases) {
    KuvInTreeEvalIndexBound a = bound(c.a), b = bound(c.b);
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    const bool ordered = c.order != kNone;
    EXPECT_EQ(a == b, c.order == 0);
    EXPECT_EQ(a != b, ordered && c.order != 0);
    EXPECT_EQ(a < b, c.order < 0);
    EXPECT_EQ(a <= b, c.order <= 0);
    EXPECT_EQ(a > b, ordered && c.order > 0);
    EXPECT_EQ(a >= b, ordered && c.order >= 0);
    EXPECT_EQ(a.equals(b), c.order == 0);
    if (c.order == 0) {
      EXPECT_EQ(a.hash(), b.hash());
    }
  }
  // Neither is smaller than the empty bound, so the first argument is kept.
  KuvInTreeEvalIndexBound empty, one(1);
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
  EXPECT_FALSE((KuvInTreeEvalIndexBound() + 1).isValuated());
  EXPECT_EQ(text(KuvInTreeEvalIndexBound::boundMin(bound("1.3"), bound("1.2.9"))), "1.2.9");

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
  struct { KuvInTreeEvalIndex child; bool included, insertable; } cases[] = {{index("1.1", "1.9"), true, true},
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

TEST(KuvInTreeEvalIndex, BuildFromStringReadsBothBoundsOrRefusesAndChangesNothing) {
  for (const char* input : {"1.25.36-2.36.55", "1.2-3"}) {
    KuvInTreeEvalIndex built;
    ASSERT_EQ(KuvInTreeEvalIndex::BuildFromString(input, built), S_OK);
    EXPECT_EQ(text(built), input);
  }
  const char* pattern =
      "ERROR : unexpected pattern of string. Only one\"-\" is expected to split the inedexBounds";
  const char* number =
      "ERROR : ConvertToNum FAILED. Expected format is :  \"1.25.36-2.36.55\" with no spaces and decimal "
      "values.";
  const char* invalid =
      "ERROR : TreeEvalIndex is invalid. Check your input string is alright ValA < ValB is expected, for "
      "instance !";
  struct { const char* input; const char* message; } cases[] = {
      {"1.2", pattern},   {"1-2-3", pattern}, {"-3", number},
      {"1-", number},     {"1..2-3", number}, {"a-3", number},
      {"99999999999-99999999999", number},    {"1.2-1.1", invalid}};
  for (const auto& c : cases) {
    KuvInTreeEvalIndex out;
    EXPECT_TRACES(E_FAIL, c.message, KuvInTreeEvalIndex::BuildFromString(c.input, out));
    EXPECT_FALSE(out.getLowerBound().isValuated() || out.getUpperBound().isValuated());
  }

  KuvInTreeEvalIndex used = index("", "7");
  EXPECT_TRACES(E_UNEXPECTED, "ERROR : input index is valuated... so has been initialized... why ?",
                KuvInTreeEvalIndex::BuildFromString("1-2", used));
  EXPECT_EQ(text(used), "-7");
}

using kuv_test::treeRange;

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

// Single ranges whose ends are excluded or have several levels (the list
// algebra over one-level ends, which merges and intersects pairs, is pinned
// by KuvInIntervalListTest, touching ends included).
TEST(KuvInTreeEvalInterval, PairOperations) {
  // added: null when they do not merge; common: null when they do not
  // intersect; rest: null when none.
  struct { const char *x, *y; bool intersect, included; const char *added, *common, *rest; } cases[] = {
      {"[1,9]", "[3,5[", true, false, "[1,9]", "[3,5[", "[5,9]"},
      {"]1,9[", "[1,9]", true, true, "[1,9]", "]1,9[", nullptr},
      {"[1.2,1.3]", "]1.2.5,2]", true, false, "[1.2,2]", "]1.2.5,1.3]", nullptr},
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

TEST(KuvInTreeEvalInterval, SortRefusesForeignElementsAndOneRangeFormsTakeARange) {
  KuvInListVal mixed;
  mixed.PutBack(treeRange("[2,3]"));
  mixed.PutBack(KuvInIntHolder(1));
  EXPECT_TRACES(E_FAIL, "ERROR: Retrieved element isn't a KuvInTreeEvalInterval.",
                KuvInTreeEvalInterval::sort(mixed));
  EXPECT_EQ(text(mixed), "[2,3] | 1");

  KuvInListVal l(KuvInTreeEvalInterval::sType());
  l.PutBack(treeRange("[1,9]"));
  EXPECT_EQ(KuvInTreeEvalInterval::opCut(l, treeRange("[3,5]")), S_OK);
  EXPECT_EQ(text(l), "[1,3[ | ]5,9]");
  EXPECT_EQ(KuvInTreeEvalInterval::opAdd(l, treeRange("[3,5]")), S_OK);
  EXPECT_EQ(text(l), "[1,9]");
  EXPECT_EQ(KuvInTreeEvalInterval::opAnd(l, treeRange("]8,12]")), S_OK);
  EXPECT_EQ(text(l), "]8,9]");
}
