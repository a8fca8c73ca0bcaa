// Listing the change actions of an applicability and replacing one of them
// by the date it took effect.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

namespace {

struct Changes : Criteria {
  KuvEePredefEff other{"ECO2", Guid(108).data(), true, KuvEePredefEff::GLOBAL};
  KuvEePredefEff third{"ECO3", Guid(109).data(), true, KuvEePredefEff::CONTEXTUAL};
};

}  // namespace

TEST(KuvECAGuidCollectorTest, CollectsEachPredefinedTargetOnceUnderEveryOperator) {
  Changes c;
  Tree tree = own(And({c.changeLeaf(), Not(c.effLeaf(c.other)), c.changeLeaf(),
                       NotDom(Or({c.effLeaf(c.third, true), c.inheritedLeaf(), c.effLeaf(c.group)})), c.date(),
                       Criteria::restriction(new KuvEeDateRestrictionEff), T()}));
  KuvInSetVal found(KuvInGuid::sType());
  KuvECAGuidCollector collector;
  ASSERT_EQ(S_OK, collector.collect(*tree, found));
  EXPECT_EQ(3, found.GetLength());
  for (const KuvEePredefEff* change : {&c.change, &c.other, &c.third})
    EXPECT_TRUE(found.Find(&change->getGuid())) << text(*change);
}

TEST(KuvECAGuidCollectorTest, RefusalsLeaveTheSetAlone) {
  Changes c;
  Tree tree = own(c.changeLeaf());
  KuvInSetVal names(KuvInString::sType());
  names.Put(KuvInString("kept"));
  KuvECAGuidCollector collector;
  EXPECT_TRACES(E_INVALIDARG, "must be a set of KuvInGuid", collector.collect(*tree, names));
  EXPECT_EQ(1, names.GetLength());
  // The walk fails at the symbol, after the change was met.
  Tree unresolved = own(And({c.changeLeaf(), new KuvEeEffSymbolLeaf(KuvInString("Eff1"), nullptr)}));
  KuvInSetVal found(KuvInGuid::sType());
  EXPECT_TRACES(E_FAIL, "has failed in KuvECAGuidCollector::collect.", collector.collect(*unresolved, found));
  EXPECT_EQ(0, found.GetLength());
}

TEST(KuvHistorizationCommutatorTest, ReplacesEveryReferenceOutsideNotDomainByADateLeaf) {
  Changes c;
  Tree dateLeaf = own(c.date());
  const KuvEeDateEff& from = *KuvEeDateEff::cast(*KuvEeVarEffLeaf::cast(*dateLeaf->getNode())->getVarEff());
  struct Case {
    const char* name;
    KuvEeNode* tree;
    KuvEeNode* expected;
    HRESULT rc;
  };
  const Case cases[] = {
      {"in an Or", Or({c.changeLeaf(), c.effLeaf(c.other)}), Or({c.date(), c.effLeaf(c.other)}), S_OK},
      {"at the root", c.changeLeaf(), c.date(), S_OK},
      {"negated leaf", And({c.option(), c.effLeaf(c.change, true)}), And({c.option(), Not(c.date())}), S_OK},
      {"under Not, twice", Not(Or({c.changeLeaf(), c.changeLeaf()})), Not(Or({c.date(), c.date()})), S_OK},
      {"absent", Or({c.effLeaf(c.other), c.units()}), Or({c.effLeaf(c.other), c.units()}), S_FALSE},
      {"under NotDomain", NotDom(c.changeLeaf()), NotDom(c.changeLeaf()), S_FALSE},
      {"failing walk", And({c.changeLeaf(), new KuvEeEffSymbolLeaf(KuvInString("Eff1"), nullptr)}),
       And({c.changeLeaf(), new KuvEeEffSymbolLeaf(KuvInString("Eff1"), nullptr)}), E_FAIL},
  };
  KuvHistorizationApplicabilityByDateCommutator commutator;
  for (const Case& k : cases) {
    Tree tree = own(k.tree), expected = own(k.expected);
    captured([&] { EXPECT_EQ(k.rc, commutator.commute(*tree, c.change.getGuid(), from)) << k.name; });
    EXPECT_EQ(text(*expected), text(*tree)) << k.name;
  }
  // Each new leaf owns its date: the caller's may go first.
  Tree tree = own(And({c.changeLeaf(), c.option()}));
  {
    Tree ownDate = own(c.date(true));
    ASSERT_EQ(S_OK, commutator.commute(*tree, c.change.getGuid(),
                                       *KuvEeDateEff::cast(*KuvEeVarEffLeaf::cast(*ownDate->getNode())->getVarEff())));
  }
  Tree expected = own(And({c.date(true), c.option()}));
  EXPECT_EQ(text(*expected), text(*tree));
}

namespace {

// Whether a tree refers to an effectivity through a leaf in a constant
// state (always true or always false), which no date can stand for.
class ConstantRefFinder : public KuvEeNodeWalker {
public:
  HRESULT visitEffLeaf(KuvEeEffLeaf& leaf) override {
    found = found || leaf.isEquivalentToTrue() || leaf.isEquivalentToFalse();
    return S_OK;
  }
  bool found = false;
};

}  // namespace

// Once the change's applicability is the date's, an applicability means the
// same whether it refers to the change or to the date.
TEST(KuvHistorizationCommutatorTest, KeepsTheMeaningWhenTheChangeIsTheDate) {
  TruthModel m;
  TreeGenerator generator(m, 20261208, {.domainOverLeavesOnly = true, .changes = true});
  KuvHistorizationApplicabilityByDateCommutator commutator;
  int commuted = 0;
  for (int i = 0; i < 400; ++i) {
    std::unique_ptr<KuvEeNodeRef> tree = generator.next();
    ConstantRefFinder finder;
    ASSERT_EQ(tree->getNode()->acceptVisitor(finder), S_OK);
    if (finder.found) continue;
    std::unique_ptr<KuvEeVarEff> eff(generator.varEff());
    while (KuvEeDateEff::cast(*eff) == nullptr) eff.reset(generator.varEff());
    const KuvEeDateEff& date = *KuvEeDateEff::cast(*eff);
    Tree dateLeaf = own(new KuvEeVarEffLeaf(new KuvEeDateEff(date)));
    const TruthTable expected = substitute(*truthTable(m, *tree), TruthModel::kEffs, *truthTable(m, *dateLeaf));
    const HRESULT rc = commutator.commute(*tree, m.change->getGuid(), date);
    ASSERT_TRUE(rc == S_OK || rc == S_FALSE);
    commuted += rc == S_OK;
    ASSERT_EQ(*truthTable(m, *tree), expected) << i << " " << text(*tree);
  }
  EXPECT_GT(commuted, 60);
}
