// Reading the literal text as it grows: the cost per byte should stay flat.
// The argument is the number of Or terms, each an And of four criteria on
// option, selection and serial variables.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include <array>
#include <memory>
#include <string>

namespace {

std::array<unsigned char, 16> guid(unsigned n) {
  std::array<unsigned char, 16> bytes{};
  bytes[0] = static_cast<unsigned char>(n);
  bytes[15] = 0x24;
  return bytes;
}

struct Model {
  KuvEeVarSpace space{"Scale", guid(1).data()};
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

std::string text(int width) {
  std::string out;
  for (int i = 0; i < width; ++i) {
    if (i > 0) out += " | ";
    const int from = 1 + 7 * i;
    out += std::string(i % 2 ? "Engine.V8" : "!Engine.V6") + " & Color{" + (i % 3 ? "Red,Blue" : "Green,Red,Blue") +
           "} & Units[" + std::to_string(from) + "," + std::to_string(from + 9) + "][" + std::to_string(from + 20) +
           "] & Units[" + std::to_string(from + 3) + ",+oo]";
  }
  return out;
}

void BM_ReadLiteralScale(benchmark::State& state) {
  Model model;
  KuvLiteralExprReader reader(&model.space);
  reader.setDefaultSyntax();
  const KuvInString input(text(static_cast<int>(state.range(0))).c_str());
  KuvInString error;
  for (auto _ : state) {
    std::unique_ptr<KuvEeNodeRef> tree(reader.readExpressionSimple(input, error, false));
    if (!tree) state.SkipWithError(error.ConvertToChar());
  }
  state.SetBytesProcessed(state.iterations() * input.GetLengthInChar());
}
BENCHMARK(BM_ReadLiteralScale)->RangeMultiplier(4)->Range(25, 1600);

}  // namespace
