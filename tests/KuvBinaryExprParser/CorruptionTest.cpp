// Every prefix, bit flip and 0x00/0xFF byte of representative binary
// expressions and older "net" streams: the reader gives one of its codes,
// hands out nothing on failure, leaks nothing, and what it accepts can be
// written again.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KuvBinaryParser/KuvBinaryLeafTestSupport.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "support/KuvMutations.h"

namespace {

using namespace kuv_test;
using kuv_test::Guid;

struct Map {
  KuvInMap map{KuvInIntHolder::sType(), KuvEeExpression::sType()};
  ~Map() { map.DeleteAll(); }
};

Bytes write(const KuvInMap& map, const KuvBinaryExprData& data, unsigned version, HRESULT expected = S_OK) {
  KuvBioBufferOut out;
  EXPECT_EQ(expected, KuvBinaryExprParser::Write(map, data, out, version));
  return kuv_test::bytesOf(out);
}

KuvEeNode* leaf(KuvEeVarEff* eff) { return new KuvEeVarEffLeaf(eff); }

// Criteria of most leaf kinds under And, Or and Not.
KuvEeNodeRef* criteria(kuv_test::LeafWorld& w, unsigned variant) {
  if (variant == 0) {
    auto* selection = new KuvEeSelectionEff(&w.wheels, KuvEeSelectionEff::AllFalse);
    selection->add(w.w16, static_cast<KuvCriteriaSelectedBy>(0));
    selection->add(w.w17, static_cast<KuvCriteriaSelectedBy>(2));
    return And({leaf(new KuvEeOptionEff(&w.red, 1)), Or({leaf(selection), F()}),
                Not(leaf(kuv_test::serial(w.model, KuvEeSerialVar::STATE, 1, true, 3, false)))})
        ->getNodeRef();
  }
  return Or({leaf(kuv_test::dates(w, {{KuvInDate(2001, 2, 3, 1, 1, 1), KuvInDate(2002, 4, 5, 24, 60, 60)}})),
             leaf(kuv_test::milestones(&w.track, {{w.mr, true, {{w.ma, false}}}})),
             Not(leaf(kuv_test::treeSeries(w.model.getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE),
                                           {{w.a, true, {}}})))})
      ->getNodeRef();
}

struct World : kuv_test::LeafWorld {
  World() { data.addCriteriaEeModel(model); }
};

// An effectivity in domain 1 (global and model criteria), and in version 2
// also one in domain 4 (a binary holds one kind).
Bytes expressionBinary(World& w, unsigned version) {
  Map map;
  auto* effectivity = new KuvEeEffectivityExpression;
  effectivity->setGlobalCriteria(criteria(w, 0));
  KuvEeNodeRef* modelCriteria = criteria(w, 1);
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &modelCriteria);
  effectivity->setModelCriteria(&w.model, record);
  map.map.Put(KuvInIntHolder(1), effectivity);
  if (version == 2) {
    auto* other = new KuvEeEffectivityExpression;
    other->setGlobalCriteria(criteria(w, 1));
    map.map.Put(KuvInIntHolder(4), other);
  }
  return write(map.map, w.data, version);
}

TEST(KuvBinaryExprParser, EveryCorruptionOfExpressionsIsRefusedOrUsable) {
  World w;
  kuv_test::Outcomes outcomes;
  for (unsigned version : {1u, 2u}) {
    const Bytes valid = expressionBinary(w, version);
    kuv_test::forEachVariant(valid, [&](const Bytes& bytes, const std::string& label) {
      w.data.setBinary(bytes.empty() ? nullptr : bytes.data(), static_cast<std::uint32_t>(bytes.size()));
      KuvInMap* map = nullptr;
      HRESULT hr = S_OK;
      kuv_test::captured([&] { hr = KuvBinaryExprParser::Read(w.data, map); });
      outcomes.add(hr);
      EXPECT_TRUE(label.rfind("cut ", 0) != 0 || FAILED(hr)) << label << ": a prefix is never a binary";
      if (FAILED(hr)) {
        EXPECT_EQ(nullptr, map) << label;
        return;
      }
      ASSERT_NE(nullptr, map) << label;
      Map owned;
      owned.map.PutAll(*map);
      delete map;
      KuvBioBufferOut out;
      kuv_test::captured([&] { KuvBinaryExprParser::Write(owned.map, w.data, out, version); });
    });
  }
  outcomes.expectWithin({S_OK, KuvBioConstants::sc_readIncomplete, E_FAIL}, "ebe");
}

// The older streams: a tree, a list and rules over a caller's dependencies.
struct NetWorld {
  KuvEeModelDico model{KuvInString("Model"), Guid(110).guid()};
  KuvEePredefEff change{"Change", Guid(120).data(), true, KuvEePredefEff::GLOBAL};
  KuvEeBasicEff inherited{"Inherited", Guid(130).data()};
  KuvEePredefEff other{"Other", Guid(121).data(), true, KuvEePredefEff::GLOBAL};
  KuvInList net;
  NetWorld() {
    for (KuvInObject* object : std::vector<KuvInObject*>{&model, &change, &inherited, &other})
      net.PutBack(object);
  }
  KuvEeNodeRef* tree() {
    return And({T(), Not(new KuvEeEffLeaf(&inherited, &model)), NotDom(new KuvEeEffLeaf(&change)),
                Or({new KuvEeEffLeaf(&other), F()})})
        ->getNodeRef();
  }
};

TEST(KuvBinaryExprReader, EveryCorruptionOfStreamsIsRefusedOrUsable) {
  NetWorld w;
  std::vector<Bytes> streams;
  KuvBioBufferOut out;
  ASSERT_EQ(S_OK, KuvBinaryExprWriter::Write(KuvEeGenericExpression(w.tree()), w.net, out));
  streams.push_back(kuv_test::bytesOf(out));
  KuvEeGenericExpression list;
  auto* items = new KuvQmSpecList;
  items->AddEff(&w.inherited);
  items->AddEff(&w.other);
  list.SetExpression(items, KuvEeGenericExpression::CFG_LISTMODE_150);
  ASSERT_EQ(S_OK, KuvBinaryExprWriter::Write(list, w.net, out));
  streams.push_back(kuv_test::bytesOf(out));
  KuvEeInclusionRule first(w.tree(), (new KuvEeEffLeaf(&w.change))->getNodeRef());
  KuvEeInclusionRule second(nullptr, w.tree());
  KuvInList rules;
  rules.PutBack(&first);
  rules.PutBack(&second);
  ASSERT_EQ(S_OK, KuvBinaryExprWriter::WriteRules(rules, w.net, out));
  const Bytes ruleStream = kuv_test::bytesOf(out);

  kuv_test::Outcomes outcomes;
  for (const Bytes& valid : streams)
    kuv_test::forEachVariant(valid, [&](const Bytes& bytes, const std::string& label) {
      KuvEeGenericExpression* expression = nullptr;
      HRESULT hr = S_OK;
      kuv_test::captured([&] {
        hr = KuvBinaryExprReader::Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()), w.net,
                                       expression);
      });
      outcomes.add(hr);
      std::unique_ptr<KuvEeGenericExpression> owned(expression);
      if (FAILED(hr)) {
        EXPECT_EQ(nullptr, expression) << label;
        return;
      }
      ASSERT_NE(nullptr, expression) << label;
      KuvBioBufferOut again;
      kuv_test::captured([&] { KuvBinaryExprWriter::Write(*expression, w.net, again); });
    });
  kuv_test::forEachVariant(ruleStream, [&](const Bytes& bytes, const std::string& label) {
    KuvInList read;
    HRESULT hr = S_OK;
    kuv_test::captured([&] {
      hr =
          KuvBinaryExprReader::ReadRules(bytes.data(), static_cast<std::uint32_t>(bytes.size()), w.net, read);
    });
    outcomes.add(hr);
    if (FAILED(hr)) {
      EXPECT_TRUE(read.IsEmpty()) << label;
    }
    for (int i = 0; i < read.GetLength(); ++i) delete read.Get(i);
  });
  outcomes.expectWithin({S_OK, E_FAIL}, "net");
}

}  // namespace
