// Expression costs a host pays per stored object: reading the literal text,
// writing it back, simplifying a copy. The width argument is the number of
// Or terms, each an And of three criteria.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include "KuvBenchSupport.h"

#include <array>
#include <memory>
#include <string>

namespace {

std::array<unsigned char, 16> guid(unsigned n) { return kuv_bench::guid(n, 0x42); }

struct Model {
  KuvEeVarSpace space{"Bench", guid(1).data()};
  KuvEeCategory engine{"Engine", guid(2).data()};
  KuvEeCatOptionVar v6{"V6", guid(3).data(), &engine};
  KuvEeCatOptionVar v8{"V8", guid(4).data(), &engine};
  KuvEeSelectionVar color{"Color", guid(5).data()};
  KuvEeSerialVar units{"Units", guid(6).data(), KuvEeSerialVar::UNIT, nullptr};

  Model() {
    color.addValue("Red", guid(10).data());
    color.addValue("Blue", guid(11).data());
    color.addValue("Green", guid(12).data());
    space.addCategory(&engine);
    space.addOptionVar(&v6);
    space.addOptionVar(&v8);
    space.addSelectionVar(&color);
    space.addSerialVar(&units);
  }
};

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
  Model model;
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
  Model model;
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
  Model model;
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
