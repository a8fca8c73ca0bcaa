// Effectivity leaves: the four states of the two flags against Boolean logic
// on "the target holds", and cloning.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using namespace kuv_test;

namespace {

// A leaf's state as the pair (admits when the target holds, admits when it
// does not), read back through the public predicates only.
using State = std::array<bool, 2>;

State stateOf(const KuvEeEffLeaf& leaf) {
  if (leaf.isEquivalentToTrue()) return {true, true};
  if (leaf.isEquivalentToFalse()) return {false, false};
  return leaf.isNegated() ? State{false, true} : State{true, false};
}

// A detached leaf on target in the given state, reached through the leaf's
// own algebra from a new leaf (A only).
std::unique_ptr<KuvEeEffLeaf> leafIn(KuvEeEffectivity& target, State state) {
  auto leaf = std::make_unique<KuvEeEffLeaf>(&target);
  KuvEeEffLeaf negated(&target);
  negated.opNot();
  bool merged = false;
  if (state[0] && state[1]) leaf->opOr(&negated, merged);
  if (!state[0] && !state[1]) leaf->opAnd(&negated, merged);
  if (!state[0] && state[1]) leaf->opNot();
  return leaf;
}

const State kStates[] = {{true, false}, {false, true}, {true, true}, {false, false}};

}  // namespace

TEST(KuvEeEffLeafTest, FourStatesFollowBooleanLogicUnderAndOrNot) {
  KuvEeBasicEff target("Eff", Guid(1).data());
  for (const State& s : kStates) {
    std::unique_ptr<KuvEeEffLeaf> leaf = leafIn(target, s);
    ASSERT_EQ(stateOf(*leaf), s);
    KuvEeNode* out = nullptr;
    ASSERT_EQ(leaf->opNot(out), S_OK);
    Tree owned(out->getNodeRef());
    EXPECT_EQ(stateOf(*KuvEeEffLeaf::cast(*out)), (State{!s[0], !s[1]}));
    EXPECT_EQ(stateOf(*leaf), s) << "opNot with out must leave the leaf alone";

    for (const State& t : kStates) {
      std::unique_ptr<KuvEeEffLeaf> other = leafIn(target, t);
      for (bool isAnd : {true, false}) {
        KuvEeNode* combined = nullptr;
        const KuvEeNodeLeaf* rhs = other.get();
        ASSERT_EQ(isAnd ? leaf->opAnd(rhs, combined) : leaf->opOr(rhs, combined), S_OK);
        ASSERT_NE(combined, nullptr);
        Tree result(combined->getNodeRef());
        State expected;
        for (int h = 0; h < 2; ++h) expected[h] = isAnd ? (s[h] && t[h]) : (s[h] || t[h]);
        EXPECT_EQ(stateOf(*KuvEeEffLeaf::cast(*combined)), expected)
            << (isAnd ? "And" : "Or") << " of " << s[0] << s[1] << " and " << t[0] << t[1];
      }
    }
  }
}

TEST(KuvEeEffLeafTest, TreesOfEffectivityLeavesCloneWithStateAndContext) {
  KuvEeBasicEff target("Eff", Guid(1).data());
  auto* negated = new KuvEeEffLeaf(&target);
  negated->opNot();
  auto* withContext = new KuvEeEffLeaf(&target);
  KuvEeModelDico model("Model", Guid(1).guid());
  KuvEeModelDico* context = &model;
  withContext->setReferencedContext(context);
  Tree root = own(And({negated, Not(withContext)}));
  Tree copy(root->getNode()->clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(text(*copy), text(*root));
  std::vector<KuvEeNode*> kids = children(*KuvEeOp::cast(*copy->getNode()));
  const KuvEeEffLeaf* first = KuvEeEffLeaf::cast(*kids[0]);
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, negated);
  const KuvEeEffLeaf* second =
      KuvEeEffLeaf::cast(*static_cast<KuvEeSingleOp*>(kids[1])->getChildRef()->getNode());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->getReferencedContext(), context);
}
