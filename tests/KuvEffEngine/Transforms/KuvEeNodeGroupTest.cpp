// Node grouping: which subtrees each mode groups, copies made by development
// ungrouped one by one, sibling groups merged, and the refusals. That the
// whole round keeps the meaning of a tree is a transform meaning property.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

// The context's own grouping of one node, which the maker never applies to
// a group leaf.
struct KuvEeNodeGroupContextTestPeer {
  static HRESULT groupNode(KuvEeNodeGroupContext& context, KuvEeNodeRef& ref, const KuvInSetVal& indices) {
    return context.groupNode(ref, indices);
  }
};

namespace {

const std::string kGroup = "Ref(Internal KuvEeNodeGroupContext Eff)";

KuvInSetVal indices(std::initializer_list<std::uint32_t> values) {
  KuvInSetVal set(KuvInIntHolder::sType());
  for (std::uint32_t value : values) set.Put(KuvInIntHolder(value));
  return set;
}

// The shapes of the subtrees stored behind the group leaves, sorted.
std::vector<std::string> storedShapes(const KuvEeNodeGroupContext& context) {
  KuvInSet leaves(KuvEeNodeRef::sType());
  EXPECT_EQ(S_OK, context.getGroupNodes(leaves));
  std::vector<std::string> shapes;
  for (KuvInSet::const_iterator it = leaves.cBegin(); it.IsValid();) {
    KuvEeNodeRef* subtree = nullptr;
    EXPECT_EQ(S_OK, context.getAssociatedNode(*static_cast<KuvEeNodeRef*>(it.GetGoToNext()), subtree));
    shapes.push_back(shape(*subtree));
  }
  std::sort(shapes.begin(), shapes.end());
  return shapes;
}

struct Grouping {
  TruthModel m;
  KuvCoreEVC_NodeClassifier classifier;
  KuvEeNodeGroupMaker maker{classifier, KuvEeNodeGroupMaker::GROUP_SAME_FAMILY};
  const std::string units = shape(own(unitsLeaf(m))->getNode());

  explicit Grouping(std::initializer_list<std::uint32_t> selected = {1, 2, 3}) {
    EXPECT_EQ(S_OK, maker.selectClassificationIndexes(indices(selected)));
  }
  KuvEeNode* A() { return optionLeaf(m, 0); }
  KuvEeNode* B() { return optionLeaf(m, 1); }
  KuvEeNode* U() { return unitsLeaf(m); }
};

}  // namespace

// An operator is grouped whole when its families are all selected and, in
// mode 2, its children are groups of exactly its own families.
TEST(KuvEeNodeGroupMakerTest, EachModeGroupsTheLargestSubtreesItAdmits) {
  struct Case {
    int mode;
    std::initializer_list<std::uint32_t> selected;
    bool mixedOr;  // And(Or(A, U), B) rather than And(A, B, U)
    std::string grouped;
    std::vector<std::string> stored;
  };
  Grouping g;
  const std::string U = g.units;
  const Case cases[] = {
      {2, {1}, false, "And(" + kGroup + "," + kGroup + "," + U + ")", {"Diesel", "Petrol"}},
      {0, {1, 2}, false, kGroup, {"And(Diesel,Petrol," + U + ")"}},
      {2, {1, 2}, false, "And(" + kGroup + "," + kGroup + "," + kGroup + ")", {"Diesel", U, "Petrol"}},
      {1, {1, 2, 3}, true, kGroup, {"And(Or(Diesel," + U + "),Petrol)"}},
      {2, {1, 2, 3}, true, "And(Or(" + kGroup + "," + kGroup + ")," + kGroup + ")", {"Diesel", U, "Petrol"}},
  };
  for (const Case& c : cases) {
    Grouping g(c.selected);
    g.maker.setGroupMode(static_cast<KuvEeNodeGroupMaker::GROUP_MODE>(c.mode));
    Tree tree = own(c.mixedOr ? And({Or({g.A(), g.U()}), g.B()}) : And({g.A(), g.B(), g.U()}));
    KuvEeNodeGroupContext context(*tree);
    ASSERT_EQ(S_OK, g.maker.groupNode(context));
    EXPECT_EQ(c.grouped, shape(*tree)) << "mode " << c.mode;
    EXPECT_EQ(c.stored, storedShapes(context)) << "mode " << c.mode;
    ASSERT_EQ(S_OK, context.ungroupAll());
  }
}

TEST(KuvEeNodeGroupMakerTest, AGroupedTreeIsNotGroupedAgain) {
  Grouping g;
  Tree tree = own(Or({g.A(), g.B()}));
  KuvEeNodeGroupContext context(*tree);
  ASSERT_EQ(S_OK, g.maker.groupNode(context));
  KuvInSetVal type(KuvInIntHolder::sType());
  ASSERT_EQ(S_OK, context.getGroupNodeType(*tree, type));
  EXPECT_TRUE(type == indices({1}));
  EXPECT_TRACES(E_FAIL, "ERROR: we can't group a node that has already been grouped",
                KuvEeNodeGroupContextTestPeer::groupNode(context, *tree, indices({1})));
  // The classifier knows no group effectivity.
  EXPECT_TRACES(E_FAIL, "ERROR: getClassificationIndex failed", g.maker.groupNode(context));
  EXPECT_EQ(S_OK, context.ungroupAll());
  EXPECT_EQ("Or(Diesel,Petrol)", shape(*tree));
}

// Development copies the leaf of B's group; each copy becomes a copy of B of
// its own, and B's stored subtree stays until the last copy is ungrouped.
TEST(KuvEeNodeGroupMakerTest, EveryCopyOfAGroupLeafIsUngroupedIntoItsOwnSubtree) {
  Grouping g;
  Tree tree = own(And({Or({g.A(), g.U()}), g.B()}));
  KuvEeNodeGroupContext context(*tree);
  ASSERT_EQ(S_OK, g.maker.groupNode(context));
  ASSERT_EQ(S_OK, KuvEeNodeDeveloper().develop(*tree));
  ASSERT_EQ("Or(And(" + kGroup + "," + kGroup + "),And(" + kGroup + "," + kGroup + "))", shape(*tree));
  const std::vector<KuvEeNode*> terms = children(*KuvEeOp::cast(*tree->getNode()));
  KuvEeNodeRef* copies[2] = {children(*KuvEeOp::cast(*terms[0]))[1]->getNodeRef(),
                             children(*KuvEeOp::cast(*terms[1]))[1]->getNodeRef()};
  ASSERT_EQ(S_OK, context.ungroupNode(*copies[0]));
  EXPECT_EQ("Petrol", shape(*copies[0]));
  KuvEeNodeRef* stored = nullptr;
  ASSERT_EQ(S_OK, context.getAssociatedNode(*copies[1], stored));
  EXPECT_EQ("Petrol", shape(*stored));
  ASSERT_EQ(S_OK, context.ungroupAll());
  EXPECT_FALSE(context.hasGroupedNodes());
  EXPECT_EQ("Or(And(Diesel,Petrol),And(" + g.units + ",Petrol))", shape(*tree));
  EXPECT_NE(static_cast<KuvEeVarEffLeaf*>(copies[0]->getNode())->getVarEff(),
            static_cast<KuvEeVarEffLeaf*>(copies[1]->getNode())->getVarEff());
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", context.ungroupNode(*copies[0]));
}

// A group leaf merged with its own negation admits all or nothing, yet only
// its negation flag decides what it becomes: its subtree, here.
TEST(KuvEeNodeGroupMakerTest, OnlyTheNegationOfAGroupLeafShapesItsUngrouping) {
  for (bool viaOr : {true, false}) {
    Grouping g({1});
    Tree tree = own(And({g.A(), g.U()}));
    KuvEeNodeGroupContext context(*tree);
    ASSERT_EQ(S_OK, g.maker.groupNode(context));
    auto* leaf = KuvEeEffLeaf::cast(*children(*KuvEeOp::cast(*tree->getNode()))[0]);
    std::unique_ptr<KuvEeNodeRef> negation(leaf->clone());
    ASSERT_EQ(S_OK, KuvEeEffLeaf::cast(*negation->getNode())->opNot());
    bool merged = false;
    const auto* other = KuvEeEffLeaf::cast(*negation->getNode());
    ASSERT_EQ(S_OK, viaOr ? leaf->opOr(other, merged) : leaf->opAnd(other, merged));
    ASSERT_TRUE(merged && (viaOr ? leaf->isEquivalentToTrue() : leaf->isEquivalentToFalse()));
    ASSERT_EQ(S_OK, context.ungroupAll());
    EXPECT_EQ("And(Diesel," + g.units + ")", shape(*tree)) << viaOr;
  }
}

// Groups of one set among the children of an And or an Or go under one new
// group appended to the children; the other children keep their order.
TEST(KuvEeNodeGroupMakerTest, SiblingGroupsOfOneSetMergeIntoOneGroup) {
  for (bool isAnd : {false, true}) {
    Grouping g({1});
    Tree tree = own(isAnd ? And({g.A(), g.U(), g.B()}) : Or({g.A(), g.U(), g.B()}));
    const std::string op = isAnd ? "And(" : "Or(";
    KuvEeNodeGroupContext context(*tree);
    ASSERT_EQ(S_OK, g.maker.groupNode(context));
    ASSERT_EQ(S_OK, g.maker.mergeSimilarChildren(context));
    EXPECT_EQ(op + g.units + "," + kGroup + ")", shape(*tree));
    EXPECT_EQ(std::vector<std::string>{op + "Diesel,Petrol)"}, storedShapes(context));
    ASSERT_EQ(S_OK, g.maker.ungroupNode(context));
    EXPECT_EQ(op + g.units + "," + op + "Diesel,Petrol))", shape(*tree));
  }
}

// Every walk of a context and of the maker refuses a tree deeper than any
// stack allows, before any change.
TEST(KuvEeNodeGroupMakerTest, DeepTreesAreRefusedByEveryWalk) {
  Grouping g;
  KuvEeNode* node = g.A();
  for (int i = 0; i < 50000; ++i) node = And({g.B(), node});
  Tree tree = own(node);
  KuvEeNodeGroupContext context(*tree);
  KuvInSet leaves(KuvEeNodeRef::sType());
  KuvInLinkList none(KuvEeNodeRef::sType());
  const char* message = "ERROR: expression too deep";
  EXPECT_TRACES(E_FAIL, message, context.ungroupAll());
  EXPECT_TRACES(E_FAIL, message, context.getGroupNodes(leaves));
  EXPECT_TRACES(E_FAIL, message, context.ungroupNodes(none));
  EXPECT_TRACES(E_FAIL, message, g.maker.mergeSimilarChildren(context));
  EXPECT_TRACES(E_FAIL, message, g.maker.ungroupNode(context));
  EXPECT_EQ(node, tree->getNode());
}
