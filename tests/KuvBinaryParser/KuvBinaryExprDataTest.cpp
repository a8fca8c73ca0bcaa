#include "support/KuvTestSupport.h"

#include "KuvBinaryLeafTestSupport.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"

namespace {

using kuv_test::Guid;
using Builder = KuvEeVisitor_BinaryExprDataBuilder;
using Data = KuvBinaryExprData;
using Objects = std::vector<const KuvInObject*>;
using Add = HRESULT (Data::*)(KuvInObject&);
using GetIndex = std::int32_t (Data::*)(const KuvInObject&) const;
using GetList = const KuvInList& (Data::*)() const;

Objects elements(const KuvInList& list) {
  Objects result;
  for (std::int32_t i = 0; i < list.GetLength(); ++i) result.push_back(list.Get(i));
  return result;
}

// The five lists that share one index map.
const std::pair<Add, GetList> sc_shared[] = {
    {&Data::addExprCriteria, &Data::getListExprCriteria},
    {&Data::addExprCriteriaRule, &Data::getListExprCriteriaRule},
    {&Data::addExprCriteriaDefault, &Data::getListExprCriteriaDefault},
    {&Data::addExprCriteriaDismissed, &Data::getListExprCriteriaDismissed},
    {&Data::addExprCriteriaIncompatible, &Data::getListExprCriteriaIncompatible},
};

TEST(KuvBinaryExprData, OneIndexAcrossTheFiveSharedLists) {
  for (std::size_t first = 0; first < std::size(sc_shared); ++first) {
    for (std::size_t second = 0; second < std::size(sc_shared); ++second) {
      SCOPED_TRACE(testing::Message() << first << " then " << second);
      Data data;
      KuvInIntHolder other(1), option(2);
      EXPECT_EQ(S_OK, (data.*sc_shared[first].first)(other));
      EXPECT_EQ(S_OK, (data.*sc_shared[first].first)(option));
      EXPECT_EQ(S_FALSE, (data.*sc_shared[second].first)(option));
      EXPECT_EQ(1, data.getExprCriteriaIndex(option));
      EXPECT_EQ(2, (data.*sc_shared[first].second)().GetLength());
      EXPECT_EQ(first == second ? 2 : 0, (data.*sc_shared[second].second)().GetLength());
    }
  }
}

TEST(KuvBinaryExprData, UnknownObjectsHaveNoIndexAndInheritedEffectivitiesRepeat) {
  Data data;
  KuvInIntHolder known(1), unknown(1), other(2);
  for (GetIndex getIndex : {&Data::getExprCriteriaIndex, &Data::getExprImpactingCriteriaIndex,
                            &Data::getCriteriaEeModelIndex, &Data::getInheritedEffectivityIndex,
                            &Data::getInheritedEffectivityModelIndex, &Data::getVolatileCriteriaIndex})
    EXPECT_EQ(-1, (data.*getIndex)(unknown));
  for (KuvInObject* eff : {&known, &other, &known}) EXPECT_EQ(S_OK, data.addInheritedEffectivity(*eff));
  EXPECT_EQ((Objects{&known, &other, &known}), elements(data.getListInheritedEffectivity()));
  EXPECT_EQ(2, data.getInheritedEffectivityIndex(known));
}
TEST(KuvBinaryExprData, SetPadsWithPlaceholdersAndRefusesAnotherType) {
  Data data;
  auto* date = new KuvEeDateVar("D1", Guid(1).data());
  EXPECT_EQ(S_OK, data.setVolatileCriteria(3, *date, true));
  ASSERT_EQ(4, data.getNumberVolatileCriteria());
  for (std::int32_t i = 0; i < 3; ++i)
    EXPECT_TRUE(KuvInIntHolder::isObjectOfThisType(*data.getVolatileCriteria(i)));
  EXPECT_EQ(3, data.getVolatileCriteriaIndex(*date));
  EXPECT_TRUE(data.isInGarbage(*date));
  KuvEeDateVar second("D2", Guid(2).data());
  KuvInIntHolder number(5);
  EXPECT_EQ(S_FALSE, data.setVolatileCriteria(3, second, true));
  EXPECT_TRACES(E_FAIL, "ERROR: An object with an other type already exists in the same list and same index.",
                data.setVolatileCriteria(3, number, false));
  EXPECT_EQ(E_INVALIDARG, data.setVolatileCriteria(-1, second, false));
  EXPECT_EQ(date, data.getVolatileCriteria(3));
  EXPECT_FALSE(data.isInGarbage(second));
  // A placeholder's slot takes any object; the placeholder goes.
  EXPECT_EQ(S_OK, data.setVolatileCriteria(1, number, false));
  EXPECT_EQ(1, data.getVolatileCriteriaIndex(number));
}
TEST(KuvBinaryExprData, TextOfASmallDataObject) {
  // One object per map: a map's order follows addresses.
  Data data;
  const std::uint8_t bytes[] = {0x65, 0x62, 0x0A};
  KuvInIntHolder criterion(7);
  KuvInIntHolder model(9);
  data.addExprCriteria(criterion);
  data.addCriteriaEeModel(model);
  EXPECT_EQ(
      0u, kuv_test::text(data).find("## => content of binary expr data: \n ## \t Binary : NULL\n## \t expr"));
  data.setBinary(bytes, 3);
  EXPECT_EQ(
      "## => content of binary expr data: \n"
      " ## \t Binary : 65620A\n"
      "## \t expr criteria nb = 1\n"
      "## \t expr criteria 0 : \n7\n"
      "## \t expr criteria rule nb = 0\n"
      "## \t expr criteria default nb = 0\n"
      "## \t expr criteria indices map size = 1\n"
      "## \t indice 0: \n\t\t object=7 \n\t\t index=0\n"
      "## \t expr impacting criteria nb = 0\n"
      "## \t expr impacting criteria indices map size = 0\n"
      "## \t expr criteria dictionary nb = 1\n"
      "## \t expr criteria dictionary 0 : \n9\n"
      "## \t expr criteria dictionary indices map size = 1\n"
      "## \t indice 0: \n\t\t object=9 \n\t\t index=0\n"
      "## \t expr inherited effectivities nb = 0\n"
      "## \t expr inherited effectivities indices map size = 0\n"
      "## \t expr inherited dictionaries nb = 0\n"
      "## \t expr inherited dictionaries indices map size = 0\n"
      "## \t expr volatile criteria nb = 0\n"
      "## \t expr volatile criteria indices map size = 0\n",
      kuv_test::text(data));
}

// A bike whose context owns everything: a colour category, a wheel selection,
// state revisions 1 and 5, a change, and an effectivity inherited from a
// frame dictionary. The bike enables no date evolution of its own.
struct Bike {
  KuvEeExpressionContext context;
  KuvEeModelDico* bike = new KuvEeModelDico("Bike", Guid(1).guid());
  KuvEeCategory* color = new KuvEeCategory("Color", Guid(2).data());
  KuvEeCatOptionVar* red = new KuvEeCatOptionVar("Red", Guid(3).data(), color);
  KuvEeSelectionVar* wheels = new KuvEeSelectionVar("Wheels", Guid(4).data());
  KuvEeSelectionValue* w16 = wheels->addValue("W16", Guid(5).data());
  KuvEeSelectionValue* w18 = wheels->addValue("W18", Guid(6).data());
  KuvEeSelectionValue* w20 = wheels->addValue("W20", Guid(7).data());
  KuvEePredefEff* eco = new KuvEePredefEff("ECO", Guid(10).data(), true, KuvEePredefEff::GLOBAL);
  KuvEeBasicEff* inherited = new KuvEeBasicEff("Inherited", Guid(12).data());
  KuvEeModelDico* frame = new KuvEeModelDico("Frame", Guid(11).guid());
  KuvEeSerialVar* states = nullptr;
  KuvEeSerialVarValue* s1 = nullptr;
  KuvEeSerialVarValue* s5 = nullptr;

  Bike() {
    EXPECT_EQ(S_OK, context.ActivateDate());
    EXPECT_EQ(S_OK, bike->enableEvolutionSeries(KuvEeSerialVar::STATE));
    EXPECT_EQ(S_OK, context.AddModelDico(bike, true));
    for (KuvEeDicoObject* feature :
         {static_cast<KuvEeDicoObject*>(color), static_cast<KuvEeDicoObject*>(wheels)})
      EXPECT_EQ(S_OK, context.AddConfigFeature(feature, bike));
    EXPECT_EQ(S_OK, context.AddRevision(bike, KuvEeSerialVar::STATE, Guid(8).guid(), "S1", "A", 1));
    EXPECT_EQ(S_OK, context.AddRevision(bike, KuvEeSerialVar::STATE, Guid(9).guid(), "S5", "A", 5));
    states = bike->getSeriesVariable(KuvEeSerialVar::STATE);
    s1 = states->getRevision(1);
    s5 = states->getRevision(5);
    EXPECT_EQ(S_OK, context.AddChangeRef(eco));
    KuvInList dicos(KuvEeModelDico::sType());
    dicos.PutBack(frame);
    EXPECT_EQ(S_OK, context.AddInheritedEff(inherited, dicos));
    frame = static_cast<KuvEeModelDico*>(dicos.Get(0));
  }

  // Bike: inherited part Inherited@Frame; criteria And(Red by the user,
  // Wheels {W16, W18 by rule, W20 by default}, states [1, 5], ECO).
  std::unique_ptr<KuvEeEffectivityExpression> expression() const {
    auto* selection = new KuvEeSelectionEff(wheels, KuvEeSelectionEff::AllFalse);
    selection->add(w20, KuvCriteriaSelectedBy_DefaultValue);
    selection->add(w16);
    selection->add(w18, KuvCriteriaSelectedBy_RuleDeduced);
    auto* serial = new KuvEeSerialEff(states, KuvEeSerialEff::AllFalse);
    serial->set(1, true, 5, true);
    KuvEeNodeRef* criteriaTree =
        kuv_test::And({new KuvEeVarEffLeaf(
                           new KuvEeOptionEff(red, KuvEeOptionEff::T, KuvCriteriaSelectedBy_UserSelected)),
                       new KuvEeVarEffLeaf(selection), new KuvEeVarEffLeaf(serial), new KuvEeEffLeaf(eco)})
            ->getNodeRef();
    KuvEeNodeRef* inheritedTree = (new KuvEeEffLeaf(inherited, frame))->getNodeRef();
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(&inheritedTree, &criteriaTree);
    auto expression = std::make_unique<KuvEeEffectivityExpression>();
    EXPECT_EQ(S_OK, expression->setModelCriteria(bike, record));
    return expression;
  }
};

HRESULT compute(const KuvEeExpression& expression, const Bike& model, KuvBinaryExprData& data) {
  KuvInMap byDomain(KuvInIntHolder::sType(), nullptr);
  byDomain.Put(KuvInIntHolder(1), const_cast<KuvEeExpression*>(&expression));
  return KuvPLMModelExprDataMgr::ComputeBinaryExprData(byDomain, model.context, data, 0);
}

// The nine persisted lists and the volatile one, in list order.
std::vector<Objects> allLists(const KuvBinaryExprData& data) {
  return {elements(data.getListExprCriteria()),
          elements(data.getListExprCriteriaRule()),
          elements(data.getListExprCriteriaDefault()),
          elements(data.getListExprCriteriaDismissed()),
          elements(data.getListExprCriteriaIncompatible()),
          elements(data.getListExprImpactingCriteria()),
          elements(data.getListCriteriaEeModel()),
          elements(data.getListInheritedEffectivity()),
          elements(data.getListInheritedEffectivityModel()),
          elements(data.getListVolatileCriteria())};
}

TEST(KuvBinaryExprDataBuilder, RoutesValuesBySelectedByNegationAndFlag) {
  using B = Builder;
  // The list of each selected-by code, and where a negated criterion sends
  // it under the builder's flag.
  const struct {
    KuvCriteriaSelectedBy selectedBy;
    Builder::Dependency plain;
    Builder::Dependency negatedUnderFlag;
  } codes[] = {{KuvCriteriaSelectedBy_None, B::Criteria, B::Dismissed},
               {KuvCriteriaSelectedBy_UserSelected, B::Criteria, B::Dismissed},
               {KuvCriteriaSelectedBy_RuleDeduced, B::Rule, B::Incompatible},
               {KuvCriteriaSelectedBy_DefaultValue, B::Default, B::Default}};
  Bike model;
  for (const auto& code : codes)
    for (const bool negated : {false, true})
      for (const std::uint8_t flag : {0, 1}) {
        SCOPED_TRACE(testing::Message() << code.selectedBy << " negated " << negated << " flag " << int(flag));
        auto* selection = new KuvEeSelectionEff(model.wheels, KuvEeSelectionEff::AllFalse);
        selection->add(model.w18, code.selectedBy);
        auto* option = new KuvEeOptionEff(model.red, KuvEeOptionEff::T, code.selectedBy);
        if (negated) selection->opNot(), option->opNot();
        const kuv_test::Tree selectionLeaf = kuv_test::own(new KuvEeVarEffLeaf(selection));
        const kuv_test::Tree optionLeaf = kuv_test::own(new KuvEeVarEffLeaf(option));
        Builder builder(CFG_EXPRTYPE_FILTER, flag);
        ASSERT_EQ(S_OK, selectionLeaf->getNode()->acceptVisitor(builder));
        ASSERT_EQ(S_OK, optionLeaf->getNode()->acceptVisitor(builder));
        std::size_t total = 0;
        for (std::int32_t kind = 0; kind < Builder::NbDependencies; ++kind)
          total += builder.getDependencies(static_cast<Builder::Dependency>(kind)).size();
        EXPECT_EQ(3u, total);  // the variable, the value, the option
        EXPECT_EQ(model.wheels, builder.getDependencies(Builder::Criteria).front());
        const std::vector<KuvInObject*>& routed =
            builder.getDependencies(negated && flag ? code.negatedUnderFlag : code.plain);
        EXPECT_NE(routed.end(), std::find(routed.begin(), routed.end(), model.w18));
      }
  // An option routes by its value, the number its leaf carries.
  const std::pair<std::uint32_t, Builder::Dependency> options[] = {
      {KuvEeOptionEff::T, B::Criteria}, {KuvEeOptionEff::F, B::Rule}, {KuvEeOptionEff::T | KuvEeOptionEff::F, B::Default}};
  for (const auto& [value, expected] : options) {
    const kuv_test::Tree leaf = kuv_test::own(new KuvEeVarEffLeaf(new KuvEeOptionEff(model.red, value)));
    Builder builder(CFG_EXPRTYPE_FILTER, 0);
    ASSERT_EQ(S_OK, leaf->getNode()->acceptVisitor(builder));
    EXPECT_EQ(std::vector<KuvInObject*>{model.red}, builder.getDependencies(expected)) << value;
  }
}

// A tree series names its dictionary, a milestones effectivity its track,
// and both every element a bound names.
TEST(KuvBinaryExprDataBuilder, TreeEffectivitiesNeedTheirHolderAndEveryBoundElement) {
  Bike model;
  ASSERT_EQ(S_OK, model.context.AddRevision(model.bike, KuvEeSerialVar::TREE_STATE, nullptr, Guid(13).guid(),
                                            "P1", "A", kuv_test::treeIndex("1-9"), false));
  KuvEeTreeSeriesVar* plans = model.bike->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
  KuvEeTreeSeriesElement* p1 = plans->getRootTreeSeriesElement();
  KuvEeMilestonesVar track("Track", Guid(14).data(), "Design", model.bike);
  auto* m1 = new KuvEeMilestone("M1", Guid(15).data(), &track, kuv_test::treeIndex("1-9"), nullptr, nullptr);
  track.setRootMilestone(m1);
  auto* m2 = new KuvEeMilestone("M2", Guid(16).data(), &track, kuv_test::treeIndex("2-3"), nullptr, m1);
  m1->addChild(m2);
  const struct {
    KuvEeVarEff* eff;
    std::vector<KuvInObject*> criteria;
    std::vector<KuvInObject*> dictionaries;
  } cases[] = {{kuv_test::treeSeries(plans, {{p1, true, {}}}), {model.bike, p1}, {model.bike}},
               {kuv_test::milestones(&track, {{m1, false, {{m2, true}}}}), {&track, m1, m2}, {}}};
  for (const auto& c : cases) {
    const kuv_test::Tree leaf = kuv_test::own(new KuvEeVarEffLeaf(c.eff));
    Builder builder(CFG_EXPRTYPE_EFFECTIVITY, 0);
    ASSERT_EQ(S_OK, leaf->getNode()->acceptVisitor(builder));
    EXPECT_EQ(c.criteria, builder.getDependencies(Builder::Criteria));
    EXPECT_EQ(c.dictionaries, builder.getDependencies(Builder::Dictionaries));
  }
}

// The lists, filled in walk order, go to GUIDs and back to the same objects.
TEST(KuvPLMModelExprDataMgr, FillsEveryListInWalkOrderThatConvertsThroughGuids) {
  Bike model;
  KuvBinaryExprData data;
  ASSERT_EQ(S_OK, compute(*model.expression(), model, data));
  KuvEeDateVar* contextDate = nullptr;
  model.context.GetDate(contextDate);
  const std::vector<Objects> before = allLists(data);
  const std::vector<Objects> expected = {
      {model.red, model.wheels, model.w16, model.bike, model.s1, model.s5, model.eco},
      {model.w18},
      {model.w20},
      {},
      {},
      {model.eco},
      {model.bike},
      {model.inherited},
      {model.frame}};
  for (std::size_t list = 0; list < expected.size(); ++list) EXPECT_EQ(expected[list], before[list]) << list;
  ASSERT_EQ(2u, before[9].size());
  EXPECT_EQ(contextDate, before[9][0]);
  // The bike has no date variable: one is made after it, and owned by the data.
  const KuvEeDateVar* made = KuvEeDateVar::cast(*data.getVolatileCriteria(1));
  ASSERT_NE(nullptr, made);
  EXPECT_EQ(model.bike->getName(), made->getName());
  EXPECT_EQ(model.bike->getGuid(), made->getGuid());
  EXPECT_TRUE(data.isInGarbage(*made));
  EXPECT_EQ(0, data.getExprCriteriaIndex(*model.w20));

  ASSERT_EQ(S_OK, data.ConvertDependenciesIntoGuids());
  const std::vector<Objects> guids = allLists(data);
  for (std::size_t list = 0; list < 9; ++list)
    for (std::size_t i = 0; i < before[list].size(); ++i)
      EXPECT_EQ(static_cast<const KuvEeDicoObject*>(before[list][i])->getGuid(),
                *KuvInGuid::cast(*guids[list][i]));
  EXPECT_TRUE(guids[9].empty());
  EXPECT_EQ(-1, data.getExprCriteriaIndex(*guids[0][0]));

  ASSERT_EQ(S_OK, data.ConvertDependenciesIntoEeObjects(model.context));
  const std::vector<Objects> after = allLists(data);
  for (std::size_t list = 0; list < 9; ++list) EXPECT_EQ(before[list], after[list]) << list;
  EXPECT_EQ(before[9][0], after[9][0]);
  EXPECT_EQ(2u, after[9].size());
  EXPECT_EQ(6, data.getExprCriteriaIndex(*model.eco));
  EXPECT_EQ(0, data.getInheritedEffectivityModelIndex(*model.frame));

  // A GUID the context does not know changes nothing.
  KuvInGuid unknown(Guid(99).data());
  Data strange;
  strange.addCriteriaEeModel(unknown);
  EXPECT_TRACES(E_FAIL, "ERROR: Fail to retrieve into context, EeObject with Guid " + kuv_test::text(unknown),
                strange.ConvertDependenciesIntoEeObjects(model.context));
  EXPECT_EQ(&unknown, strange.getCriteriaEeModel(0));
}

TEST(KuvPLMModelExprDataMgr, RefusesAnEmptyMapAndAFailedWalkWithoutChangingTheData) {
  Bike model;
  KuvBinaryExprData data;
  KuvInMap byDomain(KuvInIntHolder::sType(), nullptr);
  EXPECT_TRACES(E_FAIL, "ERROR: unexpected.",
                KuvPLMModelExprDataMgr::ComputeBinaryExprData(byDomain, model.context, data, 0));
  std::unique_ptr<KuvEeEffectivityExpression> refused = model.expression();
  EXPECT_EQ(S_OK, refused->setGlobalCriteria((new KuvEeEffLeaf(model.inherited))->getNodeRef()));
  EXPECT_TRACES(E_FAIL,
                "ERROR : KuvEeVisitor_BinaryExprDataBuilder::getBinaryExprDataDependenciesLists FAILED",
                compute(*refused, model, data));
  for (const Objects& list : allLists(data)) EXPECT_TRUE(list.empty());
}

TEST(KuvBinaryExprDataOwnership, DictionaryObjectsAreSharedAndNeverDeleted) {
  auto model = std::make_unique<KuvEeModelDico>("Shared", Guid(1).guid());
  auto first = std::make_unique<KuvBinaryExprData>(), second = std::make_unique<KuvBinaryExprData>();
  first->addCriteriaEeModel(*model);
  second->addExprCriteria(*model);
  second->addCriteriaEeModel(*model);
  first.reset();
  EXPECT_EQ(0, second->getCriteriaEeModelIndex(*model));
  EXPECT_EQ("Shared", kuv_test::text(model->getName()));
  // Destroyed after the dictionary it refers to: the data never touches it.
  model.reset();
  second.reset();
}

TEST(KuvBinaryExprDataOwnership, WhatTheDataMadeOrWasHandedGoesWithIt) {
  KuvBinaryExprData data;
  data.setVolatileCriteria(2, *new KuvEeDateVar("Handed", Guid(1).data()), true);
  data.setExprImpactingCriteria(3, *new KuvEePredefEff("Fake", Guid(2).data(), false, KuvEePredefEff::GLOBAL),
                                true);
  data.addObjectToGarbage(*new KuvInIntHolder(5));
  KuvEeModelDico model("Model", Guid(3).guid());
  data.addCriteriaEeModel(model);
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to cast element from input Guid list into KuvInGuid.",
                data.ConvertDependenciesIntoGuids());
  EXPECT_TRUE(KuvInIntHolder::isObjectOfThisType(*data.getExprImpactingCriteria(0)));
  // Removing the placeholders moves the later index down.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(S_OK, data.removeExprImpactingCriteria(0));
  EXPECT_EQ(0, data.getExprImpactingCriteriaIndex(*data.getExprImpactingCriteria(0)));
  EXPECT_EQ(E_INVALIDARG, data.removeExprImpactingCriteria(1));
  // The created GUIDs belong to the data too; the volatile placeholders go.
  ASSERT_EQ(S_OK, data.ConvertDependenciesIntoGuids());
  EXPECT_TRUE(KuvInGuid::isObjectOfThisType(*data.getCriteriaEeModel(0)));
  EXPECT_TRUE(data.isInGarbage(*data.getCriteriaEeModel(0)));
  EXPECT_EQ(0, data.getNumberVolatileCriteria());
}

TEST(KuvBinaryExprDataOwnership, DeleteDependenciesDeletesHandedElementsOnce) {
  KuvBinaryExprData data;
  auto* guid = new KuvInGuid(Guid(1).data());
  for (Add add : {&Data::addExprCriteria, &Data::addCriteriaEeModel, &Data::addInheritedEffectivity,
                  &Data::addInheritedEffectivity})
    (data.*add)(*guid);
  data.setVolatileCriteria(1, *new KuvEeDateVar("Handed", Guid(2).data()), true);
  data.deleteDependencies();
  for (const Objects& list : allLists(data)) EXPECT_TRUE(list.empty());
  KuvInGuid kept(Guid(3).data());  // clearing leaves the elements alone
  EXPECT_EQ(S_OK, data.addExprCriteria(kept));
  data.clearDependencies();
  EXPECT_EQ(Guid(3).guid(), kept);
}

}  // namespace
