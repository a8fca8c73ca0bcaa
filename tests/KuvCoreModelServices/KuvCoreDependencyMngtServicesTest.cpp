// A definition stored as its two dependency lists and binary reads back as
// the expression it was made from; refusals, and who owns what is made.
#include "KuvEffEngine/TruthTable.h"
#include "support/KuvTestSupport.h"

namespace {

using Services = KuvCoreDependencyMngtServices;
using Objects = std::set<const KuvInObject*>;

Objects contents(const KuvInSet& set) {
  Objects objects;
  for (KuvInSet::const_iterator it = set.cBegin(); it.IsValid();) objects.insert(it.GetGoToNext());
  return objects;
}

struct Definition {
  KuvInList first;
  KuvInList second;
  std::unique_ptr<KuvBioBuffer> binary;
};

Definition define(const KuvEeGenericExpression& expression) {
  Definition made;
  KuvBioBuffer* binary = nullptr;
  EXPECT_EQ(S_OK, Services::CreateDefinitionDBData(expression, nullptr, made.first, made.second, binary));
  made.binary.reset(binary);
  return made;
}

// The text of what expression reads back as after being written against
// dependencies; empty when the binary format does not hold it (it refuses
// constant leaves and some negations).
std::string readBack(const KuvEeGenericExpression& expression, const KuvInList& dependencies) {
  std::string text;
  // The refusals are expected: their traces go.
  kuv_test::captured([&] {
    KuvBioBufferOut out;
    if (FAILED(KuvBinaryExprWriter::Write(expression, dependencies, out))) return;
    KuvEeGenericExpression* back = nullptr;
    const HRESULT hr = KuvBinaryExprReader::Read(out.GetAsPtr(0), out.GetLength(), dependencies, back);
    std::unique_ptr<KuvEeGenericExpression> owned(back);
    if (SUCCEEDED(hr) && back != nullptr) text = kuv_test::text(*back);
  });
  return text;
}

KuvInSetVal viewSet(std::initializer_list<std::int32_t> views) {
  KuvInSetVal set;
  for (const std::int32_t view : views) set.Put(KuvInIntHolder(view));
  return set;
}

std::string dnfText(const KuvEeGenericExpression& expression) {
  KuvDnf* dnf = nullptr;
  EXPECT_EQ(S_OK, expression.GetDNF(dnf));
  std::unique_ptr<KuvDnf> owned(dnf);
  return kuv_test::text(*owned);
}

}  // namespace

// Random trees over every kind of criterion: whatever the format holds
// against a list of the whole model reads back the same from the lists of
// the definition alone.
TEST(KuvCoreDependencyMngtServices, DefinitionRoundTrip) {
  // Binaries find a serial variable through its dictionary.
  KuvEeModelDico car("Car", KuvInGuid(kuv_test::Guid(0x7A0).data()));
  kuv_test::TruthModel model;
  model.serial =
      std::make_unique<KuvEeSerialVar>("Units", kuv_test::Guid(0x7A1).data(), KuvEeSerialVar::UNIT, &car);
  KuvInList everything;
  for (KuvInObject* obj : std::initializer_list<KuvInObject*>{
           model.category.get(), model.options[0].get(), model.options[1].get(), model.options[2].get(),
           model.selection.get(), model.values[0], model.values[1], model.values[2], model.serial.get(), &car,
           model.date.get(), model.effs[0].get(), model.effs[1].get(), model.change.get()})
    everything.PutBack(obj);
  int held = 0;
  for (std::uint32_t seed = 0; seed < 300; ++seed) {
    kuv_test::TreeGenerator generator(model, seed, {.changes = seed % 2 == 0});
    const KuvEeGenericExpression expression(generator.next().release());
    const std::string expected = readBack(expression, everything);
    if (expected.empty()) continue;
    ++held;
    const Definition stored = define(expression);
    ASSERT_NE(nullptr, stored.binary) << seed;
    // Each object stored once.
    std::set<const KuvInObject*> once;
    for (const KuvInList* list : {&stored.first, &stored.second})
      for (std::int32_t i = 0; i < list->GetLength(); ++i) EXPECT_TRUE(once.insert(list->Get(i)).second);
    KuvEeGenericExpression* back = nullptr;
    ASSERT_EQ(S_OK, Services::UnserializeExpressionFromBinaryExpr(*stored.binary, stored.first, stored.second,
                                                                  back));
    std::unique_ptr<KuvEeGenericExpression> owned(back);
    EXPECT_EQ(expected, kuv_test::text(*back)) << seed;
  }
  EXPECT_GT(held, 50);
}

// The final dependencies see through a defined effectivity (a cycle ends);
// the plain ones keep it.
TEST(KuvCoreDependencyMngtServices, FinalDependenciesFollowDefinitions) {
  kuv_test::TruthModel model;
  model.effs[0]->setExpr(kuv_test::optionLeaf(model, 1)->getNodeRef());
  model.effs[1]->setExpr((new KuvEeEffLeaf(model.effs[1].get()))->getNodeRef());
  auto* root = new KuvEeAndOp;
  root->addChild(new KuvEeEffLeaf(model.effs[0].get()));
  root->addChild(new KuvEeEffLeaf(model.effs[1].get()));
  const KuvEeGenericExpression expression(root->getNodeRef());
  KuvInSet finals, plain;
  ASSERT_EQ(S_OK, Services::GetDefinitionSRDependencies(expression, nullptr, finals, plain));
  EXPECT_EQ((Objects{model.options[1].get(), model.category.get(), model.effs[1].get()}), contents(finals));
  EXPECT_EQ((Objects{model.effs[0].get(), model.effs[1].get()}), contents(plain));
}

TEST(KuvCoreDependencyMngtServices, Refusals) {
  kuv_test::TruthModel model;
  const KuvEeGenericExpression option(kuv_test::optionLeaf(model, 0)->getNodeRef());
  const KuvEeGenericExpression broken(
      (new KuvEeVarEffLeaf(new KuvEeOptionEff(nullptr, KuvEeOptionEff::T)))->getNodeRef());
  const KuvInList none;
  KuvInList first, second;
  KuvInSet finals, plain;
  KuvBioBuffer held;
  KuvBioBuffer* binary = &held;
  KuvEeGenericExpression kept;
  KuvEeGenericExpression* expression = &kept;
  const char* const notNull = "ERROR: Output KuvBioBuffer pointer is not null. Pointed object may be lost.";
  EXPECT_TRACES(E_INVALIDARG, notNull, Services::SerializeExpressionToBinaryExpr(option, none, none, binary));
  EXPECT_TRACES(E_INVALIDARG, notNull,
                Services::CreateDefinitionDBData(option, nullptr, first, second, binary));
  EXPECT_EQ(&held, binary);
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Output KuvEeGenericExpression pointer is not null.",
                Services::UnserializeExpressionFromBinaryExpr(held, none, none, expression));
  EXPECT_EQ(&kept, expression);
  binary = nullptr;
  expression = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: KuvEeGenericExpression::GetFinalDependencies FAILED.",
                Services::GetDefinitionSRDependencies(broken, nullptr, finals, plain));
  EXPECT_TRACES(E_FAIL, "ERROR: KuvCoreDependencyMngtServices::GetDefinitionSRDependencies() FAILED.",
                Services::CreateDefinitionDBData(broken, nullptr, first, second, binary));
  EXPECT_TRACES(E_FAIL, "ERROR: KuvBinaryExprWriter::Write() FAILED.",
                Services::SerializeExpressionToBinaryExpr(option, none, none, binary));
  EXPECT_EQ(nullptr, binary);
  // A stored definition read against lists that lost an object.
  const Definition stored = define(option);
  EXPECT_TRACES(E_FAIL, "ERROR: KuvBinaryExprReader::Read returned NULL pointer.",
                Services::UnserializeExpressionFromBinaryExpr(*stored.binary, none, none, expression));
  EXPECT_EQ(nullptr, expression);
}

// The space is made once; the date's GUID is the universal one, and a second
// date with that GUID is refused, nothing handed out.
TEST(KuvCoreDependencyMngtServices, VolatileUniversalDate) {
  KuvInSet garbage;
  KuvEeVarSpace* space = nullptr;
  ASSERT_EQ(S_OK, Services::GenerateVarSpaceWithVolatileUniversalDate(space, garbage));
  ASSERT_NE(nullptr, space);
  EXPECT_EQ("GLOBAL_VOLATILE_VS", std::string(space->getName().ConvertToChar()));
  EXPECT_EQ(KuvInGuid(kuv_test::Guid(0).data()), space->getGuid());
  const unsigned char universal[KuvInGuid::sc_size] = {1};
  KuvEeDateVar* date = space->getDateVar(KuvInGuid(universal));
  ASSERT_NE(nullptr, date);
  EXPECT_EQ("", std::string(date->getName().ConvertToChar()));
  EXPECT_EQ((Objects{space, date}), contents(garbage));
  KuvEeVarSpace* same = space;
  EXPECT_TRACES(E_FAIL, "ERROR: addDateVar FAILED.",
                Services::GenerateVarSpaceWithVolatileUniversalDate(same, garbage));
  EXPECT_EQ(space, same);
  EXPECT_EQ((Objects{space, date}), contents(garbage));
  // A garbage refusing either leaves nothing made and the given space as it was.
  KuvEeVarSpace given("Given", nullptr);
  const struct {
    KuvInObjectTypeClass* type;
    KuvEeVarSpace* space;
    const char* message;
  } refusals[] = {{KuvEeVarSpace::sType(), nullptr, "ERROR: the garbage set refuses the date variable."},
                  {KuvEeDateVar::sType(), nullptr, "ERROR: the garbage set refuses the variable space."},
                  {KuvEeVarSpace::sType(), &given, "ERROR: the garbage set refuses the date variable."}};
  for (const auto& r : refusals) {
    KuvInSet typed(r.type);
    KuvEeVarSpace* out = r.space;
    EXPECT_TRACES(E_INVALIDARG, r.message, Services::GenerateVarSpaceWithVolatileUniversalDate(out, typed));
    EXPECT_EQ(r.space, out);
    EXPECT_TRUE(typed.IsEmpty());
  }
  EXPECT_TRUE(given.getDateVars().IsEmpty());
  for (KuvInSet::const_iterator it = garbage.cBegin(); it.IsValid();) delete it.GetGoToNext();
}

// A tree stores a normal form per view, in view order, with the space's GUID
// when there is one; a query stores a filter in its one view.
TEST(KuvCoreDependencyMngtServices, EvaluationData) {
  kuv_test::TruthModel model;
  KuvEeVarSpace space("Space", kuv_test::Guid(0x7B0).data());
  const KuvEeGenericExpression tree(kuv_test::optionLeaf(model, 2)->getNodeRef());
  KuvExpressionView applying = CFG_EXPRVIEW_NONE;
  for (const KuvEeVarSpace* with : std::initializer_list<const KuvEeVarSpace*>{nullptr, &space}) {
    KuvBioBuffer* binary = nullptr;
    ASSERT_EQ(S_OK, with != nullptr
                        ? Services::CreateEvaluationDBData(tree, *with, binary, viewSet({2, 0, 1}), applying)
                        : Services::CreateEvaluationDBData(tree, binary, viewSet({2, 0, 1}), applying));
    std::unique_ptr<KuvBioBuffer> owned(binary);
    KuvFilterable* read = nullptr;
    ASSERT_EQ(S_OK, KuvBioFilterable::read(*binary, read));
    std::unique_ptr<KuvFilterable> filterable(read);
    EXPECT_EQ(with != nullptr ? space.getGuid() : KuvInGuid(), filterable->getVarSpace());
    ASSERT_EQ(3, filterable->getNbViews());
    for (std::int32_t i = 0; i < 3; ++i) {
      EXPECT_EQ(static_cast<KuvExpressionView>(i), filterable->getView(i)->getView());
      EXPECT_EQ(dnfText(tree), kuv_test::text(*filterable->getView(i)->getDnf()));
    }
  }
  EXPECT_EQ(CFG_EXPRVIEW_NONE, applying);
  auto* items = new KuvQmSpecList;
  KuvEeVarEff* option = new KuvEeOptionEff(model.options[0].get(), KuvEeOptionEff::T);
  items->AddVarEff(option);
  KuvEeGenericExpression query;
  query.SetExpression(items, KuvEeGenericExpression::CFG_LISTMODE_150);
  KuvBioBuffer* binary = nullptr;
  ASSERT_EQ(S_OK, Services::CreateEvaluationDBData(query, space, binary, viewSet({2}), applying));
  std::unique_ptr<KuvBioBuffer> owned(binary);
  EXPECT_EQ(CFG_EXPRVIEW_PROJECTED, applying);
  KuvFilter* read = nullptr;
  ASSERT_EQ(S_OK, KuvBioFilter::read(*binary, read));
  std::unique_ptr<KuvFilter> filter(read);
  EXPECT_EQ(CFG_EXPRVIEW_PROJECTED, filter->getApplyingView());
  EXPECT_EQ(KuvEeGenericExpression::CFG_LISTMODE_150, filter->getQueryMode());
  EXPECT_EQ(space.getGuid(), filter->getVarSpace());
  EXPECT_EQ(dnfText(query), kuv_test::text(*filter->getDnf()));
  // Refusals, nothing handed out.
  binary = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: we should have one and only one filtering view for a query",
                Services::CreateEvaluationDBData(query, binary, viewSet({0, 1}), applying));
  EXPECT_TRACES(E_FAIL, "ERROR: ComputeView.",
                Services::CreateEvaluationDBData(tree, binary, viewSet({7}), applying));
  EXPECT_EQ(nullptr, binary);
  binary = owned.get();
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Output KuvBioBuffer pointer is not null.",
                Services::CreateEvaluationDBData(tree, binary, viewSet({0}), applying));
}
