// The node classifier: index sets of leaves of every kind, unions at the
// operators, the conversion to a classification, and the refusals.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"

using namespace kuv_test;

namespace {

std::set<std::uint32_t> toStd(const KuvInSetVal& set) {
  std::set<std::uint32_t> out;
  for (KuvInSetVal::const_iterator it = set.cBegin(); it.IsValid(); it.Next())
    out.insert(KuvInIntHolder::cast(*it.Get())->getValue());
  return out;
}

KuvInSetVal setOf(std::initializer_list<std::uint32_t> indices) {
  KuvInSetVal set(KuvInIntHolder::sType());
  for (std::uint32_t i : indices) set.Put(KuvInIntHolder(i));
  return set;
}

}  // namespace

TEST(KuvCoreEVC_NodeClassifierTest, LeavesAreClassifiedByTheKindOfTheirCriterion) {
  Criteria c;
  struct Case { KuvEeNode* node; std::uint32_t index; };
  const Case cases[] = {
      {c.option(), 1},
      {c.selection(), 1},
      {c.units(), 2},
      {c.plan(), 2},
      {c.milestone(), 2},
      {new KuvEeVarEffLeaf(new KuvEeDnfMilestonesEff(&c.track)), 2},
      {c.date(), 5},
      {c.changeLeaf(), 3},
      {c.inheritedLeaf(), 4},
      {T(), 0},
      {F(), 0},
      {Criteria::restriction(new KuvEeSerialRestrictionEff), 2},
      {Criteria::restriction(new KuvEeTreeSeriesRestrictionEff), 2},
      {Criteria::restriction(new KuvEeMilestonesRestrictionEff), 2},
      {Criteria::restriction(new KuvEeDateRestrictionEff), 5},
      {Criteria::restriction(new KuvEeCategoryOptionRestrictionEff), 1},
      {Criteria::restriction(new KuvEeSelectionRestrictionEff), 1},
      {Criteria::restriction(new KuvEeCategoryRestrictionEff), 1},
      {Criteria::restriction(new KuvEePredefEffRestrictionEff), 3},
  };
  KuvCoreEVC_NodeClassifier classifier;
  for (const Case& k : cases) {
    Tree tree = own(k.node);
    KuvInSetVal set(KuvInIntHolder::sType());
    EXPECT_EQ(S_OK, classifier.getClassificationIndex(*tree, set));
    EXPECT_EQ(toStd(set), std::set<std::uint32_t>{k.index}) << text(*tree);
  }
}

TEST(KuvCoreEVC_NodeClassifierTest, OperatorsTakeTheUnionOfTheirChildren) {
  Criteria c;
  KuvEeNode* inner = Or({c.units(), Not(c.date())});
  KuvEeNode* negation = NotDom(c.changeLeaf());
  Tree root = own(And({c.option(), inner, negation, T(), c.inheritedLeaf()}));

  KuvCoreEVC_NodeClassifier classifier;
  KuvInMapVal sets(KuvInObjectPtr::sType(), KuvInSetVal::sType());
  ASSERT_EQ(S_OK, classifier.getClassificationIndex(*root, sets));
  EXPECT_EQ(sets.GetLength(), 10) << "one set per node";
  const auto setAt = [&](KuvEeNode* node) {
    const KuvInObjectVal* set = sets.Get(KuvInObjectPtr(node));
    return set != nullptr ? toStd(*KuvInSetVal::cast(*set)) : std::set<std::uint32_t>{99};
  };
  EXPECT_EQ(setAt(inner), (std::set<std::uint32_t>{2, 5}));
  EXPECT_EQ(setAt(negation), (std::set<std::uint32_t>{3}));
  EXPECT_EQ(setAt(root->getNode()), (std::set<std::uint32_t>{0, 1, 2, 3, 4, 5}));

  KuvEVCClassification result(0);
  ASSERT_EQ(S_OK, classifier.classify(*root, result));
  KuvEVCClassification expected(0);
  expected.setVariant(1);
  expected.setEvolution(1);
  expected.setChange(1);
  expected.setEffectivity(1);
  expected.setHistory(1);
  EXPECT_TRUE(result.equals(expected)) << text(result);

  // classify starts from a clear record; a second tree forgets the first.
  Tree single = own(c.milestone());
  result.setRestriction(1);
  ASSERT_EQ(S_OK, classifier.classify(*single, result));
  expected.clear();
  expected.setEvolution(1);
  EXPECT_TRUE(result.equals(expected)) << text(result);
  ASSERT_EQ(S_OK, classifier.getClassificationIndex(*single, sets));
  EXPECT_EQ(sets.GetLength(), 1);
}

TEST(KuvCoreEVC_NodeClassifierTest, ConversionMapsEachIndexAndRefusesUnknownOnesWithoutChange) {
  using Reads = bool (*)(const KuvEVCClassification&);
  const Reads reads[] = {
      [](const KuvEVCClassification& r) { return r.equals(KuvEVCClassification(0)); },
      [](const KuvEVCClassification& r) { return r.isExclusiveFeature() && r.isNonExclusiveFeature(); },
      [](const KuvEVCClassification& r) { return r.isEvolutionType(13) && !r.isMilestone(); },
      [](const KuvEVCClassification& r) { return r.isChange() && !r.isVariant(); },
      [](const KuvEVCClassification& r) { return r.isInheritedEff(); },
      [](const KuvEVCClassification& r) { return r.isHistory() && !r.isEvolutionType(13); },
  };
  for (std::uint32_t index = 0; index < 6; ++index) {
    KuvEVCClassification r(0);
    EXPECT_EQ(S_OK, KuvCoreEVC_NodeClassifier::convertClassificationSetToObject(setOf({index}), r));
    EXPECT_TRUE(reads[index](r)) << index;
  }

  KuvEVCClassification r(0);
  EXPECT_TRACES(E_FAIL, "ERROR: Unexpected case",
                KuvCoreEVC_NodeClassifier::convertClassificationSetToObject(setOf({1, 6}), r));
  KuvInSetVal mixed;
  mixed.Put(KuvInIntHolder(1));
  mixed.Put(KuvInSignedIntHolder(2));
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer",
                KuvCoreEVC_NodeClassifier::convertClassificationSetToObject(mixed, r));
  EXPECT_TRUE(r.equals(KuvEVCClassification(0)));
}

TEST(KuvCoreEVC_NodeClassifierTest, UnclassifiableNodesAndWrongOutputsFail) {
  Criteria c;
  Tree root = own(Or({c.option(), And({c.effLeaf(c.group)})}));
  KuvCoreEVC_NodeClassifier classifier;
  KuvEVCClassification result(1);
  std::string out = captured([&] { EXPECT_EQ(E_FAIL, classifier.classify(*root, result)); });
  EXPECT_NE(out.find("ERROR: unexpected KuvEeEffectivity-derived type."), std::string::npos);
  EXPECT_NE(out.find("ERROR: childrenAcceptVisitor failed"), std::string::npos);
  EXPECT_NE(out.find("ERROR; visitor failed"), std::string::npos);
  EXPECT_TRUE(result.equals(KuvEVCClassification(0)));

  Tree fine = own(c.option());
  KuvInSetVal wrongSet(KuvInSignedIntHolder::sType());
  wrongSet.Put(KuvInSignedIntHolder(7));
  EXPECT_TRACES(E_FAIL, "ERROR: badCastError", classifier.getClassificationIndex(*fine, wrongSet));
  EXPECT_EQ(wrongSet.GetLength(), 1);
  KuvInMapVal wrongMap(KuvInIntHolder::sType(), KuvInSetVal::sType());
  captured([&] { EXPECT_EQ(E_FAIL, classifier.getClassificationIndex(*fine, wrongMap)); });
  // A tree deeper than the library walks is refused, not recursed into.
  KuvEeNode* deep = c.option();
  for (int i = 0; i < 50000; ++i) deep = Not(deep);
  EXPECT_TRACES(E_FAIL, "ERROR: expression too deep", classifier.classify(*own(deep), result));
  EXPECT_TRUE(result.equals(KuvEVCClassification(0)));
}
