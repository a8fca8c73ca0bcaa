// The views of an effectivity a host asks for by themselves, handed out
// through a garbage set; what they mean is the change workflow's test.
#include "support/KuvTestSupport.h"

using namespace kuv_test;

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
