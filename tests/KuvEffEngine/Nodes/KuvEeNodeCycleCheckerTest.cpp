#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeExpression.h"
#include "KuvEeNodeCycleChecker.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvEeRule.h"
#include "KuvEeTrue.h"
#include "KuvEeVisitor_GetCriteriaTypes.h"

using namespace kuv_test;

namespace {

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

struct Outcome { HRESULT rc; unsigned char cycle; std::string trace; };

Outcome check(const KuvEeNodeRef& root) {
  KuvEeNodeCycleChecker checker;
  Outcome out{E_UNEXPECTED, 7, ""};
  out.trace = captured([&] { out.rc = checker.checkCycle(root, out.cycle); });
  return out;
}

}  // namespace

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
