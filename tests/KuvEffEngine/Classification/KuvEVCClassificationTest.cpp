// The sixteen-flag classification: the typed evolution groups, the
// upper-bound rule, equality and copies.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"

using namespace kuv_test;

namespace {

const std::int32_t kEvolutionTypes[] = {12, 13, 14, 18, 19};

}  // namespace

TEST(KuvEVCClassificationTest, TypedSettersShareOneFlagPerGroupAndRefuseOtherTypes) {
  // 19 and 14 are manufacturing plans, 18 and 12 product states.
  const std::int32_t pairs[][2] = {{19, 14}, {18, 12}, {13, 13}};
  for (const auto& p : pairs) {
    KuvEVCClassification c(0);
    ASSERT_EQ(S_OK, c.setEvolutionType(p[0], 1));
    for (std::int32_t t : kEvolutionTypes)
      EXPECT_EQ(c.isEvolutionType(t), t == p[0] || t == p[1]) << p[0] << "/" << t;
    // A used group has a finite bound until it is said infinite.
    EXPECT_FALSE(c.isUpperBoundInfinite(p[1]));
    ASSERT_EQ(S_OK, c.setUpperBoundInfinite(p[1], 1));
    EXPECT_TRUE(c.isUpperBoundInfinite(p[0]));
  }

  KuvEVCClassification c(0);
  for (std::int32_t bad : {0, 1, 11, 15, 17, 20, -13}) {
    EXPECT_TRACES(E_FAIL, "ERROR: Unexpected evolution type", c.setEvolutionType(bad, 1));
    EXPECT_TRACES(E_FAIL, "ERROR: Unexpected evolution type", c.setUpperBoundInfinite(bad, 1));
    EXPECT_FALSE(c.isEvolutionType(bad));
    EXPECT_FALSE(c.isUpperBoundInfinite(bad));
  }
  EXPECT_TRUE(c.equals(KuvEVCClassification(0))) << "refused types change nothing";
}

TEST(KuvEVCClassificationTest, EqualityHashAndCopiesCoverAllSixteenFlags) {
  KuvEVCClassification a(0);
  a.setRestriction(1);
  a.setEvolutionType(18, 1);
  KuvEVCClassification b(a);
  EXPECT_TRUE(a.equals(b));
  EXPECT_EQ(a.hash(), b.hash());
  b.setUpperBoundInfinite(12, 1);
  EXPECT_FALSE(a.equals(b));
  EXPECT_FALSE(a.equals(KuvInIntHolder(0)));

  std::unique_ptr<KuvInObjectVal> copy(&a.clone());
  EXPECT_TRUE(copy->equals(a));
  alignas(KuvEVCClassification) unsigned char place[sizeof(KuvEVCClassification)];
  KuvInObjectVal& inPlace = a.clone(place);
  EXPECT_TRUE(inPlace.equals(a));
  inPlace.~KuvInObjectVal();
}
