// How the tree transformers and walkers scale: merging the leaves of wide
// operators whose leaves share no criterion, developing Ands of Ors, following named effectivities
// that share their definitions, and building deep trees node by node.
//
// Wide operators also pay for appending children to their lists; while
// that append walks the list, it weighs on the largest widths as well.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include "KuvBenchSupport.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

std::array<unsigned char, 16> guid(unsigned n) { return kuv_bench::guid(n, 0x43); }

// n options of one category, each selected in one leaf under one operator.
struct WideOperator {
  explicit WideOperator(int n, bool isAnd) {
    KuvEeGroupOp* op = isAnd ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
    tree.reset(op->getNodeRef());
    for (int i = 0; i < n; ++i) {
      options.push_back(std::make_unique<KuvEeCatOptionVar>(KuvInString(("O" + std::to_string(i)).c_str()),
                                                            guid(100 + i).data(), &category));
      op->addChild(new KuvEeVarEffLeaf(new KuvEeOptionEff(options.back().get(), KuvEeOptionEff::T)));
    }
  }
  KuvEeCategory category{"Options", guid(1).data()};
  std::vector<std::unique_ptr<KuvEeCatOptionVar>> options;
  std::unique_ptr<KuvEeNodeRef> tree;
};

template <class Transform>
void transformCopies(benchmark::State& state, bool isAnd, Transform transform) {
  WideOperator wide(static_cast<int>(state.range(0)), isAnd);
  kuv_bench::timeOnCopies(state, *wide.tree, transform);
}

void BM_SimplifyOrOfDistinctOptions(benchmark::State& state) {
  transformCopies(state, false, [](KuvEeNodeRef& ref) { return KuvEeNodeSimplifier().simplify(ref); });
}
BENCHMARK(BM_SimplifyOrOfDistinctOptions)
    ->RangeMultiplier(4)
    ->Range(500, 8000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_NormalizeAndOfDistinctOptions(benchmark::State& state) {
  transformCopies(state, true, [](KuvEeNodeRef& ref) { return KuvEeNodeNormalizer().normalize(ref); });
}
BENCHMARK(BM_NormalizeAndOfDistinctOptions)
    ->RangeMultiplier(4)
    ->Range(500, 8000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_DevelopAndOfDistinctOptions(benchmark::State& state) {
  transformCopies(state, true, [](KuvEeNodeRef& ref) { return KuvEeNodeDeveloper().develop(ref); });
}
BENCHMARK(BM_DevelopAndOfDistinctOptions)
    ->RangeMultiplier(4)
    ->Range(500, 8000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

template <class Transform>
void transformAndOfOrs(benchmark::State& state, const kuv_bench::AndOfOrs& source, Transform transform) {
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<KuvEeNodeRef> copy(source.tree->getNode()->clone());
    state.ResumeTiming();
    if (FAILED(transform(*copy))) state.SkipWithError("transform failed");
    state.PauseTiming();
    copy.reset();
    state.ResumeTiming();
  }
}

HRESULT develop(KuvEeNodeRef& ref) { return KuvEeNodeDeveloper().develop(ref); }

// What a conversion to disjunctive normal form runs before it reads terms.
HRESULT removeNotsDevelopNormalize(KuvEeNodeRef& ref) {
  HRESULT hr = KuvEeNodeNotRemover(1).removeNots(ref, KuvEeNodeNotRemover::RemNots_None);
  if (SUCCEEDED(hr)) hr = KuvEeNodeDeveloper().develop(ref);
  if (SUCCEEDED(hr)) hr = KuvEeNodeNormalizer().normalize(ref);
  return hr;
}

// An And of n leaves: n - 6 options each in a leaf of its own and three
// Ors of two options, so 8 terms of n - 3 leaves each.
void BM_DevelopAndWithThreeOrs(benchmark::State& state) {
  kuv_bench::AndOfOrs source(static_cast<int>(state.range(0)) - 6, 3, 2, 0x43);
  transformAndOfOrs(state, source, develop);
}
BENCHMARK(BM_DevelopAndWithThreeOrs)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_DevelopAndOf13OrsOf2(benchmark::State& state) {
  kuv_bench::AndOfOrs source(0, 13, 2, 0x43);
  transformAndOfOrs(state, source, develop);
}
BENCHMARK(BM_DevelopAndOf13OrsOf2)->Unit(benchmark::kMillisecond);

// An And of m Ors of w options (arguments m, w).
void BM_DevelopAndOfOrs(benchmark::State& state) {
  kuv_bench::AndOfOrs source(0, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 0x43);
  transformAndOfOrs(state, source, develop);
}
BENCHMARK(BM_DevelopAndOfOrs)->Args({10, 2})->Args({6, 4})->Args({4, 10})->Unit(benchmark::kMillisecond);

void BM_RemoveNotsDevelopNormalizeAndOfOrs(benchmark::State& state) {
  kuv_bench::AndOfOrs source(0, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 0x43);
  transformAndOfOrs(state, source, removeNotsDevelopNormalize);
}
BENCHMARK(BM_RemoveNotsDevelopNormalizeAndOfOrs)
    ->Args({13, 2})
    ->Args({10, 2})
    ->Args({6, 4})
    ->Args({4, 10})
    ->Unit(benchmark::kMillisecond);

// E0 is defined as True and every further Ek as Or(Ek-1, Ek-1): the
// definitions form a chain of k levels, but 2^k paths.
struct SharedDefinitions {
  explicit SharedDefinitions(int levels) {
    for (int k = 0; k <= levels; ++k) {
      effs.push_back(std::make_unique<KuvEeBasicEff>(KuvInString(("E" + std::to_string(k)).c_str()),
                                                     guid(10 + k).data()));
      KuvEeNode* definition = new KuvEeTrue;
      if (k > 0) {
        auto* orOp = new KuvEeOrOp;
        orOp->addChild(new KuvEeEffLeaf(effs[k - 1].get()));
        orOp->addChild(new KuvEeEffLeaf(effs[k - 1].get()));
        definition = orOp;
      }
      effs.back()->setExpr(definition->getNodeRef());
    }
    root.reset((new KuvEeEffLeaf(effs.back().get()))->getNodeRef());
  }
  std::vector<std::unique_ptr<KuvEeBasicEff>> effs;
  std::unique_ptr<KuvEeNodeRef> root;
};

void BM_CycleCheckSharedDefinitions(benchmark::State& state) {
  SharedDefinitions defs(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    unsigned char cycle = 0;
    if (FAILED(KuvEeNodeCycleChecker().checkCycle(*defs.root, cycle)) || cycle != 0)
      state.SkipWithError("check failed");
  }
}
BENCHMARK(BM_CycleCheckSharedDefinitions)->DenseRange(8, 20, 4)->Unit(benchmark::kMillisecond);

void BM_CriteriaTypesOfSharedDefinitions(benchmark::State& state) {
  SharedDefinitions defs(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    KuvEeVisitor_GetCriteriaTypes types(1, 1, 1);
    if (FAILED(defs.root->getNode()->acceptVisitor(types))) state.SkipWithError("visit failed");
  }
}
BENCHMARK(BM_CriteriaTypesOfSharedDefinitions)->DenseRange(8, 20, 4)->Unit(benchmark::kMillisecond);

// A chain of Not nodes and one of And nodes, each new node adopted by the
// deepest one so far.
void BM_BuildDeepNotChain(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  for (auto _ : state) {
    auto* top = new KuvEeNotOp;
    std::unique_ptr<KuvEeNodeRef> tree(top->getNodeRef());
    KuvEeNotOp* deepest = top;
    for (int i = 1; i < depth; ++i) {
      auto* next = new KuvEeNotOp;
      deepest->setChildRef(next->getNodeRef());
      deepest = next;
    }
    deepest->setChildRef((new KuvEeTrue)->getNodeRef());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BuildDeepNotChain)->RangeMultiplier(4)->Range(1000, 16000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_BuildDeepAndChain(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  for (auto _ : state) {
    auto* top = new KuvEeAndOp;
    std::unique_ptr<KuvEeNodeRef> tree(top->getNodeRef());
    KuvEeAndOp* deepest = top;
    for (int i = 1; i < depth; ++i) {
      auto* next = new KuvEeAndOp;
      deepest->addChild(new KuvEeTrue);
      deepest->addChild(next);
      deepest = next;
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BuildDeepAndChain)->RangeMultiplier(4)->Range(1000, 16000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
