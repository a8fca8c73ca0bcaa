#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KuvBinaryExprData.h"
#include "KuvEeAndOp.h"
#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeExpressionContext.h"
#include "KuvEeModelDico.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVarValue.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvEeVisitor_BinaryExprDataBuilder.h"
#include "KuvInIntHolder.h"
#include "KuvInMap.h"
#include "KuvPLMModelExprDataMgr.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Guid;
using Builder = KuvEeVisitor_BinaryExprDataBuilder;
using Objects = std::vector<const KuvInObject*>;

Objects elements(const KuvInList& list) {
  Objects result;
  for (std::int32_t i = 0; i < list.GetLength(); ++i) result.push_back(list.Get(i));
  return result;
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
    for (KuvEeDicoObject* feature : {static_cast<KuvEeDicoObject*>(color), static_cast<KuvEeDicoObject*>(wheels)})
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

  KuvEeSerialEff* serial(std::int32_t low, std::int32_t high) const {
    auto* eff = new KuvEeSerialEff(states, KuvEeSerialEff::AllFalse);
    EXPECT_EQ(S_OK, eff->set(low, true, high, true));
    return eff;
  }

  // Bike: inherited part Inherited@Frame; criteria And(Red by the user,
  // Wheels {W16, W18 by rule, W20 by default}, states [1, 5], ECO).
  std::unique_ptr<KuvEeEffectivityExpression> expression() const {
    auto* criteria = new KuvEeAndOp;
    criteria->addChild(
        new KuvEeVarEffLeaf(new KuvEeOptionEff(red, KuvEeOptionEff::T, KuvCriteriaSelectedBy_UserSelected)));
    auto* selection = new KuvEeSelectionEff(wheels, KuvEeSelectionEff::AllFalse);
    selection->add(w20, KuvCriteriaSelectedBy_DefaultValue);
    selection->add(w16);
    selection->add(w18, KuvCriteriaSelectedBy_RuleDeduced);
    criteria->addChild(new KuvEeVarEffLeaf(selection));
    criteria->addChild(new KuvEeVarEffLeaf(serial(1, 5)));
    criteria->addChild(new KuvEeEffLeaf(eco));
    KuvEeNodeRef* criteriaTree = criteria->getNodeRef();
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
  return {elements(data.getListExprCriteria()),          elements(data.getListExprCriteriaRule()),
          elements(data.getListExprCriteriaDefault()),   elements(data.getListExprCriteriaDismissed()),
          elements(data.getListExprCriteriaIncompatible()), elements(data.getListExprImpactingCriteria()),
          elements(data.getListCriteriaEeModel()),       elements(data.getListInheritedEffectivity()),
          elements(data.getListInheritedEffectivityModel()), elements(data.getListVolatileCriteria())};
}

TEST(KuvBinaryExprDataBuilder, RoutesValuesBySelectedByNegationAndFlag) {
  struct Case {
    KuvCriteriaSelectedBy selectedBy;
    bool negated;
    std::uint8_t flag;
    Builder::Dependency expected;
  };
  const Case cases[] = {
      {KuvCriteriaSelectedBy_None, false, 0, Builder::Criteria},
      {KuvCriteriaSelectedBy_UserSelected, false, 0, Builder::Criteria},
      {KuvCriteriaSelectedBy_RuleDeduced, false, 0, Builder::Rule},
      {KuvCriteriaSelectedBy_DefaultValue, false, 0, Builder::Default},
      {KuvCriteriaSelectedBy_None, true, 0, Builder::Criteria},
      {KuvCriteriaSelectedBy_UserSelected, true, 0, Builder::Criteria},
      {KuvCriteriaSelectedBy_RuleDeduced, true, 0, Builder::Rule},
      {KuvCriteriaSelectedBy_DefaultValue, true, 0, Builder::Default},
      {KuvCriteriaSelectedBy_None, false, 1, Builder::Criteria},
      {KuvCriteriaSelectedBy_UserSelected, false, 1, Builder::Criteria},
      {KuvCriteriaSelectedBy_RuleDeduced, false, 1, Builder::Rule},
      {KuvCriteriaSelectedBy_DefaultValue, false, 1, Builder::Default},
      {KuvCriteriaSelectedBy_None, true, 1, Builder::Dismissed},
      {KuvCriteriaSelectedBy_UserSelected, true, 1, Builder::Dismissed},
      {KuvCriteriaSelectedBy_RuleDeduced, true, 1, Builder::Incompatible},
      {KuvCriteriaSelectedBy_DefaultValue, true, 1, Builder::Default},
  };
  Bike model;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.selectedBy << " negated " << c.negated << " flag " << int(c.flag));
    auto* selection = new KuvEeSelectionEff(model.wheels, KuvEeSelectionEff::AllFalse);
    selection->add(model.w18, c.selectedBy);
    auto* option = new KuvEeOptionEff(model.red, KuvEeOptionEff::T, c.selectedBy);
    if (c.negated) {
      selection->opNot();
      option->opNot();
    }
    ASSERT_EQ(c.negated, selection->isNegated());
    ASSERT_EQ(c.negated, option->isNegated());
    const kuv_test::Tree selectionLeaf = kuv_test::own(new KuvEeVarEffLeaf(selection));
    const kuv_test::Tree optionLeaf = kuv_test::own(new KuvEeVarEffLeaf(option));
    Builder builder(CFG_EXPRTYPE_FILTER, c.flag);
    ASSERT_EQ(S_OK, selectionLeaf->getNode()->acceptVisitor(builder));
    ASSERT_EQ(S_OK, optionLeaf->getNode()->acceptVisitor(builder));
    for (std::int32_t kind = 0; kind < Builder::NbDependencies; ++kind) {
      const auto dependency = static_cast<Builder::Dependency>(kind);
      Objects expected;
      if (dependency == Builder::Criteria) expected.push_back(model.wheels);
      if (dependency == c.expected) {
        expected.push_back(model.w18);
        expected.push_back(model.red);
      }
      EXPECT_EQ(expected, Objects(builder.getDependencies(dependency).begin(), builder.getDependencies(dependency).end()))
          << kind;
    }
  }
}

TEST(KuvBinaryExprDataBuilder, RefusedLeavesCollectNothing) {
  Bike model;
  KuvEeSerialVar orphan("Units", Guid(20).data(), KuvEeSerialVar::UNIT, nullptr);
  const struct {
    std::function<KuvEeNode*()> leaf;
    const char* message;
  } cases[] = {
      {[&] { return new KuvEeVarEffLeaf(new KuvEeSelectionEff(model.wheels, KuvEeSelectionEff::AllTrue)); },
       "ERROR: at least one spec value EXPECTED."},
      {[&] {
         auto* eff = new KuvEeSerialEff(&orphan, KuvEeSerialEff::AllFalse);
         eff->set(1, true, 2, true);
         return new KuvEeVarEffLeaf(eff);
       },
       "Unable to retrieve ModelDico for Serial"},
      {[&] { return new KuvEeVarEffLeaf(model.serial(1, 3)); }, "ERROR : no revision for sequence number 3"},
      {[&] { return new KuvEeEffLeaf(model.inherited); }, "ERROR : unexpected type referenced in EffLeaf"},
  };
  for (const auto& c : cases) {
    kuv_test::Tree tree = kuv_test::own(c.leaf());
    Builder builder(CFG_EXPRTYPE_EFFECTIVITY, 0);
    EXPECT_TRACES(E_FAIL, c.message, tree->getNode()->acceptVisitor(builder));
    for (std::int32_t kind = 0; kind < Builder::NbDependencies; ++kind)
      EXPECT_TRUE(builder.getDependencies(static_cast<Builder::Dependency>(kind)).empty()) << c.message;
  }
}

TEST(KuvBinaryExprDataBuilder, AnOpenSerialEndNeedsNoRevision) {
  Bike model;
  kuv_test::Tree tree = kuv_test::own(new KuvEeVarEffLeaf(model.serial(5, KuvEeSerialVar::sc_infinity)));
  Builder builder(CFG_EXPRTYPE_EFFECTIVITY, 0);
  ASSERT_EQ(S_OK, tree->getNode()->acceptVisitor(builder));
  EXPECT_EQ((std::vector<KuvInObject*>{model.bike, model.s5}), builder.getDependencies(Builder::Criteria));
  EXPECT_EQ((std::vector<KuvInObject*>{model.bike}), builder.getDependencies(Builder::Dictionaries));
}

TEST(KuvPLMModelExprDataMgr, FillsEveryListInWalkOrder) {
  Bike model;
  KuvBinaryExprData data;
  ASSERT_EQ(S_OK, compute(*model.expression(), model, data));
  KuvEeDateVar* contextDate = nullptr;
  model.context.GetDate(contextDate);
  const std::vector<Objects> lists = allLists(data);
  EXPECT_EQ((Objects{model.red, model.wheels, model.w16, model.bike, model.s1, model.s5, model.eco}), lists[0]);
  EXPECT_EQ(Objects{model.w18}, lists[1]);
  EXPECT_EQ(Objects{model.w20}, lists[2]);
  EXPECT_TRUE(lists[3].empty() && lists[4].empty());
  EXPECT_EQ(Objects{model.eco}, lists[5]);
  EXPECT_EQ(Objects{model.bike}, lists[6]);
  EXPECT_EQ(Objects{model.inherited}, lists[7]);
  EXPECT_EQ(Objects{model.frame}, lists[8]);
  ASSERT_EQ(2u, lists[9].size());
  EXPECT_EQ(contextDate, lists[9][0]);
  // The bike has no date variable: one is made after it, and owned by the data.
  const KuvEeDateVar* made = KuvEeDateVar::cast(*data.getVolatileCriteria(1));
  ASSERT_NE(nullptr, made);
  EXPECT_EQ(model.bike->getName(), made->getName());
  EXPECT_EQ(model.bike->getGuid(), made->getGuid());
  EXPECT_TRUE(data.isInGarbage(*made));
  EXPECT_EQ(0, data.getExprCriteriaIndex(*model.w18));
  EXPECT_EQ(0, data.getExprCriteriaIndex(*model.w20));
  EXPECT_EQ(6, data.getExprCriteriaIndex(*model.eco));

  // Computing again adds nothing new; the volatile list is rebuilt.
  ASSERT_EQ(S_OK, compute(*model.expression(), model, data));
  EXPECT_EQ(lists[0], elements(data.getListExprCriteria()));
  EXPECT_EQ(2, data.getNumberVolatileCriteria());
}

TEST(KuvPLMModelExprDataMgr, RefusesAnEmptyMapAValueThatIsNoExpressionAndAFailedWalk) {
  Bike model;
  KuvBinaryExprData data;
  KuvInMap byDomain(KuvInIntHolder::sType(), nullptr);
  EXPECT_TRACES(E_FAIL, "ERROR: unexpected.",
                KuvPLMModelExprDataMgr::ComputeBinaryExprData(byDomain, model.context, data, 0));
  KuvInIntHolder notAnExpression(3);
  byDomain.Put(KuvInIntHolder(1), &notAnExpression);
  EXPECT_TRACES(E_FAIL, "ERROR : unexpected null pointer from map",
                KuvPLMModelExprDataMgr::ComputeBinaryExprData(byDomain, model.context, data, 0));
  KuvEeEffectivityExpression refused;
  EXPECT_EQ(S_OK, refused.setGlobalCriteria((new KuvEeEffLeaf(model.inherited))->getNodeRef()));
  EXPECT_TRACES(E_FAIL, "ERROR : KuvEeVisitor_BinaryExprDataBuilder::getBinaryExprDataDependenciesLists FAILED",
                compute(refused, model, data));
  for (const Objects& list : allLists(data)) EXPECT_TRUE(list.empty());
}

TEST(KuvBinaryExprData, GuidListsConvertBackToTheSameObjects) {
  Bike model;
  KuvBinaryExprData data;
  ASSERT_EQ(S_OK, compute(*model.expression(), model, data));
  const std::vector<Objects> before = allLists(data);

  ASSERT_EQ(S_OK, data.ConvertDependenciesIntoGuids());
  const std::vector<Objects> guids = allLists(data);
  for (std::size_t list = 0; list < 9; ++list) {
    ASSERT_EQ(before[list].size(), guids[list].size()) << list;
    for (std::size_t i = 0; i < guids[list].size(); ++i)
      EXPECT_EQ(static_cast<const KuvEeDicoObject*>(before[list][i])->getGuid().toString(),
                KuvInGuid::cast(*guids[list][i])->toString());
  }
  EXPECT_TRUE(guids[9].empty());
  EXPECT_EQ(-1, data.getExprCriteriaIndex(*guids[0][0]));

  ASSERT_EQ(S_OK, data.ConvertDependenciesIntoEeObjects(model.context));
  const std::vector<Objects> after = allLists(data);
  for (std::size_t list = 0; list < 9; ++list) EXPECT_EQ(before[list], after[list]) << list;
  EXPECT_EQ(before[9][0], after[9][0]);
  EXPECT_EQ(2u, after[9].size());
  EXPECT_EQ(6, data.getExprCriteriaIndex(*model.eco));
  EXPECT_EQ(0, data.getInheritedEffectivityModelIndex(*model.frame));
}

TEST(KuvBinaryExprData, ConversionsRefuseWithoutChangingAnything) {
  Bike model;
  KuvInGuid unknown(Guid(99).data());
  KuvInGuid known(Guid(3).data());
  KuvInIntHolder number(1);
  const struct {
    std::function<void(KuvBinaryExprData&)> fill;
    bool toGuids;
    std::string message;
  } cases[] = {
      {[&](KuvBinaryExprData& d) { d.addCriteriaEeModel(unknown); }, false,
       "ERROR: Fail to retrieve into context, EeObject with Guid " + kuv_test::text(unknown)},
      {[&](KuvBinaryExprData& d) {
         d.addExprCriteria(known);
         d.addExprCriteria(*model.w16);
       },
       false, "ERROR : mixed guid and ee Objects in one list"},
      {[&](KuvBinaryExprData& d) { d.addExprImpactingCriteria(number); }, false,
       "ERROR : object in dependency list is neither a Guid neither a Dico Object"},
      {[&](KuvBinaryExprData& d) {
         d.addExprCriteria(*model.w16);
         d.addInheritedEffectivity(number);
       },
       true, "ERROR: Unable to cast element from input Guid list into KuvInGuid."},
      {[&](KuvBinaryExprData& d) {
         d.addExprCriteria(*model.w16);
         d.setDependenciesType(KuvBinaryExprData::FakeDependencies);
       },
       true, "ERROR : Method can only be used with EeDicoObjects dependencies."},
  };
  for (const auto& c : cases) {
    KuvBinaryExprData data;
    c.fill(data);
    const std::vector<Objects> before = allLists(data);
    if (c.toGuids)
      EXPECT_TRACES(E_FAIL, c.message, data.ConvertDependenciesIntoGuids());
    else
      EXPECT_TRACES(E_FAIL, c.message, data.ConvertDependenciesIntoEeObjects(model.context));
    EXPECT_EQ(before, allLists(data)) << c.message;
  }
}

TEST(KuvBinaryExprData, VolatileCriteriaNeedDictionariesAndWarnWithoutAContextDate) {
  KuvEeExpressionContext noDates;
  KuvEeModelDico dated("Dated", Guid(1).guid());
  dated.enableDateEvolution();
  KuvBinaryExprData data;
  data.addCriteriaEeModel(dated);
  {
    kuv_test::ScopedFlags calls(KuvBinaryExprData::traceChannel(), 3);
    const std::string printed = kuv_test::captured([&] { EXPECT_EQ(S_OK, data.createVolatileCriteriaList(noDates)); });
    EXPECT_NE(std::string::npos, printed.find("Potential error : dates are not activated on the context..."));
  }
  EXPECT_EQ(Objects{dated.getDateVariable()}, elements(data.getListVolatileCriteria()));

  KuvInIntHolder notADictionary(4);
  data.addCriteriaEeModel(notADictionary);
  EXPECT_TRACES(E_FAIL, "ERROR : unexpected to have a type other than a MD in Criteria EeModel List. Object is : 4",
                data.createVolatileCriteriaList(noDates));
  EXPECT_EQ(Objects{dated.getDateVariable()}, elements(data.getListVolatileCriteria()));
}

// Ownership: run under the address sanitizer, these show a double delete, a
// use after free or a leak.
TEST(KuvBinaryExprDataOwnership, DictionaryObjectsAreSharedAndNeverDeleted) {
  auto model = std::make_unique<KuvEeModelDico>("Shared", Guid(1).guid());
  auto first = std::make_unique<KuvBinaryExprData>();
  auto second = std::make_unique<KuvBinaryExprData>();
  first->addCriteriaEeModel(*model);
  second->addExprCriteria(*model);
  second->addCriteriaEeModel(*model);
  first->clearDependencies();
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
  data.setExprImpactingCriteria(3, *new KuvEePredefEff("Fake", Guid(2).data(), false, KuvEePredefEff::GLOBAL), true);
  data.addObjectToGarbage(*new KuvInIntHolder(5));
  KuvEeModelDico model("Model", Guid(3).guid());
  data.addCriteriaEeModel(model);
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to cast element", data.ConvertDependenciesIntoGuids());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(S_OK, data.removeExprImpactingCriteria(0));  // the placeholders
  EXPECT_EQ(0, data.getExprImpactingCriteriaIndex(*data.getExprImpactingCriteria(0)));
  // The created GUIDs belong to the data too; the volatile placeholders go.
  ASSERT_EQ(S_OK, data.ConvertDependenciesIntoGuids());
  EXPECT_TRUE(KuvInGuid::isObjectOfThisType(*data.getCriteriaEeModel(0)));
  EXPECT_TRUE(data.isInGarbage(*data.getCriteriaEeModel(0)));
  EXPECT_EQ(0, data.getNumberVolatileCriteria());
}

TEST(KuvBinaryExprDataOwnership, DeleteDependenciesDeletesHandedElementsOnce) {
  KuvBinaryExprData data;
  auto* guid = new KuvInGuid(Guid(1).data());
  data.addExprCriteria(*guid);
  data.addCriteriaEeModel(*guid);
  data.addInheritedEffectivity(*guid);
  data.addInheritedEffectivity(*guid);
  data.setVolatileCriteria(1, *new KuvEeDateVar("Handed", Guid(2).data()), true);
  data.deleteDependencies();
  for (const Objects& list : allLists(data)) EXPECT_TRUE(list.empty());
  KuvInGuid kept(Guid(3).data());
  EXPECT_EQ(S_OK, data.addExprCriteria(kept));
  EXPECT_EQ(0, data.getExprCriteriaIndex(kept));
  data.clearDependencies();
  EXPECT_EQ(Guid(3).guid(), kept);
}

}  // namespace
