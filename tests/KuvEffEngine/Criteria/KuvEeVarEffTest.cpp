// Variable effectivities beyond their set algebra (KuvEeVarEffAlgebraTest):
// the setters' quirks, refusals that change nothing, selected-by codes and
// the order ranges are kept in.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeVarEffTestSupport.h"

namespace {

using kuv_test::ScopedFlags;

bool same(const KuvEeVarEff& a, const KuvEeVarEff& b) {
  bool equal = false;
  EXPECT_EQ(a.equals(&b, equal), S_OK);
  return equal;
}

TEST(KuvEeOptionEff, SettersKeepThreeBitsAndSelectedByIsPartOfEquality) {
  kuv_test::TestVars vars;
  KuvEeOptionEff withN(vars.option, KuvEeOptionEff::T | KuvEeOptionEff::N);
  const KuvEeOptionEff before(withN);
  EXPECT_TRACES(E_FAIL, "ERROR: unsupported case", withN.opNotDom());
  EXPECT_TRUE(same(withN, before));
  // switchNoVar only ever takes N out of an option's positive part.
  withN.switchNoVar();
  EXPECT_EQ(withN.getValue(), static_cast<std::uint32_t>(KuvEeOptionEff::T));
  withN.switchNoVar();
  EXPECT_EQ(withN.getValue(), static_cast<std::uint32_t>(KuvEeOptionEff::T));

  KuvEeOptionEff eff(vars.option, KuvEeOptionEff::AllTrue);
  eff.set(static_cast<KuvEeOptionEff::E_SpecialCondition>(1));
  EXPECT_TRUE(eff.isAllFalse());
  eff.opNot();
  eff.set(KuvEeOptionEff::F | KuvEeOptionEff::N | 8U);  // clears the negation, keeps three bits
  EXPECT_FALSE(eff.isNegated());
  EXPECT_EQ(eff.getValue(), static_cast<std::uint32_t>(KuvEeOptionEff::F | KuvEeOptionEff::N));
  eff.setSelectedBy(KuvCriteriaSelectedBy_RuleDeduced);
  KuvEeOptionEff other(vars.option, KuvEeOptionEff::F | KuvEeOptionEff::N,
                       KuvCriteriaSelectedBy_DefaultValue);
  EXPECT_FALSE(same(eff, other));
  other.setSelectedBy(KuvCriteriaSelectedBy_RuleDeduced);
  EXPECT_TRUE(same(eff, other));
}

TEST(KuvEeDateEff, ReversedRangesAndListsOfOtherRangesAreRefused) {
  kuv_test::TestVars vars;
  KuvEeDateEff eff(vars.date, KuvEeDateEff::AllFalse);
  const KuvInDate from(2001, 1, 1, 1, 1, 1), to(2001, 1, 31, 24, 60, 60);
  ASSERT_EQ(eff.set(from, to), S_OK);
  eff.orNoVar();
  KuvInListVal wrong(KuvInSerialInterval::sType());
  EXPECT_EQ(eff.getIntervals(wrong), E_INVALIDARG);
  const KuvEeDateEff before(eff);
  ScopedFlags quiet(KuvEeVarEff::traceChannel(), 0);
  EXPECT_EQ(eff.set(to, from), E_FAIL);
  EXPECT_TRUE(same(eff, before));

  KuvEeSerialEff serial(vars.serial, static_cast<KuvEeSerialEff::E_SpecialCondition>(7));
  EXPECT_TRUE(serial.isAllFalse());
  ASSERT_EQ(serial.set(5, true, 10, false), S_OK);
  const KuvEeSerialEff serialBefore(serial);
  EXPECT_EQ(serial.set(10, true, 5, true), E_FAIL);
  EXPECT_TRUE(same(serial, serialBefore));
}

// Later merges rely on ranges sorted by their start: ranges including their
// ends, in any order, keep the maximal runs of the numbers they hold, in
// order (the far range first puts the list out of order).
TEST(KuvEeSerialEff, ClosedRangesOutOfOrderKeepTheRunsOfTheirNumbers) {
  kuv_test::TestVars vars;
  std::mt19937 random(8128);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 300; ++round) {
    constexpr int far = 100;
    std::vector<bool> held(far + 1, false);
    KuvInListVal given(KuvInSerialInterval::sType());
    for (int n = 2 + pick(12); n > 0; --n) {
      const int a = n == 1 ? far : pick(60);
      const int b = n == 1 ? far : a + pick(5);
      for (int x = a; x <= b; ++x) held[x] = true;
      KuvInSerialInterval range;
      ASSERT_EQ(range.setInterval(a, true, b, true), S_OK);
      given.PutFront(range);
    }
    std::vector<std::string> runs;
    for (int x = 0; x <= far; ++x)
      if (held[x] && (x == 0 || !held[x - 1])) {
        int last = x;
        while (last < far && held[last + 1]) ++last;
        runs.push_back("[" + std::to_string(x) + "," + std::to_string(last) + "]");
      }
    KuvEeSerialEff eff(vars.serial, KuvEeSerialEff::AllFalse);
    ASSERT_EQ(eff.set(given), S_OK);
    KuvInListVal kept(KuvInSerialInterval::sType());
    ASSERT_EQ(eff.getIntervals(kept), S_OK);
    EXPECT_EQ(kuv_test::textsOf(kept), runs) << given.toString().ConvertToChar();
  }
}

// Ranges with open ends, in any order or spread over two effectivities, end
// up in the one form of their set.
TEST(KuvEeSerialEff, OpenRangesUniteIntoTheOneFormOfTheirSet) {
  kuv_test::TestVars vars;
  auto ranges = [](std::initializer_list<std::array<int, 4>> bounds) {
    KuvInListVal list(KuvInSerialInterval::sType());
    for (const auto& [low, lowClosed, high, highClosed] : bounds) {
      KuvInSerialInterval range;
      EXPECT_EQ(range.setInterval(low, lowClosed != 0, high, highClosed != 0), S_OK);
      list.PutBack(range);
    }
    return list;
  };
  auto kept = [](const KuvEeSerialEff& eff) {
    KuvInListVal list(KuvInSerialInterval::sType());
    EXPECT_EQ(eff.getIntervals(list), S_OK);
    return kuv_test::textsOf(list);
  };
  KuvEeSerialEff eff(vars.serial, KuvEeSerialEff::AllFalse);
  ASSERT_EQ(eff.set(ranges({{12, 0, 16, 1}, {17, 0, 19, 1}, {14, 1, 18, 0}})), S_OK);
  EXPECT_EQ(kept(eff), std::vector<std::string>{"]12,19]"});
  ASSERT_EQ(eff.set(ranges({{8, 0, 10, 0}, {10, 0, 14, 1}, {10, 1, 11, 0}})), S_OK);
  EXPECT_EQ(kept(eff), std::vector<std::string>{"]8,14]"});

  KuvEeSerialEff other(vars.serial, KuvEeSerialEff::AllFalse);
  ASSERT_EQ(eff.set(ranges({{18, 0, 19, 1}, {25, 0, 28, 1}})), S_OK);
  ASSERT_EQ(other.set(ranges({{15, 1, 19, 0}, {19, 0, 20, 1}})), S_OK);
  bool merged = false;
  ASSERT_EQ(eff.opOr(&other, merged), S_OK);
  EXPECT_EQ(kept(eff), (std::vector<std::string>{"[15,20]", "]25,28]"}));
}

TEST(KuvEeSelectionEff, ValuesByObjectNameOrGuidWithTheirSelectedByCodes) {
  kuv_test::TestVars vars;
  KuvEeSelectionEff eff(vars.selection, KuvEeSelectionEff::AllFalse);
  EXPECT_EQ(eff.add(vars.values[0], KuvCriteriaSelectedBy_UserSelected), S_OK);
  EXPECT_EQ(eff.add(KuvInString("Green")), S_OK);
  EXPECT_EQ(eff.add(vars.values[2]->getGuid(), KuvCriteriaSelectedBy_DefaultValue), S_OK);
  EXPECT_EQ(eff.getValues().GetLength(), 3);
  EXPECT_EQ(eff.getSelectedBy(vars.values[0]), KuvCriteriaSelectedBy_UserSelected);
  EXPECT_EQ(eff.getSelectedBy(vars.values[2]->getGuid()), KuvCriteriaSelectedBy_DefaultValue);
  KuvInListVal guids(KuvInGuid::sType());
  ASSERT_EQ(eff.getValueGuids(guids), S_OK);
  EXPECT_EQ(guids.GetLength(), 3);
  EXPECT_GE(guids.Find(vars.values[1]->getGuid()), 0);

  // Unknown names and values of another variable are refused, nothing changed.
  const KuvEeSelectionEff before(eff);
  EXPECT_TRACES(E_FAIL, "ERROR: add failed", eff.add(KuvInString("Purple")));
  EXPECT_TRACES(E_FAIL, "ERROR: add failed", eff.add(vars.foreignValue));
  EXPECT_TRACES(E_FAIL, "ERROR: set failed", eff.set(KuvInString("Purple")));
  EXPECT_TRUE(same(eff, before));

  // set clears the values and both flags first.
  eff.orNoVar();
  eff.opNot();
  ASSERT_EQ(eff.set(vars.values[1], KuvCriteriaSelectedBy_RuleDeduced), S_OK);
  EXPECT_FALSE(eff.isNegated() || eff.getNoVar());
  EXPECT_EQ(eff.getValues().GetLength(), 1);
  ASSERT_EQ(eff.set(vars.values[2]->getGuid(), KuvCriteriaSelectedBy_UserSelected), S_OK);
  EXPECT_EQ(eff.getSelectedBy(vars.values[2]), KuvCriteriaSelectedBy_UserSelected);

  // From a list or a set: all the values, or nothing changed.
  KuvInList list(KuvEeSelectionValue::sType());
  KuvInSet set(KuvEeSelectionValue::sType());
  for (KuvEeSelectionValue* value : {vars.values[0], vars.values[1]}) list.PutBack(value), set.Put(value);
  for (const auto& setFrom : std::initializer_list<std::function<HRESULT()>>{[&] { return eff.set(list); },
                                                                             [&] { return eff.set(set); }}) {
    eff.opNot();
    ASSERT_EQ(setFrom(), S_OK);
    EXPECT_FALSE(eff.isNegated());
    EXPECT_EQ(eff.getValues().GetLength(), 2);
    EXPECT_EQ(eff.getSelectedBy(vars.values[0]), KuvCriteriaSelectedBy_None);
    const KuvEeSelectionEff kept(eff);
    list.PutBack(vars.foreignValue);
    set.Put(vars.foreignValue);
    EXPECT_TRACES(E_FAIL, "ERROR: set failed", setFrom());
    EXPECT_TRUE(same(eff, kept));
    list.Remove(2);
    set.Remove(vars.foreignValue);
  }
}

}  // namespace
