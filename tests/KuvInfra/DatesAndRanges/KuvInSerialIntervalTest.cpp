#include "support/KuvTestSupport.h"

namespace {

constexpr std::int32_t kInfNeg = KuvInSerialUtil::sc_infNeg;
constexpr std::int32_t kInfPos = KuvInSerialUtil::sc_infPos;

// "[1,5[" and friends, built unchecked so that tests can hold any range.
KuvInSerialInterval range(const char* text) {
  int a = 0, b = 0;
  char open = 0, close = 0;
  EXPECT_EQ(std::sscanf(text, "%c%d,%d%c", &open, &a, &b, &close), 4) << text;
  KuvInSerialInterval x;
  x.setIntervalNoCheck(a, open == '[', b, close == ']');
  return x;
}

using kuv_test::text;

KuvInListVal list(std::initializer_list<const char*> ranges) {
  KuvInListVal l(KuvInSerialInterval::sType());
  for (const char* r : ranges) l.PutBack(range(r));
  return l;
}

TEST(KuvInSerialUtil, StepsSaturateAtTheSentinels) {
  struct { std::int32_t v, next, prev; } cases[] = {
      {0, 1, -1},         {999999999, kInfPos, 999999998},    {kInfPos, kInfPos, 999999999},
      {kInfNeg, -999999999, kInfNeg}, {-999999999, -999999998, kInfNeg},
      {INT_MAX, INT_MAX, INT_MAX - 1}, {INT_MIN, INT_MIN + 1, INT_MIN}};
  for (auto c : cases) {
    EXPECT_EQ(KuvInSerialUtil::getNext(c.v), c.next) << c.v;
    EXPECT_EQ(KuvInSerialUtil::getPrev(c.v), c.prev) << c.v;
  }
  EXPECT_TRUE(KuvInSerialUtil::isValueValid(999999999));
  EXPECT_FALSE(KuvInSerialUtil::isValueValid(1000000000));
  EXPECT_FALSE(KuvInSerialUtil::isValueValid(-1999999999));
  EXPECT_TRUE(KuvInSerialUtil::isValueValid(kInfNeg));
  EXPECT_TRUE(KuvInSerialUtil::isIntervalValid(kInfNeg, kInfPos));
  EXPECT_FALSE(KuvInSerialUtil::isIntervalValid(-1000000000, 0));
  EXPECT_FALSE(KuvInSerialUtil::isIntervalValid(0, 1000000000));
  EXPECT_FALSE(KuvInSerialUtil::isIntervalValid(5, 4));
  EXPECT_STREQ(KuvInSerialUtil::toStringChar(-42).getChars(), "-42");
}

TEST(KuvInSerialParser, WordsNumbersAndRefusedSettings) {
  KuvInSerialParser parser;
  struct { const char* text; HRESULT hr; std::int32_t value; } cases[] = {
      {"-oo", S_OK, kInfNeg}, {"min", S_OK, -999999999}, {"max", S_OK, 999999999},
               {"+oo", S_OK, kInfPos}, {"42", S_OK, 42},          {"-7", S_OK, -7},
               {"", E_FAIL, 123},      {"abc", E_FAIL, 123},      {"99999999999", E_FAIL, 123}};
  for (auto c : cases) {
    std::int32_t value = 123;
    EXPECT_EQ(parser.parse(c.text, value, true), c.hr) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  EXPECT_STREQ(parser.print(kInfNeg).ConvertToChar(), "-oo");
  EXPECT_STREQ(parser.print(kInfPos).ConvertToChar(), "+oo");
  EXPECT_STREQ(parser.print(999999999).ConvertToChar(), "999999999");
  EXPECT_EQ(parser.setInfinites("", "+oo"), E_FAIL);
  EXPECT_EQ(parser.setMinMax("x", "x"), E_FAIL);
  EXPECT_STREQ(parser.print(kInfNeg).ConvertToChar(), "-oo");
  EXPECT_EQ(parser.setInfinites("first", "last"), S_OK);
  EXPECT_STREQ(parser.print(kInfPos).ConvertToChar(), "last");
  std::int32_t value = 0;
  EXPECT_EQ(parser.parse("-oo", value, false), E_FAIL);
}

TEST(KuvInSerialInterval, SetIntervalRefusesRangesWithoutNumbersOrOutOfBounds) {
  struct { std::int32_t a; bool aIncl; std::int32_t b; bool bIncl; HRESULT hr;
  } cases[] = {{5, false, 6, false, E_FAIL},
               {5, true, 6, false, S_OK},
               {5, true, 5, true, S_OK},
               {5, true, 5, false, E_FAIL},
               {6, true, 5, true, E_FAIL},
               {4, false, 6, false, S_OK},
               {kInfNeg, true, kInfPos, true, S_OK},
               {0, true, 1000000000, true, E_FAIL},
               {-999999999, true, 999999999, true, S_OK}};
  for (auto c : cases) {
    KuvInSerialInterval x = range("[1,2]");
    EXPECT_EQ(x.setInterval(c.a, c.aIncl, c.b, c.bIncl), c.hr) << c.a << " " << c.b;
    EXPECT_EQ(KuvInSerialInterval::isIntervalValid(c.a, c.aIncl, c.b, c.bIncl), c.hr == S_OK);
    const bool set = c.hr == S_OK;
    EXPECT_EQ(x.getA(), set ? c.a : 1);
    EXPECT_EQ(x.getB(), set ? c.b : 2);
    EXPECT_EQ(x.getAIncl(), set ? c.aIncl : true);
  }
  for (auto [before, after] : {std::pair{"[5,6[", "[5,5]"}, {"]4,5]", "[5,5]"}, {"]4,6[", "]4,6["}}) {
    KuvInSerialInterval x = range(before);
    x.becomeIfSingleElementInterval();
    EXPECT_EQ(text(x), after);
  }
}

TEST(KuvInSerialInterval, EqualityComparesTheNumbersHeld) {
  struct { const char* x; const char* y; bool equal; } cases[] = {
      {"]4,10]", "[5,10]", true}, {"]0,5[", "[1,4]", true}, {"[1,5[", "[1,5]", false},
      {"]4,10]", "[4,10]", false}};
  for (auto c : cases) {
    EXPECT_EQ(range(c.x) == range(c.y), c.equal) << c.x << " " << c.y;
    EXPECT_EQ(range(c.y) == range(c.x), c.equal) << c.y << " " << c.x;
    EXPECT_EQ(range(c.x).equals(range(c.y)), c.equal);
  }
  std::unique_ptr<KuvInObjectVal> copy(&range("]1,3[").clone());
  EXPECT_EQ(text(*copy), "]1,3[");
}

// Which numbers a merge, an intersection and its rest hold is pinned through
// the list algebra by KuvInIntervalListTest; here, how they are written.
// common: null when they do not intersect; rest: null when none.
TEST(KuvInSerialInterval, SingleRangeOperations) {
  struct { const char *x, *y; bool intersect, included; const char *merged, *common, *rest; } cases[] = {
      {"[1,2]", "[3,4]", false, false, "[1,4]", nullptr, nullptr},  // adjacent numbers
      {"[1,2[", "[3,4]", false, false, nullptr, nullptr, nullptr},   // a hole at 2
      {"[1,3]", "]3,5]", false, false, "[1,5]", nullptr, nullptr},   // shared end, included once
      {"[1,3[", "]3,5]", false, false, nullptr, nullptr, nullptr},   // 3 in neither
      {"[1,5]", "[5,9]", true, false, "[1,9]", "[5,5]", nullptr},
      {"[2,4]", "[1,5[", true, true, "[1,5[", "[2,4]", nullptr},
      {"]1,5]", "[1,5]", true, true, "[1,5]", "]1,5]", nullptr},
      {"[1,5]", "]1,5]", true, false, "[1,5]", "]1,5]", nullptr},
      {"[1,3[", "]2,5]", true, false, "[1,5]", "]2,3[", nullptr},    // ends as written overlap
      {"[1,10]", "[2,3]", true, false, "[1,10]", "[2,3]", "]3,10]"},
      {"[1,5[", "[0,4]", true, false, "[0,5[", "[1,4]", nullptr},    // 4 is the last number of both
  };
  for (auto c : cases) {
    SCOPED_TRACE(std::string(c.x) + " " + c.y);
    const KuvInSerialInterval x = range(c.x), y = range(c.y);
    EXPECT_EQ(x.isIntersect(y), c.intersect);
    EXPECT_EQ(y.isIntersect(x), c.intersect);
    EXPECT_EQ(x.isIncludedIn(y), c.included);
    KuvInSerialInterval merged = x, common = x;
    EXPECT_EQ(merged.opAdd(y), c.merged != nullptr);
    EXPECT_EQ(text(merged), c.merged != nullptr ? c.merged : c.x);
    KuvInSerialInterval* rest = nullptr;
    EXPECT_EQ(common.opAnd(y, rest), c.common != nullptr);
    const std::unique_ptr<KuvInSerialInterval> owned(rest);
    EXPECT_EQ(text(common), c.common != nullptr ? c.common : c.x);
    EXPECT_EQ(rest != nullptr ? text(*rest) : "none", c.rest != nullptr ? c.rest : "none");
  }
}

// Which numbers the pieces hold is pinned by KuvInIntervalListTest; here,
// how they are written: a cutting end turns around.
TEST(KuvInSerialInterval, ListPiecesTurnTheCuttingEndsAround) {
  const struct { const char* l1; const char* l2; const char* cut; } cases[] = {
      {"[1,9]", "[3,5]", "[1,3[ | ]5,9]"}, {"[1,9]", "]2,5[", "[1,2] | [5,9]"}, {"[1,3]", "[2,3]", "[1,1]"}};
  for (const auto& c : cases) {
    KuvInListVal cut = list({c.l1});
    ASSERT_EQ(KuvInSerialInterval::opCut(cut, list({c.l2})), S_OK);
    EXPECT_EQ(text(cut), c.cut) << c.l1 << " minus " << c.l2;
  }
}

}  // namespace
