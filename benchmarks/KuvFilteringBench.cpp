// Filtering a million stored objects with one compiled filter, as a host
// does for a product structure. Each object: one domain, one view, one
// dictionary, two terms of four leaves (three selections of one value on
// ten selection variables, one option). Workloads:
//   W1  a one-term filter of ten selection leaves that passes about 30%;
//   W4  a filter that passes nothing;
//   W5  W1 with 1% of the binaries truncated.
// Beside them, a plain sum over the same bytes: the memory bandwidth limit.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "KuvBenchSupport.h"

namespace {

using kuv_bench::guid;

constexpr unsigned char kTag = 0x46;
constexpr int kObjects = 1000000;
constexpr int kPatterns = 1024;
constexpr int kVariables = 10;
constexpr int kValues = 4;

KuvInGuid variable(int v) { return KuvInGuid(guid(10 + v, kTag).data()); }
KuvInGuid value(int v, int k) { return KuvInGuid(guid(100 + 10 * v + k, kTag).data()); }
const KuvInGuid kDictionary(guid(1, kTag).data());

KuvDnfSelectionEff* selection(int v, std::initializer_list<int> values) {
  auto* leaf = new KuvDnfSelectionEff(variable(v), static_cast<std::int32_t>(values.size()), false, false);
  for (int k : values) leaf->putValue(value(v, k));
  return leaf;
}

std::vector<std::uint8_t> compiled(const KuvInObject& object) {
  KuvBioBufferOut out;
  KuvCompiledBinaryParser::Write(object, out);
  return std::vector<std::uint8_t>(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
}

// Ten selection leaves; W1 admits values 0 and 1 on variables 0..6, 0..2
// on the others; W4 a value no object uses.
std::vector<std::uint8_t> filterBinary(bool none) {
  auto* term = new KuvDnfAndTermMap(kVariables);
  for (int v = 0; v < kVariables; ++v)
    term->addDnfLeaf(none ? *selection(v, {kValues}) : v < 7 ? *selection(v, {0, 1}) : *selection(v, {0, 1, 2}));
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  dnf->addAndTerm(term);
  KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT);
  filter.setDnf(KuvDiversityDomain_ConfigChange, kDictionary, dnf);
  return compiled(filter);
}

std::vector<std::uint8_t> objectBinary(std::mt19937& random) {
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  for (int t = 0; t < 2; ++t) {
    auto* term = new KuvDnfAndTermMap(4);
    std::vector<int> vars(kVariables);
    for (int v = 0; v < kVariables; ++v) vars[v] = v;
    std::shuffle(vars.begin(), vars.end(), random);
    for (int i = 0; i < 3; ++i) term->addDnfLeaf(*selection(vars[i], {static_cast<int>(random() % kValues)}));
    term->addDnfLeaf(*new KuvDnfOptionEff(KuvInGuid(guid(50 + random() % 8, kTag).data()),
                                          KuvInGuid(guid(49, kTag).data()), KuvDnfOptionEff::Selected, random() % 2));
    dnf->addAndTerm(term);
  }
  KuvFltEffectivity effectivity;
  effectivity.setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_CURRENT, kDictionary, dnf);
  return compiled(effectivity);
}

// A million object binaries side by side in one arena, made from a
// thousand patterns so that setting up stays quick.
struct Objects {
  std::vector<std::uint8_t> arena;
  std::vector<const std::uint8_t*> binaries;
  std::vector<unsigned int> sizes;
  std::size_t bytes = 0;

  explicit Objects(int truncatedPerCent) {
    std::mt19937 random(11);
    std::vector<std::vector<std::uint8_t>> patterns;
    for (int i = 0; i < kPatterns; ++i) patterns.push_back(objectBinary(random));
    std::vector<int> chosen(kObjects);
    std::size_t total = 0;
    for (int& c : chosen) total += patterns[c = static_cast<int>(random() % kPatterns)].size();
    arena.resize(total);
    std::size_t at = 0;
    for (int c : chosen) {
      std::memcpy(arena.data() + at, patterns[c].data(), patterns[c].size());
      binaries.push_back(arena.data() + at);
      const bool truncated = static_cast<int>(random() % 100) < truncatedPerCent;
      sizes.push_back(static_cast<unsigned int>(truncated ? patterns[c].size() / 2 : patterns[c].size()));
      at += patterns[c].size();
    }
    bytes = total;
  }
};

const Objects& objects(int truncatedPerCent) {
  static const Objects whole(0), someTruncated(1);
  return truncatedPerCent == 0 ? whole : someTruncated;
}

// Unreadable objects are expected here: their error lines are not what
// is measured.
void silenceReaders() {
  for (KuvInTraceClass* channel : {&KuvCompiledBinaryParser::traceChannel(), &KuvBioBuffer::traceChannel(),
                                   &KuvBioDnfReader::traceChannel(), &KuvBioTypedIdsReader::traceChannel(),
                                   &KuvFilterHandler::traceChannel()})
    channel->setFlags(0);
}

void report(benchmark::State& state, const Objects& o, const int* results) {
  state.SetItemsProcessed(state.iterations() * kObjects);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(o.bytes));
  int passed = 0, unreadable = 0;
  for (int i = 0; i < kObjects; ++i) {
    passed += results[i] == 1 ? 1 : 0;
    unreadable += results[i] == -1 ? 1 : 0;
  }
  state.counters["passed%"] = 100.0 * passed / kObjects;
  state.counters["unreadable%"] = 100.0 * unreadable / kObjects;
}

void BM_ApplyQuery(benchmark::State& state) {
  silenceReaders();
  const Objects& o = objects(static_cast<int>(state.range(1)));
  const std::vector<std::uint8_t> filter = filterBinary(state.range(0) != 0);
  std::unique_ptr<int[]> kept;
  for (auto _ : state) {
    int* results = nullptr;
    if (FAILED(KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                                o.binaries.data(), o.sizes.data(), kObjects, results)))
      state.SkipWithError("query failed");
    kept.reset(results);
  }
  if (kept) report(state, o, kept.get());
}
// (filter passes nothing, truncated %): W1, W4, W5.
BENCHMARK(BM_ApplyQuery)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);

void BM_HandlerApply(benchmark::State& state) {
  silenceReaders();
  const Objects& o = objects(static_cast<int>(state.range(1)));
  const std::vector<std::uint8_t> filter = filterBinary(state.range(0) != 0);
  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  std::vector<int> results(kObjects);
  for (auto _ : state) {
    for (int i = 0; i < kObjects; ++i) (void)handler.Apply(o.binaries[i], o.sizes[i], results[i]);
    benchmark::DoNotOptimize(results.data());
  }
  report(state, o, results.data());
}
BENCHMARK(BM_HandlerApply)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);

void BM_SumSameBytes(benchmark::State& state) {
  const Objects& o = objects(0);
  for (auto _ : state) {
    std::uint64_t sum = 0;
    const std::uint64_t* words = reinterpret_cast<const std::uint64_t*>(o.arena.data());
    for (std::size_t i = 0; i < o.bytes / 8; ++i) sum += words[i];
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(o.bytes));
}
BENCHMARK(BM_SumSameBytes)->Unit(benchmark::kMillisecond);

void BM_MemcpySameBytes(benchmark::State& state) {
  const Objects& o = objects(0);
  std::vector<std::uint8_t> copy(o.bytes);
  for (auto _ : state) {
    std::memcpy(copy.data(), o.arena.data(), o.bytes);
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(o.bytes));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond);

}  // namespace
