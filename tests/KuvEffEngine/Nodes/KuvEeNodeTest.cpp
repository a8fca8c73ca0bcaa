// Ownership and in-place rewriting of expression trees, and the leaf
// algebra. Run under the sanitizer preset, every test also proves that
// nothing is freed twice, used after free or leaked.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using namespace kuv_test;

namespace {

class KuvEeNodeTest : public testing::Test {
protected:
  void SetUp() override { m_live = TestLeaf::s_live; }
  void TearDown() override {
    EXPECT_EQ(TestLeaf::s_live, m_live) << "a criterion leaf was leaked or freed twice";
  }

  int m_live = 0;
  KuvEeTrue m_true;
  KuvEeFalse m_false;
};

KuvEeGroupOp* group(const Tree& tree) { return KuvEeGroupOp::cast(*tree->getNode()); }

TEST_F(KuvEeNodeTest, DeletingTheRootReferenceOrTheRootNodeFreesTheWholeTree) {
  Tree tree = own(And({L(1), Or({L(2), Not(L(3))}), NotDom(L(4))}));
  EXPECT_EQ(TestLeaf::s_live, m_live + 4);
  tree.reset();  // TearDown checks that the leaves went

  KuvEeNode* root = Or({L(1), And({L(2)})});
  delete root;  // the node takes its reference along
}

TEST_F(KuvEeNodeTest, DeletingAListedChildDirectlyTakesItOutOfItsParentFirst) {
  KuvEeNode* a = L(1);
  KuvEeNode* b = And({L(2), L(4)});
  KuvEeNode* c = L(8);
  Tree tree = own(Or({a, b, c}));
  delete b;
  EXPECT_EQ(shape(*tree), "Or(L1,L8)");
  delete c->getNodeRef();
  EXPECT_EQ(shape(*tree), "Or(L1)");

  KuvEeNode* child = L(3);
  Tree single = own(Not(child));
  delete child;
  EXPECT_EQ(KuvEeSingleOp::cast(*single->getNode())->getChildRef(), nullptr);
  EXPECT_EQ(shape(*single), "Not()");
}

TEST_F(KuvEeNodeTest, AddingAChildHeldElsewhereMovesIt) {
  KuvEeNode* moving = And({L(1), L(2)});
  Tree from = own(Or({L(4), moving, L(8)}));
  Tree to = own(And({L(3)}));
  ASSERT_EQ(group(to)->addChild(moving), S_OK);
  EXPECT_EQ(shape(*from), "Or(L4,L8)");
  EXPECT_EQ(shape(*to), "And(L3,And(L1,L2))");

  // From a single operator, and within the same operator (to the end).
  KuvEeNode* leaf = L(5);
  Tree notOp = own(Not(leaf));
  ASSERT_EQ(group(to)->addChild(leaf), S_OK);
  EXPECT_EQ(shape(*notOp), "Not()");
  ASSERT_EQ(group(to)->addChild(moving), S_OK);
  EXPECT_EQ(shape(*to), "And(L3,L5,And(L1,L2))");

  // Into a single operator: the previous child stays with whoever kept it.
  auto* single = KuvEeSingleOp::cast(*notOp->getNode());
  ASSERT_EQ(single->setChildRef(moving->getNodeRef()), S_OK);
  EXPECT_EQ(shape(*to), "And(L3,L5)");
  Tree previous(single->getChildRef());
  ASSERT_EQ(single->setChildRef(leaf->getNodeRef()), S_OK);
  EXPECT_EQ(previous->getNode(), moving);
  EXPECT_EQ(shape(*notOp), "Not(L5)");
  EXPECT_EQ(shape(*to), "And(L3)");
  ASSERT_EQ(single->setChildRef(nullptr), S_OK);
  Tree leafTree(leaf->getNodeRef());
  EXPECT_EQ(shape(*notOp), "Not()");
}

TEST_F(KuvEeNodeTest, CyclesAndNullChildrenAreRefusedAndChangeNothing) {
  KuvEeNode* inner = Or({L(1)});
  KuvEeNode* middle = Not(inner);
  Tree tree = own(And({middle, L(2)}));
  auto* innerOr = KuvEeGroupOp::cast(*inner);
  const char* cycle = "ERROR: a node cannot be a child of itself or of its descendants";
  EXPECT_TRACES(E_INVALIDARG, cycle, innerOr->addChild(inner));
  EXPECT_TRACES(E_INVALIDARG, cycle, innerOr->addChild(tree->getNode()));
  EXPECT_TRACES(E_INVALIDARG, cycle, innerOr->addChild(middle));
  EXPECT_TRACES(E_INVALIDARG, "ERROR: NULL pointer", innerOr->addChild(nullptr));
  Tree empty = own(new KuvEeAndOp);
  EXPECT_TRACES(E_INVALIDARG, cycle, KuvEeGroupOp::cast(*empty->getNode())->addChild(empty->getNode()));
  EXPECT_TRACES(E_INVALIDARG, cycle, KuvEeSingleOp::cast(*middle)->setChildRef(tree.get()));
  EXPECT_TRACES(E_INVALIDARG, cycle, KuvEeSingleOp::cast(*middle)->setChildRef(middle->getNodeRef()));
  EXPECT_EQ(shape(*tree), "And(Not(Or(L1)),L2)");
}

TEST_F(KuvEeNodeTest, ChildListOperations) {
  KuvEeNode* a = L(1);
  KuvEeNode* b = Not(L(2));
  KuvEeNode* stranger = L(4);
  Tree strangerTree(stranger->getNodeRef());
  Tree tree = own(And({a, b, L(8)}));
  KuvEeGroupOp* op = group(tree);

  EXPECT_EQ(op->deleteChild(stranger), S_FALSE);
  EXPECT_EQ(op->removeChild(stranger), S_FALSE);
  EXPECT_EQ(op->deleteChild(nullptr), S_FALSE);
  EXPECT_EQ(op->deleteChild(b), S_OK);
  EXPECT_EQ(shape(*tree), "And(L1,L8)");
  EXPECT_EQ(op->removeChild(a), S_OK);
  Tree removed(a->getNodeRef());
  EXPECT_EQ(shape(*tree), "And(L8)");
  EXPECT_EQ(op->removeChild(a), S_FALSE);

  // getChildrenRefs replaces the list's content and refuses lists of other
  // element types.
  KuvInLinkList refs(KuvEeNodeRef::sType());
  refs.PutBack(strangerTree.get());
  ASSERT_EQ(op->getChildrenRefs(refs), S_OK);
  ASSERT_EQ(refs.GetLength(), 1);
  KuvInLinkList wrong(KuvEeNode::sType());
  wrong.PutBack(stranger);
  EXPECT_TRACES(E_INVALIDARG, "", op->getChildrenRefs(wrong));
  EXPECT_EQ(wrong.Get(0), stranger);

  // Deleting the references a list gives out takes them out of the parent.
  refs.DeleteAll();
  EXPECT_EQ(shape(*tree), "And()");

  Tree twice = own(Or({L(1), And({L(2)})}));
  Tree keptA(children(*group(twice))[0]->getNodeRef());
  Tree keptB(children(*group(twice))[1]->getNodeRef());
  group(twice)->removeChildren();
  EXPECT_EQ(shape(*twice), "Or()");
  EXPECT_EQ(shape(*keptB), "And(L2)");
  ASSERT_EQ(group(twice)->addChild(keptA.release()->getNode()), S_OK);
  group(twice)->deleteChildren();
  EXPECT_EQ(shape(*twice), "Or()");

  Tree single = own(NotDom(Not(L(1))));
  auto* notDom = KuvEeSingleOp::cast(*single->getNode());
  KuvInLinkList one(KuvEeNodeRef::sType());
  ASSERT_EQ(notDom->getChildrenRefs(one), S_OK);
  ASSERT_EQ(one.GetLength(), 1);
  Tree child(notDom->getChildRef());
  notDom->removeChildren();
  EXPECT_EQ(shape(*child), "Not(L1)");
  ASSERT_EQ(notDom->getChildrenRefs(one), S_OK);
  EXPECT_EQ(one.GetLength(), 0);
  ASSERT_EQ(notDom->setChildRef(child.release()), S_OK);
  notDom->deleteChildren();
  EXPECT_EQ(shape(*single), "Dom()");
}

TEST_F(KuvEeNodeTest, BecomePutsTheOtherNodeInPlaceAndFreesTheOldOne) {
  // At the root: the caller's reference now reaches the new node.
  Tree root = own(And({L(1), L(2)}));
  KuvEeNodeRef* handle = root.get();
  root->getNode()->become(Or({L(4)}));
  EXPECT_EQ(root.get(), handle);
  EXPECT_EQ(shape(*root), "Or(L4)");

  // Inside, with a descendant of the replaced node: it leaves its own place
  // first and survives with its children.
  KuvEeNode* grandchild = Or({L(8), L(3)});
  KuvEeNode* replaced = Not(And({grandchild, L(5)}));
  Tree tree = own(And({L(1), replaced, L(2)}));
  replaced->become(grandchild);
  EXPECT_EQ(shape(*tree), "And(L1,Or(L8,L3),L2)");

  // An ancestor cannot take a node's place; null and self do nothing.
  KuvEeNode* deep = L(6);
  Tree other = own(Not(Or({deep})));
  EXPECT_NE(
      captured([&] { deep->become(other->getNode()); }).find("ERROR: a node cannot become its own ancestor"),
      std::string::npos);
  deep->become(nullptr);
  deep->become(deep);
  EXPECT_EQ(shape(*other), "Not(Or(L6))");
}

TEST_F(KuvEeNodeTest, SwitchWithExchangesPlacesAndFreesNothing) {
  Tree first = own(And({L(1)}));
  Tree second = own(Not(L(2)));
  KuvEeNode* a = first->getNode();
  KuvEeNode* b = second->getNode();
  a->switchWith(b);
  EXPECT_EQ(first->getNode(), b);
  EXPECT_EQ(second->getNode(), a);
  EXPECT_EQ(a->getNodeRef(), second.get());

  // Inside two different parents.
  KuvEeNode* x = L(4);
  KuvEeNode* y = Or({L(8)});
  Tree tree = own(And({x, Not(y), L(3)}));
  x->switchWith(y);
  EXPECT_EQ(shape(*tree), "And(Or(L8),Not(L4),L3)");

  // Wrapping a node in place: the new operator takes its place, then the
  // node becomes its child through the reference the operator was born with.
  auto* wrapper = new KuvEeNotDomainOp;
  wrapper->switchWith(x);
  ASSERT_EQ(wrapper->setChildRef(x->getNodeRef()), S_OK);
  EXPECT_EQ(shape(*tree), "And(Or(L8),Not(Dom(L4)),L3)");

  const std::string out = captured([&] {
    x->switchWith(tree->getNode());
    tree->getNode()->switchWith(x);
  });
  EXPECT_NE(out.find("ERROR: a node cannot switch with its own ancestor"), std::string::npos);
  x->switchWith(nullptr);
  EXPECT_EQ(shape(*tree), "And(Or(L8),Not(Dom(L4)),L3)");
}

TEST_F(KuvEeNodeTest, StrongAndWeakChildrenUnderBothModes) {
  constexpr auto kLeaves = KuvEeGroupOp::MAKETF_ASK_LEAVES;
  constexpr auto kConstants = KuvEeGroupOp::MAKETF_CONSTANTS_ONLY;
  // L0 is a criterion leaf equivalent to False, L15 one equivalent to True;
  // plain constants under both modes are in the property test's trees.
  struct Case { const char* tree; KuvEeGroupOp::E_MakeTF mode; bool strong; const char* withoutWeak; };
  const Case cases[] = {
      {"And(L1,L0)", kLeaves, true, "And(L1,L0)"},
      {"And(L1,L0)", kConstants, false, "And(L1,L0)"},
      {"And(T,L15,L1,T)", kLeaves, false, "And(L1)"},
      {"And(T,L15,L1)", kConstants, false, "And(L15,L1)"},
      {"Or(L15,L2)", kLeaves, true, "Or(L15,L2)"},
      {"Or(L15,L2)", static_cast<KuvEeGroupOp::E_MakeTF>(7), false, "Or(L15,L2)"},
      {"Or(F,L0,L2)", kLeaves, false, "Or(L2)"},
      {"Or(Not(F),And(F))", kLeaves, false, "Or(Not(F),And(F))"},
  };
  for (const Case& c : cases) {
    Tree absorbed = own(build(c.tree));
    EXPECT_EQ(group(absorbed)->hasStrongNode(c.mode), c.strong) << c.tree;
    EXPECT_EQ(group(absorbed)->becomeIfHasStrongNode(c.mode), c.strong) << c.tree;
    const bool isAnd = c.tree[0] == 'A';
    EXPECT_EQ(shape(*absorbed), !c.strong ? c.tree : isAnd ? "F" : "T") << c.tree;

    Tree weak = own(build(c.tree));
    group(weak)->removeWeakNodes(c.mode);
    EXPECT_EQ(shape(*weak), c.withoutWeak) << c.tree;
  }

  // And(True, True) loses both children and then stands for True.
  Tree tree = own(build("And(T,T)"));
  group(tree)->removeWeakNodes(kConstants);
  EXPECT_TRUE(group(tree)->becomeIfNoChild());
  EXPECT_EQ(shape(*tree), "T");
}

// That operators of other kinds stay is the property test's: lifting their
// children would change the value.
TEST_F(KuvEeNodeTest, AppendSameNodesFlattensOneLevelOfTheOperatorsOwnKind) {
  const std::pair<const char*, const char*> cases[] = {
      {"And(And(And(L1,L2),L3),L4)", "And(And(L1,L2),L3,L4)"},
      {"And(L1,And(L2,Or(L3)),L4,And(),And(L5))", "And(L1,L2,Or(L3),L4,L5)"},
      {"Or(Or(),Or())", "Or()"},
  };
  for (const auto& [before, after] : cases) {
    Tree tree = own(build(before));
    group(tree)->appendSameNodes();
    EXPECT_EQ(shape(*tree), after) << before;
  }

  // The lifted children now belong to the flattened operator: deleting one
  // takes it out of there.
  Tree tree = own(build("Or(Or(L1,L2),L3)"));
  group(tree)->appendSameNodes();
  delete children(*group(tree))[0];
  EXPECT_EQ(shape(*tree), "Or(L2,L3)");
}

TEST_F(KuvEeNodeTest, DeepTreesArePrintedAndFreedWithoutExhaustingTheStack) {
  constexpr int kDepth = 100000;
  KuvEeNode* node = L(1);
  for (int i = 0; i < kDepth; ++i) node = i % 2 == 0 ? Not(node) : NotDom(node);
  std::string expected;
  for (int i = 0; i < kDepth / 2; ++i) expected += "NOTDOM--NOT--";
  EXPECT_EQ(text(*node), expected + text(TestLeaf(1)));
  delete node->getNodeRef();

  node = L(2);
  for (int i = 0; i < kDepth; ++i)
    node = i % 3 == 0 ? And({node, T()}) : i % 3 == 1 ? Or({F(), node}) : Not(node);
  Tree tree = own(node);
  KuvEeGroupOp::cast(*tree->getNode())->deleteChildren();
  EXPECT_EQ(shape(*tree), "And()");

  node = L(4);
  for (int i = 0; i < kDepth; ++i) node = Not(node);
  Tree chain = own(node);
  chain->getNode()->become(new KuvEeFalse);
  EXPECT_EQ(shape(*chain), "F");
}

using LeafOp = HRESULT (KuvEeNodeLeaf::*)(const KuvEeNodeLeaf*, KuvEeNode*&) const;
constexpr LeafOp kAnd = &KuvEeNodeLeaf::opAnd;
constexpr LeafOp kOr = &KuvEeNodeLeaf::opOr;

// Applies op and returns the shape of the result ("null" for none), owning
// and freeing it.
std::string combine(const KuvEeNodeLeaf& self, LeafOp op, const KuvEeNodeLeaf* other,
                    HRESULT expected = S_OK) {
  KuvEeNode* out = nullptr;
  EXPECT_EQ((self.*op)(other, out), expected);
  Tree result(out != nullptr ? out->getNodeRef() : nullptr);
  return shape(out);
}

// The leaf algebra: constants, and criterion leaves built on the in-place
// operators of their kind. How a constant combines with a leaf is pinned
// below, from the leaf's side.
TEST_F(KuvEeNodeTest, ConstantsNegateEachOther) {
  KuvEeNode* out = nullptr;
  EXPECT_EQ(m_true.opNot(out), S_OK);
  EXPECT_EQ(shape(Tree(out->getNodeRef()).get()->getNode()), "F");
  EXPECT_EQ(m_false.opNot(out), S_OK);
  EXPECT_EQ(shape(Tree(out->getNodeRef()).get()->getNode()), "T");
}

TEST_F(KuvEeNodeTest, CriterionLeavesCombineOnlyOverTheSameCriterion) {
  static const KuvInIntHolder otherCriterion(9);
  TestLeaf a(0b0011);
  TestLeaf b(0b0110);
  TestLeaf elsewhere(0b0110, &otherCriterion);
  EXPECT_EQ(combine(a, kAnd, &b), "L2");
  EXPECT_EQ(combine(a, kOr, &b), "L7");
  EXPECT_EQ(a.mask(), 0b0011u) << "the operands stay as they were";
  EXPECT_EQ(combine(a, kAnd, &elsewhere), "null");
  EXPECT_EQ(combine(a, kOr, nullptr), "null");

  TestLeaf apart(0b0011);
  apart.m_neverMerges = true;
  EXPECT_EQ(combine(apart, kAnd, &b), "null");

  // With a constant the constant decides; other leaf kinds do not combine.
  EXPECT_EQ(combine(a, kAnd, &m_true), "L3");
  EXPECT_EQ(combine(a, kAnd, &m_false), "F");
  EXPECT_EQ(combine(a, kOr, &m_true), "T");
  EXPECT_EQ(combine(a, kOr, &m_false), "L3");

  KuvEeNode* out = nullptr;
  EXPECT_EQ(a.opNot(out), S_OK);
  EXPECT_EQ(shape(Tree(out->getNodeRef())->getNode()), "L12");
}

TEST_F(KuvEeNodeTest, CriterionLeafFailuresLeaveNoResult) {
  TestLeaf b(0b0110);
  TestLeaf failing(0b0011);
  failing.m_failing = true;
  TestLeaf uncopyable(0b0011);
  uncopyable.m_uncopyable = true;

  EXPECT_TRACES("null", "ERROR: opAnd failed", combine(failing, kAnd, &b, E_UNEXPECTED));
  EXPECT_TRACES("null", "ERROR: opOr failed", combine(failing, kOr, &b, E_UNEXPECTED));
  EXPECT_TRACES("null", "ERROR: NULL pointer", combine(uncopyable, kAnd, &b, E_FAIL));
  EXPECT_TRACES("null", "ERROR: opOr failed", combine(uncopyable, kOr, &b, E_FAIL));
  KuvEeNode* out = nullptr;
  EXPECT_TRACES(E_FAIL, "", uncopyable.opNot(out));
  EXPECT_EQ(out, nullptr);
  // True cannot copy this leaf: its failure is passed on.
  EXPECT_TRACES("null", "ERROR: NULL pointer", combine(uncopyable, kAnd, &m_true, E_FAIL));
}

// The text form of trees, as traces print it.
TEST(KuvEeNodeTextTest, BranchMarksAndLineBreakIndentation) {
  const std::pair<const char*, const char*> cases[] = {
      {"And(T,Or(F,T),Not(F))",
       " AND -/-TRUE\n"
       "      |- OR  -/-FALSE\n"
       "      |       \\-TRUE\n"
       "      \\-NOT--FALSE"},
      {"T", "TRUE"},
      {"F", "FALSE"},
      {"And()", " AND -"},
      {"Or()", " OR  -"},
      {"Or(T)", " OR  ---TRUE"},
      {"And(T,F,T)", " AND -/-TRUE\n      |-FALSE\n      \\-TRUE"},
      {"Not()", "NOT--"},
      {"Not(F)", "NOT--FALSE"},
      {"Dom()", "NOTDOM--ERROR"},
      {"Dom(T)", "NOTDOM--TRUE"},
      // A single operator indents its child's continuation lines under it.
      {"Not(Or(F,T))", "NOT-- OR  -/-FALSE\n           \\-TRUE"},
      {"Dom(And(T,F))", "NOTDOM-- AND -/-TRUE\n              \\-FALSE"},
      // The only child is the last one: its lines carry no bar.
      {"Or(And(T,F))", " OR  --- AND -/-TRUE\n              \\-FALSE"},
      // A child that is not the last keeps the bar in front of its lines.
      {"And(Or(T,F),T)", " AND -/- OR  -/-TRUE\n      |       \\-FALSE\n      \\-TRUE"},
      {"Not(Not(And(T,F)))", "NOT--NOT-- AND -/-TRUE\n                \\-FALSE"},
  };
  for (const auto& [shapeText, expected] : cases) {
    Tree tree = own(build(shapeText));
    EXPECT_EQ(text(*tree), expected) << shapeText;
    EXPECT_EQ(text(*tree), text(*tree->getNode()));
  }
}

// Each operation opens and closes its call on its class's channel, nested
// one level per call.
TEST(KuvEeNodeTextTest, NodeOperationsAreCallTraced) {
  Tree tree = own(build("And(T)"));
  ScopedFlags flags(KuvEeGroupOp::traceChannel(), 3);
  ScopedFlags andFlags(KuvEeAndOp::traceChannel(), 3);
  const std::string out = captured([&] {
    KuvEeGroupOp::cast(*tree->getNode())->addChild(new KuvEeFalse);
    KuvEeGroupOp::cast(*tree->getNode())->becomeIfHasStrongNode(KuvEeGroupOp::MAKETF_ASK_LEAVES);
  });
  EXPECT_EQ(out,
            "KuvEeGroupOp              =>  >>>> addChild {\n"
            "KuvEeGroupOp              =>  }\n"
            "KuvEeAndOp                =>  >>>> becomeIfHasStrongNode {\n"
            "KuvEeAndOp                =>  : >>>> hasStrongNode {\n"
            "KuvEeAndOp                =>  : }\n"
            "KuvEeAndOp                =>  }\n");
  EXPECT_EQ(shape(*tree), "F");
}

}  // namespace

#if defined(__GNUC__) && !defined(_WIN32)
namespace {

using kuv_test::slotOf;

struct TreeKind : KuvEeTreeBaseEff {
  static std::uint64_t selectionSlot() { return slotOf(&TreeKind::addSelection); }
};

}  // namespace

// Hosts built against the interface call through these slots; an extra
// virtual in a base would shift every slot after it.
TEST(KuvEeVirtualSlots, FollowTheInterfaceOrder) {
  using ElementaryAnd = HRESULT (KuvEeNodeElementaryLeaf::*)(const KuvEeNodeElementaryLeaf*, bool&);
  using LeafAnd = HRESULT (KuvEeNodeLeaf::*)(const KuvEeNodeLeaf*, KuvEeNode*&) const;
  using RestrictionAnd = HRESULT (KuvEeRestrictionEffLeaf::*)(const KuvEeNodeElementaryLeaf*, KuvEeNode*&) const;
  const std::pair<std::uint64_t, std::uint64_t> slots[] = {
      {slotOf(&KuvEeNode::acceptVisitor), 3},
      {slotOf(&KuvEeNode::clone), 4},
      {slotOf(&KuvEeOp::deleteChildren), 5},
      {slotOf(&KuvEeOp::childrenAcceptVisitor), 8},
      {slotOf(&KuvEeGroupOp::becomeIfSingleChild), 9},
      {slotOf(&KuvEeGroupOp::removeWeakNodes), 14},
      {slotOf(LeafAnd(&KuvEeNodeLeaf::opAnd)), 5},
      {slotOf(&KuvEeNodeLeaf::convertToTrueFalse), 10},
      {slotOf(ElementaryAnd(&KuvEeNodeElementaryLeaf::opAnd)), 11},
      {slotOf(&KuvEeNodeElementaryLeaf::getConstraintCriterion), 14},
      {slotOf(&KuvEeEffLeaf::getTargetEff), 15},
      {slotOf(&KuvEeEffLeaf::isNegated), 18},
      {slotOf(RestrictionAnd(&KuvEeRestrictionEffLeaf::opAnd)), 11},
      {slotOf(&KuvEeNodeVisitor::visitFalse), 3},
      {slotOf(&KuvEeNodeVisitor::visitRestrictionEffLeaf), 11},
      {slotOf(&KuvEeVarEff::createVarEffClone), 3},
      {slotOf(&KuvEeVarEff::switchNoVar), 16},
      {TreeKind::selectionSlot(), 17},
  };
  for (std::size_t i = 0; i < std::size(slots); ++i) EXPECT_EQ(slots[i].first, slots[i].second) << "row " << i;
}
#endif
