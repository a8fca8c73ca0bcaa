// The tree transformers on readable examples: the simplifier, the
// normalizer, the developer and the not-remover. Meaning preservation over
// random trees is pinned by the property tests.
#include "support/KuvTestSupport.h"

#include "KuvEeTransformDepth.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using namespace kuv_test;

namespace {

// A leaf on an option whose combination with And is scripted: Split gives
// the composite Or(p, q) of two other options, Fail fails.
class ScriptedLeaf : public KuvEeVarEffLeaf {
public:
  using KuvEeVarEffLeaf::opAnd;
  enum Script { Split, Fail };

  ScriptedLeaf(KuvEeOptionVar* var, Script script, KuvEeOptionVar* p, KuvEeOptionVar* q)
      : KuvEeVarEffLeaf(new KuvEeOptionEff(var, KuvEeOptionEff::T)), m_script(script), m_p(p), m_q(q) {}

  HRESULT opAnd(const KuvEeNodeLeaf*, KuvEeNode*& out) const override {
    if (m_script == Fail) return E_UNEXPECTED;
    out = Or({new KuvEeVarEffLeaf(new KuvEeOptionEff(m_p, KuvEeOptionEff::T)),
              new KuvEeVarEffLeaf(new KuvEeOptionEff(m_q, KuvEeOptionEff::T))});
    return S_OK;
  }

private:
  Script m_script;
  KuvEeOptionVar* m_p;
  KuvEeOptionVar* m_q;
};

HRESULT simplify(KuvEeNodeRef& ref) { return KuvEeNodeSimplifier().simplify(ref); }
HRESULT normalize(KuvEeNodeRef& ref) { return KuvEeNodeNormalizer().normalize(ref); }
HRESULT develop(KuvEeNodeRef& ref) { return KuvEeNodeDeveloper().develop(ref); }
HRESULT removeNots(KuvEeNodeRef& ref) {
  return KuvEeNodeNotRemover(1).removeNots(ref, KuvEeNodeNotRemover::RemNots_None);
}

class NodeTransformTest : public testing::Test {
protected:
  NodeTransformTest() {
    unsigned char bytes[16] = {};
    for (const char* name : {"a", "b", "c", "d", "x", "y", "p", "q", "r", "s"}) {
      bytes[15] = static_cast<unsigned char>(*name);
      m_options[*name] = std::make_unique<KuvEeBasicOptionVar>(name, KuvInGuid(bytes));
    }
  }

  KuvEeOptionVar* option(char name) { return m_options.at(name).get(); }

  // A leaf on option name admitting the states bits (T = 1, F = 2, N = 4);
  // negated leaves admit the complement.
  KuvEeNode* leaf(char name, std::uint32_t bits = KuvEeOptionEff::T, bool negated = false) {
    auto* eff = new KuvEeOptionEff(option(name), bits);
    if (negated) eff->opNot();
    return new KuvEeVarEffLeaf(eff);
  }
  KuvEeNode* neg(char name) { return leaf(name, KuvEeOptionEff::T, true); }
  KuvEeNode* allTrue(char name) {
    return new KuvEeVarEffLeaf(new KuvEeOptionEff(option(name), KuvEeOptionEff::AllTrue));
  }

  static std::string print(const Tree& tree) { return shape(*tree); }

  std::map<char, std::unique_ptr<KuvEeOptionVar>> m_options;
};

// Each transformer on readable trees: the simplifier flattens, absorbs,
// merges leaves of one option and puts negated children last; the
// normalizer folds constants and merges under And only; the developer
// distributes And over Or and normalizes each product.
TEST_F(NodeTransformTest, TransformersOnExamples) {
  struct { HRESULT (*run)(KuvEeNodeRef&); KuvEeNode* tree; const char* expected; } cases[] = {
      {simplify, And({leaf('a'), And({leaf('b'), leaf('c')}), T()}), "And(a,b,c)"},
      // Two leaves on one option merge; an empty merge is False.
      {simplify, And({leaf('a', 1), leaf('a', 2), leaf('b')}), "F"},
      // A merge result joins the end of the leaves and is tried again.
      {simplify, And({leaf('a', 3), leaf('b'), leaf('a', 5), leaf('a', 1)}), "And(b,a)"},
      {simplify, And({Not(Or({leaf('x'), leaf('y')})), leaf('a'), neg('b'), leaf('c')}),
       "And(a,c,!b,Not(Or(x,y)))"},
      {simplify, Not(And({leaf('a'), And({leaf('b'), T()})})), "Not(And(a,b))"},
      // A merge result that is no leaf keeps its place before the other nodes.
      {simplify,
       And({new ScriptedLeaf(option('x'), ScriptedLeaf::Split, option('p'), option('q')),
            new ScriptedLeaf(option('x'), ScriptedLeaf::Split, option('p'), option('q')),
            Or({leaf('r'), leaf('s')})}),
       "And(Or(p,q),Or(r,s))"},
      // An And left with a single group child carries on with that child.
      {simplify, Or({And({Or({leaf('a'), Or({leaf('b')})}), T()})}), "Or(a,b)"},
      {normalize, Or({F(), F()}), "F"},
      {normalize, And({leaf('a', 3), Or({leaf('b'), leaf('c')}), leaf('a', 1)}), "And(a,Or(b,c))"},
      {normalize, Or({leaf('a', 1), leaf('a', 2)}), "Or(a,a:F)"},
      {normalize, And({leaf('a'), And({leaf('b'), T()}), Not(And({leaf('c'), T()}))}), "And(a,b,Not(c))"},
      // An And whose leaves merged into a composite node is developed.
      {normalize,
       And({new ScriptedLeaf(option('x'), ScriptedLeaf::Split, option('p'), option('q')),
            new ScriptedLeaf(option('x'), ScriptedLeaf::Split, option('p'), option('q')),
            Or({leaf('r'), leaf('s')})}),
       "Or(And(r,p),And(r,q),And(s,p),And(s,q))"},
      {develop, And({Or({leaf('a'), leaf('b')}), Or({leaf('c'), leaf('d')})}),
       "Or(And(a,c),And(a,d),And(b,c),And(b,d))"},
      {develop, And({leaf('a'), Or({leaf('b'), leaf('c')}), leaf('d')}), "Or(And(a,b,d),And(a,c,d))"},
      // Later leaves join every term as they are, unless one folds or
      // merges with a leaf a term holds: that product is normalized whole.
      {develop,
       And({leaf('a'), leaf('b'), Or({leaf('c'), leaf('d')}), allTrue('x'), leaf('c', 3), leaf('y'),
            Or({leaf('p'), leaf('q')}), Or({leaf('a', 2), leaf('r')})}),
       "Or(And(a,b,c,y,p,r),And(a,b,c,y,q,r),And(a,b,d,c:TF,y,p,r),And(a,b,d,c:TF,y,q,r))"},
      {develop, Not(And({leaf('a'), leaf('b')})), "Or(!a,!b)"},
      // a and !a merge to False and vanish.
      {develop, And({Or({leaf('a'), leaf('b')}), neg('a')}), "And(b,!a)"},
  };
  for (const auto& c : cases) {
    Tree tree = own(c.tree);
    const std::string before = print(tree);
    EXPECT_EQ(c.run(*tree), S_OK) << before;
    EXPECT_EQ(print(tree), c.expected) << before;
  }
}

// Where nothing traces their steps, development and normalization build
// or keep Ands of leaves on distinct options directly; with the
// normalizer's calls traced both take the general path. Random Ands of
// leaves and of Ors of leaves and Ands, on options shared between factors
// or not, negated or on several states, with constants and leaves
// equivalent to True among them, come out the same both ways.
TEST_F(NodeTransformTest, ShortcutsGiveTheGeneralResult) {
  std::mt19937 random(21);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const char names[] = "abcdxypqrs";
  const std::uint32_t states[] = {KuvEeOptionEff::T, KuvEeOptionEff::T | KuvEeOptionEff::F,
                                  KuvEeOptionEff::T | KuvEeOptionEff::N};
  int plainDistinct = 0;
  for (int round = 0; round < 800; ++round) {
    const bool distinct = pick(2) != 0;
    bool plain = true;
    int next = 0;
    auto randomLeaf = [&]() -> KuvEeNode* {
      const int kind = pick(16);
      plain = plain && kind > 2;
      if (kind == 0) return T();
      if (kind == 1) return F();
      if (kind == 2) return allTrue(names[pick(10)]);
      const bool negated = pick(4) == 0;  // drawn in sequence: the same trees from every compiler
      const std::uint32_t state = states[pick(3)];
      return leaf(distinct ? names[next++ % 10] : names[pick(4)], state, negated);
    };
    auto* root = new KuvEeAndOp;
    for (int factors = 2 + pick(3); factors > 0; --factors) {
      if (pick(3) == 0) {
        root->addChild(randomLeaf());
        continue;
      }
      auto* orOp = new KuvEeOrOp;
      for (int width = 2 + pick(2); width > 0; --width)
        orOp->addChild(pick(4) == 0 ? And({randomLeaf(), randomLeaf()}) : randomLeaf());
      root->addChild(orOp);
    }
    Tree tree = own(root);
    plainDistinct += distinct && plain;
    for (auto run : {develop, normalize}) {
      Tree shortcut(tree->getNode()->clone());
      Tree general(tree->getNode()->clone());
      const HRESULT expected = run(*shortcut);
      ScopedFlags calls(KuvEeNodeNormalizer::traceChannel(), 3);
      captured([&] { EXPECT_EQ(run(*general), expected) << print(tree); });
      ASSERT_EQ(print(shortcut), print(general)) << print(tree);
    }
  }
  EXPECT_GT(plainDistinct, 60);
}

TEST_F(NodeTransformTest, SimplifierRefusesOperatorsLeftWithoutChildren) {
  const std::pair<KuvEeNode*, const char*> cases[] = {
      {And({T(), T()}), "ERROR: Incorrect case"}, {Or({F(), F()}), "ERROR: Incorrect case"},
      {And({allTrue('a'), T()}), "ERROR: Incorrect case"}, {Not(), "ERROR: NULL pointer"},
      {And({leaf('a'), NotDom()}), "ERROR: NULL pointer"}};
  for (const auto& [node, message] : cases) {
    Tree tree = own(node);
    EXPECT_TRACES(E_FAIL, message, simplify(*tree));
  }
}

TEST_F(NodeTransformTest, FailedLeafMergeKeepsTheTreeWhole) {
  Tree tree = own(And({leaf('x'), new ScriptedLeaf(option('a'), ScriptedLeaf::Fail, nullptr, nullptr),
                       Or({leaf('b'), leaf('c')}), leaf('y')}));
  EXPECT_TRACES(E_UNEXPECTED, "ERROR: andOp failed", simplify(*tree));
  EXPECT_EQ(print(tree), "And(x,a,y,Or(b,c))");
  EXPECT_TRACES(E_UNEXPECTED, "", normalize(*tree));
  EXPECT_EQ(print(tree), "And(x,a,y,Or(b,c))");
}

TEST_F(NodeTransformTest, NotRemoverPushesNegationsUnderItsSwitches) {
  using R = KuvEeNodeNotRemover;
  // off: a switch turned off, or null.
  struct { KuvEeNode* tree; R::E_RemNots state; void (R::*off)(unsigned char); const char* expected; }
  cases[] = {
      {Not(And({leaf('a'), leaf('b')})), R::RemNots_None, nullptr, "Or(!a,!b)"},
      {NotDom(leaf('a')), R::RemNots_None, nullptr, "!a:TN"},
      {Not(And({leaf('a'), leaf('b')})), R::RemNots_None, &R::setStatus_AndOp, "Not(And(a,b))"},
      {Or({leaf('a'), Not(leaf('b'))}), R::RemNots_NotDomain, &R::setStatus_OrOp, "Dom(Or(a,!b))"},
      {And({leaf('a'), leaf('b')}), R::RemNots_Not, nullptr, "Or(!a,!b)"},
      // In states 3 and 4 And/Or stay; a leaf barrier shows what is pending.
      {And({leaf('a'), leaf('b')}), R::RemNots_NotThenNotDomain, &R::setStatus_VarEffLeaf,
       "And(Not(Dom(a)),Not(Dom(b)))"},
      {Or({leaf('a')}), R::RemNots_NotDomainThenNot, &R::setStatus_VarEffLeaf, "Or(Dom(Not(a)))"},
  };
  for (const auto& c : cases) {
    Tree tree = own(c.tree);
    const std::string before = print(tree);
    R remover(1);
    if (c.off != nullptr) (remover.*c.off)(0);
    EXPECT_EQ(remover.removeNots(*tree, c.state), S_OK) << before;
    EXPECT_EQ(print(tree), c.expected) << before << " from " << c.state;
  }
}

TEST_F(NodeTransformTest, NotRemoverRefusesUnsupportedStates) {
  struct { KuvEeNode* tree; std::int32_t state; bool barrier; const char* message; } cases[] = {
      {And({leaf('a')}), 7, false, "ERROR: NULL pointer"},
      {leaf('a'), 7, true, "ERROR: Incorrect/Unsupported case"},
      {T(), KuvEeNodeNotRemover::RemNots_NotDomain, false, "ERROR: Unexpected/Unsupported case"},
      {leaf('a'), 5, false, "ERROR: Incorrect/Unsupported case"},
      // The complement within the domain of a set holding no value fails.
      {leaf('a', 5), KuvEeNodeNotRemover::RemNots_NotDomain, false, "ERROR: opNotDom failed"},
  };
  for (const auto& c : cases) {
    Tree tree = own(c.tree);
    KuvEeNodeNotRemover remover(c.barrier ? 0 : 1);
    EXPECT_TRACES(E_FAIL, c.message,
                  remover.removeNots(*tree, static_cast<KuvEeNodeNotRemover::E_RemNots>(c.state)));
  }
}

TEST_F(NodeTransformTest, FlaggedNotKeepsLaterNegationsWithinTheDomain) {
  // A fresh remover's marker is pinned by the third tree below.
  KuvEeNodeNotRemover remover(1);
  Tree first = own(Not(leaf('a'), 1));
  ASSERT_EQ(remover.removeNots(*first, KuvEeNodeNotRemover::RemNots_None), S_OK);
  EXPECT_EQ(remover.getDomainNegationMarker(), 1);
  EXPECT_EQ(print(first), "!a:TN");

  // The marker outlives the call: an unflagged Not on another tree too, but
  // an already negated effectivity is still complemented.
  Tree second = own(Or({Not(leaf('b')), Not(neg('c'))}));
  ASSERT_EQ(remover.removeNots(*second, KuvEeNodeNotRemover::RemNots_None), S_OK);
  EXPECT_EQ(print(second), "Or(!b:TN,c)");
  EXPECT_EQ(remover.getDomainNegationMarker(), 1);

  KuvEeNodeNotRemover fresh(1);
  Tree third = own(Not(leaf('b')));
  ASSERT_EQ(fresh.removeNots(*third, KuvEeNodeNotRemover::RemNots_None), S_OK);
  EXPECT_EQ(print(third), "!b");
  EXPECT_EQ(fresh.getDomainNegationMarker(), 0);
}

TEST_F(NodeTransformTest, NormalizerTracesTheTreeBeforeAndAfter) {
  Tree tree = own(And({T(), T()}));
  ScopedFlags calls(KuvEeNodeNormalizer::traceChannel(), 3);
  const std::string out = captured([&] { EXPECT_EQ(normalize(*tree), S_OK); });
  const std::size_t before = out.find("Normalize:\n"), after = out.find("...Normalized:\n");
  ASSERT_NE(before, std::string::npos);
  ASSERT_NE(after, std::string::npos);
  EXPECT_NE(out.find(" AND -/-TRUE", before), std::string::npos);
  EXPECT_NE(out.find("TRUE", after), std::string::npos);
}

// Chains far deeper than any stack allows are refused before any change;
// trees at the limit go through.
TEST_F(NodeTransformTest, DeepTreesFailClearlyOrSucceed) {
  auto notChain = [&](int depth) {
    KuvEeNode* node = leaf('a');
    for (int i = 0; i < depth; ++i) node = Not(node);
    return own(node);
  };
  auto andOrNesting = [&](int depth) {
    KuvEeNode* node = leaf('a');
    for (int i = 0; i < depth; ++i) node = i % 2 ? And({leaf('b'), node}) : Or({leaf('c'), node});
    return own(node);
  };
  HRESULT (*const runs[])(KuvEeNodeRef&) = {simplify, normalize, develop, removeNots};
  for (bool chain : {true, false}) {
    Tree tree = chain ? notChain(50000) : andOrNesting(50000);
    KuvEeNode* root = tree->getNode();
    for (auto run : runs) EXPECT_TRACES(E_FAIL, "ERROR: expression too deep", run(*tree));
    EXPECT_EQ(tree->getNode(), root);
    EXPECT_TRACES(nullptr, "ERROR: expression too deep", KuvEeNodeCloner().clone(*tree));
  }
  const int limit = kuv::detail::kMaxTransformDepth - 1;
  // The normalizer keeps negations; development of the nesting is
  // quadratic and left out.
  const struct { const char* chainResult; bool nesting; } atLimit[] = {
      {"!a", true}, {nullptr, true}, {"!a", false}, {"!a", true}};
  for (int i = 0; i < 4; ++i) {
    Tree chain = notChain(limit);
    EXPECT_EQ(runs[i](*chain), S_OK);
    if (atLimit[i].chainResult != nullptr) {
      EXPECT_EQ(print(chain), atLimit[i].chainResult);
    }
    if (atLimit[i].nesting) {
      Tree nesting = andOrNesting(limit);
      EXPECT_EQ(runs[i](*nesting), S_OK);
    }
  }
}

TEST_F(NodeTransformTest, ExpressionsSimplifyAndDevelopTheirTrees) {
  KuvEeGenericExpression generic(And({leaf('a'), And({leaf('b'), leaf('c')}), T()})->getNodeRef());
  EXPECT_EQ(generic.simplify(), S_OK);
  EXPECT_EQ(shape(generic.GetNodeRef()->getNode()), "And(a,b,c)");

  KuvEeGenericExpression list;
  ASSERT_EQ(list.SetExpression(new KuvQmSpecList, KuvEeGenericExpression::CFG_LISTMODE_STRICT), S_OK);
  EXPECT_EQ(list.simplify(), S_FALSE);
  EXPECT_TRUE(list.IsList());
  KuvEeFilterExpression filter(nullptr, new KuvQmSpecList);
  EXPECT_EQ(filter.simplify(), S_FALSE);

  KuvEeEffectivityExpression effectivity;
  effectivity.setGlobalCriteria(And({Or({leaf('a'), leaf('b')}), leaf('c'), T()})->getNodeRef());
  EXPECT_EQ(effectivity.develop(), S_OK);
  EXPECT_EQ(shape(effectivity.getGlobalCriteria()->getNode()), "Or(And(a,c),And(b,c))");
  effectivity.setGlobalCriteria(Or({F(), F()})->getNodeRef());
  EXPECT_TRACES(E_FAIL, "ERROR: simplify failed", effectivity.simplify());
}

}  // namespace
