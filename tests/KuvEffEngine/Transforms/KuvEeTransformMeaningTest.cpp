// The truth-table oracle, then the transforms checked against it.
#include "support/KuvTestSupport.h"

#include "KuvEeTransformLists.h"
#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

namespace {

KuvEeNode* OptionLeaf(const TruthModel& m, int option, std::uint32_t value, bool negated = false) {
  auto* eff = new KuvEeOptionEff(m.options[option].get(), value);
  if (negated) eff->opNot();
  return new KuvEeVarEffLeaf(eff);
}

KuvEeNode* EffLeaf(const TruthModel& m, int eff, bool negated = false) {
  auto* leaf = new KuvEeEffLeaf(m.effs[eff].get());
  if (negated) leaf->opNot();
  return leaf;
}

using Transform = std::function<HRESULT(KuvEeNodeRef&)>;

// Transforms random trees, small ones first so that the first failure
// reported is a small tree, and checks that each keeps its truth table.
void expectKeepsMeaning(const TruthModel& m, const Transform& transform, TreeGenerator::Options options,
                        std::uint32_t seed) {
  for (int maxNodes : {3, 6, 12}) {
    options.maxNodes = maxNodes;
    TreeGenerator generator(m, seed, options);
    const int count = maxNodes == 12 ? 1400 : 300;
    for (int i = 0; i < count; ++i) {
      Tree tree = generator.next();
      const Tree before(tree->getNode()->clone());
      const std::optional<TruthTable> expected = truthTable(m, *tree);
      ASSERT_TRUE(SUCCEEDED(transform(*tree))) << text(*before);
      ASSERT_EQ(expected, truthTable(m, *tree)) << text(*before) << "\nbecame\n" << text(*tree);
    }
  }
}

void expectKeepsMeaning(const Transform& transform, TreeGenerator::Options options, std::uint32_t seed) {
  TruthModel m;
  expectKeepsMeaning(m, transform, options, seed);
}

}  // namespace

// The oracle itself: the sizes of a few sets are known by hand (25920
// configurations, an option's three states splitting them in thirds).
TEST(TruthTable, KnownSetsHaveTheirSizes) {
  TruthModel m;
  // The number of configurations in the set a tree (taken over) stands for;
  // -1 for a tree without meaning.
  auto size = [&m](KuvEeNode* node) {
    const std::optional<TruthTable> table = truthTable(m, *own(node));
    return table ? static_cast<int>(table->count()) : -1;
  };
  const int all = TruthModel::kConfigs;
  EXPECT_EQ(all, size(T()));
  EXPECT_EQ(all / 3, size(OptionLeaf(m, 0, KuvEeOptionEff::T)));
  EXPECT_EQ(2 * all / 3, size(OptionLeaf(m, 0, KuvEeOptionEff::T, true)));         // {F, N}
  EXPECT_EQ(all / 3, size(NotDom(OptionLeaf(m, 0, KuvEeOptionEff::T))));           // {F}
  EXPECT_EQ(2 * all / 3, size(Not(NotDom(OptionLeaf(m, 0, KuvEeOptionEff::T)))));  // {T, N}
  EXPECT_EQ(all / 9, size(And({OptionLeaf(m, 0, KuvEeOptionEff::T), OptionLeaf(m, 1, KuvEeOptionEff::T)})));
  // NotDomain pushed through Or: both options valued and not selected.
  EXPECT_EQ(all / 9,
            size(NotDom(Or({OptionLeaf(m, 0, KuvEeOptionEff::T), OptionLeaf(m, 1, KuvEeOptionEff::T)}))));
  // A colour that is red or blue: half of the four states.
  auto* colour = new KuvEeSelectionEff(m.selection.get(), KuvEeSelectionEff::AllFalse);
  colour->add(m.values[0]);
  colour->add(m.values[2]);
  EXPECT_EQ(all / 2, size(new KuvEeVarEffLeaf(colour)));
  // Serial numbers ]1,3]: 2 and 3 of the six states 0..4 and no value.
  auto* units = new KuvEeSerialEff(m.serial.get(), KuvEeSerialEff::AllFalse);
  ASSERT_EQ(S_OK, units->set(1, false, 3, true));
  EXPECT_EQ(all / 3, size(new KuvEeVarEffLeaf(units)));
  // The first day or no date: two of five states; negated, the other three.
  KuvEeDateEff day(m.date.get(), KuvEeDateEff::AllFalse);
  ASSERT_EQ(S_OK, day.set(KuvInDate(2001, 1, 1, 1, 1, 1), KuvInDate(2001, 1, 1, 24, 60, 60)));
  day.orNoVar();
  EXPECT_EQ(2 * all / 5, size(new KuvEeVarEffLeaf(day.createVarEffClone())));
  EXPECT_EQ(3 * all / 5, size(Not(new KuvEeVarEffLeaf(day.createVarEffClone()))));
  // An effectivity holds in half the configurations, negated or not; with
  // its negation, in all; not at all under a negation within the domain.
  EXPECT_EQ(all / 6, size(And({EffLeaf(m, 1), OptionLeaf(m, 0, KuvEeOptionEff::T)})));
  EXPECT_EQ(all / 6, size(And({EffLeaf(m, 1, true), OptionLeaf(m, 0, KuvEeOptionEff::T)})));
  EXPECT_EQ(all, size(Or({EffLeaf(m, 0), Not(EffLeaf(m, 0))})));
  EXPECT_EQ(all / 4, size(And({changeLeaf(m), EffLeaf(m, 0, true)})));
  EXPECT_EQ(-1, size(NotDom(EffLeaf(m, 0))));
  // Negation within the domain of a set holding no value has no meaning.
  EXPECT_EQ(-1, size(NotDom(OptionLeaf(m, 0, KuvEeOptionEff::T | KuvEeOptionEff::N))));
  EXPECT_EQ(-1, size(NotDom(T())));
}

TEST(TruthTable, GeneratedTreesAreReproducibleAndVaried) {
  TruthModel m;
  TreeGenerator a(m, 7, {}), b(m, 7, {});
  std::size_t distinctSizes = 0, last = 0;
  for (int i = 0; i < 50; ++i) {
    Tree x = a.next(), y = b.next();
    EXPECT_EQ(text(*x), text(*y));
    const std::size_t size = truthTable(m, *x)->count();
    distinctSizes += size != last;
    last = size;
  }
  EXPECT_GT(distinctSizes, 25U);
}

TEST(TruthTable, CloningKeepsTheTruthTable) {
  TruthModel m;
  TreeGenerator generator(m, 20261205, {});
  for (int i = 0; i < 1000; ++i) {
    Tree tree = generator.next();
    KuvEeNodeCloner cloner;
    Tree copy(cloner.clone(*tree));
    ASSERT_NE(nullptr, copy);
    ASSERT_EQ(truthTable(m, *tree), truthTable(m, *copy)) << text(*tree);
  }
}

// Flagged Not nodes make the not-remover negate leaves within the domain on
// purpose, so they stay out of the trees of the not-remover and of the
// simplifier (which runs it); negations within the domain stay right above
// leaves that cannot fold for the simplifier and the normalizer (see
// TreeGenerator::Options).
// Each switch is off for a quarter of the trees, its node kind then a
// barrier with the pending negations rebuilt above it.
TEST(TransformMeaning, NotRemoverUnderAnySwitchesKeepsTheTruthTable) {
  using R = KuvEeNodeNotRemover;
  std::mt19937 random(19);
  expectKeepsMeaning(
      [&random](KuvEeNodeRef& ref) {
        R remover(1);
        for (auto off : {&R::setStatus_True, &R::setStatus_False, &R::setStatus_EffLeaf,
                         &R::setStatus_VarEffLeaf})
          if (random() % 4 == 0) (remover.*off)(0);
        return remover.removeNots(ref, R::RemNots_None);
      },
      {.notFlag = false}, 11);
}

TEST(TransformMeaning, SimplifierKeepsTheTruthTable) {
  expectKeepsMeaning([](KuvEeNodeRef& ref) { return KuvEeNodeSimplifier().simplify(ref); },
                     {.notFlag = false, .domainOverLeavesOnly = true}, 12);
}

TEST(TransformMeaning, NormalizerKeepsTheTruthTable) {
  expectKeepsMeaning([](KuvEeNodeRef& ref) { return KuvEeNodeNormalizer().normalize(ref); },
                     {.domainOverLeavesOnly = true}, 13);
}

// The developer removes negations first and normalizes each product it
// makes: its trees are those of the not-remover and the normalizer.
TEST(TransformMeaning, DeveloperKeepsTheTruthTable) {
  expectKeepsMeaning([](KuvEeNodeRef& ref) { return KuvEeNodeDeveloper().develop(ref); },
                     {.notFlag = false, .domainOverLeavesOnly = true}, 17);
}

// Grouping under a random mode and selection of families, development,
// merging and ungrouping give back a tree of the same meaning, with no group
// left over.
TEST(TransformMeaning, GroupingRoundTripsThroughDevelopment) {
  std::mt19937 random(23);
  expectKeepsMeaning(
      [&random](KuvEeNodeRef& ref) {
        KuvCoreEVC_NodeClassifier classifier;
        KuvEeNodeGroupMaker maker(classifier, static_cast<KuvEeNodeGroupMaker::GROUP_MODE>(random() % 3));
        for (std::uint32_t index = 0; index <= 5; ++index)
          if (random() % 2 == 0) maker.selectClassificationIndex(KuvInIntHolder(index));
        KuvEeNodeGroupContext context(ref);
        HRESULT hr = maker.groupNode(context);
        if (SUCCEEDED(hr)) hr = KuvEeNodeDeveloper().develop(ref);
        if (SUCCEEDED(hr)) hr = maker.mergeSimilarChildren(context);
        if (SUCCEEDED(hr)) hr = maker.ungroupNode(context);
        return SUCCEEDED(hr) && context.hasGroupedNodes() ? E_UNEXPECTED : hr;
      },
      {.notFlag = false, .domainOverLeavesOnly = true, .changes = true}, 18);
}

namespace {

// Completes the tree as one term: an And of it and a restriction of each
// kind listing every variable of that kind, as completion lists those its
// term mentions.
void complete(const TruthModel& m, KuvEeNodeRef& ref) {
  auto* term = new KuvEeAndOp;
  KuvEeNode* tree = ref.getNode();
  tree->switchWith(term);
  term->addChild(tree);
  auto restrict = [&](KuvEeRestrictionEff* restriction, std::initializer_list<KuvInObject*> vars) {
    KuvInSet set;
    for (KuvInObject* var : vars) set.Put(var);
    EXPECT_EQ(restriction->setVariables(set), S_OK);
    term->addChild(new KuvEeRestrictionEffLeaf(restriction));
  };
  restrict(new KuvEeSerialRestrictionEff, {m.serial.get()});
  restrict(new KuvEeDateRestrictionEff, {m.date.get()});
  restrict(new KuvEeSelectionRestrictionEff, {m.selection.get()});
  restrict(new KuvEeCategoryOptionRestrictionEff,
           {m.options[0].get(), m.options[1].get(), m.options[2].get()});
}

// Deletes the restriction leaves of every And, as removing the completion
// does.
void removeCompletion(KuvEeNode& node) {
  const KuvEeOp* op = KuvEeOp::cast(node);
  if (op == nullptr) return;
  for (KuvEeNode* child : children(*op)) {
    if (KuvEeRestrictionEffLeaf::isObjectOfThisType(*child) && KuvEeAndOp::isObjectOfThisType(node))
      KuvEeGroupOp::cast(node)->deleteChild(child);
    else
      removeCompletion(*child);
  }
}

}  // namespace

// Nothing merges into the restrictions of a completed term as it is
// developed and normalized: removing them from every And of the result
// gives back the meaning of the term.
TEST(TransformMeaning, CompletionRoundTripsThroughNormalizationAndDevelopment) {
  TruthModel m;
  expectKeepsMeaning(
      m,
      [&m](KuvEeNodeRef& ref) {
        complete(m, ref);
        HRESULT hr = KuvEeNodeDeveloper().develop(ref);
        removeCompletion(*ref.getNode());
        return hr;
      },
      {.notFlag = false, .domainOverLeavesOnly = true}, 16);
}

namespace {

// The leaf merge as first written: every leaf against every later one.
HRESULT mergeEveryPair(kuv::detail::NodeList& leaves, kuv::detail::NodeList& others, bool isAnd,
                       bool (*isMergeable)(const KuvEeNode*), bool& composite) {
  std::size_t i = 0;
  while (i < leaves.size()) {
    bool merged = false;
    for (std::size_t j = i + 1; j < leaves.size() && !merged; ++j) {
      const auto* a = static_cast<const KuvEeNodeLeaf*>(leaves[i]->getNode());
      const auto* b = static_cast<const KuvEeNodeLeaf*>(leaves[j]->getNode());
      KuvEeNode* out = nullptr;
      HRESULT hr = isAnd ? a->opAnd(b, out) : a->opOr(b, out);
      if (FAILED(hr)) {
        if (out != nullptr) delete out->getNodeRef();
        return hr;
      }
      if (out == nullptr) continue;
      kuv::detail::OwnedNode result(out->getNodeRef());
      leaves.erase(leaves.begin() + static_cast<std::ptrdiff_t>(j));
      leaves.erase(leaves.begin() + static_cast<std::ptrdiff_t>(i));
      (isMergeable(out) ? leaves : others).push_back(std::move(result));
      composite = composite || !isMergeable(out);
      merged = true;
    }
    if (!merged) ++i;
  }
  return S_OK;
}

std::string texts(const kuv::detail::NodeList& list) {
  std::string all;
  for (const auto& ref : list) all += text(*ref) + "\n";
  return all;
}

}  // namespace

// Random lists of criterion leaves over few criteria, restrictions (with
// variables or without, negated or not), constants and effectivity leaves:
// the merge that tries only leaves that can combine ends as the pairwise
// one, leaves and composite results in the same order.
TEST(TransformMeaning, LeafMergeEndsAsThePairwiseOne) {
  TruthModel m;
  TreeGenerator generator(m, 14, {});
  std::mt19937 random(15);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto randomLeaf = [&]() -> KuvEeNode* {
    switch (pick(8)) {
      case 0: {
        auto* restriction = pick(2) != 0 ? static_cast<KuvEeRestrictionEff*>(new KuvEeSerialRestrictionEff)
                                         : new KuvEeDateRestrictionEff;
        KuvInSet set;
        if (pick(2) != 0) set.Put(KuvEeSerialRestrictionEff::isObjectOfThisType(*restriction)
                                      ? static_cast<KuvInObject*>(m.serial.get())
                                      : m.date.get());
        EXPECT_EQ(restriction->setVariables(set), S_OK);
        if (pick(2) != 0) restriction->opNot();
        return new KuvEeRestrictionEffLeaf(restriction);
      }
      case 1:
        return pick(2) != 0 ? T() : F();
      case 2:
        return generator.effLeaf();
      default:
        return new KuvEeVarEffLeaf(generator.varEff());
    }
  };
  bool (*const mergeable[2])(const KuvEeNode*) = {
      [](const KuvEeNode* node) { return KuvEeNodeLeaf::cast(*node) != nullptr; },
      [](const KuvEeNode* node) { return KuvEeNodeElementaryLeaf::cast(*node) != nullptr; }};
  int merges = 0;
  for (int round = 0; round < 3000; ++round) {
    kuv::detail::NodeList leaves[2];
    const int count = 1 + pick(12);
    for (int n = count; n > 0; --n) {
      Tree leaf = own(randomLeaf());
      leaves[1].emplace_back(leaf->getNode()->clone());
      leaves[0].push_back(std::move(leaf));
    }
    const std::string before = texts(leaves[0]);
    const bool isAnd = pick(2) != 0;
    bool (*const isMergeable)(const KuvEeNode*) = mergeable[pick(2)];
    kuv::detail::NodeList others[2];
    bool composite[2] = {false, false};
    const HRESULT expected = mergeEveryPair(leaves[0], others[0], isAnd, isMergeable, composite[0]);
    ASSERT_EQ(expected, kuv::detail::mergeLeaves(leaves[1], &others[1], isAnd, isMergeable, composite[1]))
        << before;
    ASSERT_EQ(texts(leaves[0]), texts(leaves[1])) << (isAnd ? "And of\n" : "Or of\n") << before;
    ASSERT_EQ(texts(others[0]), texts(others[1])) << before;
    ASSERT_EQ(composite[0], composite[1]) << before;
    merges += leaves[0].size() + others[0].size() < static_cast<std::size_t>(count);
  }
  EXPECT_GT(merges, 1000);
}
