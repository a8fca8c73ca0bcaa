// One criterion of every kind, and leaves over them, for the classification
// and analysis tests.
#pragma once

#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvEffEngine/KuvEeVarEffTestSupport.h"

namespace kuv_test {

struct Criteria {
  TestVars vars;  // option, date, unit serial, selection
  KuvEeSerialVar states{"States", Guid(101).data(), KuvEeSerialVar::STATE, nullptr};
  KuvEeSerialVar undefinedSeries{"Undefined", Guid(102).data(), KuvEeSerialVar::UNDEFINED, nullptr};
  KuvEeTreeSeriesVar plans{"Plans", Guid(103).data(), KuvEeSerialVar::TREE_MANUF_PLAN, nullptr};
  KuvEeMilestonesVar track{"Track", Guid(104).data(), "Structure", nullptr};
  KuvEePredefEff change{"ECO", Guid(105).data(), true, KuvEePredefEff::GLOBAL};
  KuvEeBasicEff inherited{"Inherited", Guid(106).data()};
  KuvEeGroupNodeEff group{"Group", Guid(107).data()};

  KuvEeNode* option() { return new KuvEeVarEffLeaf(new KuvEeOptionEff(vars.option, KuvEeOptionEff::T)); }
  KuvEeNode* selection() {
    return new KuvEeVarEffLeaf(new KuvEeSelectionEff(vars.selection, KuvEeSelectionEff::AllTrue));
  }
  KuvEeNode* units() { return serial(vars.serial); }
  KuvEeNode* serial(KuvEeSerialVar* var) {
    auto* eff = new KuvEeSerialEff(var, KuvEeSerialEff::AllFalse);
    eff->set(1, true, 5, true);
    return new KuvEeVarEffLeaf(eff);
  }
  KuvEeNode* plan() { return new KuvEeVarEffLeaf(new KuvEeTreeSeriesEff(&plans, KuvEeTreeBaseEff::AllTrue)); }
  KuvEeNode* milestone() {
    return new KuvEeVarEffLeaf(new KuvEeMilestonesEff(&track, KuvEeTreeBaseEff::AllTrue));
  }
  // From 2001-01-01 to the year 3000, or to plus infinity; negated on request.
  KuvEeNode* date(bool toInfinity = false, bool negated = false) {
    auto* eff = new KuvEeDateEff(vars.date, KuvEeDateEff::AllFalse);
    KuvInDate end(3000, 1, 1, 1, 1, 1);
    if (toInfinity) end.setInfPos();
    EXPECT_EQ(S_OK, eff->set(KuvInDate(2001, 1, 1, 1, 1, 1), end));
    if (negated) eff->opNot();
    return new KuvEeVarEffLeaf(eff);
  }
  KuvEeNode* effLeaf(KuvEeEffectivity& target, bool negated = false) {
    auto* leaf = new KuvEeEffLeaf(&target);
    if (negated) leaf->opNot();
    return leaf;
  }
  KuvEeNode* changeLeaf() { return effLeaf(change); }
  KuvEeNode* inheritedLeaf() { return effLeaf(inherited); }
  static KuvEeNode* restriction(KuvEeRestrictionEff* restriction) {
    return new KuvEeRestrictionEffLeaf(restriction);
  }
};

}  // namespace kuv_test
