// How the engine scales with the number of criteria: normal forms read back
// into trees and made from wide trees, comparisons of two expressions or
// forms, simplification of leaves that share a variable, the text of wide
// and deep trees, the expansion of references through their definitions,
// stacks of change operations and their views, the evolution-variant split
// of wide Ands, and the compiled binaries of effectivities and filters.
//
// Most cases take a shape argument: 0 an Or of n leaves, 1 an And of n
// leaves, 2 an Or of n terms of two leaves, each leaf on an option of its
// own. Negating shape 2 multiplies n factors of two terms out.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include "KuvBenchSupport.h"

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::array<unsigned char, 16> guid(unsigned n) { return kuv_bench::guid(n, 0x45); }

// Options of one category, values of one selection variable and a unit
// series, all in one variable space and one dictionary.
struct Model {
  explicit Model(int size) {
    space.addCategory(&category);
    for (int i = 0; i < size; ++i) {
      options.push_back(std::make_unique<KuvEeCatOptionVar>(KuvInString(("O" + std::to_string(i)).c_str()),
                                                            guid(1000 + i).data(), &category));
      space.addOptionVar(options.back().get());
      color.addValue(KuvInString(("V" + std::to_string(i)).c_str()), guid(100000 + i).data());
    }
    space.addSelectionVar(&color);
    dictionary.enableEvolutionSeries(KuvEeSerialVar::UNIT);
    space.addSerialVar(dictionary.getSeriesVariable(KuvEeSerialVar::UNIT));
  }
  KuvEeNode* option(int i, bool negated = false) {
    auto* eff = new KuvEeOptionEff(options[i % options.size()].get(), KuvEeOptionEff::T);
    if (negated) eff->opNot();
    return new KuvEeVarEffLeaf(eff);
  }
  // The selection of every value from..to-1 but skipped.
  KuvEeNode* selection(int from, int to, int skipped = -1) {
    auto* eff = new KuvEeSelectionEff(&color, KuvEeSelectionEff::AllFalse);
    for (int v = from; v < to; ++v)
      if (v != skipped) eff->add(KuvInGuid(guid(100000 + v).data()));
    return new KuvEeVarEffLeaf(eff);
  }
  KuvEeNode* units(int from, int to) {
    auto* eff =
        new KuvEeSerialEff(dictionary.getSeriesVariable(KuvEeSerialVar::UNIT), KuvEeSerialEff::AllFalse);
    eff->set(from, true, to, true);
    return new KuvEeVarEffLeaf(eff);
  }
  KuvEeVarSpace space{"Engine", guid(1).data()};
  KuvEeCategory category{"Options", guid(2).data()};
  KuvEeSelectionVar color{"Color", guid(3).data()};
  KuvEeModelDico dictionary{"Units", KuvInGuid(guid(4).data())};
  std::vector<std::unique_ptr<KuvEeCatOptionVar>> options;
};

using Tree = std::unique_ptr<KuvEeNodeRef>;

template <class Leaf>
Tree group(KuvEeGroupOp* op, int n, Leaf leaf) {
  Tree tree(op->getNodeRef());
  for (int i = 0; i < n; ++i) op->addChild(leaf(i));
  return tree;
}

// changed: the last leaf negated.
Tree shaped(Model& m, int n, int shape, bool changed = false) {
  if (shape == 2)
    return group(new KuvEeOrOp, n, [&](int i) {
      auto* andOp = new KuvEeAndOp;
      andOp->addChild(m.option(2 * i));
      andOp->addChild(m.option(2 * i + 1, changed && i == n - 1));
      return andOp;
    });
  KuvEeGroupOp* op = shape == 1 ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
  return group(op, n, [&](int i) { return m.option(i, changed && i == n - 1); });
}

int size(const benchmark::State& state) { return static_cast<int>(state.range(0)); }
int shape(const benchmark::State& state) { return static_cast<int>(state.range(1)); }

std::unique_ptr<KuvDnf> dnfOf(const Tree& tree) {
  return std::unique_ptr<KuvDnf>(KuvEeDnfConvertor::NodeRef2Dnf(*tree));
}

void growing(benchmark::internal::Benchmark* b) { b->RangeMultiplier(4)->Range(16, 4096)->Complexity(); }
// Each size with shapes 0 and 1, or 0 to 2.
void twoShapes(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1}})->Complexity();
}
void threeShapes(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1, 2}})->Complexity();
}

// Normal forms of shapes 0 and 1 back to trees in a variable space that
// holds their variables, and in a context of their own, whose dictionary is
// built from the form's GUIDs first; and trees to normal forms.
void BM_Dnf2NodeRef(benchmark::State& state) {
  Model m(size(state));
  const std::unique_ptr<KuvDnf> dnf = dnfOf(shaped(m, size(state), shape(state)));
  for (auto _ : state)
    if (!Tree(KuvEeDnfConvertor::Dnf2NodeRef(*dnf, m.space))) state.SkipWithError("Dnf2NodeRef failed");
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Dnf2NodeRef)->Apply(twoShapes);

void BM_Dnf2NodeRefInContext(benchmark::State& state) {
  Model m(size(state));
  const std::unique_ptr<KuvDnf> dnf = dnfOf(shaped(m, size(state), shape(state)));
  const KuvInGuid model(guid(6).data());
  for (auto _ : state) {
    KuvEeExpressionContext* context = nullptr;
    Tree back(KuvEeDnfConvertor::Dnf2NodeRef(*dnf, model, context, nullptr));
    const std::unique_ptr<KuvEeExpressionContext> owned(context);
    if (!back) state.SkipWithError("Dnf2NodeRef failed");
    back.reset();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Dnf2NodeRefInContext)->Apply(twoShapes);

void BM_NodeRef2Dnf(benchmark::State& state) {
  Model m(size(state));
  const Tree tree = shaped(m, size(state), shape(state));
  for (auto _ : state)
    if (!dnfOf(tree)) state.SkipWithError("NodeRef2Dnf failed");
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_NodeRef2Dnf)->Apply(twoShapes);

// Two generic expressions of shape 0 or 1, equal (third argument 0) or
// differing in their last leaf (1). Inclusion of shape 2 is refused past
// a limit on the size of the negation.
template <class Question>
void compareExpressions(benchmark::State& state, Question question) {
  Model m(size(state));
  const KuvEeGenericExpression a(shaped(m, size(state), shape(state)).release());
  const KuvEeGenericExpression b(shaped(m, size(state), shape(state), state.range(2) != 0).release());
  for (auto _ : state) {
    bool answer = false;
    if (FAILED((a.*question)(b, answer))) state.SkipWithError("comparison failed");
  }
  state.SetComplexityN(state.range(0));
}
void BM_IsEqual(benchmark::State& state) { compareExpressions(state, &KuvEeGenericExpression::IsEqual); }
void BM_IsIncluding(benchmark::State& state) {
  compareExpressions(state, &KuvEeGenericExpression::IsIncluding);
}
void BM_IsIntersect(benchmark::State& state) {
  compareExpressions(state, &KuvEeGenericExpression::IsIntersect);
}
void expressionPairs(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1}, {0, 1}})->Complexity();
}
BENCHMARK(BM_IsEqual)->Apply(expressionPairs);
BENCHMARK(BM_IsIncluding)->Apply(expressionPairs);
BENCHMARK(BM_IsIntersect)->Apply(expressionPairs);

// Two equal filters and two equal effectivities in one domain and
// dictionary, compared as decoded objects. Effectivities refuse to
// include shape 2 past the limit.
struct FilteringPair {
  FilteringPair(int n, int shape) : m(2 * n) {
    const Tree tree = shaped(m, n, shape);
    for (KuvFltFilter* filter : {&filterA, &filterB})
      filter->setDnf(KuvDiversityDomain_ConfigChange, dictionary, KuvEeDnfConvertor::NodeRef2Dnf(*tree));
    for (KuvFltEffectivity* eff : {&effA, &effB})
      eff->setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_CURRENT, dictionary,
                  KuvEeDnfConvertor::NodeRef2Dnf(*tree));
  }
  Model m;
  KuvInGuid dictionary{guid(5).data()};
  KuvFltFilter filterA{CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT};
  KuvFltFilter filterB{CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT};
  KuvFltEffectivity effA, effB;
};

template <class Compare>
void compareFiltering(benchmark::State& state, Compare compare) {
  FilteringPair pair(size(state), shape(state));
  for (auto _ : state) {
    unsigned char answer = 0;
    if (FAILED(compare(pair, answer)) || answer != 1) state.SkipWithError("comparison failed");
  }
  state.SetComplexityN(state.range(0));
}
constexpr KuvComparisonMode kAll = KuvComparisonMode_All;
void BM_FltFilterIsEqual(benchmark::State& state) {
  compareFiltering(state, [](FilteringPair& p, unsigned char& answer) {
    return KuvFltComparisonServices::IsEqual(p.filterA, p.filterB, kAll, answer);
  });
}
void BM_FltEffectivityIsIncluding(benchmark::State& state) {
  compareFiltering(state, [](FilteringPair& p, unsigned char& answer) {
    return KuvFltComparisonServices::IsIncluding(p.effA, p.effB, kAll, kAll, answer);
  });
}
void BM_FltEffectivityIsEqual(benchmark::State& state) {
  compareFiltering(state, [](FilteringPair& p, unsigned char& answer) {
    return KuvFltComparisonServices::IsEqual(p.effA, p.effB, kAll, kAll, answer);
  });
}
void BM_FltFilterIntersectsEffectivity(benchmark::State& state) {
  compareFiltering(state, [](FilteringPair& p, unsigned char& answer) {
    return KuvFltComparisonServices::IsIntersect(p.filterA, p.effB, kAll, kAll, answer, 1);
  });
}
BENCHMARK(BM_FltFilterIsEqual)->Apply(threeShapes);
BENCHMARK(BM_FltEffectivityIsIncluding)->Apply(twoShapes);
BENCHMARK(BM_FltEffectivityIsEqual)->Apply(twoShapes);
BENCHMARK(BM_FltFilterIntersectsEffectivity)->Apply(threeShapes);

// One normal form against a list of one equal form, as the comparison
// services do: equality (third argument 0) or inclusion (2).
void BM_CompareDnfToDnf(benchmark::State& state) {
  Model m(2 * size(state));
  const std::unique_ptr<KuvDnf> reference = dnfOf(shaped(m, size(state), shape(state)));
  const std::unique_ptr<KuvDnf> listed = dnfOf(shaped(m, size(state), shape(state)));
  KuvInList dnfs(KuvDnf::sType());
  dnfs.PutBack(listed.get());
  const auto test = static_cast<KuvFilteringComparison::E_COMPARE_TEST_TYPE>(state.range(2));
  for (auto _ : state) {
    unsigned char* results = nullptr;
    if (FAILED(KuvFilteringComparison::Compare_DNF_To_DNF(test, *reference, dnfs, results, 1)) ||
        results[0] != 1)
      state.SkipWithError("comparison failed");
    std::free(results);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CompareDnfToDnf)
    ->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1, 2}, {0, 2}})
    ->Complexity();

// Simplification and normalization of copies of wide trees whose leaves
// share variables (second argument):
// 0 an Or of n leaves: selections of two of sixteen values, and disjoint
//   unit ranges;
// 1 an And of n selections, each of all sixteen values but one;
// 2 an Or of n overlapping terms: an option or the other negated, one or
//   two of three values, and two unit ranges that meet.
Tree sharedVariables(Model& m, int n, int shape) {
  if (shape == 1) return group(new KuvEeAndOp, n, [&](int i) { return m.selection(0, 16, i % 16); });
  if (shape == 0)
    return group(new KuvEeOrOp, n, [&](int i) {
      return i % 2 ? m.selection(i % 16, i % 16 + 2) : m.units(10 * i, 10 * i + 5);
    });
  return group(new KuvEeOrOp, n, [&](int i) {
    auto* andOp = new KuvEeAndOp;
    andOp->addChild(m.option(i % 2, i % 2 == 0));
    andOp->addChild(i % 3 ? m.selection(0, 2) : m.selection(2, 3));
    andOp->addChild(m.units(1 + 10 * i, 16 + 10 * i));
    andOp->addChild(m.units(6 + 10 * i, 1000000));
    return andOp;
  });
}

template <class Transform>
void transformCopies(benchmark::State& state, Transform transform) {
  Model m(18);
  kuv_bench::timeOnCopies(state, *sharedVariables(m, size(state), shape(state)), transform);
}
void BM_Simplify(benchmark::State& state) {
  transformCopies(state, [](KuvEeNodeRef& ref) { return KuvEeNodeSimplifier().simplify(ref); });
}
void BM_Normalize(benchmark::State& state) {
  transformCopies(state, [](KuvEeNodeRef& ref) { return KuvEeNodeNormalizer().normalize(ref); });
}
BENCHMARK(BM_Simplify)->Apply(threeShapes);
BENCHMARK(BM_Normalize)->Apply(twoShapes);

// The debugging text of a tree: shape 0 an Or of n leaves, shape 1 a chain
// n levels deep (Ands and Ors in turn, each with a leaf and the rest), whose
// text grows with the square of its depth.
void BM_NodeText(benchmark::State& state) {
  Model m(2);
  const int n = size(state);
  Tree tree = shaped(m, n, 0);
  if (shape(state) == 1) {
    KuvEeNode* node = m.option(0);
    for (int i = 0; i < n; ++i) {
      KuvEeGroupOp* op = i % 2 ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
      op->addChild(m.option(i));
      op->addChild(node);
      node = op;
    }
    tree.reset(node->getNodeRef());
  }
  for (auto _ : state) benchmark::DoNotOptimize(tree->toString());
  state.SetComplexityN(n);
}
BENCHMARK(BM_NodeText)->ArgsProduct({benchmark::CreateRange(16, 1024, 4), {0, 1}})->Complexity();

// Expanding references to basic effectivities defined by trees: shape 0 an
// Or of n references, each to an effectivity of its own defined by one
// option; shape 1 one reference to the first of a chain of n effectivities,
// each defined by an option And the next.
struct Definitions {
  Definitions(int n, int shape) : m(n + 1) {
    for (int i = 0; i < n; ++i)
      effs.push_back(std::make_unique<KuvEeBasicEff>(KuvInString(("E" + std::to_string(i)).c_str()),
                                                     guid(300000 + i).data()));
    for (int i = n - 1; i >= 0; --i) {
      if (shape == 0 || i == n - 1) {
        effs[i]->setExpr(m.option(i)->getNodeRef());
        continue;
      }
      auto* both = new KuvEeAndOp;
      both->addChild(m.option(i));
      both->addChild(new KuvEeEffLeaf(effs[i + 1].get()));
      effs[i]->setExpr(both->getNodeRef());
    }
    root = shape == 0 ? group(new KuvEeOrOp, n, [&](int i) { return new KuvEeEffLeaf(effs[i].get()); })
                      : Tree((new KuvEeEffLeaf(effs[0].get()))->getNodeRef());
  }
  Model m;
  std::vector<std::unique_ptr<KuvEeBasicEff>> effs;
  Tree root;  // freed before the effectivities it refers to
};
void BM_ExpandReferences(benchmark::State& state) {
  const Definitions d(size(state), shape(state));
  kuv_bench::timeOnCopies(state, *d.root, [](KuvEeNodeRef& ref) {
    return KuvEeNodeExpander().expand(ref, KuvEeNodeExpander::EXPAND_BASIC, nullptr, nullptr);
  });
}
// Chains longer than the depth limit (2000) are refused.
BENCHMARK(BM_ExpandReferences)
    ->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0}})
    ->ArgsProduct({benchmark::CreateRange(16, 1024, 4), {1}})
    ->Complexity();

// An effectivity whose dictionary criteria are an Or of terms, with a
// stack of n operations, each adding or cutting a change of its own; the
// changes are unpublished, officialized or rejected in turn, and each
// applies where one option is chosen.
struct Operated {
  explicit Operated(int n) : m(n + 4) {
    for (int i = 0; i < n; ++i) {
      changes.push_back(std::make_unique<KuvEePredefEff>(
          KuvInString(("C" + std::to_string(i)).c_str()), guid(200000 + i).data(),
          static_cast<KuvEePredefEff::PublicationStatus>(i % 3), KuvEePredefEff::GLOBAL));
      changes.back()->setExpr(m.option(4 + i)->getNodeRef());
    }
    KuvEeNodeRef* criteria = shaped(m, 2, 2).release();
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
    expression.setModelCriteria(&m.dictionary, record);
    expression.setGlobalCriteria(m.option(3)->getNodeRef());
    dictionaries.Put(&m.dictionary);
  }
  // A copy of the expression with the stack, null on failure.
  std::unique_ptr<KuvEeEffectivityExpression> stacked() const {
    KuvEeEffectivityExpression* copy = nullptr;
    if (FAILED(KuvEeEffectivityExpression::clone(expression, copy))) return nullptr;
    std::unique_ptr<KuvEeEffectivityExpression> owned(copy);
    for (std::size_t i = 0; i < changes.size(); ++i) {
      KuvInObject* change = changes[i].get();
      if (FAILED(owned->addOperation(i % 2 ? KuvEeExpressionOperation::CUT : KuvEeExpressionOperation::ADD,
                                     change)))
        return nullptr;
    }
    return owned;
  }
  Model m;
  std::vector<std::unique_ptr<KuvEePredefEff>> changes;
  KuvEeEffectivityExpression expression;
  KuvInSet dictionaries;
};

void BM_AddOperations(benchmark::State& state) {
  const Operated operated(size(state));
  for (auto _ : state)
    if (!operated.stacked()) state.SkipWithError("addOperation failed");
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AddOperations)->Apply(growing);

template <class Step>
void onStack(benchmark::State& state, Step step) {
  const Operated operated(size(state));
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<KuvEeEffectivityExpression> expression = operated.stacked();
    state.ResumeTiming();
    if (!expression || FAILED(step(operated, *expression))) state.SkipWithError("operations failed");
    state.PauseTiming();
    expression.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}
void BM_IntegrateOperations(benchmark::State& state) {
  onStack(state, [](const Operated& o, KuvEeEffectivityExpression& e) {
    return e.integrateOperations(o.dictionaries);
  });
}
void BM_TransformToCurrentView(benchmark::State& state) {
  onStack(state, [](const Operated& o, KuvEeEffectivityExpression& e) {
    return e.transformToView(KuvEeExpressionToolbox::CURRENT, o.dictionaries);
  });
}
void BM_ComputeEffectivityViews(benchmark::State& state) {
  onStack(state, [](const Operated&, KuvEeEffectivityExpression& e) {
    KuvInListVal views(KuvInIntHolder::sType());
    for (std::uint32_t view = 0; view < 4; ++view) views.PutBack(KuvInIntHolder(view));
    KuvInList viewed(KuvEeEffectivityExpression::sType());
    KuvInSet garbage(KuvInObject::sType());
    const HRESULT hr = KuvExpressionDBDataServices::ComputeEffectivityViews(e, views, viewed, garbage);
    for (auto it = garbage.cBegin(); it.IsValid();) delete it.GetGoToNext();
    return hr;
  });
}
BENCHMARK(BM_IntegrateOperations)->RangeMultiplier(4)->Range(16, 1024)->Complexity();
BENCHMARK(BM_TransformToCurrentView)->RangeMultiplier(4)->Range(16, 1024)->Complexity();
BENCHMARK(BM_ComputeEffectivityViews)->RangeMultiplier(4)->Range(16, 1024)->Complexity();

// The evolution-variant split of an And of n leaves: options (one variant
// term; argument 0), or options beside unit ranges (1).
void BM_SplitAnd(benchmark::State& state) {
  Model m(size(state));
  const bool units = shape(state) != 0;
  const KuvEeGenericExpression expression(group(new KuvEeAndOp, size(state), [&](int i) {
                                            return units && i % 4 == 0 ? m.units(i, i + 1000000)
                                                                       : m.option(i);
                                          }).release());
  for (auto _ : state) {
    KuvCoreEVC_Expression* result = nullptr;
    if (FAILED(KuvCoreEVC_Expression::Create(expression, result))) state.SkipWithError("Create failed");
    delete result;
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SplitAnd)->Apply(twoShapes);

// Compiled binaries of an effectivity of shape 2 in its dictionary and of a
// filter of n criteria, and a handler reading the filter's binary.
std::vector<std::uint8_t> compiled(KuvEeExpression& expression, HRESULT& hr) {
  KuvInMap byDomain(KuvInIntHolder::sType(), KuvEeExpression::sType());
  byDomain.Put(KuvInIntHolder(KuvDiversityDomain_ConfigChange), &expression);
  KuvInIntHolder current(CFG_EXPRVIEW_CURRENT);
  KuvInSet views(KuvInIntHolder::sType());
  views.Put(&current);
  KuvBioBufferOut out;
  hr = KuvExpressionDBDataServices::ComputeCompiledBinary(byDomain, out, views, CFG_EXPRVIEW_CURRENT);
  return std::vector<std::uint8_t>(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
}

void BM_CompiledEffectivity(benchmark::State& state) {
  Model m(2 * size(state));
  KuvEeEffectivityExpression effectivity;
  KuvEeNodeRef* criteria = shaped(m, size(state), 2).release();
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
  effectivity.setModelCriteria(&m.dictionary, record);
  for (auto _ : state) {
    HRESULT hr = S_OK;
    benchmark::DoNotOptimize(compiled(effectivity, hr));
    if (FAILED(hr)) state.SkipWithError("compiled binary failed");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CompiledEffectivity)->Apply(growing);

// A filter of n criteria: options, one each, and selections of one value,
// which the list unites into one.
std::unique_ptr<KuvEeFilterExpression> filterOf(Model& m, int n) {
  auto* list = new KuvQmSpecList;
  for (int i = 0; i < n; ++i) {
    KuvEeVarEff* eff = nullptr;
    if (i % 2) {
      auto* selection = new KuvEeSelectionEff(&m.color, KuvEeSelectionEff::AllFalse);
      selection->add(KuvInGuid(guid(100000 + i).data()));
      eff = selection;
    } else {
      eff = new KuvEeOptionEff(m.options[i].get(), KuvEeOptionEff::T);
    }
    if (FAILED(list->AddVarEff(eff))) delete eff;
  }
  return std::make_unique<KuvEeFilterExpression>(&m.dictionary, list);
}

void BM_CompiledFilter(benchmark::State& state) {
  Model m(size(state));
  const std::unique_ptr<KuvEeFilterExpression> filter = filterOf(m, size(state));
  for (auto _ : state) {
    HRESULT hr = S_OK;
    benchmark::DoNotOptimize(compiled(*filter, hr));
    if (FAILED(hr)) state.SkipWithError("compiled binary failed");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CompiledFilter)->Apply(growing);

void BM_FilterHandlerOfCompiledFilter(benchmark::State& state) {
  Model m(size(state));
  const std::unique_ptr<KuvEeFilterExpression> filter = filterOf(m, size(state));
  HRESULT hr = S_OK;
  const std::vector<std::uint8_t> binary = compiled(*filter, hr);
  for (auto _ : state) {
    const KuvFilterHandler handler(binary.data(), static_cast<unsigned int>(binary.size()), 0);
    if (handler.isValid() != S_OK) state.SkipWithError("handler invalid");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FilterHandlerOfCompiledFilter)->Apply(growing);

}  // namespace
