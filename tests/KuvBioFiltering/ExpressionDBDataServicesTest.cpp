// The views of an effectivity a host asks for by themselves: the copies the
// compiled effectivity is made from, handed out through a garbage set.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "KuvEeEffectivityExpression.h"
#include "KuvEeModelDico.h"
#include "KuvEePredefEff.h"
#include "KuvEeTrue.h"
#include "KuvExpressionDBDataServices.h"
#include "KuvEffEngine/TruthTable.h"
#include "KuvFltEffectivity.h"
#include "KuvInIntHolder.h"
#include "KuvInList.h"
#include "KuvInListVal.h"
#include "KuvInMap.h"
#include "KuvInSet.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;

namespace {

using Record = KuvEeMultiModelExpression::ModelCriteria;

void deleteAll(KuvInSet& garbage) {
  for (auto it = garbage.cBegin(); it.IsValid();) delete it.GetGoToNext();
  garbage.Clear();
}

}  // namespace

// Over random effectivities that refer to a change, with or without a
// change stacked, each view handed out is the expression brought to that
// view over its own dictionaries, and its normal form the one the compiled
// effectivity holds for that view.
TEST(ExpressionDBDataServices, EachViewIsTheOneTheCompiledEffectivityHolds) {
  TruthModel m;
  KuvEeModelDico model("Model", Guid(60).guid());
  TreeGenerator generator(m, 83, {.maxNodes = 6, .changes = true});
  std::mt19937 random(11);
  int rewritten = 0;
  for (int i = 0; i < 12; ++i) {
    m.change->setPublish(random() % 2 == 0);
    KuvEeEffectivityExpression expression;
    expression.setGlobalCriteria(generator.next().release());
    KuvEeNodeRef* criteria = generator.next().release();
    auto* record = new Record(nullptr, &criteria);
    ASSERT_EQ(S_OK, expression.setModelCriteria(&model, record));
    if (i % 2 == 1) {
      KuvInObject* change = m.change.get();
      ASSERT_EQ(S_OK, expression.addOperation(KuvEeExpressionOperation::CUT, change));
    }
    KuvInListVal views(KuvInIntHolder::sType());
    for (int n = 0; n < 4; ++n) views.PutBack(KuvInIntHolder(static_cast<std::uint32_t>(random() % 4)));
    KuvInList viewed(KuvEeEffectivityExpression::sType());
    KuvInSet garbage(KuvInObject::sType());
    ASSERT_EQ(S_OK, KuvExpressionDBDataServices::ComputeEffectivityViews(expression, views, viewed, garbage));
    ASSERT_EQ(4, viewed.GetLength());
    EXPECT_EQ(4, garbage.GetLength());

    KuvInMap byDomain(KuvInIntHolder::sType(), KuvEeExpression::sType());
    byDomain.Put(KuvInIntHolder(KuvDiversityDomain_ConfigChange), &expression);
    const KuvInIntHolder all[] = {KuvInIntHolder(0), KuvInIntHolder(1), KuvInIntHolder(2), KuvInIntHolder(3)};
    KuvInSet asked(KuvInIntHolder::sType());
    for (const KuvInIntHolder& view : all) asked.Put(const_cast<KuvInIntHolder*>(&view));
    KuvFltEffectivity* built = nullptr;
    ASSERT_EQ(S_OK, KuvExpressionDBDataServices::BuildFltEffectivity(byDomain, asked, built));
    const std::unique_ptr<KuvFltEffectivity> compiled(built);
    for (int n = 0; n < 4; ++n) {
      const auto view = static_cast<KuvExpressionView>(KuvInIntHolder::cast(*views.Get(n))->getValue());
      SCOPED_TRACE(testing::Message() << i << " view " << view);
      const auto* got = KuvEeEffectivityExpression::cast(*viewed.Get(n));
      ASSERT_TRUE(got != nullptr && garbage.Find(viewed.Get(n)));
      EXPECT_FALSE(got->hasOperations());
      KuvEeEffectivityExpression* copy = nullptr;
      ASSERT_EQ(S_OK, KuvEeEffectivityExpression::clone(expression, copy));
      const std::unique_ptr<KuvEeEffectivityExpression> expected(copy);
      KuvInSet own(KuvEeModelDico::sType());
      ASSERT_EQ(S_OK, expected->getContextDictionaries(own));
      ASSERT_EQ(S_OK, expected->transformToView(static_cast<KuvEeExpressionToolbox::ExpressionView>(view), own));
      EXPECT_EQ(text(*expected), text(*got));
      rewritten += text(*got) != text(expression) ? 1 : 0;
      KuvDnf* dnf = nullptr;
      ASSERT_EQ(S_OK, got->getDNF(&model, dnf));
      const std::unique_ptr<KuvDnf> form(dnf);
      EXPECT_EQ(text(*compiled->getDomainEffectivity(KuvDiversityDomain_ConfigChange)->getDnf(view, model.getGuid())),
                text(*form));
    }
    EXPECT_EQ(i % 2 == 1, expression.hasOperations()) << "the source is left alone";
    deleteAll(garbage);
  }
  EXPECT_GT(rewritten, 12) << "views that leave every reference as it is prove little";
}

// Each refusal is traced and hands nothing out: what the list and the set
// held before is all they hold.
TEST(ExpressionDBDataServices, ViewsRefusedHandNothingOut) {
  KuvEeModelDico model("Model", Guid(60).guid());
  KuvEeEffectivityExpression plain;
  plain.setGlobalCriteria(own(new KuvEeTrue()).release());
  KuvEeEffectivityExpression reserved;
  KuvEePredefEff change("ECO", Guid(61).data(), false, KuvEePredefEff::GLOBAL);
  KuvInObject* operand = &change;
  ASSERT_EQ(S_OK, reserved.addOperation(KuvEeExpressionOperation::RESERVED, operand));
  const KuvInString notAView("1");
  const struct {
    const KuvEeEffectivityExpression* expression;
    std::uint32_t view;  // 9: a text in place of a view
    KuvInObjectTypeClass* listType;
    KuvInObjectTypeClass* setType;
    HRESULT rc;
    const char* message;
  } cases[] = {
      {&plain, 9, nullptr, nullptr, E_INVALIDARG, "ERROR: view identifiers should be KuvInIntHolder"},
      {&plain, 4, nullptr, nullptr, E_INVALIDARG, "ERROR: Unexpected value"},
      {&plain, 1, KuvEeModelDico::sType(), nullptr, E_INVALIDARG,
       "ERROR: output containers should accept KuvEeEffectivityExpression"},
      {&plain, 1, nullptr, KuvEeModelDico::sType(), E_INVALIDARG,
       "ERROR: output containers should accept KuvEeEffectivityExpression"},
      {&reserved, 2, nullptr, nullptr, E_FAIL, "ERROR: ComputeView."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    KuvInListVal views;
    views.PutBack(KuvInIntHolder(CFG_EXPRVIEW_NONE));
    if (c.view == 9) views.PutBack(notAView);
    else views.PutBack(KuvInIntHolder(c.view));
    KuvInList viewed(c.listType);
    KuvInSet garbage(c.setType);
    viewed.PutBack(&model);
    garbage.Put(&model);
    EXPECT_TRACES(c.rc, c.message, KuvExpressionDBDataServices::ComputeEffectivityViews(*c.expression, views,
                                                                                         viewed, garbage));
    EXPECT_EQ(1, viewed.GetLength());
    EXPECT_EQ(1, garbage.GetLength());
  }
  KuvInList viewed;
  KuvInSet garbage;
  EXPECT_EQ(S_FALSE, KuvExpressionDBDataServices::ComputeEffectivityViews(plain, KuvInListVal(), viewed, garbage));
  EXPECT_TRUE(viewed.IsEmpty());
}
