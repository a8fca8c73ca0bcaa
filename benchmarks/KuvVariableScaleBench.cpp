// Tree variables as they grow: combining selections of a few elements of a
// large flat series, and filling and searching a no-tree-mode bag.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include <memory>
#include <string>
#include <vector>

namespace {

KuvInTreeEvalIndex indexOf(const std::string& text) {
  KuvInTreeEvalIndex index;
  KuvInTreeEvalIndex::BuildFromString(text.c_str(), index);
  return index;
}

// Element i of a flat series covers the single position 1.i.
std::string childIndex(std::int64_t i) { return "1." + std::to_string(i) + "-1." + std::to_string(i); }

// A series whose root (1-2) holds n elements side by side.
struct FlatSeries {
  explicit FlatSeries(std::int64_t n) {
    auto* root = new KuvEeTreeSeriesElement("Root", guid, "A", indexOf("1-2"), &var, nullptr);
    var.setRootTreeSeriesElement(root);
    for (std::int64_t i = 1; i <= n; ++i) {
      auto* element = new KuvEeTreeSeriesElement("E", guid, "A", indexOf(childIndex(i)), &var, root);
      root->addChild(element);
      elements.push_back(element);
    }
  }

  unsigned char guid[16] = {9};
  KuvEeTreeSeriesVar var{"Series", guid, KuvEeSerialVar::TREE_STATE, nullptr};
  std::vector<KuvEeTreeSeriesElement*> elements;
};

KuvInListVal singleSelection(KuvEeTreeSeriesElement* element) {
  KuvEeTreeSeriesSelection selection;
  selection.setSingleSelection(KuvEeTreeSeriesSelectionBound(element, true));
  KuvInListVal list(KuvEeTreeSeriesSelection::sType());
  list.PutBack(selection);
  return list;
}

}  // namespace

// The Or of two one-element selections: its cost should follow the
// selections, not the series.
static void BM_TreeSelectionOrInFlatSeries(benchmark::State& state) {
  FlatSeries series(state.range(0));
  const KuvInListVal first = singleSelection(series.elements[series.elements.size() / 3]);
  const KuvInListVal second = singleSelection(series.elements[2 * series.elements.size() / 3]);
  // The variable orders its elements once, on the first combination.
  KuvInListVal warm(first);
  KuvEeTreeSelection::opAdd(warm, second);
  for (auto _ : state) {
    KuvInListVal result(first);
    KuvEeTreeSelection::opAdd(result, second);
    benchmark::DoNotOptimize(result.GetLength());
  }
}
BENCHMARK(BM_TreeSelectionOrInFlatSeries)
    ->RangeMultiplier(4)
    ->Range(1000, 64000)
    ->Unit(benchmark::kMillisecond);

// n elements put into a no-tree-mode bag, then each found by its index.
static void BM_NoTreeBagAddAndFind(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  std::vector<KuvInTreeEvalIndex> indices;
  for (std::int64_t i = 1; i <= n; ++i) indices.push_back(indexOf(childIndex(i)));
  unsigned char guid[16] = {9};
  for (auto _ : state) {
    KuvEeTreeSeriesVar var("Series", guid, KuvEeSerialVar::TREE_STATE, nullptr, true);
    for (const KuvInTreeEvalIndex& index : indices)
      var.addElementToNoTreeModeBag(new KuvEeTreeSeriesElement("E", guid, "A", index, &var, nullptr));
    for (const KuvInTreeEvalIndex& index : indices) {
      KuvEeTreeSeriesElement* found = nullptr;
      var.getTreeSeriesElement(index, found);
      benchmark::DoNotOptimize(found);
    }
  }
}
BENCHMARK(BM_NoTreeBagAddAndFind)->RangeMultiplier(4)->Range(1000, 64000)->Unit(benchmark::kMillisecond);
