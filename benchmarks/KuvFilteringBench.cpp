// Filtering stored objects with one compiled filter, as a host does for a
// product structure, over the workloads of KuvFilteringWorkloads.h. Beside
// them, a plain sum and a copy of the same bytes: the memory bandwidth
// limit. allocs/object counts operator new calls. Last, preparing a filter
// for a context whose one group selects every one of its matrices.
#include <benchmark/benchmark.h>
#include <cstdlib>

#include <Kuv.h>

#include <cstring>
#include <memory>
#include <vector>

#include "KuvBenchSupport.h"
#include "KuvFilteringWorkloads.h"

namespace {

using namespace kuv_bench;

void report(benchmark::State& state, const Objects& o, const int* results, std::uint64_t allocations) {
  state.SetItemsProcessed(state.iterations() * o.count);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(o.bytes));
  int passed = 0, unreadable = 0;
  for (int i = 0; i < o.count; ++i) {
    passed += results[i] == 1 ? 1 : 0;
    unreadable += results[i] == -1 ? 1 : 0;
  }
  state.counters["passed%"] = 100.0 * passed / o.count;
  state.counters["unreadable%"] = 100.0 * unreadable / o.count;
  state.counters["allocs/object"] =
      static_cast<double>(allocations) / (static_cast<double>(state.iterations()) * o.count);
}

void BM_ApplyQuery(benchmark::State& state) {
  silenceReaders();
  const auto w = static_cast<Workload>(state.range(0));
  const Objects& o = objects(w);
  const std::vector<std::uint8_t> filter = filterBinary(w);
  std::unique_ptr<int, decltype(&std::free)> kept(nullptr, &std::free);
  const std::uint64_t allocationsBefore = kuv_bench::allocations();
  for (auto _ : state) {
    int* results = nullptr;
    if (FAILED(KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                                o.binaries.data(), o.sizes.data(),
                                                static_cast<unsigned int>(o.count), results)))
      state.SkipWithError("query failed");
    kept.reset(results);
  }
  const std::uint64_t allocations = kuv_bench::allocations() - allocationsBefore;
  if (kept) report(state, o, kept.get(), allocations);
}
BENCHMARK(BM_ApplyQuery)->DenseRange(W1, W5)->Unit(benchmark::kMillisecond);

void BM_HandlerApply(benchmark::State& state) {
  silenceReaders();
  const auto w = static_cast<Workload>(state.range(0));
  const Objects& o = objects(w);
  const std::vector<std::uint8_t> filter = filterBinary(w);
  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  std::vector<int> results(o.count);
  const std::uint64_t allocationsBefore = kuv_bench::allocations();
  for (auto _ : state) {
    for (int i = 0; i < o.count; ++i) (void)handler.Apply(o.binaries[i], o.sizes[i], results[i]);
    benchmark::DoNotOptimize(results.data());
  }
  report(state, o, results.data(), kuv_bench::allocations() - allocationsBefore);
}
BENCHMARK(BM_HandlerApply)->DenseRange(W1, W5)->Unit(benchmark::kMillisecond);

void BM_SumSameBytes(benchmark::State& state) {
  const Objects& o = objects(static_cast<Workload>(state.range(0)));
  for (auto _ : state) {
    std::uint64_t sum = 0;
    const std::uint64_t* words = reinterpret_cast<const std::uint64_t*>(o.arena.data());
    for (std::size_t i = 0; i < o.arena.size() / 8; ++i) sum += words[i];
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(o.arena.size()));
}
BENCHMARK(BM_SumSameBytes)->Arg(W1)->Arg(W2)->Arg(W3)->Unit(benchmark::kMillisecond);

void BM_MemcpySameBytes(benchmark::State& state) {
  const Objects& o = objects(static_cast<Workload>(state.range(0)));
  std::vector<std::uint8_t> copy(o.arena.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), o.arena.data(), o.arena.size());
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(o.arena.size()));
}
BENCHMARK(BM_MemcpySameBytes)->Arg(W1)->Arg(W2)->Arg(W3)->Unit(benchmark::kMillisecond);

// One group of n matrices, all selected (no IF part), each with a THEN form
// of one term on the component: the prepared form is the union of n terms.
void BM_PrepareOneGroup(benchmark::State& state) {
  const auto n = static_cast<unsigned>(state.range(0));
  const KuvInGuid context(guid(1, 0x5C).data()), component(guid(2, 0x5C).data());
  auto optionForm = [](unsigned i) {
    auto* term = new KuvDnfAndTermList;
    auto* leaf = new KuvDnfOptionEff(KuvInGuid(guid(100 + i, 0x5C).data()), KuvInGuid(guid(3, 0x5C).data()),
                                     KuvDnfOptionEff::Selected, false);
    term->addDnfLeaf(*leaf);
    auto* dnf = new KuvDnf;
    dnf->addAndTerm(term);
    return dnf;
  };
  KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_150);
  filter.setDnf(KuvDiversityDomain_DWS, context, optionForm(0));
  std::vector<std::unique_ptr<KuvFltCompositionMatrix>> matrices;
  KuvPrivateFilteringServices::MatrixGroup group;
  for (unsigned i = 1; i <= n; ++i) {
    matrices.push_back(std::make_unique<KuvFltCompositionMatrix>());
    matrices.back()->THEN_SetCriteria(component, optionForm(i));
    group.push_back(matrices.back().get());
  }
  std::int32_t terms = 0;
  for (auto _ : state) {
    KuvFltFilter* prepared = nullptr;
    if (FAILED(KuvPrivateFilteringServices::prepareFilterForContext(filter, {group}, prepared))) {
      state.SkipWithError("preparation failed");
      break;
    }
    terms = prepared->getDnf(KuvDiversityDomain_DWS, component)->getNbAndTerms();
    delete prepared;
  }
  state.counters["terms"] = terms;
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PrepareOneGroup)->RangeMultiplier(4)->Range(16, 4096)->Complexity()->Unit(benchmark::kMillisecond);

}  // namespace
