// The model side at scale: range lists, dictionaries and the name solver,
// classification and grouping, and the stored forms, as n grows. Each case
// should grow with n or n log n.
#include <benchmark/benchmark.h>
#include <cstdlib>

#include <Kuv.h>

#include "KuvBenchSupport.h"
#include "KuvFilteringWorkloads.h"

#include <algorithm>
#include <array>
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
// intersection n points and the difference n pieces. Each range of the
// first also meets two of the halves, one point each. The singles, apart,
// come in random order.
struct Ranges {
  using Make = KuvInListVal (*)(std::int64_t, std::int64_t);
  Ranges(KuvInObjectTypeClass* type, std::int64_t n, Make make)
      : first(type), second(type), halves(type), empty(type) {
    for (std::int64_t k = 0; k < n; ++k) {
      first.PutBackList(make(3 * k, 3 * k + 1));
      halves.PutBackList(make(3 * k, 3 * k));
      halves.PutBackList(make(3 * k + 1, 3 * k + 1));
      second.PutBackList(make(3 * k + 1, 3 * k + 2));
      singles.push_back(make(4 * k, 4 * k + 1));
    }
    std::shuffle(singles.begin(), singles.end(), std::mt19937(7));
  }
  KuvInListVal first, second, halves, empty;
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
// random order to an empty list, 4: intersection with the halves.
template <class Interval>
void rangeCase(benchmark::State& state, KuvInListVal (*make)(std::int64_t, std::int64_t)) {
  const Ranges r(Interval::sType(), state.range(1), make);
  for (auto _ : state) {
    KuvInListVal result(state.range(0) == 3 ? r.empty : r.first);
    HRESULT hr = S_OK;
    switch (state.range(0)) {
      case 0:
        hr = Interval::opAdd(result, r.second);
        break;
      case 1:
        hr = Interval::opAnd(result, r.second);
        break;
      case 2:
        hr = Interval::opCut(result, r.second);
        break;
      case 4:
        hr = Interval::opAnd(result, r.halves);
        break;
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
  for (int op = 0; op < 5; ++op)
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

// A unit effectivity set from n ranges that exclude both their ends, given
// in random order: their union, in the one form of its set.
void BM_SerialEffSetUnsorted(benchmark::State& state) {
  KuvEeSerialVar units("Units", kuv_bench::guid(0, 0x5D).data(), KuvEeSerialVar::UNIT, nullptr);
  std::vector<std::int32_t> starts(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < starts.size(); ++i) starts[i] = static_cast<std::int32_t>(3 * i);
  std::shuffle(starts.begin(), starts.end(), std::mt19937(7));
  KuvInListVal ranges(KuvInSerialInterval::sType());
  for (const std::int32_t start : starts) {
    KuvInSerialInterval range;
    range.setInterval(start, false, start + 3, false);
    ranges.PutBack(range);
  }
  for (auto _ : state) {
    KuvEeSerialEff eff(&units, KuvEeSerialEff::AllFalse);
    if (FAILED(eff.set(ranges))) state.SkipWithError("set failed");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SerialEffSetUnsorted)->Apply(growing);

std::array<unsigned char, 16> guid(std::int64_t n) { return kuv_bench::guid(static_cast<unsigned>(n), 0x5C); }

std::string nameOf(std::int64_t i) { return "V" + std::to_string(i); }

// n values added to a selection, each found by name and by GUID, then
// removed one by one.
void BM_SelectionValues(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  for (auto _ : state) {
    KuvEeSelectionVar color("Color", guid(0).data());
    for (std::int64_t i = 1; i <= n; ++i) color.addValue(nameOf(i).c_str(), guid(i).data());
    for (std::int64_t i = 1; i <= n; ++i) {
      benchmark::DoNotOptimize(color.getValue(KuvInString(nameOf(i).c_str())));
      benchmark::DoNotOptimize(color.getValue(KuvInGuid(guid(i).data())));
    }
    for (std::int64_t i = 1; i <= n; ++i)
      if (FAILED(color.removeValue(KuvInString(nameOf(i).c_str())))) state.SkipWithError("remove failed");
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_SelectionValues)->Apply(growing);

// A second model whose n features copy registered ones (same GUIDs, other
// names): the copies give way to the registered features, all at once when
// the model is registered, or one by one into a registered model.
void BM_SharedFeatures(benchmark::State& state, bool oneByOne) {
  const std::int64_t n = state.range(0);
  for (auto _ : state) {
    KuvEeExpressionContext context;
    for (std::int64_t i = 1; i <= n; ++i) {
      KuvEeDicoObject* feature = new KuvEeCategory(nameOf(i).c_str(), guid(i).data());
      context.AddConfigFeature(feature);
    }
    auto* model = new KuvEeModelDico("Second", KuvInGuid(guid(0).data()));
    std::vector<KuvEeDicoObject*> copies;
    for (std::int64_t i = 1; i <= n; ++i)
      copies.push_back(new KuvEeCategory(("C" + nameOf(i)).c_str(), guid(i).data()));
    if (!oneByOne)
      for (KuvEeDicoObject* copy : copies) model->addConfigFeature(copy);
    KuvEeModelDico* handle = model;
    if (context.AddModelDico(handle, true) != S_OK) state.SkipWithError("model refused");
    if (oneByOne)
      for (KuvEeDicoObject* copy : copies) {
        model->addConfigFeature(copy);
        if (context.AddConfigFeature(copy, model) != S_FALSE) state.SkipWithError("feature refused");
      }
    const KuvInSet* features = nullptr;
    model->getConfigFeatures(features);
    if (features->GetLength() != n) state.SkipWithError("features lost");
  }
  state.SetComplexityN(n);
}
BENCHMARK_CAPTURE(BM_SharedFeatures, AtOnce, false)->Apply(growing);
BENCHMARK_CAPTURE(BM_SharedFeatures, OneByOne, true)->Apply(growing);

// A context creating n milestones and n tree-series revisions, each with a
// revision under it, in no-tree-mode bags; each element is then found by
// its index.
void BM_ContextTreeElements(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  std::vector<KuvInTreeEvalIndex> tops, children;
  for (std::int64_t i = 1; i <= n; ++i) {
    const std::string at = std::to_string(2 * i), under = at + ".1";
    KuvInTreeEvalIndex::BuildFromString((at + "-" + std::to_string(2 * i + 1)).c_str(), tops.emplace_back());
    KuvInTreeEvalIndex::BuildFromString((under + "-" + under).c_str(), children.emplace_back());
  }
  for (auto _ : state) {
    KuvEeExpressionContext context;
    KuvEeModelDico* model = new KuvEeModelDico("Car", KuvInGuid(guid(0).data()));
    context.AddModelDico(model, true);
    context.AddMilestonesTrack(model, KuvInGuid(guid(1).data()), "Gates", "Design", true);
    KuvEeMilestonesVar* track = nullptr;
    model->getMilestonesTrack(KuvInString("Gates"), track);
    for (std::int64_t i = 0; i < n; ++i) {
      const std::string name = nameOf(i);
      KuvEeTreeSeriesElement* top = nullptr;
      if (context.AddMilestone(track, KuvInGuid(guid(10 + 3 * i).data()), name.c_str(), tops[i], nullptr,
                               nullptr) != S_OK ||
          context.AddRevision(model, KuvEeSerialVar::TREE_STATE, nullptr, KuvInGuid(guid(11 + 3 * i).data()),
                              name.c_str(), "A", tops[i], true) != S_OK ||
          context.RetrieveTreeSeriesElement(model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE),
                                            name.c_str(), "A", top) != S_OK ||
          context.AddRevision(model, KuvEeSerialVar::TREE_STATE, top, KuvInGuid(guid(12 + 3 * i).data()),
                              name.c_str(), "B", children[i], true) != S_OK)
        state.SkipWithError("element refused");
    }
    const KuvEeTreeSeriesVar* series = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
    for (std::int64_t i = 0; i < n; ++i) {
      KuvEeMilestone* milestone = nullptr;
      KuvEeTreeSeriesElement* top = nullptr;
      KuvEeTreeSeriesElement* child = nullptr;
      if (track->getMilestone(tops[i], milestone) != S_OK ||
          series->getTreeSeriesElement(tops[i], top) != S_OK ||
          series->getTreeSeriesElement(children[i], child) != S_OK)
        state.SkipWithError("element lost");
    }
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_ContextTreeElements)->Apply(growing);

// n options of one category entered in a variable space, each found by
// GUID and by its names.
void BM_VarSpaceOptions(benchmark::State& state) {
  const kuv_bench::AndOfOrs model(static_cast<int>(state.range(0)), 0, 0, 0x5D);
  const KuvInString category("Options");
  for (auto _ : state) {
    KuvEeVarSpace space("Space", guid(0).data());
    space.addCategory(const_cast<KuvEeCategory*>(&model.category));
    for (const auto& option : model.options) space.addOptionVar(option.get());
    for (const auto& option : model.options) {
      benchmark::DoNotOptimize(space.getOptionVar(option->getGuid()));
      benchmark::DoNotOptimize(space.getOptionVar(category, option->getName()));
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_VarSpaceOptions)->Apply(growing);

// The criteria families of an And of n options, as a whole and node by node.
void BM_ClassifyAnd(benchmark::State& state) {
  const kuv_bench::AndOfOrs tree(static_cast<int>(state.range(0)), 0, 0, 0x5E);
  for (auto _ : state) {
    KuvCoreEVC_NodeClassifier classifier;
    KuvEVCClassification classification;
    KuvInMapVal sets(KuvInObjectPtr::sType(), KuvInSetVal::sType());
    if (FAILED(classifier.classify(*tree.tree, classification)) ||
        FAILED(classifier.getClassificationIndex(*tree.tree, sets)))
      state.SkipWithError("classification failed");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ClassifyAnd)->Apply(growing);

// An Or of n options grouped by family, its groups merged, then ungrouped.
void BM_GroupOr(benchmark::State& state) {
  const kuv_bench::AndOfOrs source(0, 1, static_cast<int>(state.range(0)), 0x5F);
  for (auto _ : state) {
    std::unique_ptr<KuvEeNodeRef> root(KuvEeNodeCloner().clone(*source.tree));
    KuvCoreEVC_NodeClassifier classifier;
    KuvEeNodeGroupMaker maker(classifier, KuvEeNodeGroupMaker::GROUP_SAME_FAMILY);
    maker.selectClassificationIndex(KuvInIntHolder(1));
    KuvEeNodeGroupContext context(*root);
    if (FAILED(maker.groupNode(context)) || FAILED(maker.mergeSimilarChildren(context)) ||
        FAILED(maker.ungroupNode(context)))
      state.SkipWithError("grouping failed");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_GroupOr)->Apply(growing);

// An And of n options completed, then the completion taken away.
void BM_CompleteAnd(benchmark::State& state) {
  const kuv_bench::AndOfOrs source(static_cast<int>(state.range(0)), 0, 0, 0x60);
  for (auto _ : state) {
    KuvEeNodeRef* root = KuvEeNodeCloner().clone(*source.tree);
    std::unique_ptr<KuvEeNodeRef> owner(root);
    if (FAILED(KuvEeNodeAddCompletion().addCompletion(root, KuvEeFilterExpression::CFG_SELECTIONMODE_150)))
      state.SkipWithError("completion failed");
    owner.release();
    owner.reset(root);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CompleteAnd)->Apply(growing);

// An Or of n references to changes; change(i) picks the GUID of the i-th.
struct References {
  template <class Change>
  References(std::int64_t n, Change change) {
    auto* orOp = new KuvEeOrOp;
    tree.reset(orOp->getNodeRef());
    for (std::int64_t i = 0; i < n; ++i) {
      changes.push_back(std::make_unique<KuvEePredefEff>("C", guid(change(i)).data(), true, KuvEePredefEff::GLOBAL));
      orOp->addChild(new KuvEeEffLeaf(changes.back().get()));
    }
  }
  std::vector<std::unique_ptr<KuvEePredefEff>> changes;
  std::unique_ptr<KuvEeNodeRef> tree;  // declared last: freed before the changes it refers to
};

// The change actions of an Or of n references to distinct changes.
void BM_CollectChanges(benchmark::State& state) {
  const References references(state.range(0), [](std::int64_t i) { return i + 1; });
  for (auto _ : state) {
    KuvInSetVal found(KuvInGuid::sType());
    if (FAILED(KuvECAGuidCollector().collect(*references.tree, found))) state.SkipWithError("collect failed");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CollectChanges)->Apply(growing);

// Historization by date of one change referred to by every other leaf of an
// Or of n references, on a fresh copy per iteration.
void BM_HistorizeByDate(benchmark::State& state) {
  const References references(state.range(0), [](std::int64_t i) { return i % 2 == 0 ? 1 : i + 1; });
  KuvEeDateVar dates("Date", guid(0).data());
  const KuvEeDateEff from(&dates, KuvEeDateEff::AllTrue);
  const KuvInGuid change(guid(1).data());
  kuv_bench::timeOnCopies(state, *references.tree, [&](KuvEeNodeRef& copy) {
    return KuvHistorizationApplicabilityByDateCommutator().commute(copy, change, from);
  });
}
BENCHMARK(BM_HistorizeByDate)->Apply(growing);

// A literal And of n options, each named once, read against a space that
// holds them: the names are solved together.
void BM_ReadLiteralOfManyNames(benchmark::State& state) {
  const kuv_bench::AndOfOrs model(static_cast<int>(state.range(0)), 0, 0, 0x62);
  KuvEeVarSpace space("Space", guid(0).data());
  space.addCategory(const_cast<KuvEeCategory*>(&model.category));
  for (const auto& option : model.options) space.addOptionVar(option.get());
  KuvLiteralExprReader reader(&space);
  reader.setDefaultSyntax();
  std::string text;
  for (std::int64_t i = 0; i < state.range(0); ++i)
    text += (i == 0 ? "Options.O" : " & Options.O") + std::to_string(i);
  kuv_bench::timeLiteralRead(state, reader, KuvInString(text.c_str()));
}
BENCHMARK(BM_ReadLiteralOfManyNames)->Apply(growing);

KuvInGuid dnfGuid(std::int64_t n) {
  return KuvInGuid(kuv_bench::guid(static_cast<unsigned>(n), 0x61).data());
}

// terms and-terms of `leaves` options each, every leaf on a variable of its
// own.
std::unique_ptr<KuvDnf> optionDnf(std::int64_t terms, std::int64_t leaves) {
  auto dnf = std::make_unique<KuvDnf>(static_cast<std::int32_t>(terms), DNF_COND_NONE);
  for (std::int64_t t = 0; t < terms; ++t) {
    KuvDnfAndTerm* term =
        KuvDnfAndTermFactory::create(KuvDnfAndTermFactory::Map, static_cast<std::int32_t>(leaves));
    for (std::int64_t l = 0; l < leaves; ++l)
      term->addDnfLeaf(*new KuvDnfOptionEff(dnfGuid(10 + t * leaves + l), dnfGuid(1),
                                            KuvDnfOptionEff::Selected, l % 2 == 1));
    dnf->addAndTerm(term);
  }
  return dnf;
}

// Binary normal forms of n terms of 8 leaves (first argument 0) or of one
// term of n leaves (1): op 0 writes, 1 reads, 2 finds the criteria families.
void BM_BioDnf(benchmark::State& state) {
  const std::int64_t n = state.range(2);
  const auto dnf = state.range(0) == 0 ? optionDnf(n, 8) : optionDnf(1, n);
  KuvBioBufferOut out;
  KuvBioDnfWriter::write(*dnf, out);
  for (auto _ : state) {
    HRESULT hr = S_OK;
    if (state.range(1) == 0) {
      KuvBioBufferOut again;
      hr = KuvBioDnfWriter::write(*dnf, again);
    } else if (state.range(1) == 1) {
      std::unique_ptr<KuvDnf> read(
          KuvBioDnfReader::read_0toEND(out.GetAsPtr(0), out.GetLength(), KuvDnfAndTermFactory::Map));
      hr = read ? S_OK : E_FAIL;
    } else {
      KuvEVCClassification found;
      hr = KuvBioDnfReader::analyzeEVCContent(out.GetAsPtr(0), out.GetLength(), found);
    }
    if (FAILED(hr)) state.SkipWithError("binary normal form failed");
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_BioDnf)
    ->ArgsProduct({{0, 1}, {0, 1, 2}, benchmark::CreateRange(64, 4096, 4)})
    ->Unit(benchmark::kMillisecond);

// An older "FLT" filter of n terms of 8 leaves, written (op 0) and read (1).
void BM_FltFilterBinary(benchmark::State& state) {
  const KuvFilter filter(CFG_EXPRVIEW_CURRENT, optionDnf(state.range(1), 8).release());
  KuvBioBufferOut out;
  KuvBioFilter::write(filter, out);
  kuv_bench::timeWriteOrRead(
      state,
      [&] {
        KuvBioBufferOut again;
        return KuvBioFilter::write(filter, again);
      },
      [&] {
        KuvBioBuffer in(out);
        KuvFilter* read = nullptr;
        const HRESULT hr = KuvBioFilter::read(in, read);
        delete read;
        return hr;
      },
      "FLT filter failed");
}
BENCHMARK(BM_FltFilterBinary)
    ->ArgsProduct({{0, 1}, benchmark::CreateRange(64, 4096, 4)})
    ->Unit(benchmark::kMillisecond);

// A compiled filter of n terms of two selections, applied to a thousand
// objects at once and one by one.
void BM_FilterOfManyTerms(benchmark::State& state) {
  kuv_bench::silenceReaders();
  static const kuv_bench::Objects objects(kuv_bench::W1, 1000);
  constexpr unsigned char tag = 0x46;  // the workload's variables
  auto selection = [&](std::int64_t v, std::int64_t k) {
    auto* leaf = new KuvDnfSelectionEff(KuvInGuid(kuv_bench::guid(static_cast<unsigned>(10 + v), tag).data()),
                                        1, false, false);
    leaf->putValue(KuvInGuid(kuv_bench::guid(static_cast<unsigned>(100 + 10 * v + k), tag).data()));
    return leaf;
  };
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  for (std::int64_t t = 0; t < state.range(1); ++t) {
    auto* term = new KuvDnfAndTermMap(2);
    term->addDnfLeaf(*selection(t % 10, t / 10 % 8));
    term->addDnfLeaf(*selection((t + 3) % 10, t / 100 % 8));
    dnf->addAndTerm(term);
  }
  KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT);
  filter.setDnf(KuvDiversityDomain_ConfigChange, KuvInGuid(kuv_bench::guid(1, tag).data()), dnf);
  KuvBioBufferOut out;
  KuvCompiledBinaryParser::Write(filter, out);
  const auto size = static_cast<unsigned int>(out.GetLength());
  for (auto _ : state) {
    if (state.range(0) == 0) {
      int* results = nullptr;
      if (FAILED(KuvFilteringServices::ApplyQuery(out.GetAsPtr(0), size, objects.binaries.data(),
                                                  objects.sizes.data(), 1000, results)))
        state.SkipWithError("query failed");
      std::free(results);
    } else {
      const KuvFilterHandler handler(out.GetAsPtr(0), size, 0);
      int result = 0;
      for (int i = 0; i < 1000; ++i) (void)handler.Apply(objects.binaries[i], objects.sizes[i], result);
    }
  }
  state.SetComplexityN(state.range(1));
}
BENCHMARK(BM_FilterOfManyTerms)
    ->ArgsProduct({{0, 1}, benchmark::CreateRange(64, 4096, 4)})
    ->Unit(benchmark::kMillisecond);

// The binary of an Or of Ands of four references to n distinct changes,
// written (op 0) and read (1).
void BM_BinaryExprOfManyCriteria(benchmark::State& state) {
  const std::int64_t n = state.range(1);
  KuvEeModelDico model{KuvInString("Model"), KuvInGuid()};
  std::vector<std::unique_ptr<KuvEePredefEff>> changes;
  KuvBinaryExprData data;
  KuvInMap map{KuvInIntHolder::sType(), KuvEeExpression::sType()};
  data.addCriteriaEeModel(model);
  auto* orOp = new KuvEeOrOp;
  KuvEeAndOp* andOp = nullptr;
  for (std::int64_t i = 0; i < n; ++i) {
    changes.push_back(
        std::make_unique<KuvEePredefEff>("Change", guid(i + 1).data(), true, KuvEePredefEff::GLOBAL));
    data.addExprImpactingCriteria(*changes.back());
    if (i % 4 == 0) orOp->addChild(andOp = new KuvEeAndOp);
    andOp->addChild(new KuvEeEffLeaf(changes.back().get()));
  }
  KuvEeNodeRef* criteria = orOp->getNodeRef();
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
  auto* expression = new KuvEeEffectivityExpression;
  expression->setModelCriteria(&model, record);
  map.Put(KuvInIntHolder(1), expression);
  KuvBioBufferOut written;
  KuvBinaryExprParser::Write(map, data, written, 2);
  data.setBinary(written.GetAsPtr(0), written.GetLength());
  for (auto _ : state) {
    if (state.range(0) == 0) {
      KuvBioBufferOut out;
      if (FAILED(KuvBinaryExprParser::Write(map, data, out, 2))) state.SkipWithError("write failed");
    } else {
      KuvInMap* read = nullptr;
      if (FAILED(KuvBinaryExprParser::Read(data, read))) state.SkipWithError("read failed");
      read->DeleteAll();
      delete read;
    }
  }
  map.DeleteAll();
  state.SetComplexityN(n);
}
BENCHMARK(BM_BinaryExprOfManyCriteria)
    ->ArgsProduct({{0, 1}, benchmark::CreateRange(64, 4096, 4)})
    ->Unit(benchmark::kMillisecond);

// An older "net" stream of an Or of n references to distinct changes, over
// a dependency list of those changes: written (op 0) and read (1).
void BM_NetStream(benchmark::State& state) {
  References references(state.range(1), [](std::int64_t i) { return i + 1; });
  KuvInList dependencies;
  for (const auto& change : references.changes) dependencies.PutBack(change.get());
  const KuvEeGenericExpression expression(references.tree.release());
  KuvBioBufferOut out;
  KuvBinaryExprWriter::Write(expression, dependencies, out);
  kuv_bench::timeWriteOrRead(
      state,
      [&] {
        KuvBioBufferOut again;
        return KuvBinaryExprWriter::Write(expression, dependencies, again);
      },
      [&] {
        KuvEeGenericExpression* read = nullptr;
        const HRESULT hr = KuvBinaryExprReader::Read(out.GetAsPtr(0), out.GetLength(), dependencies, read);
        delete read;
        return hr;
      },
      "net stream failed");
}
BENCHMARK(BM_NetStream)
    ->ArgsProduct({{0, 1}, benchmark::CreateRange(64, 4096, 4)})
    ->Unit(benchmark::kMillisecond);

}  // namespace
