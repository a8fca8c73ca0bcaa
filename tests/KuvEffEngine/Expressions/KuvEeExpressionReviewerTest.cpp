// The reviewers: what each refuses, with its code and message, what it
// accepts, and the Not reviewer leaving non-filter expressions alone.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"

using namespace kuv_test;

namespace {

const char* const kNothing = "WARNING : nothing is invalidated!";
const char* const kNoEvolution =
    "ERROR : evolution criterias can not be accepted in a variant expression. Please remove evolution from "
    "your expression.";
const char* const kNoVariant =
    "ERROR : variant criterias can not be accepted in an evolution expression. Please remove features from "
    "your expression.";
const char* const kNoNot = "ERROR : we do not want any negated node. Please remove NOTs of your expression.";

std::unique_ptr<KuvEeEffectivityExpression> effectivityOf(KuvEeNode* tree) {
  auto expression = std::make_unique<KuvEeEffectivityExpression>();
  EXPECT_EQ(S_OK, expression->setGlobalCriteria(tree->getNodeRef()));
  return expression;
}

std::unique_ptr<KuvEeFilterExpression> filterOf(std::initializer_list<KuvEeVarEff*> effs) {
  auto* list = new KuvQmSpecList;
  for (KuvEeVarEff* eff : effs) EXPECT_EQ(S_OK, list->AddVarEff(eff));
  return std::make_unique<KuvEeFilterExpression>(nullptr, list);
}

}  // namespace

TEST(KuvEeExpressionReviewerTest, EvolutionAndVariantReviewersRefuseTheirCriteria) {
  Criteria c;
  struct Case { const char* name; KuvEeNode* tree; bool evolution; bool variant; };
  const Case cases[] = {
      {"features only", And({c.option(), c.selection()}), false, true},
      {"units only", Or({c.units(), Not(c.milestone())}), true, false},
      {"dates are evolution", c.date(), true, false},
      {"both", And({c.option(), c.plan()}), true, true},
      {"neither", Or({c.changeLeaf(), T()}), false, false},
  };
  for (const Case& k : cases) {
    auto expression = effectivityOf(k.tree);
    KuvEeRefuseEvolutionReviewer noEvolution;
    KuvInString message("before");
    EXPECT_EQ(noEvolution.checkExpression(*expression, message),
              k.evolution ? static_cast<HRESULT>(0x80090126u) : S_OK)
        << k.name;
    EXPECT_EQ(text(message), k.evolution ? kNoEvolution : kNothing) << k.name;

    KuvEeRefuseVariantReviewer noVariant;
    message = "before";
    EXPECT_EQ(noVariant.checkExpression(*expression, message),
              k.variant ? KuvEeIExpressionReviewer::sc_refused : S_OK)
        << k.name;
    EXPECT_EQ(text(message), k.variant ? kNoVariant : kNothing) << k.name;
  }
}

TEST(KuvEeExpressionReviewerTest, NotReviewerRefusesNegationsInFiltersOnly) {
  Criteria c;
  KuvEeRefuseNotReviewer reviewer;

  auto* negated = new KuvEeOptionEff(c.vars.option, KuvEeOptionEff::T);
  negated->opNot();
  auto refused = filterOf({new KuvEeSelectionEff(c.vars.selection, KuvEeSelectionEff::AllTrue), negated});
  KuvInString message("before");
  EXPECT_EQ(KuvEeIExpressionReviewer::sc_refused, reviewer.checkExpression(*refused, message));
  EXPECT_EQ(text(message), kNoNot);

  auto accepted = filterOf({new KuvEeOptionEff(c.vars.option, KuvEeOptionEff::T)});
  message = "before";
  EXPECT_EQ(S_OK, reviewer.checkExpression(*accepted, message));
  EXPECT_EQ(text(message), "before");

  // Not a filter: not even walked.
  auto effectivity = effectivityOf(Not(c.option()));
  EXPECT_EQ(S_OK, reviewer.checkExpression(*effectivity, message));
  EXPECT_EQ(text(message), "before");
}

TEST(KuvEeExpressionReviewerTest, AFailingWalkIsReportedWithItsCode) {
  Criteria c;
  auto expression = effectivityOf(And({c.option(), c.serial(&c.undefinedSeries)}));
  KuvEeRefuseVariantReviewer reviewer;
  KuvInString message("before");
  HRESULT hr = S_OK;
  const std::string out = captured([&] { hr = reviewer.checkExpression(*expression, message); });
  EXPECT_TRUE(FAILED(hr));
  EXPECT_NE(hr, KuvEeIExpressionReviewer::sc_refused);
  EXPECT_NE(out.find("ERROR : runConstVisitor FAILED"), std::string::npos) << out;
  EXPECT_EQ(text(message), "before");
}
