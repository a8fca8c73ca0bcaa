// The pattern checker: the accepted shapes, the part each gives, and the
// refused ones.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"

using namespace kuv_test;

// part: the index of the root's child that is the part, kWhole for the tree
// itself, kNone.
TEST(KuvEeNodeEVCFPatternCheckerTest, FindsThePartBesideOneGroupOfReferences) {
  Criteria c;
  KuvEeBasicEff other("Other", Guid(200).data());
  auto e1 = [&] { return c.inheritedLeaf(); };
  auto e2 = [&] { return c.effLeaf(other); };
  constexpr int kNone = -1;
  constexpr int kWhole = -2;
  struct Case { std::function<KuvEeNode*()> tree; unsigned char compatible; int part; };
  const Case cases[] = {
      {[&] { return e1(); }, 1, kNone},
      {[&] { return Or({e1(), e2()}); }, 1, kNone},
      {[&] { return And({Or({e1(), e2()}), c.option()}); }, 1, 1},
      {[&] { return And({c.units(), e1()}); }, 1, 0},
      {[&] { return And({e1(), c.changeLeaf()}); }, 1, 1},
      {[&] { return And({c.option(), c.date()}); }, 1, kWhole},
      {[&] { return And({e1(), e2(), c.option()}); }, 0, kNone},
      {[&] { return And({e1(), e2()}); }, 0, kNone},
      {[&] { return Or({e1(), c.option()}); }, 0, kNone},
      {[&] { return And({Or({e1(), c.option()}), c.option()}); }, 0, kNone},
      {[&] { return And({Not(e1()), c.option()}); }, 0, kNone},
  };
  for (const Case& k : cases) {
    Tree tree = own(k.tree());
    SCOPED_TRACE(shape(*tree));
    KuvEeNodeEVCFPatternChecker checker;
    unsigned char compatible = 7;
    KuvEeNodeRef* part = tree.get();
    ASSERT_EQ(checker.checkPatternToFindEVCPart(*tree, compatible, part), S_OK);
    EXPECT_EQ(compatible, k.compatible);
    const KuvEeNodeRef* expected = k.part == kNone    ? nullptr
                                   : k.part == kWhole ? tree.get()
                                                      : children(*KuvEeOp::cast(*tree->getNode()))[k.part]->getNodeRef();
    EXPECT_EQ(part, expected);
    EXPECT_EQ(checker.isExpressionCompatibleToPattern(*tree, compatible), S_OK);
    EXPECT_EQ(compatible, k.compatible);
  }
}
