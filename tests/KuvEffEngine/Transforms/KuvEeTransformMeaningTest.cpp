#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "KuvCoreEVC_NodeClassifier.h"
#include "KuvEeDateVar.h"
#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeGroupContext.h"
#include "KuvEeNodeGroupMaker.h"
#include "KuvEeNodeNormalizer.h"
#include "KuvEeNodeNotRemover.h"
#include "KuvEeNodeSimplifier.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvEeOptionVar.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTransformLists.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInIntHolder.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

namespace {

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
