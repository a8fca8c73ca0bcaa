// Expression costs a host pays per stored object: reading the literal text,
// writing it back, simplifying a copy. The width argument is the number of
// Or terms, each an And of three criteria.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include "KuvBenchSupport.h"

#include <memory>
#include <string>

namespace {

// Terms overlap on purpose so that simplification has leaves to merge.
std::string expressionText(int width) {
  std::string text;
  for (int i = 0; i < width; ++i) {
    if (i > 0) text += " | ";
    const int from = 1 + 10 * i;
    text += std::string(i % 2 ? "Engine.V8" : "!Engine.V6") + " & Color{" + (i % 3 ? "Red,Blue" : "Green") +
            "} & Units[" + std::to_string(from) + "," + std::to_string(from + 15) + "] & Units[" +
            std::to_string(from + 5) + ",+oo]";
  }
  return text;
}

void BM_ReadLiteral(benchmark::State& state) {
  kuv_bench::SmallModel model(0x42);
  KuvLiteralExprReader reader(&model.space);
  reader.setDefaultSyntax();
  const KuvInString text(expressionText(static_cast<int>(state.range(0))).c_str());
  KuvInString error;
  for (auto _ : state) {
    std::unique_ptr<KuvEeNodeRef> tree(reader.readExpressionSimple(text, error, false));
    if (!tree) state.SkipWithError(error.ConvertToChar());
  }
  state.SetBytesProcessed(state.iterations() * text.GetLengthInChar());
}
// The wider texts show that reading stays linear in the text.
BENCHMARK(BM_ReadLiteral)->Arg(1)->Arg(10)->Arg(100)->Arg(400)->Arg(1600);

void BM_WriteLiteral(benchmark::State& state) {
  kuv_bench::SmallModel model(0x42);
  KuvLiteralExprReader reader(&model.space);
  reader.setDefaultSyntax();
  KuvInString error;
  std::unique_ptr<KuvEeNodeRef> tree(
      reader.readExpressionSimple(expressionText(static_cast<int>(state.range(0))).c_str(), error, false));
  KuvLiteralExprWriter writer;
  writer.setDefaultSyntax();
  const std::int64_t written = writer.write(*tree->getNode()).GetLengthInChar();
  for (auto _ : state) benchmark::DoNotOptimize(writer.write(*tree->getNode()));
  state.SetBytesProcessed(state.iterations() * written);
}
BENCHMARK(BM_WriteLiteral)->Arg(1)->Arg(10)->Arg(100);

void BM_SimplifyCopy(benchmark::State& state) {
  kuv_bench::SmallModel model(0x42);
  KuvLiteralExprReader reader(&model.space);
  reader.setDefaultSyntax();
  KuvInString error;
  std::unique_ptr<KuvEeNodeRef> tree(
      reader.readExpressionSimple(expressionText(static_cast<int>(state.range(0))).c_str(), error, false));
  for (auto _ : state) {
    std::unique_ptr<KuvEeNodeRef> copy(KuvEeNodeCloner().clone(*tree));
    if (FAILED(KuvEeNodeSimplifier().simplify(*copy))) state.SkipWithError("simplify failed");
  }
}
BENCHMARK(BM_SimplifyCopy)->Arg(1)->Arg(10)->Arg(100);

}  // namespace
