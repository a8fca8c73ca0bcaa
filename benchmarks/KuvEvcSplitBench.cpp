// How the evolution-variant split scales: Or of product terms over options
// and unit ranges, of 10 to 1000 leaves, and Ands of 13 Ors of two leaves.
// An Or of two options is one variant group that development never opens
// (one term); an Or of an option and a unit range is opened, and its And
// develops into 2^13 = 8192 terms.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include "KuvBenchSupport.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

std::array<unsigned char, 16> guid(unsigned n) { return kuv_bench::guid(n, 0x5E); }

struct Model {
  Model() {
    for (int i = 0; i < 60; ++i)
      options.push_back(std::make_unique<KuvEeCatOptionVar>(KuvInString(("O" + std::to_string(i)).c_str()),
                                                            guid(100 + i).data(), &category));
  }
  KuvEeNode* option(int i) {
    return new KuvEeVarEffLeaf(new KuvEeOptionEff(options[i % options.size()].get(), KuvEeOptionEff::T));
  }
  KuvEeNode* units(int from) {
    auto* eff = new KuvEeSerialEff(&serial, KuvEeSerialEff::AllFalse);
    eff->set(from, true, from + 20, true);
    return new KuvEeVarEffLeaf(eff);
  }
  KuvEeCategory category{"Options", guid(1).data()};
  KuvEeSerialVar serial{"Units", guid(2).data(), KuvEeSerialVar::UNIT, nullptr};
  std::vector<std::unique_ptr<KuvEeCatOptionVar>> options;
};

template <class... Children>
KuvEeNode* group(KuvEeGroupOp* op, Children*... children) {
  (op->addChild(children), ...);
  return op;
}

// Or of terms And(a, b, Or(c, d), unit range), five leaves each.
KuvEeNode* orOfTerms(Model& m, int leaves) {
  auto* orOp = new KuvEeOrOp;
  for (int t = 0; t < leaves / 5; ++t)
    orOp->addChild(group(new KuvEeAndOp, m.option(4 * t), m.option(4 * t + 1),
                         group(new KuvEeOrOp, m.option(4 * t + 2), m.option(4 * t + 3)), m.units(10 * t)));
  return orOp;
}

// And of 13 Ors of two options, or of an option and a unit range.
KuvEeNode* andOfOrs(Model& m, bool withUnits) {
  auto* andOp = new KuvEeAndOp;
  for (int i = 0; i < 13; ++i)
    andOp->addChild(group(new KuvEeOrOp, m.option(2 * i), withUnits ? m.units(10 * i) : m.option(2 * i + 1)));
  return andOp;
}

void split(benchmark::State& state, KuvEeNode* tree) {
  const KuvEeGenericExpression expression(tree->getNodeRef());
  std::int64_t terms = 0;
  for (auto _ : state) {
    KuvCoreEVC_Expression* result = nullptr;
    if (FAILED(KuvCoreEVC_Expression::Create(expression, result))) state.SkipWithError("Create failed");
    KuvInSet set(KuvCoreEVC_ExpressionAndTerm::sType());
    if (result != nullptr) result->GetAndTerm(set);
    terms = set.GetLength();
    delete result;
  }
  state.counters["terms"] = static_cast<double>(terms);
}

void BM_SplitOrOfTerms(benchmark::State& state) {
  Model m;
  split(state, orOfTerms(m, static_cast<int>(state.range(0))));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SplitOrOfTerms)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_SplitAndOf13OrsOfTwoOptions(benchmark::State& state) {
  Model m;
  split(state, andOfOrs(m, false));
}
BENCHMARK(BM_SplitAndOf13OrsOfTwoOptions)->Unit(benchmark::kMillisecond);

void BM_SplitAndOf13OrsOfOptionAndUnits(benchmark::State& state) {
  Model m;
  split(state, andOfOrs(m, true));
}
BENCHMARK(BM_SplitAndOf13OrsOfOptionAndUnits)->Unit(benchmark::kMillisecond);

}  // namespace
