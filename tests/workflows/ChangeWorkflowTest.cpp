// A change action reaches an item: the change's applicability is written in
// the literal syntax, the change is added to (or cut from) the item's
// effectivity and integrated, the effectivity is brought to each view
// (ComputeEffectivityViews), and its evaluation data is stored in the three
// views and read back with the FLT reader. Each view means what the expansion rule says: the source view
// keeps the change as a criterion of its own; the current view replaces an
// officialized change by its applicability, the projected view any change
// that is not rejected; both replace a rejected change by False.
#include "workflows/HostModel.h"

#include "KuvEeDnfConvertor/DnfTruth.h"

using kuv_test::TruthModel;
using kuv_test::TruthTable;
using kuv_workflow::HostModel;
using kuv_workflow::TextGenerator;

namespace {

constexpr int kChange = TruthModel::kEffs;  // the change's axis for substitute

KuvInSetVal allViews() {
  KuvInSetVal views;
  for (const KuvExpressionView view : {CFG_EXPRVIEW_SOURCE, CFG_EXPRVIEW_CURRENT, CFG_EXPRVIEW_PROJECTED})
    views.Put(KuvInIntHolder(view));
  return views;
}

// The evaluation data of stored in the three views; null when refused.
std::unique_ptr<KuvBioBuffer> evaluationData(const KuvEeGenericExpression& stored) {
  KuvBioBuffer* binary = nullptr;
  // Set for a query only.
  KuvExpressionView applying = CFG_EXPRVIEW_NONE;
  EXPECT_EQ(S_OK, KuvCoreDependencyMngtServices::CreateEvaluationDBData(stored, binary, allViews(), applying));
  return std::unique_ptr<KuvBioBuffer>(binary);
}

// The change ECO of the model, applicable where applicability holds.
void defineChange(HostModel& host, const std::string& applicability,
                  KuvEePredefEff::PublicationStatus status) {
  auto* change = new KuvEeChangeExpression;
  EXPECT_EQ(S_OK, change->setGlobalCriteria(host.read(applicability).release()));
  KuvEeExpression* expression = change;
  EXPECT_EQ(S_OK, host.truth.change->setExpr(expression));
  host.truth.change->setPublicationStatus(status);
}

// The item's effectivity, with the change operated on it and integrated.
std::unique_ptr<KuvEeEffectivityExpression> operated(HostModel& host, const std::string& item,
                                                     KuvEeExpressionOperation::OperationKind kind) {
  auto effectivity = std::make_unique<KuvEeEffectivityExpression>();
  EXPECT_EQ(S_OK, effectivity->setGlobalCriteria(host.read(item).release()));
  KuvInObject* change = host.truth.change.get();
  EXPECT_EQ(S_OK, effectivity->addOperation(kind, change));
  EXPECT_EQ(S_OK, effectivity->integrateOperations(KuvInSet()));
  EXPECT_FALSE(effectivity->hasOperations());
  return effectivity;
}

}  // namespace

TEST(ChangeWorkflow, StoredViewsMeanWhatTheExpansionRuleSays) {
  HostModel host;
  TextGenerator generator(20261208, {});
  const TruthTable changeHolds = host.table("$ECO");
  const TruthTable never;
  int changed = 0;
  for (int i = 0; i < 90; ++i) {
    const auto status = static_cast<KuvEePredefEff::PublicationStatus>(i % 3);
    const auto kind = i % 6 < 3 ? KuvEeExpressionOperation::ADD : KuvEeExpressionOperation::CUT;
    const std::string item = generator.expression(), applicability = generator.expression(1);
    defineChange(host, applicability, status);
    const std::unique_ptr<KuvEeEffectivityExpression> effectivity = operated(host, item, kind);
    // Integrated: the item's criteria And the change, or And not the change.
    const TruthTable integrated =
        host.table(item) & (kind == KuvEeExpressionOperation::ADD ? changeHolds : ~changeHolds);
    ASSERT_TRUE(integrated == kuv_test::truthTable(host.truth, *effectivity->getGlobalCriteria())) << item;

    const TruthTable applied = kuv_test::substitute(integrated, kChange, host.table(applicability));
    const TruthTable rejected = kuv_test::substitute(integrated, kChange, never);
    const bool isRejected = status == KuvEePredefEff::Rejected;
    const bool isOfficial = status == KuvEePredefEff::Officialized;
    const TruthTable expected[3] = {integrated,
                                    isRejected   ? rejected
                                    : isOfficial ? applied
                                                 : integrated,
                                    isRejected ? rejected : applied};
    changed += expected[0] != expected[2];
    KuvInListVal views(KuvInIntHolder::sType());
    for (std::uint32_t view = 0; view < 3; ++view) views.PutBack(KuvInIntHolder(view));
    KuvInList viewed(KuvEeEffectivityExpression::sType());
    KuvInSet garbage(KuvInObject::sType());
    ASSERT_EQ(S_OK, KuvExpressionDBDataServices::ComputeEffectivityViews(*effectivity, views, viewed, garbage));
    for (std::int32_t view = 0; view < 3; ++view) {
      const auto* inView = KuvEeEffectivityExpression::cast(*viewed.Get(view));
      EXPECT_TRUE(expected[view] == kuv_test::truthTable(host.truth, *inView->getGlobalCriteria())) << view;
    }
    for (auto it = garbage.cBegin(); it.IsValid();) delete it.GetGoToNext();

    const KuvEeGenericExpression stored(effectivity->removeGlobalCriteria());
    const std::unique_ptr<KuvBioBuffer> binary = evaluationData(stored);
    ASSERT_NE(nullptr, binary);
    KuvFilterable* read = nullptr;
    ASSERT_EQ(S_OK, KuvBioFilterable::read(*binary, read));
    const std::unique_ptr<KuvFilterable> filterable(read);
    EXPECT_EQ(0u, binary->getRemaining());
    ASSERT_EQ(3, filterable->getNbViews());
    for (std::int32_t view = 0; view < 3; ++view) {
      ASSERT_EQ(static_cast<KuvExpressionView>(view), filterable->getView(view)->getView());
      ASSERT_TRUE(expected[view] == kuv_test::dnfTable(host.truth, *filterable->getView(view)->getDnf()))
          << "view " << view << " of " << item << " with " << applicability << ", status " << status;
    }
  }
  // Views that the change really changes.
  EXPECT_GT(changed, 60);
}

// An officialized change stays on the stack; a leftover out pointer and a
// damaged evaluation binary are refused, and nothing is handed out.
TEST(ChangeWorkflow, RefusalsAlongTheWay) {
  HostModel host;
  defineChange(host, "Engine.Petrol", KuvEePredefEff::Officialized);
  KuvEeEffectivityExpression effectivity;
  ASSERT_EQ(S_OK, effectivity.setGlobalCriteria(host.read("Colour{Red}").release()));
  KuvInObject* change = host.truth.change.get();
  ASSERT_EQ(S_OK, effectivity.addOperation(KuvEeExpressionOperation::ADD, change));
  // A negative answer, not an error: nothing is traced.
  HRESULT popped = S_OK;
  EXPECT_EQ("", kuv_test::captured([&] { popped = effectivity.popOperation(host.truth.change.get()); }));
  EXPECT_EQ(KuvEeEffectivityExpression::E_CHANGE_PUBLISHED, popped);
  EXPECT_TRUE(effectivity.hasOperations());
  ASSERT_EQ(S_OK, effectivity.integrateOperations(KuvInSet()));

  const KuvEeGenericExpression stored(effectivity.removeGlobalCriteria());
  const std::unique_ptr<KuvBioBuffer> binary = evaluationData(stored);
  ASSERT_NE(nullptr, binary);
  KuvBioBuffer* leftover = binary.get();
  KuvExpressionView applying = CFG_EXPRVIEW_NONE;
  EXPECT_TRACES(
      E_INVALIDARG, "ERROR: Output KuvBioBuffer pointer is not null.",
      KuvCoreDependencyMngtServices::CreateEvaluationDBData(stored, leftover, allViews(), applying));
  EXPECT_EQ(binary.get(), leftover);

  std::vector<std::uint8_t> bytes(binary->getBytes(), binary->getBytes() + binary->getSize());
  bytes.pop_back();
  KuvBioBuffer damaged(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  KuvFilterable* read = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: out of bound", KuvBioFilterable::read(damaged, read));
  EXPECT_EQ(nullptr, read);
  EXPECT_EQ(0u, damaged.getPosition());
}
