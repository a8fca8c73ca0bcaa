// Variable effectivities by example: the documented edge cases, the
// constructors and setters, refusals that change nothing, and the texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvInSerialInterval.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEffEngine/KuvEeVarEffTestSupport.h"
#include "KuvInListVal.h"

namespace {

std::string text(const KuvInObject& o) { return o.toString().ConvertToChar(); }

bool same(const KuvEeVarEff& a, const KuvEeVarEff& b) {
  bool equal = false;
  EXPECT_EQ(a.equals(&b, equal), S_OK);
  return equal;
}

}  // namespace

TEST(KuvEeOptionEff, DocumentedCombinations) {
  kuvtest::TestVars vars;
  using O = KuvEeOptionEff;
  struct Case {
    const char* name;
    std::uint32_t a;
    bool aNegated;
    int op;  // 1 And, 2 Or, 3 Cut
    std::uint32_t b;
    bool bNegated;
    std::uint32_t admitted;  // the represented set of the result
  } cases[] = {
      {"{T} and {T,F}", O::T, false, 1, O::T | O::F, false, O::T},
      {"{T} or {F}", O::T, false, 2, O::F, false, O::T | O::F},
      {"{T} and not {T}", O::T, false, 1, O::T, true, 0},
      {"{T,F,N} cut {N}", O::T | O::F | O::N, false, 3, O::N, false, O::T | O::F},
      {"not {T} or not {F}", O::T, true, 2, O::F, true, O::T | O::F | O::N},
  };
  for (const Case& c : cases) {
    O a(vars.option, c.a);
    O b(vars.option, c.b);
    if (c.aNegated) a.opNot();
    if (c.bNegated) b.opNot();
    bool merged = false;
    HRESULT hr = c.op == 1 ? a.opAnd(&b, merged) : c.op == 2 ? a.opOr(&b, merged) : a.opCut(&b, merged);
    ASSERT_EQ(hr, S_OK) << c.name;
    EXPECT_TRUE(merged) << c.name;
    std::uint32_t admitted = a.isNegated() ? (~a.getValue() & 7U) : a.getValue();
    EXPECT_EQ(admitted, c.admitted) << c.name;
    EXPECT_EQ(a.isAllFalse(), admitted == 0 && !a.isNegated()) << c.name;
  }
}

TEST(KuvEeOptionEff, NotWithinTheDomainKeepsNoValueOut) {
  kuvtest::TestVars vars;
  KuvEeOptionEff eff(vars.option, KuvEeOptionEff::T);
  ASSERT_EQ(eff.opNotDom(), S_OK);
  EXPECT_FALSE(eff.isNoVarIncluded());
  EXPECT_EQ(text(eff), "OptionEff( ! Sunroof{T_N} )");  // not {T, N} = {F}

  KuvEeOptionEff withN(vars.option, KuvEeOptionEff::T | KuvEeOptionEff::N);
  KuvEeOptionEff before(withN);
  testing::internal::CaptureStdout();
  EXPECT_EQ(withN.opNotDom(), E_FAIL);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("ERROR: unsupported case"), std::string::npos);
  EXPECT_TRUE(same(withN, before));

  // switchNoVar only ever takes N out of an option's positive part.
  withN.switchNoVar();
  EXPECT_EQ(withN.getValue(), static_cast<std::uint32_t>(KuvEeOptionEff::T));
  withN.switchNoVar();
  EXPECT_EQ(withN.getValue(), static_cast<std::uint32_t>(KuvEeOptionEff::T));
}

TEST(KuvEeOptionEff, SpecialConditionsSettersAndTexts) {
  kuvtest::TestVars vars;
  KuvEeOptionEff eff(vars.option, KuvEeOptionEff::AllTrue);
  EXPECT_TRUE(eff.isAllTrue());
  EXPECT_EQ(text(eff), "OptionEff( Sunroof{ALL_TRUE} )");
  eff.set(static_cast<KuvEeOptionEff::E_SpecialCondition>(1));
  EXPECT_TRUE(eff.isAllFalse());
  EXPECT_EQ(text(eff), "OptionEff( Sunroof{ALL_FALSE} )");
  eff.opNot();
  eff.set(KuvEeOptionEff::F | KuvEeOptionEff::N | 8U);  // clears the negation, keeps three bits
  EXPECT_FALSE(eff.isNegated());
  EXPECT_EQ(eff.getValue(), static_cast<std::uint32_t>(KuvEeOptionEff::F | KuvEeOptionEff::N));
  eff.setSelectedBy(KuvCriteriaSelectedBy_RuleDeduced);
  EXPECT_EQ(text(eff), "OptionEff( Sunroof(Rule Deduced){_FN} )");
  EXPECT_EQ(eff.getOptionVar(), vars.option);

  // The selected-by code is part of equality.
  KuvEeOptionEff other(vars.option, KuvEeOptionEff::F | KuvEeOptionEff::N,
                       KuvCriteriaSelectedBy_DefaultValue);
  EXPECT_FALSE(same(eff, other));
  other.setSelectedBy(KuvCriteriaSelectedBy_RuleDeduced);
  EXPECT_TRUE(same(eff, other));
}

TEST(KuvEeVarEff, EffectivitiesOfDifferentVariablesDoNotMerge) {
  kuvtest::TestVars vars;
  KuvEeOptionEff option(vars.option, KuvEeOptionEff::T);
  KuvEeOptionEff towbar(vars.otherOption, KuvEeOptionEff::F);
  KuvEeDateEff date(vars.date, KuvEeDateEff::AllTrue);
  KuvEeOptionEff optionBefore(option);
  KuvEeDateEff dateBefore(date);
  for (const KuvEeVarEff* other :
       {static_cast<const KuvEeVarEff*>(&towbar), static_cast<const KuvEeVarEff*>(&date),
        static_cast<const KuvEeVarEff*>(nullptr)}) {
    bool merged = true;
    EXPECT_EQ(option.opAnd(other, merged), S_OK);
    EXPECT_FALSE(merged);
    merged = true;
    EXPECT_EQ(option.opCut(other, merged), S_OK);
    EXPECT_FALSE(merged);
  }
  bool merged = true;
  EXPECT_EQ(date.opOr(&option, merged), S_OK);
  EXPECT_FALSE(merged);
  EXPECT_TRUE(same(option, optionBefore));
  EXPECT_TRUE(same(date, dateBefore));
  EXPECT_FALSE(same(option, date));
}

TEST(KuvEeDateEff, SpecialConditionsSettersAndText) {
  kuvtest::TestVars vars;
  const std::string head = "DateEff( Date/" + std::string(vars.date->getGuid().toString().ConvertToChar());
  KuvEeDateEff eff(vars.date, KuvEeDateEff::AllTrue);
  EXPECT_TRUE(eff.isAllTrue());
  EXPECT_EQ(text(eff), head + "[ALL_TRUE] )");
  eff.set(KuvEeDateEff::AllFalse);
  EXPECT_TRUE(eff.isAllFalse());
  EXPECT_EQ(text(eff), head + "[ALL_FALSE] )");

  KuvInDate from(2001, 1, 1, 1, 1, 1);
  KuvInDate to(2001, 1, 31, 24, 60, 60);
  ASSERT_EQ(eff.set(from, to), S_OK);
  KuvInDateInterval january;
  ASSERT_EQ(january.setInterval(from, to), S_OK);
  eff.orNoVar();
  EXPECT_TRUE(eff.isNoVarIncluded());
  eff.opNot();
  EXPECT_FALSE(eff.isNoVarIncluded());
  EXPECT_EQ(text(eff), head + "! [N]" + text(january) + " )");
  eff.orNoVar();
  EXPECT_TRUE(eff.isNoVarIncluded());
  eff.cutNoVar();
  EXPECT_FALSE(eff.isNoVarIncluded());

  KuvInListVal list(KuvInDateInterval::sType());
  ASSERT_EQ(eff.getIntervals(list), S_OK);
  ASSERT_EQ(list.GetLength(), 1);
  EXPECT_TRUE(list.Get(0)->equals(january));
  KuvInListVal wrong(KuvInSerialInterval::sType());
  EXPECT_EQ(eff.getIntervals(wrong), E_INVALIDARG);

  // A reversed range is refused and changes nothing.
  KuvEeDateEff before(eff);
  kuvtest::QuietErrors quiet;
  EXPECT_EQ(eff.set(to, from), E_FAIL);
  EXPECT_TRUE(same(eff, before));
  EXPECT_EQ(eff.getOrdVar(), vars.date);
}

TEST(KuvEeSerialEff, SettersRefusalsAndText) {
  kuvtest::TestVars vars;
  KuvEeSerialEff eff(vars.serial, static_cast<KuvEeSerialEff::E_SpecialCondition>(7));
  EXPECT_TRUE(eff.isAllFalse());
  ASSERT_EQ(eff.set(5, true, 10, false), S_OK);
  EXPECT_EQ(text(eff), "SerialEff( Units/" + std::string(vars.serial->getGuid().toString().ConvertToChar()) +
                           "[5,10[ )");
  KuvEeSerialEff before(eff);
  kuvtest::QuietErrors quiet;
  EXPECT_EQ(eff.set(10, true, 5, true), E_FAIL);
  EXPECT_TRUE(same(eff, before));

  // [5,10[ and [10,12] are one range: equal sets give equal effectivities.
  KuvEeSerialEff more(vars.serial, KuvEeSerialEff::AllFalse);
  ASSERT_EQ(more.set(10, true, 12, true), S_OK);
  bool merged = false;
  ASSERT_EQ(eff.opOr(&more, merged), S_OK);
  KuvEeSerialEff whole(vars.serial, KuvEeSerialEff::AllFalse);
  ASSERT_EQ(whole.set(5, true, 12, true), S_OK);
  EXPECT_TRUE(same(eff, whole));
}

// Later merges rely on ranges sorted by their start, whatever order the
// caller gave them in.
TEST(KuvEeSerialEff, RangesGivenOutOfOrderAreSorted) {
  auto range = [](int a, int b) {
    KuvInSerialInterval r;
    r.setInterval(a, true, b, true);
    return r;
  };
  kuvtest::TestVars vars;
  KuvInListVal given(KuvInSerialInterval::sType());
  for (int a : {20, 1, 10}) given.PutBack(range(a, a + 2));
  KuvEeSerialEff eff(vars.serial, KuvEeSerialEff::AllFalse);
  ASSERT_EQ(eff.set(given), S_OK);
  KuvInListVal kept(KuvInSerialInterval::sType());
  ASSERT_EQ(eff.getIntervals(kept), S_OK);
  ASSERT_EQ(kept.GetLength(), 3);
  const int starts[] = {1, 10, 20};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<KuvInSerialInterval*>(kept.Get(i))->getA(), starts[i]);

  KuvEeSerialEff middle(vars.serial, KuvEeSerialEff::AllFalse);
  ASSERT_EQ(middle.set(11, true, 21, true), S_OK);
  bool merged = false;
  ASSERT_EQ(eff.opOr(&middle, merged), S_OK);
  KuvEeSerialEff expected(vars.serial, KuvEeSerialEff::AllFalse);
  KuvInListVal two(KuvInSerialInterval::sType());
  two.PutBack(range(1, 3));
  two.PutBack(range(10, 22));
  ASSERT_EQ(expected.set(two), S_OK);
  EXPECT_TRUE(same(eff, expected));
}

TEST(KuvEeSelectionEff, AddSetLookupsAndRefusals) {
  kuvtest::TestVars vars;
  KuvEeSelectionEff eff(vars.selection, KuvEeSelectionEff::AllFalse);
  EXPECT_EQ(eff.add(vars.values[0], KuvCriteriaSelectedBy_UserSelected), S_OK);
  EXPECT_EQ(eff.add(KuvInString("Green")), S_OK);
  EXPECT_EQ(eff.add(vars.values[2]->getGuid(), KuvCriteriaSelectedBy_DefaultValue), S_OK);
  EXPECT_EQ(eff.getValues().GetLength(), 3);
  EXPECT_EQ(eff.getSelectedBy(vars.values[0]), KuvCriteriaSelectedBy_UserSelected);
  EXPECT_EQ(eff.getSelectedBy(vars.values[2]->getGuid()), KuvCriteriaSelectedBy_DefaultValue);
  EXPECT_EQ(text(eff), "SelectionEff( Colour/" +
                           std::string(vars.selection->getGuid().toString().ConvertToChar()) +
                           "[Blue(Default Value)][Green][Red(User Selected)] )");
  KuvInListVal guids(KuvInGuid::sType());
  ASSERT_EQ(eff.getValueGuids(guids), S_OK);
  EXPECT_EQ(guids.GetLength(), 3);
  EXPECT_GE(guids.Find(vars.values[1]->getGuid()), 0);

  // Unknown names and values of another variable are refused, nothing changed.
  KuvEeSelectionEff before(eff);
  testing::internal::CaptureStdout();
  EXPECT_EQ(eff.add(KuvInString("Purple")), E_FAIL);
  EXPECT_EQ(eff.add(vars.foreignValue), E_FAIL);
  EXPECT_EQ(eff.set(KuvInString("Purple")), E_FAIL);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("ERROR: add failed"), std::string::npos);
  EXPECT_NE(out.find("ERROR: set failed"), std::string::npos);
  EXPECT_TRUE(same(eff, before));

  // set clears the values and both flags first.
  eff.orNoVar();
  eff.opNot();
  ASSERT_EQ(eff.set(vars.values[1], KuvCriteriaSelectedBy_RuleDeduced), S_OK);
  EXPECT_FALSE(eff.isNegated());
  EXPECT_FALSE(eff.getNoVar());
  EXPECT_EQ(eff.getValues().GetLength(), 1);
  EXPECT_EQ(eff.getSelectionVar(), vars.selection);

  KuvEeSelectionEff all(vars.selection, KuvEeSelectionEff::AllTrue);
  EXPECT_TRUE(all.isAllTrue());
  EXPECT_TRUE(all.isNoVarIncluded());
}
