// The definition data a product-data database stores for an expression,
// made and read back as a host does when it saves and loads an item. The
// argument is the number of criteria: an Or of that many options, each of
// its own, so that the dependency lists grow with it.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include <memory>

#include "KuvBenchSupport.h"

namespace {

struct Definition {
  explicit Definition(int criteria) : tree(0, 1, criteria, 0x53), expression(tree.tree.release()) {}
  kuv_bench::AndOfOrs tree;
  KuvEeGenericExpression expression;
};

void BM_CreateDefinitionDBData(benchmark::State& state) {
  const Definition definition(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    KuvInList first, second;
    KuvBioBuffer* binary = nullptr;
    if (FAILED(KuvCoreDependencyMngtServices::CreateDefinitionDBData(definition.expression, nullptr, first, second,
                                                                     binary)))
      state.SkipWithError("definition data failed");
    delete binary;
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CreateDefinitionDBData)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

void BM_UnserializeDefinition(benchmark::State& state) {
  const Definition definition(static_cast<int>(state.range(0)));
  KuvInList first, second;
  KuvBioBuffer* binary = nullptr;
  if (FAILED(KuvCoreDependencyMngtServices::CreateDefinitionDBData(definition.expression, nullptr, first, second,
                                                                   binary))) {
    state.SkipWithError("definition data failed");
    return;
  }
  const std::unique_ptr<KuvBioBuffer> stored(binary);
  for (auto _ : state) {
    KuvEeGenericExpression* read = nullptr;
    if (FAILED(KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(*stored, first, second, read)))
      state.SkipWithError("read failed");
    delete read;
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_UnserializeDefinition)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

}  // namespace
