#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "KuvBinaryExprData.h"
#include "KuvEeDateVar.h"
#include "KuvEeExpressionContext.h"
#include "KuvEeModelDico.h"
#include "KuvEeSerialVar.h"
#include "KuvInIntHolder.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Guid;
using Data = KuvBinaryExprData;
using Add = HRESULT (Data::*)(KuvInObject&);
using Set = HRESULT (Data::*)(std::int32_t, KuvInObject&, bool);
using GetIndex = std::int32_t (Data::*)(const KuvInObject&) const;
using GetList = const KuvInList& (Data::*)() const;

// The five lists that share one index map.
struct SharedList {
  Add add;
  GetList list;
};
const SharedList sc_shared[] = {
    {&Data::addExprCriteria, &Data::getListExprCriteria},
    {&Data::addExprCriteriaRule, &Data::getListExprCriteriaRule},
    {&Data::addExprCriteriaDefault, &Data::getListExprCriteriaDefault},
    {&Data::addExprCriteriaDismissed, &Data::getListExprCriteriaDismissed},
    {&Data::addExprCriteriaIncompatible, &Data::getListExprCriteriaIncompatible},
};

std::vector<const KuvInObject*> elements(const KuvInList& list) {
  std::vector<const KuvInObject*> result;
  for (std::int32_t i = 0; i < list.GetLength(); ++i) result.push_back(list.Get(i));
  return result;
}

TEST(KuvBinaryExprData, OneIndexAcrossTheFiveSharedLists) {
  for (std::size_t first = 0; first < std::size(sc_shared); ++first) {
    for (std::size_t second = 0; second < std::size(sc_shared); ++second) {
      SCOPED_TRACE(testing::Message() << first << " then " << second);
      Data data;
      KuvEeSerialVar other("Other", Guid(1).data(), KuvEeSerialVar::UNIT, nullptr);
      KuvEeSerialVar option("Option", Guid(2).data(), KuvEeSerialVar::UNIT, nullptr);
      EXPECT_EQ(S_OK, (data.*sc_shared[first].add)(other));
      EXPECT_EQ(S_OK, (data.*sc_shared[first].add)(option));
      EXPECT_EQ(S_FALSE, (data.*sc_shared[second].add)(option));
      EXPECT_EQ(1, data.getExprCriteriaIndex(option));
      EXPECT_EQ(2, (data.*sc_shared[first].list)().GetLength());
      EXPECT_EQ(first == second ? 2 : 0, (data.*sc_shared[second].list)().GetLength());
    }
  }
}

TEST(KuvBinaryExprData, UnknownObjectsHaveNoIndexInAnyMap) {
  const GetIndex getters[] = {&Data::getExprCriteriaIndex,         &Data::getExprImpactingCriteriaIndex,
                              &Data::getCriteriaEeModelIndex,      &Data::getInheritedEffectivityIndex,
                              &Data::getInheritedEffectivityModelIndex, &Data::getVolatileCriteriaIndex};
  Data data;
  KuvInIntHolder known(1);
  KuvInIntHolder unknown(1);
  const Add adds[] = {&Data::addExprCriteria,      &Data::addExprImpactingCriteria,
                      &Data::addCriteriaEeModel,   &Data::addInheritedEffectivity,
                      &Data::addInheritedEffectivityModel, &Data::addVolatileCriteria};
  for (Add add : adds) EXPECT_EQ(S_OK, (data.*add)(known));
  for (GetIndex getIndex : getters) {
    EXPECT_EQ(0, (data.*getIndex)(known));
    EXPECT_EQ(-1, (data.*getIndex)(unknown));
  }
  EXPECT_EQ(nullptr, data.getExprCriteria(1));
  EXPECT_EQ(nullptr, data.getExprCriteria(-1));
}

TEST(KuvBinaryExprData, InheritedEffectivitiesAppendEveryTimeAndMapTheLastPosition) {
  Data data;
  KuvInIntHolder eff(1);
  KuvInIntHolder other(2);
  EXPECT_EQ(S_OK, data.addInheritedEffectivity(eff));
  EXPECT_EQ(S_OK, data.addInheritedEffectivity(other));
  EXPECT_EQ(S_OK, data.addInheritedEffectivity(eff));
  EXPECT_EQ((std::vector<const KuvInObject*>{&eff, &other, &eff}), elements(data.getListInheritedEffectivity()));
  EXPECT_EQ(2, data.getInheritedEffectivityIndex(eff));
}

TEST(KuvBinaryExprData, SetPadsWithPlaceholdersAndRefusesAnotherType) {
  Data data;
  auto* date = new KuvEeDateVar("D1", Guid(1).data());
  EXPECT_EQ(S_OK, data.setVolatileCriteria(3, *date, true));
  ASSERT_EQ(4, data.getNumberVolatileCriteria());
  for (std::int32_t i = 0; i < 3; ++i) {
    const KuvInIntHolder* placeholder = KuvInIntHolder::cast(*data.getVolatileCriteria(i));
    ASSERT_NE(nullptr, placeholder);
    EXPECT_EQ(static_cast<std::uint32_t>(i), placeholder->getValue());
    EXPECT_EQ(-1, data.getVolatileCriteriaIndex(*placeholder));
  }
  EXPECT_EQ(3, data.getVolatileCriteriaIndex(*date));
  EXPECT_TRUE(data.isInGarbage(*date));

  KuvEeDateVar second("D2", Guid(2).data());
  EXPECT_EQ(S_FALSE, data.setVolatileCriteria(3, second, true));
  EXPECT_FALSE(data.isInGarbage(second));
  KuvInIntHolder number(5);
  EXPECT_TRACES(E_FAIL, "ERROR: An object with an other type already exists in the same list and same index.",
                data.setVolatileCriteria(3, number, false));
  EXPECT_EQ(date, data.getVolatileCriteria(3));
  EXPECT_EQ(E_INVALIDARG, data.setVolatileCriteria(-1, second, false));

  // A placeholder's slot takes any object; the placeholder goes.
  EXPECT_EQ(S_OK, data.setVolatileCriteria(1, second, false));
  EXPECT_EQ(&second, data.getVolatileCriteria(1));
  EXPECT_EQ(1, data.getVolatileCriteriaIndex(second));
  EXPECT_EQ(4, data.getNumberVolatileCriteria());
}

TEST(KuvBinaryExprData, SetIntoASharedListMapsTheSharedIndex) {
  Data data;
  KuvInIntHolder a(1);
  KuvInIntHolder b(2);
  EXPECT_EQ(S_OK, data.addExprCriteria(a));
  EXPECT_EQ(S_OK, data.setExprCriteriaDefault(2, b, false));
  EXPECT_EQ(2, data.getExprCriteriaIndex(b));
  EXPECT_EQ(S_FALSE, data.addExprCriteria(b));
  EXPECT_TRUE(data.hasExprCriteriaDefault());
  EXPECT_FALSE(data.hasExprCriteriaRule());
}

TEST(KuvBinaryExprData, RecomputedMapsTakeTheFirstSharedPositionAndTheLastInheritedOne) {
  Data data;
  KuvInIntHolder a(1);
  KuvInIntHolder b(2);
  KuvInIntHolder c(3);
  data.addExprCriteria(a);
  data.addExprCriteria(b);
  data.setExprCriteriaRule(0, b, false);  // the shared map now says 0
  data.setExprCriteriaRule(1, c, false);  // padding of nothing: slot 1 is new
  data.addInheritedEffectivity(a);
  data.addInheritedEffectivity(c);
  data.addInheritedEffectivity(a);
  ASSERT_EQ(0, data.getExprCriteriaIndex(b));
  data.recomputeIndicesMap();
  EXPECT_EQ(0, data.getExprCriteriaIndex(a));
  EXPECT_EQ(1, data.getExprCriteriaIndex(b));
  EXPECT_EQ(1, data.getExprCriteriaIndex(c));
  EXPECT_EQ(2, data.getInheritedEffectivityIndex(a));
  EXPECT_EQ(1, data.getInheritedEffectivityIndex(c));
}

TEST(KuvBinaryExprData, RemovingAnImpactingCriterionMovesTheLaterIndicesDown) {
  Data data;
  KuvInIntHolder objects[4] = {1, 2, 3, 4};
  for (KuvInIntHolder& obj : objects) data.addExprImpactingCriteria(obj);
  EXPECT_EQ(S_OK, data.removeExprImpactingCriteria(1));
  EXPECT_EQ((std::vector<const KuvInObject*>{&objects[0], &objects[2], &objects[3]}),
            elements(data.getListExprImpactingCriteria()));
  const std::int32_t expected[] = {0, -1, 1, 2};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(expected[i], data.getExprImpactingCriteriaIndex(objects[i])) << i;
  EXPECT_EQ(E_INVALIDARG, data.removeExprImpactingCriteria(3));
  EXPECT_EQ(E_INVALIDARG, data.removeExprImpactingCriteria(-1));
  EXPECT_EQ(S_OK, data.addExprImpactingCriteria(objects[1]));
  EXPECT_EQ(3, data.getExprImpactingCriteriaIndex(objects[1]));
}

TEST(KuvBinaryExprData, TextOfASmallDataObject) {
  // One object per map: a map's order follows addresses.
  Data data;
  const std::uint8_t bytes[] = {0x65, 0x62, 0x0A};
  KuvInIntHolder criterion(7);
  KuvInIntHolder model(9);
  data.addExprCriteria(criterion);
  data.addCriteriaEeModel(model);
  EXPECT_EQ(0u, kuv_test::text(data).find("## => content of binary expr data: \n ## \t Binary : NULL\n## \t expr"));
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

  // The inherited lists name their items in the singular; the dismissed and
  // incompatible lists show only through the shared map.
  KuvInIntHolder dismissed(10);
  KuvInIntHolder incompatible(11);
  data.addInheritedEffectivity(model);
  data.addInheritedEffectivityModel(model);
  data.addExprCriteriaDismissed(dismissed);
  data.addExprCriteriaIncompatible(incompatible);
  const std::string text = kuv_test::text(data);
  EXPECT_NE(std::string::npos, text.find("## \t expr inherited effectivity 0 : \n9\n"));
  EXPECT_NE(std::string::npos, text.find("## \t expr inherited dictionary 0 : \n9\n"));
  EXPECT_NE(std::string::npos, text.find("## \t expr criteria indices map size = 3\n"));
  EXPECT_EQ(std::string::npos, text.find(" : \n10\n"));
  EXPECT_EQ(std::string::npos, text.find(" : \n11\n"));
}

}  // namespace
