#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;

namespace {

std::unique_ptr<KuvDnf> dnfOf(const KuvEeNodeRef& ref) { return std::unique_ptr<KuvDnf>(KuvEeDnfConvertor::NodeRef2Dnf(ref)); }

TruthTable tableOf(const TruthModel& m, KuvDnf* dnf) {
  const std::unique_ptr<KuvDnf> owned(dnf);
  EXPECT_NE(nullptr, dnf);
  return dnf != nullptr ? *dnfTable(m, *dnf) : TruthTable();
}

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

// The expressions reach their normal forms through the conversions, which
// register themselves when the library loads.
TEST(ExpressionNormalForms, EveryKindGivesTheNormalFormOfItsTrees) {
  TruthModel m;
  TreeGenerator generator(m, 53, {.maxNodes = 6, .notFlag = false, .domainOverLeavesOnly = true});
  for (int i = 0; i < 60; ++i) {
    Tree a = generator.next();
    Tree b = generator.next();
    const TruthTable ta = *truthTable(m, *a), tb = *truthTable(m, *b);

    KuvEeGenericExpression generic(a->getNode()->clone());
    KuvDnf* dnf = nullptr;
    ASSERT_EQ(S_OK, generic.GetDNF(dnf));
    EXPECT_EQ(ta, tableOf(m, dnf));
    ASSERT_EQ(S_OK, generic.GetNotDNF(dnf));
    EXPECT_EQ(~ta, tableOf(m, dnf));
    KuvEeGenericExpression other(b->getNode()->clone());
    bool meets = false;
    ASSERT_EQ(S_OK, generic.IsIntersect(other, meets));
    // Two negated leaves on one variable always meet: never a miss.
    EXPECT_TRUE(meets || (ta & tb).none());

    // Valid under the global criteria And the model's record.
    KuvEeEffectivityExpression effectivity;
    KuvEeModelDico model("Model", Guid(60).guid());
    effectivity.setGlobalCriteria(a->getNode()->clone());
    KuvEeNodeRef* criteria = b->getNode()->clone();
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
    ASSERT_EQ(S_OK, effectivity.setModelCriteria(&model, record));
    ASSERT_EQ(S_OK, effectivity.getDNF(&model, dnf));
    EXPECT_EQ(ta & tb, tableOf(m, dnf));
    ASSERT_EQ(S_OK, effectivity.getGlobalCriteriaDNF(dnf));
    EXPECT_EQ(ta, tableOf(m, dnf));

    // A rule holds where its context does not or its constraint does.
    KuvEeInclusionRule rule(a->getNode()->clone(), b->getNode()->clone());
    KuvEeNodeRef* invariant = nullptr;
    ASSERT_EQ(S_OK, rule.GetInvariantConstraintExpression(invariant));
    const Tree owned(invariant);
    EXPECT_EQ(~ta | tb, *truthTable(m, *owned));
    KuvDnf* context = nullptr;
    KuvDnf* constraint = nullptr;
    ASSERT_EQ(S_OK, rule.GetDNF(context, constraint));
    EXPECT_EQ(ta, tableOf(m, context));
    EXPECT_EQ(tb, tableOf(m, constraint));
  }
}

TEST(ExpressionNormalForms, InclusionEqualityAndFilters) {
  TruthModel m;
  KuvEeGenericExpression one(own(optionLeaf(m, 0)).release());
  KuvEeGenericExpression both(own(And({optionLeaf(m, 0), optionLeaf(m, 1)})).release());
  bool answer = false;
  EXPECT_EQ(S_OK, one.IsIncluding(both, answer));
  EXPECT_TRUE(answer);
  EXPECT_EQ(S_OK, both.IsIncluding(one, answer));
  EXPECT_FALSE(answer);
  EXPECT_EQ(S_OK, one.IsEqual(one, answer));
  EXPECT_TRUE(answer);
  EXPECT_EQ(S_OK, one.IsEqual(both, answer));
  EXPECT_FALSE(answer);

  // A filter shows the configurations of all its criteria together; without
  // criteria, every configuration.
  auto* list = new KuvQmSpecList;
  KuvEeVarEff* selected = new KuvEeOptionEff(m.options[0].get(), KuvEeOptionEff::T);
  ASSERT_EQ(S_OK, list->AddVarEff(selected));
  KuvEeFilterExpression filter(nullptr, list);
  KuvDnf* dnf = nullptr;
  ASSERT_EQ(S_OK, filter.getDNF(dnf));
  EXPECT_EQ(*truthTable(m, *own(optionLeaf(m, 0))), tableOf(m, dnf));
  KuvEeFilterExpression everything;
  ASSERT_EQ(S_OK, everything.getNotDNF(dnf));
  EXPECT_EQ(DNF_COND_FALSE, dnf->getSpecialCondition());
  delete dnf;
}
