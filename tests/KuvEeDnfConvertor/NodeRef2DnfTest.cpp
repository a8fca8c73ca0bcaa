#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "KuvDnfOptionEff.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeMakeDnfNode.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvTbDnfBuilder.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;

namespace {

std::unique_ptr<KuvDnf> dnfOf(const KuvEeNodeRef& ref) { return std::unique_ptr<KuvDnf>(KuvEeDnfConvertor::NodeRef2Dnf(ref)); }

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

// An And of leaves and Ors, whose development only multiplies its factors
// out where no criterion is in two factors, gives the terms of the full
// development (which a traced call brings back) in the same order, and
// fails where it fails. Factor f keeps mostly to option f and effectivity
// f; now and then a leaf on another criterion or of another kind merges,
// cancels or repeats across factors.
TEST(NodeRef2Dnf, ProductsGiveTheDevelopedTerms) {
  TruthModel m;
  TreeGenerator generator(m, 53, {.notFlag = false});
  std::mt19937 random(53);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  auto leaf = [&](int f, bool eff) -> KuvEeNode* {
    if (pick(10) == 0) return pick(2) == 0 ? generator.effLeaf() : new KuvEeVarEffLeaf(generator.varEff());
    if (eff) {
      auto* effLeaf = new KuvEeEffLeaf(m.effs[f % TruthModel::kEffs].get());
      if (pick(2) == 0) effLeaf->opNot();
      return effLeaf;
    }
    auto* option = new KuvEeOptionEff(m.options[f].get(), static_cast<std::uint32_t>(1 + pick(7)));
    if (pick(3) == 0) option->opNot();
    return new KuvEeVarEffLeaf(option);
  };
  auto group = [](KuvEeGroupOp* op, int children, const auto& child) {
    for (int i = 0; i < children; ++i) op->addChild(child(i));
    return op;
  };
  for (int i = 0; i < 300; ++i) {
    Tree tree = own(group(new KuvEeAndOp, 2 + pick(2), [&](int f) -> KuvEeNode* {
      if (pick(3) == 0) return leaf(f, pick(3) == 0);
      return group(new KuvEeOrOp, 2 + pick(2), [&](int) -> KuvEeNode* {
        if (pick(3) != 0) return leaf(f, pick(3) == 0);
        return group(new KuvEeAndOp, 2, [&](int eff) { return leaf(f, eff != 0); });
      });
    }));
    std::unique_ptr<KuvDnf> developed;
    {
      ScopedFlags traced(KuvEeMakeDnfNode::traceChannel(), 3);
      developed = dnfOf(*tree);
    }
    std::unique_ptr<KuvDnf> product = dnfOf(*tree);
    ASSERT_EQ(developed == nullptr, product == nullptr) << text(*tree);
    if (developed) {
      EXPECT_EQ(text(*developed), text(*product)) << text(*tree);
    }
  }
}

TEST(NodeRef2Dnf, Shapes) {
  TruthModel m;
  EXPECT_EQ(DNF_COND_TRUE, dnfOf(*own(new KuvEeTrue))->getSpecialCondition());
  EXPECT_EQ(0, dnfOf(*own(new KuvEeTrue))->getNbAndTerms());
  EXPECT_EQ(DNF_COND_FALSE, dnfOf(*own(new KuvEeFalse))->getSpecialCondition());
  std::unique_ptr<KuvDnf> one = dnfOf(*own(optionLeaf(m, 0)));
  ASSERT_EQ(1, one->getNbAndTerms());
  ASSERT_EQ(1, one->getAndTerm(0)->getNbDnfLeaves());
  EXPECT_EQ(KuvDnfLeaf::Kind::Option, one->getAndTerm(0)->getDnfLeaf(0)->getKind());
  EXPECT_TRUE(KuvDnfAndTermMap::isObjectOfThisType(*one->getAndTerm(0)));

  // a And (b Or c): two terms of two leaves.
  std::unique_ptr<KuvDnf> two =
      dnfOf(*own(And({optionLeaf(m, 0), Or({optionLeaf(m, 1), optionLeaf(m, 2)})})));
  ASSERT_EQ(2, two->getNbAndTerms());
  EXPECT_EQ(2, two->getAndTerm(0)->getNbDnfLeaves());
  EXPECT_EQ(2, two->getAndTerm(1)->getNbDnfLeaves());

  // Not (a Or b): one term of two negated leaves.
  std::unique_ptr<KuvDnf> neither = dnfOf(*own(Not(Or({optionLeaf(m, 0), optionLeaf(m, 1)}))));
  ASSERT_EQ(1, neither->getNbAndTerms());
  ASSERT_EQ(2, neither->getAndTerm(0)->getNbDnfLeaves());
  for (const KuvDnfLeaf* leaf : neither->getAndTerm(0)->leaves()) EXPECT_TRUE(leaf->isNegated());

  // Two leaves on one option merge before the map term could refuse them.
  std::unique_ptr<KuvDnf> merged = dnfOf(*own(And({optionLeaf(m, 0), optionLeaf(m, 0)})));
  ASSERT_NE(nullptr, merged);
  EXPECT_EQ(1, merged->getAndTerm(0)->getNbDnfLeaves());
}

// The reader takes only disjunctive shapes; a map term refuses two leaves
// on one option where a list term takes them.
TEST(NodeRef2Dnf, ReaderRefusesWhatIsNotDisjunctive) {
  TruthModel m;
  Tree twice = own(And({optionLeaf(m, 0), optionLeaf(m, 0)}));
  EXPECT_EQ(nullptr, KuvTbDnfBuilder::createDnf(*twice, KuvDnfAndTermFactory::Map));
  std::unique_ptr<KuvDnf> listed(KuvTbDnfBuilder::createDnf(*twice, KuvDnfAndTermFactory::List));
  ASSERT_NE(nullptr, listed);
  EXPECT_EQ(2, listed->getAndTerm(0)->getNbDnfLeaves());

  EXPECT_EQ(nullptr, KuvTbDnfBuilder::createDnf(*own(Not(optionLeaf(m, 0))), KuvDnfAndTermFactory::Map));
  const Tree nested = own(And({Or({optionLeaf(m, 0), optionLeaf(m, 1)}), optionLeaf(m, 2)}));
  EXPECT_EQ(nullptr, KuvTbDnfBuilder::createDnf(*nested, KuvDnfAndTermFactory::Map));

  // A root leaf that holds always has no normal-form leaf: one reason traced.
  auto* always = static_cast<KuvEeEffLeaf*>(changeLeaf(m));
  KuvEeEffLeaf negation(*always);
  bool merged = false;
  ASSERT_EQ(S_OK, negation.opNot());
  ASSERT_EQ(S_OK, always->opOr(&negation, merged));
  const Tree root = own(always);
  const std::string traced =
      captured([&] { EXPECT_EQ(nullptr, KuvTbDnfBuilder::createDnf(*root, KuvDnfAndTermFactory::Map)); });
  EXPECT_NE(std::string::npos, traced.find("ERROR: Unable to create DnfLeaf from NodeLeaf."));
  EXPECT_EQ(std::string::npos, traced.find("createDnfLeaf failed")) << traced;
}
