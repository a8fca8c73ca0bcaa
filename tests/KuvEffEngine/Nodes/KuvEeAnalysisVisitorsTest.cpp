// The read-only analysis visitors: structure counts and criteria types,
// with the definitions of named effectivities and the date upper-bound rule;
// the cycle checker.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"

using namespace kuv_test;

namespace {

KuvEVCClassification typesOf(KuvEeNode* tree, unsigned char followBasic = 0, unsigned char followPredef = 0,
                             unsigned char bounds = 0) {
  Tree owned = own(tree);
  KuvEeVisitor_GetCriteriaTypes visitor(followBasic, followPredef, bounds);
  EXPECT_EQ(S_OK, owned->getNode()->acceptVisitor(visitor)) << text(*owned);
  return visitor.getResultClassification();
}

KuvEeNode* Leaf(KuvEeEffectivity& target) { return new KuvEeEffLeaf(&target); }

struct Effs {
  explicit Effs(unsigned count) {
    for (unsigned i = 0; i < count; ++i)
      all.push_back(std::make_unique<KuvEeBasicEff>(KuvInString(("E" + std::to_string(i)).c_str()),
                                                    Guid(i + 1).data()));
  }
  KuvEeBasicEff& operator[](unsigned i) { return *all[i]; }
  std::vector<std::unique_ptr<KuvEeBasicEff>> all;
};

// True, counting the visits it gets.
class CountedTrue : public KuvEeTrue {
public:
  explicit CountedTrue(int& visits) : m_visits(visits) {}
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override {
    ++m_visits;
    return KuvEeTrue::acceptVisitor(visitor);
  }

private:
  int& m_visits;
};

struct Outcome {
  HRESULT rc;
  unsigned char cycle;
  std::string trace;
};

Outcome check(const KuvEeNodeRef& root) {
  KuvEeNodeCycleChecker checker;
  Outcome out{E_UNEXPECTED, 7, ""};
  out.trace = captured([&] { out.rc = checker.checkCycle(root, out.cycle); });
  return out;
}

}  // namespace

TEST(KuvEeAnalysisVisitorsTest, StructuralStatsCountOperatorsLeavesAndNegatedLeaves) {
  Criteria c;
  KuvEeNode* negatedOption = new KuvEeVarEffLeaf(new KuvEeOptionEff(c.vars.option, KuvEeOptionEff::T));
  static_cast<KuvEeVarEffLeaf*>(negatedOption)->opNot();
  Tree root = own(
      And({Not(Or({c.option(), c.units()})), Or({negatedOption, c.effLeaf(c.change, true)}),
           NotDom(c.inheritedLeaf()), Not(Not(T())), Criteria::restriction(new KuvEeDateRestrictionEff)}));
  KuvEeVisitor_GetStructuralStats stats;
  ASSERT_EQ(S_OK, root->getNode()->acceptVisitor(stats));
  EXPECT_EQ(stats.getNbAnds(), 1u);
  EXPECT_EQ(stats.getNbOrs(), 2u);
  EXPECT_EQ(stats.getNbNots(), 5u) << "three Not nodes and two negated leaves";
  EXPECT_EQ(stats.getNbVarEffLeaves(), 3u);
  EXPECT_EQ(stats.getNbEffLeaves(), 2u);
}

TEST(KuvEeAnalysisVisitorsTest, CriteriaTypesRecordEachKindOfLeaf) {
  Criteria c;
  struct Case { KuvEeNode* tree; bool (*reads)(const KuvEVCClassification&); };
  const Case cases[] = {
      {c.selection(),
       [](const KuvEVCClassification& r) { return r.isExclusiveFeature() && !r.isNonExclusiveFeature(); }},
      {c.option(),
       [](const KuvEVCClassification& r) { return r.isNonExclusiveFeature() && !r.isExclusiveFeature(); }},
      {c.units(),
       [](const KuvEVCClassification& r) { return r.isEvolutionType(13) && !r.isEvolutionType(12); }},
      {c.serial(&c.states),
       [](const KuvEVCClassification& r) { return r.isEvolutionType(18) && !r.isEvolutionType(13); }},
      {c.plan(),
       [](const KuvEVCClassification& r) { return r.isEvolutionType(14) && !r.isEvolutionType(18); }},
      {new KuvEeVarEffLeaf(new KuvEeDnfTreeSeriesEff(&c.plans)),
       [](const KuvEVCClassification& r) { return r.isEvolutionType(19); }},
      {c.milestone(), [](const KuvEVCClassification& r) { return r.isMilestone() && r.isEvolution(); }},
      {c.date(true),
       [](const KuvEVCClassification& r) { return r.isDate() && !r.isDateUpperBoundInfinite(); }},
      {Or({T(), NotDom(F())}),
       [](const KuvEVCClassification& r) { return r.isTrue() && r.isFalse() && !r.isEvolution(); }},
      {Criteria::restriction(new KuvEeSerialRestrictionEff),
       [](const KuvEVCClassification& r) { return r.isRestriction() && !r.isEvolution(); }},
      {c.changeLeaf(), [](const KuvEVCClassification& r) { return r.isChange() && !r.isInheritedEff(); }},
      {c.inheritedLeaf(), [](const KuvEVCClassification& r) { return r.isInheritedEff() && !r.isChange(); }},
      {c.effLeaf(c.group), [](const KuvEVCClassification& r) { return r.equals(KuvEVCClassification(0)); }},
  };
  for (const Case& k : cases) {
    KuvEVCClassification r = typesOf(k.tree);
    EXPECT_TRUE(k.reads(r)) << text(r);
  }
}

TEST(KuvEeAnalysisVisitorsTest, DateUpperBoundFollowsTheNegationParity) {
  Criteria c;
  struct Case { const char* name; KuvEeNode* tree; bool infinite; };
  const Case cases[] = {
      {"to infinity", c.date(true), true},
      {"bounded", c.date(false), false},
      {"under Not", Not(c.date(true)), false},
      {"bounded under Not", Not(c.date(false)), true},
      {"negated", c.date(true, true), false},
      {"negated under Not", Not(And({c.date(true, true)})), true},
      {"under two Nots", Not(Not(c.date(true))), true},
      {"NotDomain keeps the parity", NotDom(c.date(true)), true},
      {"sibling of a Not", And({Not(c.option()), c.date(true)}), true},
      {"no range", new KuvEeVarEffLeaf(new KuvEeDateEff(c.vars.date, KuvEeDateEff::AllFalse)), false},
  };
  for (const Case& k : cases) {
    KuvEVCClassification r = typesOf(k.tree, 0, 0, 1);
    EXPECT_TRUE(r.isDate()) << k.name;
    EXPECT_EQ(r.isDateUpperBoundInfinite(), k.infinite) << k.name;
  }
  EXPECT_FALSE(typesOf(c.date(true), 0, 0, 0).isDateUpperBoundInfinite())
      << "bounds are examined on request only";
}

TEST(KuvEeAnalysisVisitorsTest, DefinitionsOfNamedEffectivitiesAreFollowedOnRequest) {
  Criteria c;
  c.inherited.setExpr(own(And({c.option(), c.effLeaf(c.inherited)})).release());
  c.change.setExpr(own(c.units()).release());

  KuvEVCClassification r = typesOf(Or({c.inheritedLeaf(), c.changeLeaf()}));
  EXPECT_FALSE(r.isVariant());
  EXPECT_FALSE(r.isEvolution());

  r = typesOf(Or({c.inheritedLeaf(), c.changeLeaf()}), 1, 0);
  EXPECT_TRUE(r.isNonExclusiveFeature()) << "a self-reference is followed once";
  EXPECT_FALSE(r.isEvolution());

  r = typesOf(Or({c.inheritedLeaf(), c.changeLeaf()}), 0, 1);
  EXPECT_FALSE(r.isVariant());
  EXPECT_TRUE(r.isEvolutionType(13));

  // The last date met decides the upper bound, also when it lies in a
  // definition met before.
  c.inherited.setExpr(own(c.date(true)).release());
  EXPECT_TRUE(typesOf(And({c.inheritedLeaf(), c.date(false), c.inheritedLeaf()}), 1, 0, 1)
                  .isDateUpperBoundInfinite());
  EXPECT_FALSE(typesOf(And({c.inheritedLeaf(), Not(c.inheritedLeaf())}), 1, 0, 1).isDateUpperBoundInfinite());

  // A change defined by an expression rather than a tree.
  KuvEePredefEff eco("ECO-2", Guid(120).data(), true, KuvEePredefEff::GLOBAL);
  KuvEeExpression* applicability = new KuvEeChangeExpression;
  ASSERT_EQ(
      S_OK,
      static_cast<KuvEeChangeExpression*>(applicability)->setGlobalCriteria(own(c.milestone()).release()));
  ASSERT_EQ(S_OK, eco.setExpr(applicability));
  EXPECT_FALSE(typesOf(c.effLeaf(eco), 0, 0).isMilestone());
  EXPECT_TRUE(typesOf(c.effLeaf(eco), 0, 1).isMilestone());
}

TEST(KuvEeAnalysisVisitorsTest, SeriesWithoutEvolutionTypeFail) {
  Criteria c;
  Tree tree = own(And({c.option(), c.serial(&c.undefinedSeries)}));
  KuvEeVisitor_GetCriteriaTypes visitor(0, 0, 0);
  EXPECT_TRACES(E_FAIL, "ERROR: Call to setEvolutionType() has failed",
                tree->getNode()->acceptVisitor(visitor));
}

// The walks stop at the depth limit, through the operators they visit
// themselves too, and go through a tree at it.
TEST(KuvEeAnalysisVisitorsTest, WalksStopAtTheDepthLimit) {
  Criteria c;
  for (const bool negations : {true, false}) {
    KuvEeNode* tree = c.option();
    for (int i = 0; i < 50000; ++i) tree = negations ? Not(tree) : Or({tree, c.units()});
    const Tree deep = own(tree);
    KuvEeVisitor_GetCriteriaTypes types(0, 0, 0);
    KuvEeVisitor_GetStructuralStats stats;
    EXPECT_TRACES(E_FAIL, "ERROR: expression too deep", deep->getNode()->acceptVisitor(types));
    EXPECT_TRACES(E_FAIL, "ERROR: expression too deep", deep->getNode()->acceptVisitor(stats));
  }
  KuvEeNode* tree = c.option();
  for (int i = 0; i < 2000; ++i) tree = Not(tree);
  KuvEeVisitor_GetStructuralStats stats;
  EXPECT_EQ(S_OK, own(tree)->getNode()->acceptVisitor(stats));
  EXPECT_EQ(stats.getNbNots(), 2000u);
}

TEST(KuvEeNodeCycleChecker, CyclesThroughSeveralEffectivitiesAndExpressions) {
  Effs eff(3);
  // E0 -> E1 -> E0 through trees, E0 also within itself.
  eff[0].setExpr(own(And({Not(Leaf(eff[1])), Or({Leaf(eff[0]), T()})})).release());
  eff[1].setExpr(own(Or({F(), Leaf(eff[0])})).release());
  // E2 is defined by a rule whose constraint uses E2: a cycle through an
  // expression, whose trees are shown as fresh copies.
  KuvEeExpression* rule = new KuvEeInclusionRule(own(T()).release(), own(NotDom(Leaf(eff[2]))).release());
  ASSERT_EQ(S_OK, eff[2].setExpr(rule));
  for (unsigned i : {0U, 2U}) {
    Tree root = own(And({T(), Leaf(eff[i])}));
    Outcome out = check(*root);
    EXPECT_EQ(S_OK, out.rc) << i;
    EXPECT_EQ(1, out.cycle) << i;
    EXPECT_NE(std::string::npos, out.trace.find("ERROR: cycle detected on : ")) << out.trace;
    if (i == 2) {
      EXPECT_NE(std::string::npos, out.trace.find(eff[2].getGuid().toString().ConvertToChar())) << out.trace;
    }
  }
}

// Ek = Or(Ek-1, Ek-1) reaches E0 by 2^k paths: shared, not a cycle. Its
// definition is walked once by the checker, and once by the criteria-types
// visitor that follows definitions.
TEST(KuvEeNodeCycleChecker, SharedDefinitionsAreWalkedOnce) {
  constexpr unsigned kLevels = 16;
  Effs eff(kLevels + 1);
  int visits = 0;
  eff[0].setExpr(own(new CountedTrue(visits)).release());
  for (unsigned k = 1; k <= kLevels; ++k)
    eff[k].setExpr(own(Or({Leaf(eff[k - 1]), Leaf(eff[k - 1])})).release());
  Tree root = own(And({Leaf(eff[kLevels]), Leaf(eff[kLevels - 1])}));
  Outcome out = check(*root);
  EXPECT_EQ(S_OK, out.rc);
  EXPECT_EQ(0, out.cycle);
  EXPECT_EQ("", out.trace);
  EXPECT_EQ(1, visits);
  visits = 0;
  KuvEeVisitor_GetCriteriaTypes types(1, 0, 1);
  EXPECT_EQ(S_OK, root->getNode()->acceptVisitor(types));
  EXPECT_EQ(1, visits);
}

TEST(KuvEeNodeCycleChecker, VisitAfterACycleFailsUntilTheNextCheck) {
  Effs eff(1);
  eff[0].setExpr(own(And({Leaf(eff[0])})).release());
  Tree root = own(Leaf(eff[0]));
  Tree clean = own(Or({T(), F()}));
  KuvEeNodeCycleChecker checker;
  unsigned char cycle = 0;
  EXPECT_TRACES(S_OK, "ERROR: cycle detected", checker.checkCycle(*root, cycle));
  ASSERT_EQ(1, cycle);
  EXPECT_TRACES(E_FAIL, "ERROR: We should never be here when a cycle has been detected",
                clean->getNode()->acceptVisitor(checker));
  // checkCycle starts afresh.
  EXPECT_EQ(S_OK, checker.checkCycle(*clean, cycle));
  EXPECT_EQ(0, cycle);
}

TEST(KuvEeNodeCycleChecker, LongChainsOfDefinitionsDoNotExhaustTheStack) {
  // Each effectivity is defined with the next one, under a few operators.
  constexpr unsigned kLength = 5000;
  Effs eff(kLength);
  for (unsigned i = 0; i + 1 < kLength; ++i) eff[i].setExpr(own(Not(And({T(), Leaf(eff[i + 1])}))).release());
  Tree root = own(Leaf(eff[0]));
  Outcome out = check(*root);
  EXPECT_EQ(S_OK, out.rc);
  EXPECT_EQ(0, out.cycle);
  // Closing the chain makes it a cycle.
  eff[kLength - 1].setExpr(own(Leaf(eff[0])).release());
  out = check(*root);
  EXPECT_EQ(S_OK, out.rc);
  EXPECT_EQ(1, out.cycle);
}
