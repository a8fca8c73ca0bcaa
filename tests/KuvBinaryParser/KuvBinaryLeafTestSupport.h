// What the binary leaf tests and the binary expression tests share: a
// world of criteria of every kind, all in the lists of one data object, and
// makers of the criterion effectivities over it.
#pragma once

#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "support/KuvTestSupport.h"

namespace kuv_test {

// Expr criteria: 0 a dictionary with every series and the tree states (the
// reader must look at the first value), 1 to 3 state revisions 1 to 3, 4 a
// plan revision 7, 5 to 7 tree states root, a and b, 8 a dictionary with
// tree plans only, 9 its root, 10 the wheels, 11 wheel 16, 12 red, 13 a
// milestone track, 14 to 16 its milestones r, a (dated) and b, 17 a
// dictionary with no series. Rule: w17, blue; default: w18; dismissed: w19.
// Volatile: red, the date.
struct LeafWorld {
  using S = KuvEeSerialVar;

  KuvEeModelDico model{KuvInString("Model"), Guid(1).guid()};
  KuvEeModelDico plans{KuvInString("Plans"), Guid(2).guid()};
  KuvEeModelDico neither{KuvInString("N"), Guid(3).guid()};
  KuvEeDateVar date{"Date", Guid(4).data()};
  KuvEeSelectionVar wheels{"Wheels", Guid(5).data()};
  KuvEeSelectionValue* w16 = wheels.addValue("16", Guid(6).data());
  KuvEeSelectionValue* w17 = wheels.addValue("17", Guid(7).data());
  KuvEeSelectionValue* w18 = wheels.addValue("18", Guid(8).data());
  KuvEeSelectionValue* w19 = wheels.addValue("19", Guid(9).data());
  KuvEeBasicOptionVar red{"Red", Guid(10).guid()};
  KuvEeBasicOptionVar blue{"Blue", Guid(11).guid()};
  KuvEeMilestonesVar track{"Track", Guid(12).data(), "Design", nullptr};
  KuvEeTreeSeriesElement* root = nullptr;
  KuvEeTreeSeriesElement* a = nullptr;
  KuvEeTreeSeriesElement* b = nullptr;
  KuvEeTreeSeriesElement* planRoot = nullptr;
  KuvEeMilestone* mr = new KuvEeMilestone("MR", Guid(50).data(), &track, treeIndex("1-100"), nullptr, nullptr);
  KuvEeMilestone* ma = nullptr;
  KuvEeMilestone* mb = nullptr;
  KuvBinaryExprData data;

  LeafWorld() {
    for (std::int32_t type : {S::STATE, S::UNIT, S::MANUF_PLAN, S::TREE_STATE}) model.enableEvolutionSeries(type);
    plans.enableEvolutionSeries(S::TREE_MANUF_PLAN);
    data.addExprCriteria(model);
    for (unsigned seq = 1; seq <= 3; ++seq) data.addExprCriteria(*revision(model.getSeriesVariable(S::STATE), seq));
    data.addExprCriteria(*revision(model.getSeriesVariable(S::MANUF_PLAN), 7));
    KuvEeTreeSeriesVar* tree = model.getTreeSeriesVariable(S::TREE_STATE);
    root = new KuvEeTreeSeriesElement("R", Guid(40).data(), "R", treeIndex("1-100"), tree, nullptr);
    tree->setRootTreeSeriesElement(root);
    a = new KuvEeTreeSeriesElement("A", Guid(41).data(), "A", treeIndex("2-10"), tree, root);
    b = new KuvEeTreeSeriesElement("B", Guid(42).data(), "B", treeIndex("20-30"), tree, root);
    for (KuvEeTreeSeriesElement* child : {a, b}) root->addChild(child);
    for (KuvInObject* element : {root, a, b}) data.addExprCriteria(*element);
    data.addExprCriteria(plans);
    KuvEeTreeSeriesVar* planTree = plans.getTreeSeriesVariable(S::TREE_MANUF_PLAN);
    planRoot = new KuvEeTreeSeriesElement("P", Guid(43).data(), "P", treeIndex("1-9"), planTree, nullptr);
    planTree->setRootTreeSeriesElement(planRoot);
    const KuvInDate day(2020, 3, 4, 14, 31, 16);
    track.setRootMilestone(mr);
    ma = new KuvEeMilestone("MA", Guid(51).data(), &track, treeIndex("2-10"), &day, mr);
    mb = new KuvEeMilestone("MB", Guid(52).data(), &track, treeIndex("20-30"), nullptr, mr);
    for (KuvEeMilestone* child : {ma, mb}) mr->addChild(child);
    for (KuvInObject* criterion : std::vector<KuvInObject*>{planRoot, &wheels, w16, &red, &track, mr, ma, mb, &neither})
      data.addExprCriteria(*criterion);
    data.addExprCriteriaRule(*w17);
    data.addExprCriteriaRule(blue);
    data.addExprCriteriaDefault(*w18);
    data.addExprCriteriaDismissed(*w19);
    data.addVolatileCriteria(red);
    data.addVolatileCriteria(date);
  }

  KuvEeSerialVarValue* revision(KuvEeSerialVar* var, unsigned seq) {
    auto* value = new KuvEeSerialVarValue("Rev", Guid(20 + seq).data(), "R", seq, var);
    EXPECT_EQ(S_OK, var->addRevision(value));
    return value;
  }
};

inline KuvEeVarEff* dates(LeafWorld& w, const std::vector<std::pair<KuvInDate, KuvInDate>>& ranges) {
  auto* eff = new KuvEeDateEff(&w.date, KuvEeDateEff::AllFalse);
  KuvInListVal list(KuvInDateInterval::sType());
  for (const auto& [low, high] : ranges) {
    KuvInDateInterval interval;
    EXPECT_EQ(S_OK, interval.setInterval(low, high));
    list.PutBack(interval);
  }
  EXPECT_EQ(S_OK, eff->set(list));
  return eff;
}

inline KuvEeVarEff* serial(KuvEeModelDico& model, std::int32_t type, std::int32_t low, bool lowIn,
                           std::int32_t high, bool highIn) {
  auto* eff = new KuvEeSerialEff(model.getSeriesVariable(type), KuvEeSerialEff::AllFalse);
  EXPECT_EQ(S_OK, eff->set(low, lowIn, high, highIn));
  return eff;
}

// Selections given as {from, fromIncluded, to bounds and their flags}; a
// lone included from is a single selection.
struct Sel {
  KuvEeTreeElementBase* from;
  bool included;
  std::vector<std::pair<KuvEeTreeElementBase*, bool>> to;
};

template <class Eff, class Selection, class Bound, class Element, class Var>
KuvEeVarEff* treeEff(Var* var, const std::vector<Sel>& sels) {
  auto* eff = new Eff(var, Eff::AllFalse);
  KuvInListVal list(Selection::sType());
  for (const Sel& s : sels) {
    Selection selection;
    if (s.to.empty() && s.included) {
      EXPECT_EQ(S_OK, selection.setSingleSelection(Bound(static_cast<Element*>(s.from), true)));
    } else {
      EXPECT_EQ(S_OK, selection.setFromBound(Bound(static_cast<Element*>(s.from), s.included)));
      for (const auto& [to, in] : s.to) EXPECT_EQ(S_OK, selection.addToBound(Bound(static_cast<Element*>(to), in)));
    }
    list.PutBack(selection);
  }
  EXPECT_EQ(S_OK, eff->addSelections(list));
  return eff;
}
inline KuvEeVarEff* treeSeries(KuvEeTreeSeriesVar* var, const std::vector<Sel>& sels) {
  return treeEff<KuvEeTreeSeriesEff, KuvEeTreeSeriesSelection, KuvEeTreeSeriesSelectionBound, KuvEeTreeSeriesElement>(
      var, sels);
}
inline KuvEeVarEff* milestones(KuvEeMilestonesVar* var, const std::vector<Sel>& sels) {
  return treeEff<KuvEeMilestonesEff, KuvEeMilestonesSelection, KuvEeMilestonesSelectionBound, KuvEeMilestone>(
      var, sels);
}

}  // namespace kuv_test
