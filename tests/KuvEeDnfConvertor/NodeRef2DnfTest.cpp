#include <gtest/gtest.h>

#include <memory>

#include "KuvDnfOptionEff.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEeMakeDnfNode.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvTbDnfBuilder.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;

namespace {

std::unique_ptr<KuvDnf> dnfOf(const KuvEeNodeRef& ref) { return std::unique_ptr<KuvDnf>(KuvEeDnfConvertor::NodeRef2Dnf(ref)); }

Tree treeOf(KuvEeNode* node) { return own(node); }

}  // namespace

// Random trees keep their truth table through the conversion, and the
// input tree is left as it was.
TEST(NodeRef2Dnf, KeepsTheTruthTable) {
  TruthModel m;
  for (int maxNodes : {3, 6, 12}) {
    TreeGenerator generator(m, 31, {.maxNodes = maxNodes, .notFlag = false, .domainOverLeavesOnly = true,
                                    .changes = maxNodes == 6});
    for (int i = 0; i < (maxNodes == 12 ? 600 : 200); ++i) {
      Tree tree = generator.next();
      const std::string before = text(*tree);
      std::unique_ptr<KuvDnf> dnf = dnfOf(*tree);
      ASSERT_NE(nullptr, dnf) << before;
      EXPECT_EQ(before, text(*tree));
      ASSERT_EQ(truthTable(m, *tree), dnfTable(m, *dnf)) << before << "\n" << dnf->toString().ConvertToChar();
    }
  }
}

TEST(NodeRef2Dnf, Shapes) {
  TruthModel m;
  EXPECT_EQ(DNF_COND_TRUE, dnfOf(*treeOf(new KuvEeTrue))->getSpecialCondition());
  EXPECT_EQ(0, dnfOf(*treeOf(new KuvEeTrue))->getNbAndTerms());
  EXPECT_EQ(DNF_COND_FALSE, dnfOf(*treeOf(new KuvEeFalse))->getSpecialCondition());
  std::unique_ptr<KuvDnf> one = dnfOf(*treeOf(optionLeaf(m, 0)));
  ASSERT_EQ(1, one->getNbAndTerms());
  ASSERT_EQ(1, one->getAndTerm(0)->getNbDnfLeaves());
  EXPECT_EQ(KuvDnfLeaf::Kind::Option, one->getAndTerm(0)->getDnfLeaf(0)->getKind());
  EXPECT_TRUE(KuvDnfAndTermMap::isObjectOfThisType(*one->getAndTerm(0)));

  // a And (b Or c): two terms of two leaves.
  std::unique_ptr<KuvDnf> two = dnfOf(*treeOf(And({optionLeaf(m, 0), Or({optionLeaf(m, 1), optionLeaf(m, 2)})})));
  ASSERT_EQ(2, two->getNbAndTerms());
  EXPECT_EQ(2, two->getAndTerm(0)->getNbDnfLeaves());
  EXPECT_EQ(2, two->getAndTerm(1)->getNbDnfLeaves());

  // Not (a Or b): one term of two negated leaves.
  std::unique_ptr<KuvDnf> neither = dnfOf(*treeOf(Not(Or({optionLeaf(m, 0), optionLeaf(m, 1)}))));
  ASSERT_EQ(1, neither->getNbAndTerms());
  ASSERT_EQ(2, neither->getAndTerm(0)->getNbDnfLeaves());
  for (const KuvDnfLeaf* leaf : neither->getAndTerm(0)->leaves()) EXPECT_TRUE(leaf->isNegated());

  // Two leaves on one option merge before the map term could refuse them.
  std::unique_ptr<KuvDnf> merged = dnfOf(*treeOf(And({optionLeaf(m, 0), optionLeaf(m, 0)})));
  ASSERT_NE(nullptr, merged);
  EXPECT_EQ(1, merged->getAndTerm(0)->getNbDnfLeaves());
}

// The reader takes only disjunctive shapes; a map term refuses two leaves
// on one option where a list term takes them.
TEST(NodeRef2Dnf, ReaderRefusesWhatIsNotDisjunctive) {
  TruthModel m;
  Tree twice = treeOf(And({optionLeaf(m, 0), optionLeaf(m, 0)}));
  EXPECT_EQ(nullptr, KuvTbDnfBuilder::createDnf(*twice, KuvDnfAndTermFactory::Map));
  std::unique_ptr<KuvDnf> listed(KuvTbDnfBuilder::createDnf(*twice, KuvDnfAndTermFactory::List));
  ASSERT_NE(nullptr, listed);
  EXPECT_EQ(2, listed->getAndTerm(0)->getNbDnfLeaves());

  EXPECT_EQ(nullptr, KuvTbDnfBuilder::createDnf(*treeOf(Not(optionLeaf(m, 0))), KuvDnfAndTermFactory::Map));
  const Tree nested = treeOf(And({Or({optionLeaf(m, 0), optionLeaf(m, 1)}), optionLeaf(m, 2)}));
  EXPECT_EQ(nullptr, KuvTbDnfBuilder::createDnf(*nested, KuvDnfAndTermFactory::Map));
}
