// Expressions generated from dictionary objects a host picked: each object's
// effectivity selects it alone, filters and effectivity expressions carry
// the criteria and unit builds, refusals are traced.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeDicoTestSupport.h"

namespace {

using kuv_test::Guid;
using kuv_test::treeIndex;
using Services = KuvExpressionGenerationServices;

// Whether eff, read on its own terms, admits object (of its variable).
bool admits(const KuvEeVarEff& eff, KuvEeDicoObject* object) {
  bool in = false;
  if (const auto* selection = KuvEeSelectionEff::cast(eff)) {
    in = selection->getValues().Find(object);
  } else if (const auto* serial = KuvEeSerialEff::cast(eff)) {
    KuvInListVal intervals(KuvInSerialInterval::sType());
    serial->getIntervals(intervals);
    const auto n = static_cast<std::int32_t>(KuvEeSerialVarValue::cast(*object)->getSeqNumber());
    for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
      const auto* r = KuvInSerialInterval::cast(*intervals.Get(i));
      in = in || ((r->getA() < n || (r->getA() == n && r->getAIncl())) &&
                  (n < r->getB() || (n == r->getB() && r->getBIncl())));
    }
  } else if (const auto* tree = KuvEeTreeSeriesEff::cast(eff)) {
    KuvInListVal selections(KuvEeTreeSeriesSelection::sType());
    tree->getSelections(selections);
    for (std::int32_t i = 0; i < selections.GetLength(); ++i)
      in = in || KuvEeTreeSelection::cast(*selections.Get(i))->selects(KuvEeTreeSeriesElement::cast(*object));
  }
  return in != eff.isNegated();
}

// Bike: a colour, unit and state revisions, a tree of states; Car: a
// colour with no GUID and no unit variable. The context owns both.
class GenerationTest : public testing::Test {
protected:
  GenerationTest() {
    bike = new KuvEeModelDico("Bike", Guid(100).guid());
    auto* colour = new KuvEeSelectionVar("Colour", Guid(101).data());
    red = colour->addValue("Red", Guid(102).data());
    blue = colour->addValue("Blue", Guid(103).data());
    bike->addConfigFeature(colour);
    bike->enableEvolutionSeries(KuvEeSerialVar::UNIT);
    bike->enableEvolutionSeries(KuvEeSerialVar::STATE);
    KuvEeSerialVar* states = bike->getSeriesVariable(KuvEeSerialVar::STATE);
    for (unsigned seq : {1u, 2u}) {
      revisions.push_back(new KuvEeSerialVarValue("S", Guid(110 + seq).data(), seq == 1 ? "A" : "B", seq, states));
      states->addRevision(revisions.back());
    }
    bike->enableEvolutionSeries(KuvEeSerialVar::TREE_STATE);
    KuvEeTreeSeriesVar* tree = bike->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
    root = new KuvEeTreeSeriesElement("Root", Guid(120).data(), "A", treeIndex("1-100"), tree, nullptr);
    tree->setRootTreeSeriesElement(root, 0);
    child = new KuvEeTreeSeriesElement("Child", Guid(121).data(), "A", treeIndex("1-50"), tree, root);
    root->addChild(child, 1);
    EXPECT_EQ(S_OK, context.AddModelDico(bike, true));

    car = new KuvEeModelDico("Car", Guid(200).guid());
    auto* carColour = new KuvEeSelectionVar("Paint", Guid(0).data());
    carRed = carColour->addValue("Red", Guid(202).data());
    car->addConfigFeature(carColour);
    EXPECT_EQ(S_OK, context.AddModelDico(car, true));
  }

  KuvEeExpressionContext context;
  KuvEeModelDico* bike;
  KuvEeModelDico* car;
  KuvEeSelectionValue* red;
  KuvEeSelectionValue* blue;
  KuvEeSelectionValue* carRed;
  std::vector<KuvEeSerialVarValue*> revisions;
  KuvEeTreeSeriesElement* root;
  KuvEeTreeSeriesElement* child;
};

// A set of unit sequence numbers, as hosts give builds.
std::unique_ptr<KuvInSetVal> units(std::initializer_list<unsigned> numbers) {
  auto set = std::make_unique<KuvInSetVal>(KuvInIntHolder::sType());
  for (unsigned n : numbers) set->Put(KuvInIntHolder(n));
  return set;
}

// The texts of the effectivities under a model's And, sorted.
std::vector<std::string> leafTexts(const KuvEeMultiModelExpression::ModelCriteria& record) {
  std::vector<std::string> texts;
  for (KuvEeNode* leaf : kuv_test::children(*KuvEeOp::cast(*record.getCriteria()->getNode())))
    texts.push_back(kuv_test::text(*KuvEeVarEffLeaf::cast(*leaf)->getVarEff()));
  std::sort(texts.begin(), texts.end());
  return texts;
}

std::string literal(const KuvQmSpecList& list) {
  KuvLiteralSyntax syntax;
  syntax.setDefaultSyntax();
  syntax.init();
  KuvInString text;
  EXPECT_EQ(S_OK, KuvNpListWriter(syntax).write(list, text));
  return text.ConvertToChar();
}

}  // namespace

// Every object's effectivity admits it and no other object of its variable,
// nor the no-value element.
TEST_F(GenerationTest, EachObjectsEffectivitySelectsItAlone) {
  const std::vector<std::vector<KuvEeDicoObject*>> variables = {
      {red, blue}, {revisions[0], revisions[1]}, {root, child}};
  for (const auto& objects : variables)
    for (KuvEeDicoObject* object : objects) {
      KuvEeVarEff* eff = nullptr;
      ASSERT_EQ(S_OK, Services::GenerateVarEffWithDicoObject(object, bike, eff)) << kuv_test::text(*object);
      std::unique_ptr<KuvEeVarEff> owned(eff);
      EXPECT_FALSE(eff->isNoVarIncluded());
      for (KuvEeDicoObject* other : objects)
        EXPECT_EQ(other == object, admits(*eff, other)) << kuv_test::text(*eff) << " / " << kuv_test::text(*other);
    }
}

TEST_F(GenerationTest, RefusalsAreTracedAndLeaveNoResult) {
  KuvEeVarEff* eff = nullptr;
  for (KuvEeDicoObject* foreign : std::initializer_list<KuvEeDicoObject*>{carRed, bike})
    EXPECT_TRACES(E_INVALIDARG, "ERROR: Input evolution criterias haven't the same dictionary as input one",
                  Services::GenerateVarEffWithDicoObject(foreign, bike, eff));
  EXPECT_EQ(nullptr, eff);

  KuvInSet criteria(KuvEeDicoObject::sType());
  criteria.Put(red);
  KuvInSet none(KuvEeDicoObject::sType());
  KuvInListVal notASet(KuvInIntHolder::sType());
  KuvInSetVal texts(KuvInStringChar::sType());
  texts.Put(KuvInStringChar("7"));
  const auto numbers = units({3});
  const struct {
    const KuvInSet& criteria;
    KuvEeModelDico* buildsModel;
    KuvInObject* builds;
    HRESULT code;
    const char* message;
  } cases[] = {
      {none, nullptr, nullptr, E_INVALIDARG, "ERROR: Input evolution criteria set and builds map are empty"},
      {criteria, bike, &notASet, E_INVALIDARG, "ERROR: Values for input map model to builds should be a KuvInSetVal"},
      {criteria, bike, &texts, E_INVALIDARG,
       "ERROR: Values for the set into the input map model to builds should be a KuvInIntHolder"},
      {criteria, car, numbers.get(), E_FAIL, "ERROR: Unexpected to no have serial var for unit"},
  };
  for (const auto& c : cases) {
    KuvInMap builds(KuvInObjectPtr::sType(), KuvInObject::sType());
    if (c.builds != nullptr) builds.Put(KuvInObjectPtr(c.buildsModel), c.builds);
    KuvEeFilterExpression* filter = nullptr;
    EXPECT_TRACES(c.code, c.message,
                  Services::GenerateFilterExpression(bike, c.criteria, builds,
                                                     KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT, filter));
    EXPECT_EQ(nullptr, filter);
    KuvEeEffectivityExpression* expression = nullptr;
    EXPECT_TRACES(c.code, c.message, Services::GenerateEffectivityExpression(context, c.criteria, builds, expression));
    EXPECT_EQ(nullptr, expression);
  }
}

// Builds are unit numbers of the key's model (ranges merged). The listed
// values of a selection follow addresses, so one value stands for all.
TEST_F(GenerationTest, FilterListsCriteriaAndBuildsInTheLiteralSyntax) {
  KuvInSet colours(KuvEeDicoObject::sType());
  colours.Put(red);
  KuvInSet none(KuvEeDicoObject::sType());
  const auto numbers = units({5, 1, 2, 3});
  KuvInMap noBuilds(KuvInObjectPtr::sType(), KuvInSetVal::sType());
  KuvInMap builds(KuvInObjectPtr::sType(), KuvInSetVal::sType());
  builds.Put(KuvInObjectPtr(bike), numbers.get());
  const struct {
    const KuvInSet& criteria;
    const KuvInMap& builds;
    const char* text;
  } cases[] = {{colours, noBuilds, "Colour{Red}"}, {none, builds, "Bike[1,3][5]"}};
  for (const auto& c : cases) {
    KuvEeFilterExpression* filter = nullptr;
    ASSERT_EQ(S_OK, Services::GenerateFilterExpression(bike, c.criteria, c.builds,
                                                       KuvEeFilterExpression::CFG_SELECTIONMODE_150, filter));
    std::unique_ptr<KuvEeFilterExpression> owned(filter);
    EXPECT_EQ(bike, filter->getModelDico());
    EXPECT_EQ(KuvEeFilterExpression::CFG_SELECTIONMODE_150, filter->getSelectionMode());
    EXPECT_EQ(c.text, literal(*filter->getSpecList()));
  }
}

// One And per model, one leaf per variable: criteria on one variable are
// alternatives.
TEST_F(GenerationTest, EffectivityExpressionAndsEachModelsCriteria) {
  KuvInSet criteria(KuvEeDicoObject::sType());
  for (KuvEeDicoObject* object : std::initializer_list<KuvEeDicoObject*>{red, blue, revisions[1], child, carRed})
    criteria.Put(object);
  const auto numbers = units({4});
  KuvInMap builds(KuvInObjectPtr::sType(), KuvInSetVal::sType());
  builds.Put(KuvInObjectPtr(bike), numbers.get());
  KuvEeEffectivityExpression* expression = nullptr;
  ASSERT_EQ(S_OK, Services::GenerateEffectivityExpression(context, criteria, builds, expression));
  std::unique_ptr<KuvEeEffectivityExpression> owned(expression);
  EXPECT_FALSE(expression->hasGlobalCriteria());
  EXPECT_EQ(2, expression->getAllModelCriteria().GetLength());
  const std::pair<KuvEeModelDico*, std::vector<std::string>> expected[] = {
      {bike,
       {"SelectionEff( Colour/650000000000000000000000000000A5[Blue][Red] )",
        "SerialEff( Bike/640000000000000000000000000000A5[2,2] )",
        "SerialEff( Bike/640000000000000000000000000000A5[4,4] )",
        "TreeSeriesEff( Bike/640000000000000000000000000000A5{[DicoObject (Child)/Included] -> "
        "[DicoObject (Child)/Included]} )"}},
      {car, {"SelectionEff( Paint/00000000000000000000000000000000[Red] )"}},
  };
  for (const auto& [model, leaves] : expected) {
    const KuvEeMultiModelExpression::ModelCriteria* record = expression->getModelCriteria(model);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(nullptr, record->getInheritedEffCriteria());
    EXPECT_EQ(leaves, leafTexts(*record)) << kuv_test::text(*model);
  }
}

// Revisions and tree elements of one series, whatever runs and groups they
// form, give the effectivity of uniting each one's effectivity in turn.
TEST_F(GenerationTest, CriteriaOfOneSeriesUniteAsOneByOne) {
  KuvEeSerialVar* states = bike->getSeriesVariable(KuvEeSerialVar::STATE);
  std::vector<KuvEeDicoObject*> pool(revisions.begin(), revisions.end());
  for (unsigned seq = 3; seq <= 30; ++seq) {
    auto* revision = new KuvEeSerialVarValue("S", Guid(300 + seq).data(), "R", seq, states);
    states->addRevision(revision);
    pool.push_back(revision);
  }
  // Below root (1-100): child (1-50) holding 2-10 (holding 3-5) and 11-20,
  // and 51-90 holding 52-60 and 61-70.
  KuvEeTreeSeriesVar* tree = bike->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
  pool.push_back(root);
  pool.push_back(child);
  const struct {
    const char* index;
    int parent;  // position in pool
  } elements[] = {{"2-10", 31}, {"11-20", 31}, {"3-5", 32}, {"51-90", 30}, {"52-60", 35}, {"61-70", 35}};
  for (const auto& e : elements) {
    auto* parent = static_cast<KuvEeTreeSeriesElement*>(pool[e.parent]);
    auto* element = new KuvEeTreeSeriesElement("E", Guid(400 + static_cast<int>(pool.size())).data(), "A",
                                               treeIndex(e.index), tree, parent);
    ASSERT_EQ(S_OK, parent->addChild(element));
    pool.push_back(element);
  }
  std::mt19937 random(77);
  for (int round = 0; round < 60; ++round) {
    KuvInSet criteria(KuvEeDicoObject::sType());
    std::map<const KuvEeVariable*, std::unique_ptr<KuvEeVarEff>> expected;
    for (KuvEeDicoObject* object : pool) {
      if (random() % 3 != 0) continue;
      criteria.Put(object);
      KuvEeVarEff* eff = nullptr;
      ASSERT_EQ(S_OK, Services::GenerateVarEffWithDicoObject(object, bike, eff));
      std::unique_ptr<KuvEeVarEff> one(eff);
      std::unique_ptr<KuvEeVarEff>& united = expected[eff->getVar()];
      bool merged = false;
      if (united == nullptr)
        united = std::move(one);
      else
        ASSERT_EQ(S_OK, united->opOr(one.get(), merged));
    }
    if (expected.empty()) continue;
    const KuvInMap noBuilds(KuvInObjectPtr::sType(), KuvInSetVal::sType());
    KuvEeFilterExpression* filter = nullptr;
    ASSERT_EQ(S_OK, Services::GenerateFilterExpression(
                        bike, criteria, noBuilds, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT, filter));
    std::unique_ptr<KuvEeFilterExpression> ownedFilter(filter);
    std::vector<std::string> texts;
    for (const auto& [var, eff] : expected) {
      texts.push_back(kuv_test::text(*eff));
      EXPECT_EQ(texts.back(), kuv_test::text(*filter->getSpecList()->GetVarEff(var)));
    }
    std::sort(texts.begin(), texts.end());
    KuvEeEffectivityExpression* expression = nullptr;
    ASSERT_EQ(S_OK, Services::GenerateEffectivityExpression(context, criteria, noBuilds, expression));
    std::unique_ptr<KuvEeEffectivityExpression> owned(expression);
    EXPECT_EQ(texts, leafTexts(*expression->getModelCriteria(bike)));
  }
}
