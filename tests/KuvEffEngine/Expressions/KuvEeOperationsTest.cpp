// Combined trees mean the Boolean combination of their operands, which
// stay as they were.
#include "KuvEffEngine/TruthTable.h"
#include "support/KuvTestSupport.h"

using kuv_test::TreeGenerator;
using kuv_test::truthTable;
using kuv_test::TruthModel;

TEST(KuvEeOperationsTest, CombinationsMeanTheirOperandsCombined) {
  const TruthModel m;
  TreeGenerator trees(m, 41, {.maxNodes = 8});
  int negations = 0;
  for (int i = 0; i < 100; ++i) {
    const std::unique_ptr<KuvEeNodeRef> a = trees.next(), b = trees.next();
    const KuvInString textA = a->toString(), textB = b->toString();
    KuvEeNodeRef *both = nullptr, *either = nullptr, *negated = nullptr;
    ASSERT_EQ(S_OK, KuvEeOperations::And(*a, *b, both));
    ASSERT_EQ(S_OK, KuvEeOperations::Or(*a, *b, either));
    ASSERT_EQ(S_OK, KuvEeOperations::Not(*a, negated));
    const kuv_test::Tree owned[] = {kuv_test::Tree(both), kuv_test::Tree(either), kuv_test::Tree(negated)};
    const auto ta = truthTable(m, *a), tb = truthTable(m, *b);
    ASSERT_TRUE(ta && tb);
    EXPECT_EQ(*ta & *tb, truthTable(m, *both)) << i;
    EXPECT_EQ(*ta | *tb, truthTable(m, *either)) << i;
    // A negation within the domain under the new Not may lose its meaning
    // in the model (a set holding no-value); the rest must hold.
    if (const auto tn = truthTable(m, *negated)) {
      EXPECT_EQ(~*ta, *tn) << i;
      ++negations;
    }
    EXPECT_TRUE(textA == a->toString() && textB == b->toString()) << "operands are copied, not taken";
  }
  EXPECT_GT(negations, 80);
}

TEST(KuvEeOperationsTest, AResultAlreadyHeldIsRefused) {
  const TruthModel m;
  TreeGenerator trees(m, 42, {});
  const std::unique_ptr<KuvEeNodeRef> a = trees.next();
  KuvEeNodeRef* held = a.get();
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Output tree pointer is not null.", KuvEeOperations::And(*a, *a, held));
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Output tree pointer is not null.", KuvEeOperations::Or(*a, *a, held));
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Output tree pointer is not null.", KuvEeOperations::Not(*a, held));
  EXPECT_EQ(a.get(), held);
}
