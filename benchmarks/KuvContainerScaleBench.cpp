// How wide trees scale: an Or of N children built with addChild, cloned, and
// read from a literal of N alternatives. Each step should cost the same
// whatever N, so time grows with N, not N squared.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include "KuvBenchSupport.h"

#include <array>
#include <memory>
#include <string>

namespace {

std::unique_ptr<KuvEeNodeRef> wideOr(std::int64_t width) {
  auto* orOp = new KuvEeOrOp;
  std::unique_ptr<KuvEeNodeRef> root(orOp->getNodeRef());
  for (std::int64_t i = 0; i < width; ++i) orOp->addChild(new KuvEeTrue);
  return root;
}

void BM_BuildWideOr(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(wideOr(state.range(0)));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BuildWideOr)
    ->RangeMultiplier(4)
    ->Range(1000, 64000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_CloneWideOr(benchmark::State& state) {
  std::unique_ptr<KuvEeNodeRef> tree = wideOr(state.range(0));
  for (auto _ : state) {
    std::unique_ptr<KuvEeNodeRef> copy(KuvEeNodeCloner().clone(*tree));
    if (!copy) state.SkipWithError("clone failed");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CloneWideOr)
    ->RangeMultiplier(4)
    ->Range(1000, 64000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

std::array<unsigned char, 16> guid(unsigned n) { return kuv_bench::guid(n, 0x24); }

void BM_ReadWideOrLiteral(benchmark::State& state) {
  KuvEeVarSpace space{"Scale", guid(1).data()};
  KuvEeCategory engine{"Engine", guid(2).data()};
  KuvEeCatOptionVar v6{"V6", guid(3).data(), &engine};
  KuvEeCatOptionVar v8{"V8", guid(4).data(), &engine};
  space.addCategory(&engine);
  space.addOptionVar(&v6);
  space.addOptionVar(&v8);
  KuvLiteralExprReader reader(&space);
  reader.setDefaultSyntax();
  std::string alternatives;
  for (std::int64_t i = 0; i < state.range(0); ++i)
    alternatives += i == 0 ? "Engine.V6" : i % 2 ? " | !Engine.V8" : " | Engine.V6";
  kuv_bench::timeLiteralRead(state, reader, KuvInString(alternatives.c_str()));
}
BENCHMARK(BM_ReadWideOrLiteral)
    ->RangeMultiplier(4)
    ->Range(1000, 64000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
