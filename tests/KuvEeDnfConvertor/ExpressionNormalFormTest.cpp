#include <gtest/gtest.h>

#include <memory>

#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeFilterExpression.h"
#include "KuvEeGenericExpression.h"
#include "KuvEeModelDico.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeRule.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvQmSpecList.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;

namespace {

TruthTable tableOf(const TruthModel& m, KuvDnf* dnf) {
  const std::unique_ptr<KuvDnf> owned(dnf);
  EXPECT_NE(nullptr, dnf);
  return dnf != nullptr ? *dnfTable(m, *dnf) : TruthTable();
}

}  // namespace

// The expressions reach their normal forms through the conversions, which
// register themselves when the library loads.
TEST(ExpressionNormalForms, EveryKindGivesTheNormalFormOfItsTrees) {
  TruthModel m;
  TreeGenerator generator(m, 53, {.maxNodes = 6, .notFlag = false, .domainOverLeavesOnly = true});
  for (int i = 0; i < 60; ++i) {
    Tree a = generator.next();
    Tree b = generator.next();
    const TruthTable ta = *truthTable(m, *a), tb = *truthTable(m, *b);

    KuvEeGenericExpression generic(a->getNode()->clone());
    KuvDnf* dnf = nullptr;
    ASSERT_EQ(S_OK, generic.GetDNF(dnf));
    EXPECT_EQ(ta, tableOf(m, dnf));
    ASSERT_EQ(S_OK, generic.GetNotDNF(dnf));
    EXPECT_EQ(~ta, tableOf(m, dnf));
    KuvEeGenericExpression other(b->getNode()->clone());
    bool meets = false;
    ASSERT_EQ(S_OK, generic.IsIntersect(other, meets));
    // Two negated leaves on one variable always meet: never a miss.
    EXPECT_TRUE(meets || (ta & tb).none());

    // Valid under the global criteria And the model's record.
    KuvEeEffectivityExpression effectivity;
    KuvEeModelDico model("Model", Guid(60).guid());
    effectivity.setGlobalCriteria(a->getNode()->clone());
    KuvEeNodeRef* criteria = b->getNode()->clone();
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
    ASSERT_EQ(S_OK, effectivity.setModelCriteria(&model, record));
    ASSERT_EQ(S_OK, effectivity.getDNF(&model, dnf));
    EXPECT_EQ(ta & tb, tableOf(m, dnf));
    ASSERT_EQ(S_OK, effectivity.getGlobalCriteriaDNF(dnf));
    EXPECT_EQ(ta, tableOf(m, dnf));

    // A rule holds where its context does not or its constraint does.
    KuvEeInclusionRule rule(a->getNode()->clone(), b->getNode()->clone());
    KuvEeNodeRef* invariant = nullptr;
    ASSERT_EQ(S_OK, rule.GetInvariantConstraintExpression(invariant));
    const Tree owned(invariant);
    EXPECT_EQ(~ta | tb, *truthTable(m, *owned));
    KuvDnf* context = nullptr;
    KuvDnf* constraint = nullptr;
    ASSERT_EQ(S_OK, rule.GetDNF(context, constraint));
    EXPECT_EQ(ta, tableOf(m, context));
    EXPECT_EQ(tb, tableOf(m, constraint));
  }
}

TEST(ExpressionNormalForms, InclusionEqualityAndFilters) {
  TruthModel m;
  KuvEeGenericExpression one(own(optionLeaf(m, 0)).release());
  KuvEeGenericExpression both(own(And({optionLeaf(m, 0), optionLeaf(m, 1)})).release());
  bool answer = false;
  EXPECT_EQ(S_OK, one.IsIncluding(both, answer));
  EXPECT_TRUE(answer);
  EXPECT_EQ(S_OK, both.IsIncluding(one, answer));
  EXPECT_FALSE(answer);
  EXPECT_EQ(S_OK, one.IsEqual(one, answer));
  EXPECT_TRUE(answer);
  EXPECT_EQ(S_OK, one.IsEqual(both, answer));
  EXPECT_FALSE(answer);

  // A filter shows the configurations of all its criteria together; without
  // criteria, every configuration.
  auto* list = new KuvQmSpecList;
  KuvEeVarEff* selected = new KuvEeOptionEff(m.options[0].get(), KuvEeOptionEff::T);
  ASSERT_EQ(S_OK, list->AddVarEff(selected));
  KuvEeFilterExpression filter(nullptr, list);
  KuvDnf* dnf = nullptr;
  ASSERT_EQ(S_OK, filter.getDNF(dnf));
  EXPECT_EQ(*truthTable(m, *own(optionLeaf(m, 0))), tableOf(m, dnf));
  KuvEeFilterExpression everything;
  ASSERT_EQ(S_OK, everything.getNotDNF(dnf));
  EXPECT_EQ(DNF_COND_FALSE, dnf->getSpecialCondition());
  delete dnf;
}
