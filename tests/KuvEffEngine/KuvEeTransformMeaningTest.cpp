#include <gtest/gtest.h>

#include <functional>

#include "KuvEeNodeNormalizer.h"
#include "KuvEeNodeNotRemover.h"
#include "KuvEeNodeSimplifier.h"
#include "KuvEeNodeTestSupport.h"
#include "TruthTable.h"

using namespace kuvtest;

namespace {

using Transform = std::function<HRESULT(KuvEeNodeRef&)>;

// Transforms random trees, small ones first so that the first failure
// reported is a small tree, and checks that each keeps its truth table.
void expectKeepsMeaning(const Transform& transform, TreeGenerator::Options options, std::uint32_t seed) {
  TruthModel m;
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

}  // namespace

// Flagged Not nodes make the not-remover negate leaves within the domain on
// purpose, so they stay out of the trees of the not-remover and of the
// simplifier (which runs it); negations within the domain stay right above
// leaves that cannot fold for the simplifier and the normalizer (see
// TreeGenerator::Options).
TEST(TransformMeaning, NotRemoverWithEverySwitchOnKeepsTheTruthTable) {
  expectKeepsMeaning(
      [](KuvEeNodeRef& ref) { return KuvEeNodeNotRemover(1).removeNots(ref, KuvEeNodeNotRemover::RemNots_None); },
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
