// The variable-effectivity leaf in trees: merging through the leaf algebra,
// visiting, cloning, and handing its effectivity back.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeVarEffTestSupport.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using kuv_test::own;
using kuv_test::text;

namespace {

using O = KuvEeOptionEff;

KuvEeVarEffLeaf* leaf(KuvEeOptionVar* var, std::uint32_t value, bool negated = false) {
  auto* eff = new O(var, value);
  if (negated) eff->opNot();
  return new KuvEeVarEffLeaf(eff);
}

const O& optionOf(const KuvEeNode* node) { return *O::cast(*KuvEeVarEffLeaf::cast(*node)->getVarEff()); }

}  // namespace

// A leaf whose effectivity was taken away cannot merge, from either side.
TEST(KuvEeVarEffLeaf, MergingWithALeafWithoutEffectivityFailsAndChangesNothing) {
  kuv_test::TestVars vars;
  KuvEeVarEffLeaf full(new O(vars.option, O::T)), empty(nullptr);
  bool merged = true;
  EXPECT_TRACES(E_FAIL, "ERROR: opAnd failed", full.opAnd(&empty, merged));
  EXPECT_FALSE(merged);
  EXPECT_TRACES(E_FAIL, "ERROR: opOr failed", empty.opOr(&full, merged));
  EXPECT_FALSE(merged);
  EXPECT_EQ(text(full), "EeVarEffLeaf : OptionEff( Sunroof{T__} )");
  EXPECT_EQ(text(empty), "EeVarEffLeaf : ERROR");
}

TEST(KuvEeVarEffLeaf, LeavesOfOtherKindsDoNotMerge) {
  kuv_test::TestVars vars;
  auto a = own(leaf(vars.option, O::T));
  auto test = own(kuv_test::L(3));
  auto* la = KuvEeVarEffLeaf::cast(*a->getNode());
  bool merged = true;
  EXPECT_EQ(la->opAnd(KuvEeNodeElementaryLeaf::cast(*test->getNode()), merged), S_OK);
  EXPECT_FALSE(merged);
  EXPECT_EQ(optionOf(la).getValue(), static_cast<std::uint32_t>(O::T));
}

TEST(KuvEeVarEffLeaf, NegationConstantsAndTexts) {
  kuv_test::TestVars vars;
  auto a = own(leaf(vars.option, O::T));
  auto* la = KuvEeVarEffLeaf::cast(*a->getNode());
  KuvEeNode* out = nullptr;
  ASSERT_EQ(la->opNot(out), S_OK);
  auto notA = own(out);
  EXPECT_EQ(text(*out), "EeVarEffLeaf : OptionEff( ! Sunroof{T__} )");
  EXPECT_FALSE(optionOf(la).isNegated());

  la->setVarEff(new O(vars.option, O::AllTrue));
  EXPECT_TRUE(la->isEquivalentToTrue());
  la->setVarEff(la->getVarEff());  // its own given back: kept, not freed
  EXPECT_TRUE(la->isEquivalentToTrue());

  EXPECT_FALSE(KuvEeVarEffLeaf(nullptr).isEquivalentToTrue());
}

TEST(KuvEeVarEffLeaf, VisitingCloningAndKeepingTheEffectivity) {
  kuv_test::TestVars vars;
  KuvEeVarEffLeaf* first = leaf(vars.option, O::T);
  auto tree = own(kuv_test::And(
      {first, kuv_test::Not(new KuvEeVarEffLeaf(new KuvEeDateEff(vars.date, KuvEeDateEff::AllTrue)))}));

  struct Counter : KuvEeNodeWalker {
    int leaves = 0;
    HRESULT visitVarEffLeaf(KuvEeVarEffLeaf&) override {
      ++leaves;
      return S_OK;
    }
  } counter;
  EXPECT_EQ(tree->getNode()->acceptVisitor(counter), S_OK);
  EXPECT_EQ(counter.leaves, 2);

  kuv_test::Tree copy(tree->getNode()->clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(text(*copy), text(*tree));
  // The copy has effectivities of its own.
  auto* copiedFirst = KuvEeVarEffLeaf::cast(*kuv_test::children(*KuvEeOp::cast(*copy->getNode()))[0]);
  EXPECT_NE(copiedFirst->getVarEff(), first->getVarEff());
  copiedFirst->opNot();
  EXPECT_NE(text(*copy), text(*tree));

  // The effectivity outlives its leaf, which leaves its tree.
  KuvEeVarEff* kept = KuvEeVarEffLeaf::DeleteLeafKeepVarEff(first);
  std::unique_ptr<KuvEeVarEff> owned(kept);
  EXPECT_EQ(first, nullptr);
  EXPECT_EQ(text(*kept), "OptionEff( Sunroof{T__} )");
  EXPECT_EQ(kuv_test::children(*KuvEeOp::cast(*tree->getNode())).size(), 1U);
}
