// How the engine scales with the number of criteria: normal forms read back
// into trees and made from wide trees, comparisons of two expressions,
// simplification of leaves that share a variable, stacks of change
// operations and their views, the evolution-variant split of wide Ands, and
// the compiled binaries of effectivities and filters.
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
  KuvEeNode* selection(std::initializer_list<int> values) {
    auto* eff = new KuvEeSelectionEff(&color, KuvEeSelectionEff::AllFalse);
    for (int v : values) eff->add(KuvInGuid(guid(100000 + v).data()));
    return new KuvEeVarEffLeaf(eff);
  }
  KuvEeNode* units(int from, int to) {
    auto* eff = new KuvEeSerialEff(dictionary.getSeriesVariable(KuvEeSerialVar::UNIT), KuvEeSerialEff::AllFalse);
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

// Or of n leaves, And of n leaves, Or of n terms of two leaves, each leaf
// on an option of its own; changed, the last leaf is negated.
Tree orOfLeaves(Model& m, int n, bool changed = false) {
  return group(new KuvEeOrOp, n, [&](int i) { return m.option(i, changed && i == n - 1); });
}
Tree andOfLeaves(Model& m, int n, bool changed = false) {
  return group(new KuvEeAndOp, n, [&](int i) { return m.option(i, changed && i == n - 1); });
}
Tree orOfTerms(Model& m, int n) {
  return group(new KuvEeOrOp, n, [&](int i) {
    auto* andOp = new KuvEeAndOp;
    andOp->addChild(m.option(2 * i));
    andOp->addChild(m.option(2 * i + 1));
    return andOp;
  });
}

int size(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

std::unique_ptr<KuvDnf> dnfOf(const Tree& tree) { return std::unique_ptr<KuvDnf>(KuvEeDnfConvertor::NodeRef2Dnf(*tree)); }

// Normal forms back to trees and trees to normal forms.

void dnfToTree(benchmark::State& state, Tree (*shape)(Model&, int, bool)) {
  Model m(2 * size(state));
  const std::unique_ptr<KuvDnf> dnf = dnfOf(shape(m, size(state), false));
  for (auto _ : state) {
    Tree back(KuvEeDnfConvertor::Dnf2NodeRef(*dnf, m.space));
    if (!back) state.SkipWithError("Dnf2NodeRef failed");
  }
  state.SetComplexityN(state.range(0));
}
void BM_Dnf2NodeRefOfTerms(benchmark::State& state) { dnfToTree(state, orOfLeaves); }
void BM_Dnf2NodeRefOfOneTerm(benchmark::State& state) { dnfToTree(state, andOfLeaves); }
BENCHMARK(BM_Dnf2NodeRefOfTerms)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
BENCHMARK(BM_Dnf2NodeRefOfOneTerm)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// The same into a context of its own, whose dictionary is built from the
// normal form's GUIDs first.
void dnfToTreeInContext(benchmark::State& state, Tree (*shape)(Model&, int, bool)) {
  Model m(2 * size(state));
  const std::unique_ptr<KuvDnf> dnf = dnfOf(shape(m, size(state), false));
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
void BM_Dnf2NodeRefInContextOfTerms(benchmark::State& state) { dnfToTreeInContext(state, orOfLeaves); }
void BM_Dnf2NodeRefInContextOfOneTerm(benchmark::State& state) { dnfToTreeInContext(state, andOfLeaves); }
BENCHMARK(BM_Dnf2NodeRefInContextOfTerms)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
BENCHMARK(BM_Dnf2NodeRefInContextOfOneTerm)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

void treeToDnf(benchmark::State& state, Tree (*shape)(Model&, int, bool)) {
  Model m(size(state));
  const Tree tree = shape(m, size(state), false);
  for (auto _ : state)
    if (!dnfOf(tree)) state.SkipWithError("NodeRef2Dnf failed");
  state.SetComplexityN(state.range(0));
}
void BM_NodeRef2DnfOfOr(benchmark::State& state) { treeToDnf(state, orOfLeaves); }
void BM_NodeRef2DnfOfAnd(benchmark::State& state) { treeToDnf(state, andOfLeaves); }
BENCHMARK(BM_NodeRef2DnfOfOr)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
BENCHMARK(BM_NodeRef2DnfOfAnd)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// Comparisons of two expressions of n criteria: equal ones (args 0) or ones
// whose last leaf differs (1); the Or and the And shapes.

enum class Question { Equal, Including, Intersect };

void compare(benchmark::State& state, Tree (*shape)(Model&, int, bool), Question question) {
  Model m(size(state));
  const KuvEeGenericExpression a(shape(m, size(state), false).release());
  const KuvEeGenericExpression b(shape(m, size(state), state.range(1) != 0).release());
  for (auto _ : state) {
    bool answer = false;
    const HRESULT hr = question == Question::Equal       ? a.IsEqual(b, answer)
                       : question == Question::Including ? a.IsIncluding(b, answer)
                                                         : a.IsIntersect(b, answer);
    if (FAILED(hr)) state.SkipWithError("comparison failed");
  }
  state.SetComplexityN(state.range(0));
}
void BM_IsEqualOr(benchmark::State& state) { compare(state, orOfLeaves, Question::Equal); }
void BM_IsEqualAnd(benchmark::State& state) { compare(state, andOfLeaves, Question::Equal); }
void BM_IsIncludingOr(benchmark::State& state) { compare(state, orOfLeaves, Question::Including); }
void BM_IsIncludingAnd(benchmark::State& state) { compare(state, andOfLeaves, Question::Including); }
void BM_IsIntersectOr(benchmark::State& state) { compare(state, orOfLeaves, Question::Intersect); }
void BM_IsIntersectAnd(benchmark::State& state) { compare(state, andOfLeaves, Question::Intersect); }
#define KUV_COMPARISON(name) \
  BENCHMARK(name)->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1}})->Complexity()
KUV_COMPARISON(BM_IsEqualOr);
KUV_COMPARISON(BM_IsEqualAnd);
KUV_COMPARISON(BM_IsIncludingOr);
KUV_COMPARISON(BM_IsIncludingAnd);
KUV_COMPARISON(BM_IsIntersectOr);
KUV_COMPARISON(BM_IsIntersectAnd);

// Filters and effectivities in one domain and dictionary, compared as
// decoded objects: n terms of one leaf (args 0), one term of n leaves (1)
// or n terms of two leaves (2). Their equality and inclusion go through
// negated normal forms; for n terms of two leaves, the negation's terms
// would be 2^n, and effectivities refuse to include such forms.
struct FilteringPair {
  FilteringPair(int n, int shape) : m(2 * n) {
    const Tree tree = shape == 2 ? orOfTerms(m, n) : shape == 1 ? andOfLeaves(m, n) : orOfLeaves(m, n);
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
  FilteringPair pair(size(state), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    unsigned char answer = 0;
    if (FAILED(compare(pair, answer)) || answer != 1) state.SkipWithError("comparison failed");
  }
  state.SetComplexityN(state.range(0));
}
void BM_FltFilterIsEqual(benchmark::State& state) {
  compareFiltering(state, [](FilteringPair& p, unsigned char& answer) {
    return KuvFltComparisonServices::IsEqual(p.filterA, p.filterB, KuvComparisonMode_All, answer);
  });
}
void BM_FltEffectivityIsIncluding(benchmark::State& state) {
  compareFiltering(state, [](FilteringPair& p, unsigned char& answer) {
    return KuvFltComparisonServices::IsIncluding(p.effA, p.effB, KuvComparisonMode_All, KuvComparisonMode_All,
                                                 answer);
  });
}
void BM_FltEffectivityIsEqual(benchmark::State& state) {
  compareFiltering(state, [](FilteringPair& p, unsigned char& answer) {
    return KuvFltComparisonServices::IsEqual(p.effA, p.effB, KuvComparisonMode_All, KuvComparisonMode_All, answer);
  });
}
void BM_FltFilterIntersectsEffectivity(benchmark::State& state) {
  compareFiltering(state, [](FilteringPair& p, unsigned char& answer) {
    return KuvFltComparisonServices::IsIntersect(p.filterA, p.effB, KuvComparisonMode_All, KuvComparisonMode_All,
                                                 answer, 1);
  });
}
BENCHMARK(BM_FltFilterIsEqual)->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1, 2}})->Complexity();
BENCHMARK(BM_FltEffectivityIsIncluding)->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1}})->Complexity();
BENCHMARK(BM_FltEffectivityIsEqual)->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1}})->Complexity();
BENCHMARK(BM_FltFilterIntersectsEffectivity)
    ->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1}})
    ->Complexity();

// One normal form against a list of one, as the comparison services do:
// equality (args 0) or inclusion (2), forms of the shapes above.
void BM_CompareDnfToDnf(benchmark::State& state) {
  Model m(2 * size(state));
  const int shape = static_cast<int>(state.range(1));
  auto form = [&] {
    return dnfOf(shape == 2 ? orOfTerms(m, size(state)) : shape == 1 ? andOfLeaves(m, size(state)) : orOfLeaves(m, size(state)));
  };
  const std::unique_ptr<KuvDnf> reference = form();
  KuvInList dnfs(KuvDnf::sType());
  std::unique_ptr<KuvDnf> listed = form();
  dnfs.PutBack(listed.get());
  const auto test = static_cast<KuvFilteringComparison::E_COMPARE_TEST_TYPE>(state.range(2));
  for (auto _ : state) {
    unsigned char* results = nullptr;
    if (FAILED(KuvFilteringComparison::Compare_DNF_To_DNF(test, *reference, dnfs, results, 1)) || results[0] != 1)
      state.SkipWithError("comparison failed");
    std::free(results);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CompareDnfToDnf)->ArgsProduct({benchmark::CreateRange(16, 4096, 4), {0, 1, 2}, {0, 2}});

// Simplification and normalization of copies of wide trees whose leaves
// share variables.

template <class Transform>
void transformCopies(benchmark::State& state, const Tree& tree, Transform transform) {
  for (auto _ : state) {
    state.PauseTiming();
    Tree copy(tree->getNode()->clone());
    state.ResumeTiming();
    if (FAILED(transform(*copy))) state.SkipWithError("transform failed");
    state.PauseTiming();
    copy.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}
HRESULT simplify(KuvEeNodeRef& ref) { return KuvEeNodeSimplifier().simplify(ref); }
HRESULT normalize(KuvEeNodeRef& ref) { return KuvEeNodeNormalizer().normalize(ref); }

// An Or of n leaves on sixteen selection values, a few values each, and
// of disjoint unit ranges; an And of n leaves of the selection variable,
// each admitting all values but one.
Tree orOfSharedVariables(Model& m, int n) {
  return group(new KuvEeOrOp, n, [&](int i) {
    return i % 2 ? m.selection({i % 16, (i + 5) % 16}) : m.units(10 * i, 10 * i + 5);
  });
}
Tree andOfOneSelection(Model& m, int n) {
  return group(new KuvEeAndOp, n, [&](int i) {
    auto* eff = new KuvEeSelectionEff(&m.color, KuvEeSelectionEff::AllFalse);
    for (int v = 0; v < 16; ++v)
      if (v != i % 16) eff->add(KuvInGuid(guid(100000 + v).data()));
    return new KuvEeVarEffLeaf(eff);
  });
}
void BM_SimplifyOrOfSharedVariables(benchmark::State& state) {
  Model m(16);
  transformCopies(state, orOfSharedVariables(m, size(state)), simplify);
}
void BM_NormalizeOrOfSharedVariables(benchmark::State& state) {
  Model m(16);
  transformCopies(state, orOfSharedVariables(m, size(state)), normalize);
}
void BM_SimplifyAndOfOneSelection(benchmark::State& state) {
  Model m(16);
  transformCopies(state, andOfOneSelection(m, size(state)), simplify);
}
void BM_NormalizeAndOfOneSelection(benchmark::State& state) {
  Model m(16);
  transformCopies(state, andOfOneSelection(m, size(state)), normalize);
}
// An Or of n terms of four leaves that overlap: an option or the other
// negated, one or two of three selection values, and two unit ranges on
// one variable, which meet.
void BM_SimplifyOverlappingTerms(benchmark::State& state) {
  Model m(2);
  const Tree tree = group(new KuvEeOrOp, size(state), [&](int i) {
    auto* andOp = new KuvEeAndOp;
    andOp->addChild(m.option(i % 2, i % 2 == 0));
    andOp->addChild(i % 3 ? m.selection({0, 1}) : m.selection({2}));
    andOp->addChild(m.units(1 + 10 * i, 16 + 10 * i));
    andOp->addChild(m.units(6 + 10 * i, 1000000));
    return andOp;
  });
  transformCopies(state, tree, simplify);
}
BENCHMARK(BM_SimplifyOverlappingTerms)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
BENCHMARK(BM_SimplifyOrOfSharedVariables)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
BENCHMARK(BM_NormalizeOrOfSharedVariables)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
BENCHMARK(BM_SimplifyAndOfOneSelection)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
BENCHMARK(BM_NormalizeAndOfOneSelection)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

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
    KuvEeNodeRef* criteria = orOfTerms(m, 2).release();
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
    expression.setModelCriteria(&m.dictionary, record);
    expression.setGlobalCriteria(m.option(3)->getNodeRef());
    dictionaries.Put(&m.dictionary);
  }
  HRESULT stack(KuvEeEffectivityExpression& onto) const {
    for (std::size_t i = 0; i < changes.size(); ++i) {
      KuvInObject* change = changes[i].get();
      HRESULT hr = onto.addOperation(i % 2 ? KuvEeExpressionOperation::CUT : KuvEeExpressionOperation::ADD, change);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  }
  Model m;
  std::vector<std::unique_ptr<KuvEePredefEff>> changes;
  KuvEeEffectivityExpression expression;
  KuvInSet dictionaries;
};

std::unique_ptr<KuvEeEffectivityExpression> stacked(const Operated& operated) {
  KuvEeEffectivityExpression* copy = nullptr;
  if (FAILED(KuvEeEffectivityExpression::clone(operated.expression, copy))) return nullptr;
  std::unique_ptr<KuvEeEffectivityExpression> owned(copy);
  if (FAILED(operated.stack(*owned))) return nullptr;
  return owned;
}

void BM_AddOperations(benchmark::State& state) {
  const Operated operated(size(state));
  for (auto _ : state)
    if (!stacked(operated)) state.SkipWithError("addOperation failed");
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AddOperations)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

template <class Step>
void onStack(benchmark::State& state, Step step) {
  const Operated operated(size(state));
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<KuvEeEffectivityExpression> expression = stacked(operated);
    state.ResumeTiming();
    if (!expression || FAILED(step(operated, *expression))) state.SkipWithError("operations failed");
    state.PauseTiming();
    expression.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}
void BM_IntegrateOperations(benchmark::State& state) {
  onStack(state, [](const Operated& o, KuvEeEffectivityExpression& e) { return e.integrateOperations(o.dictionaries); });
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
// term) and options beside unit ranges.
void splitAnd(benchmark::State& state, bool withUnits) {
  Model m(size(state));
  const KuvEeGenericExpression expression(
      group(new KuvEeAndOp, size(state), [&](int i) { return withUnits && i % 4 == 0 ? m.units(i, i + 1000000) : m.option(i); })
          .release());
  for (auto _ : state) {
    KuvCoreEVC_Expression* result = nullptr;
    if (FAILED(KuvCoreEVC_Expression::Create(expression, result))) state.SkipWithError("Create failed");
    delete result;
  }
  state.SetComplexityN(state.range(0));
}
void BM_SplitAndOfOptions(benchmark::State& state) { splitAnd(state, false); }
void BM_SplitAndOfOptionsAndUnits(benchmark::State& state) { splitAnd(state, true); }
BENCHMARK(BM_SplitAndOfOptions)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
BENCHMARK(BM_SplitAndOfOptionsAndUnits)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// Compiled binaries of an effectivity of n terms of two leaves in its
// dictionary and of a filter of n criteria, and a handler reading the
// filter's binary.
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
  KuvEeNodeRef* criteria = orOfTerms(m, size(state)).release();
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
  effectivity.setModelCriteria(&m.dictionary, record);
  for (auto _ : state) {
    HRESULT hr = S_OK;
    benchmark::DoNotOptimize(compiled(effectivity, hr));
    if (FAILED(hr)) state.SkipWithError("compiled binary failed");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CompiledEffectivity)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// A filter of n criteria: options, one each, and selections of a few
// values, which the list unites into one.
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
BENCHMARK(BM_CompiledFilter)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

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
BENCHMARK(BM_FilterHandlerOfCompiledFilter)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

}  // namespace
