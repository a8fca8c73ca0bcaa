// The model side at scale: range lists, dictionaries and the name solver,
// classification and grouping, and the stored forms, as n grows. Each case
// should grow with n or n log n.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include "KuvBenchSupport.h"

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

void growing(benchmark::internal::Benchmark* b) {
  b->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMillisecond)->Complexity();
}

// Range k of the first list covers points 3k and 3k+1, of the second 3k+1
// and 3k+2: every range meets its neighbours, so the union is one range, the
// intersection n points and the difference n pieces. The singles, apart,
// come in random order.
struct Ranges {
  using Make = KuvInListVal (*)(std::int64_t, std::int64_t);
  Ranges(KuvInObjectTypeClass* type, std::int64_t n, Make make) : first(type), second(type), empty(type) {
    for (std::int64_t k = 0; k < n; ++k) {
      first.PutBackList(make(3 * k, 3 * k + 1));
      second.PutBackList(make(3 * k + 1, 3 * k + 2));
      singles.push_back(make(4 * k, 4 * k + 1));
    }
    std::shuffle(singles.begin(), singles.end(), std::mt19937(7));
  }
  KuvInListVal first, second, empty;
  std::vector<KuvInListVal> singles;
};

KuvInDate day(std::int64_t i) {
  return KuvInDate(1900 + static_cast<int>(i / 336), 1 + static_cast<int>(i / 28 % 12),
                   1 + static_cast<int>(i % 28), 1, 1, 1);
}

KuvInListVal dateRange(std::int64_t a, std::int64_t b) {
  KuvInDateInterval range;
  range.setInterval(day(a), day(b));
  KuvInListVal list(KuvInDateInterval::sType());
  list.PutBack(range);
  return list;
}

KuvInListVal serialRange(std::int64_t a, std::int64_t b) {
  KuvInSerialInterval range;
  range.setInterval(static_cast<std::int32_t>(a) + 1, true, static_cast<std::int32_t>(b) + 1, true);
  KuvInListVal list(KuvInSerialInterval::sType());
  list.PutBack(range);
  return list;
}

KuvInListVal treeRange(std::int64_t a, std::int64_t b) {
  KuvInTreeEvalInterval range(KuvInTreeEvalIndexBound(static_cast<std::uint32_t>(a) + 1), true,
                              KuvInTreeEvalIndexBound(static_cast<std::uint32_t>(b) + 1), true);
  KuvInListVal list(KuvInTreeEvalInterval::sType());
  list.PutBack(range);
  return list;
}

KuvInListVal milestoneRange(std::int64_t a, std::int64_t b) {
  using Value = KuvInMilestonesEvalIntervalValue;
  KuvInMilestonesEvalInterval range(Value(KuvInTreeEvalIndexBound(static_cast<std::uint32_t>(a) + 1)), true,
                                    Value(KuvInTreeEvalIndexBound(static_cast<std::uint32_t>(b) + 1)), true);
  KuvInListVal list(KuvInMilestonesEvalInterval::sType());
  list.PutBack(range);
  return list;
}

// op 0: union, 1: intersection, 2: difference, 3: n single ranges added in
// random order to an empty list.
template <class Interval>
void rangeCase(benchmark::State& state, KuvInListVal (*make)(std::int64_t, std::int64_t)) {
  const Ranges r(Interval::sType(), state.range(1), make);
  for (auto _ : state) {
    KuvInListVal result(state.range(0) == 3 ? r.empty : r.first);
    HRESULT hr = S_OK;
    switch (state.range(0)) {
      case 0: hr = Interval::opAdd(result, r.second); break;
      case 1: hr = Interval::opAnd(result, r.second); break;
      case 2: hr = Interval::opCut(result, r.second); break;
      default:
        for (const KuvInListVal& one : r.singles)
          if (FAILED(hr = result.IsEmpty() ? result.PutBackList(one) : Interval::opAdd(result, one))) break;
    }
    if (FAILED(hr)) state.SkipWithError("range operation failed");
    benchmark::DoNotOptimize(result.GetLength());
  }
  state.SetComplexityN(state.range(1));
}

void rangeArgs(benchmark::internal::Benchmark* b) {
  for (int op = 0; op < 4; ++op)
    for (int n = 256; n <= 16384; n *= 4) b->Args({op, n});
  b->Unit(benchmark::kMillisecond);
}

void BM_DateRanges(benchmark::State& s) { rangeCase<KuvInDateInterval>(s, dateRange); }
void BM_SerialRanges(benchmark::State& s) { rangeCase<KuvInSerialInterval>(s, serialRange); }
void BM_TreeRanges(benchmark::State& s) { rangeCase<KuvInTreeEvalInterval>(s, treeRange); }
void BM_MilestoneRanges(benchmark::State& s) { rangeCase<KuvInMilestonesEvalInterval>(s, milestoneRange); }
BENCHMARK(BM_DateRanges)->Apply(rangeArgs);
BENCHMARK(BM_SerialRanges)->Apply(rangeArgs);
BENCHMARK(BM_TreeRanges)->Apply(rangeArgs);
BENCHMARK(BM_MilestoneRanges)->Apply(rangeArgs);

}  // namespace
