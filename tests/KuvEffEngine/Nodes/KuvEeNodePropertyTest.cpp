// Rewriting keeps the Boolean value of a tree: random trees of And, Or, Not,
// NotDomain, True, False (and criterion leaves, read as one Boolean
// variable over four values) evaluate the same after flattening, after
// absorption bottom-up and as clones.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using namespace kuv_test;

namespace {

KuvEeNode* randomTree(std::mt19937& rng, int depth, bool withLeaves) {
  const int kinds = withLeaves ? 7 : 6;
  int kind = static_cast<int>(rng() % kinds);
  if (depth == 0 && kind < 4) kind = 4 + static_cast<int>(rng() % (kinds - 4));
  switch (kind) {
    case 0:
    case 1: {
      auto* op = kind == 0 ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
      for (unsigned n = rng() % 5; n > 0; --n) op->addChild(randomTree(rng, depth - 1, withLeaves));
      return op;
    }
    case 2:
      return Not(randomTree(rng, depth - 1, withLeaves), static_cast<unsigned char>(rng() % 2));
    case 3:
      return NotDom(randomTree(rng, depth - 1, withLeaves));
    case 4:
      return T();
    case 5:
      return F();
    default:
      return L(rng() % 16);
  }
}

// Every node reference in post-order: children before their parent, so a
// rewrite of a node never frees a reference still to be visited.
void postOrder(KuvEeNodeRef* ref, std::vector<KuvEeNodeRef*>& out) {
  if (const KuvEeOp* op = KuvEeOp::cast(*ref->getNode()))
    for (KuvEeNode* child : children(*op)) postOrder(child->getNodeRef(), out);
  out.push_back(ref);
}

template <class Rule>
void bottomUp(KuvEeNodeRef& root, Rule rule) {
  std::vector<KuvEeNodeRef*> refs;
  postOrder(&root, refs);
  for (KuvEeNodeRef* ref : refs)
    if (KuvEeGroupOp* op = KuvEeGroupOp::cast(*ref->getNode())) rule(*op);
}

std::vector<bool> values(const KuvEeNodeRef& root) {
  std::vector<bool> result;
  for (unsigned v = 0; v < 4; ++v) result.push_back(evaluate(root.getNode(), v));
  return result;
}

// After full flattening no operator has a child of its own kind; after
// absorption every operator has two children or more and none is a constant.
void expectNormalized(const KuvEeNode* node, bool absorbed, const std::string& context) {
  const KuvEeOp* op = KuvEeOp::cast(*node);
  if (op == nullptr) return;
  std::vector<KuvEeNode*> kids = children(*op);
  const bool isGroup = KuvEeGroupOp::isObjectOfThisType(*node);
  EXPECT_TRUE(!isGroup || !absorbed || kids.size() >= 2) << context;
  for (const KuvEeNode* child : kids) {
    EXPECT_TRUE(!isGroup || child->dType() != node->dType()) << context;
    EXPECT_TRUE(!isGroup || !absorbed || !KuvEeAbsoluteNode::isObjectOfThisType(*child)) << context;
    expectNormalized(child, absorbed, context);
  }
}

TEST(KuvEeNodePropertyTest, RewritingAndCloningKeepTheValueOfRandomTrees) {
  std::mt19937 rng(20240611);
  const int live = TestLeaf::s_live;
  for (int round = 0; round < 400; ++round) {
    const bool withLeaves = round % 2 == 1;
    const auto mode = round % 4 < 2 ? KuvEeGroupOp::MAKETF_ASK_LEAVES : KuvEeGroupOp::MAKETF_CONSTANTS_ONLY;
    Tree tree = own(randomTree(rng, 5, withLeaves));
    const std::string original = shape(*tree);
    const std::vector<bool> expected = values(*tree);

    if (!withLeaves) {
      Tree copy(tree->getNode()->clone());
      ASSERT_NE(copy, nullptr) << original;
      EXPECT_EQ(text(*copy), text(*tree)) << original;
      EXPECT_EQ(values(*copy), expected) << original;
    }

    bottomUp(*tree, [](KuvEeGroupOp& op) { op.appendSameNodes(); });
    EXPECT_EQ(values(*tree), expected) << original << " flattened to " << shape(*tree);
    expectNormalized(tree->getNode(), false, original);

    // A child that became its single child may now be of its parent's kind.
    bottomUp(*tree, [mode](KuvEeGroupOp& op) {
      op.appendSameNodes();
      op.removeWeakNodes(mode);
      if (!op.becomeIfNoOrSingleChild()) op.becomeIfHasStrongNode(mode);
    });
    EXPECT_EQ(values(*tree), expected) << original << " absorbed to " << shape(*tree);
    if (mode == KuvEeGroupOp::MAKETF_CONSTANTS_ONLY || !withLeaves)
      expectNormalized(tree->getNode(), true, original + " absorbed to " + shape(*tree));
  }
  EXPECT_EQ(TestLeaf::s_live, live);
}

}  // namespace
