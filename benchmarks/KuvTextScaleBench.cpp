// How the text and XML forms scale with the number of criteria: writing and
// reading the literal syntax and the XML expression document, reading a
// dictionary document, and the dependency and generation services over
// large inputs. Three shapes of n criteria: an Or of distinct options, an
// And of selection leaves each holding two values, and a nesting n deep.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#ifdef KUV_BENCH_WITH_XML
#include <KuvXML.h>
#endif

#include "KuvBenchSupport.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

std::array<unsigned char, 16> guid(unsigned n) { return kuv_bench::guid(n, 0x54); }

enum Shape { OrOfOptions, AndOfSelections, Nested };

// The three shapes over given criteria: option(i) and selection(i) make
// the i-th leaf.
template <class Option, class Selection>
KuvEeNode* shape(Shape kind, int n, Option option, Selection selection) {
  if (kind == Nested) {
    // And(O0, Or(O1, And(O2, ...))): every level a group of its own.
    KuvEeNode* inner = option(n - 1);
    for (int i = n - 2; i >= 0; --i) {
      KuvEeGroupOp* group = i % 2 ? static_cast<KuvEeGroupOp*>(new KuvEeOrOp) : new KuvEeAndOp;
      group->addChild(option(i));
      group->addChild(inner);
      inner = group;
    }
    return inner;
  }
  KuvEeGroupOp* group = kind == OrOfOptions ? static_cast<KuvEeGroupOp*>(new KuvEeOrOp) : new KuvEeAndOp;
  for (int i = 0; i < n; ++i) group->addChild(kind == OrOfOptions ? option(i) : selection(i));
  return group;
}

KuvEeNode* optionLeaf(KuvEeCatOptionVar* option) {
  return new KuvEeVarEffLeaf(new KuvEeOptionEff(option, KuvEeOptionEff::T));
}

KuvEeNode* selectionLeaf(KuvEeSelectionVar* var) {
  auto* eff = new KuvEeSelectionEff(var, KuvEeSelectionEff::AllFalse);
  eff->add(KuvInString("A"));
  eff->add(KuvInString("C"));
  return new KuvEeVarEffLeaf(eff);
}

// n options O<i> of category Options and n selections S<i> of values A, B,
// C, in a space a literal reader names them through.
struct TextModel {
  explicit TextModel(int n) {
    space.addCategory(&category);
    for (int i = 0; i < n; ++i) {
      const std::string id = std::to_string(i);
      options.push_back(std::make_unique<KuvEeCatOptionVar>(KuvInString(("O" + id).c_str()),
                                                            guid(1000 + i).data(), &category));
      space.addOptionVar(options.back().get());
      selections.push_back(std::make_unique<KuvEeSelectionVar>(("S" + id).c_str(), guid(100000 + i).data()));
      for (unsigned v = 0; v < 3; ++v)
        selections.back()->addValue(std::string(1, static_cast<char>('A' + v)).c_str(),
                                    guid(200000 + 3 * i + v).data());
      space.addSelectionVar(selections.back().get());
    }
  }
  KuvEeNodeRef* tree(Shape kind, int n) {
    return shape(
               kind, n, [&](int i) { return optionLeaf(options[i].get()); },
               [&](int i) { return selectionLeaf(selections[i].get()); })
        ->getNodeRef();
  }
  KuvEeVarSpace space{"Text", guid(1).data()};
  KuvEeCategory category{"Options", guid(2).data()};
  std::vector<std::unique_ptr<KuvEeCatOptionVar>> options;
  std::vector<std::unique_ptr<KuvEeSelectionVar>> selections;
};

KuvInString literal(KuvEeNodeRef& tree) {
  KuvLiteralExprWriter writer;
  writer.setDefaultSyntax();
  return writer.write(*tree.getNode());
}

void BM_WriteLiteralOf(benchmark::State& state, Shape kind) {
  const int n = static_cast<int>(state.range(0));
  TextModel model(n);
  std::unique_ptr<KuvEeNodeRef> tree(model.tree(kind, n));
  KuvLiteralExprWriter writer;
  writer.setDefaultSyntax();
  for (auto _ : state)
    if (writer.write(*tree->getNode()).IsEmpty()) state.SkipWithError("write failed");
  state.SetComplexityN(n);
}

void BM_ReadLiteralOf(benchmark::State& state, Shape kind) {
  const int n = static_cast<int>(state.range(0));
  TextModel model(n);
  std::unique_ptr<KuvEeNodeRef> tree(model.tree(kind, n));
  const KuvInString text = literal(*tree);
  KuvLiteralExprReader reader(&model.space);
  reader.setDefaultSyntax();
  KuvInString error;
  for (auto _ : state) {
    std::unique_ptr<KuvEeNodeRef> read(reader.readExpressionSimple(text, error, false));
    if (!read) state.SkipWithError(error.ConvertToChar());
  }
  state.SetComplexityN(n);
}

// Readers and writers refuse nesting beyond their depth limits, hence
// nestedHigh.
#define KUV_SHAPES(bench, high, nestedHigh)                                                              \
  BENCHMARK_CAPTURE(bench, OrOfOptions, OrOfOptions)->RangeMultiplier(4)->Range(16, high)->Complexity(); \
  BENCHMARK_CAPTURE(bench, AndOfSelections, AndOfSelections)                                             \
      ->RangeMultiplier(4)                                                                               \
      ->Range(16, high)                                                                                  \
      ->Complexity();                                                                                    \
  BENCHMARK_CAPTURE(bench, Nested, Nested)->RangeMultiplier(4)->Range(16, nestedHigh)->Complexity()

KUV_SHAPES(BM_WriteLiteralOf, 16384, 1024);
KUV_SHAPES(BM_ReadLiteralOf, 4096, 256);

// Definitions referring to each other: E<k> is O<k> & $E<k-1>, and the
// expression an Or of every $E<k>, so that following the definitions meets
// each one again from every later one.
struct ChainedDefinitions {
  explicit ChainedDefinitions(int n) : model(n) {
    auto* orOp = new KuvEeOrOp;
    for (int k = 0; k < n; ++k) {
      effs.push_back(std::make_unique<KuvEeBasicEff>(KuvInString(("E" + std::to_string(k)).c_str()),
                                                     guid(300000 + k).data()));
      KuvEeNode* definition = optionLeaf(model.options[k].get());
      if (k > 0) {
        auto* andOp = new KuvEeAndOp;
        andOp->addChild(definition);
        andOp->addChild(new KuvEeEffLeaf(effs[k - 1].get()));
        definition = andOp;
      }
      effs.back()->setExpr(definition->getNodeRef());
      orOp->addChild(new KuvEeEffLeaf(effs.back().get()));
    }
    expression = std::make_unique<KuvEeGenericExpression>(orOp->getNodeRef());
  }
  TextModel model;
  std::vector<std::unique_ptr<KuvEeBasicEff>> effs;
  std::unique_ptr<KuvEeGenericExpression> expression;
};

void definitionData(benchmark::State& state, const KuvEeGenericExpression& expression) {
  for (auto _ : state) {
    KuvInList first, second;
    KuvBioBuffer* binary = nullptr;
    if (FAILED(KuvCoreDependencyMngtServices::CreateDefinitionDBData(expression, nullptr, first, second,
                                                                     binary)))
      state.SkipWithError("definition data failed");
    delete binary;
  }
  state.SetComplexityN(state.range(0));
}

void BM_DefinitionDataOfChainedDefinitions(benchmark::State& state) {
  ChainedDefinitions chain(static_cast<int>(state.range(0)));
  definitionData(state, *chain.expression);
}
BENCHMARK(BM_DefinitionDataOfChainedDefinitions)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

void BM_DefinitionDataOfSelections(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TextModel model(n);
  const KuvEeGenericExpression expression(model.tree(AndOfSelections, n));
  definitionData(state, expression);
}
BENCHMARK(BM_DefinitionDataOfSelections)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// A model of n selections of values A, B, C and one selection Wide of n
// values; the context owns it.
struct GenerationModel {
  explicit GenerationModel(int n) {
    auto* model = new KuvEeModelDico("Gen", KuvInGuid(guid(400000).data()));
    auto* wide = new KuvEeSelectionVar("Wide", guid(400001).data());
    for (int i = 0; i < n; ++i) {
      auto* var = new KuvEeSelectionVar(("S" + std::to_string(i)).c_str(), guid(410000 + i).data());
      for (unsigned v = 0; v < 3; ++v)
        spread.push_back(var->addValue(std::string(1, static_cast<char>('A' + v)).c_str(),
                                       guid(420000 + 3 * i + v).data()));
      model->addConfigFeature(var);
      narrow.push_back(wide->addValue(("W" + std::to_string(i)).c_str(), guid(440000 + i).data()));
    }
    model->addConfigFeature(wide);
    model->enableEvolutionSeries(KuvEeSerialVar::UNIT);
    context.AddModelDico(model, true);
    this->model = model;
  }
  KuvEeExpressionContext context;
  KuvEeModelDico* model = nullptr;
  std::vector<KuvEeSelectionValue*> spread;  // 3n values over n variables
  std::vector<KuvEeSelectionValue*> narrow;  // n values of Wide
};

KuvInSet criteriaSet(const std::vector<KuvEeSelectionValue*>& values) {
  KuvInSet set;
  for (KuvEeSelectionValue* value : values) set.Put(value);
  return set;
}

// Times make (filterOf or effectivityOf) over the criteria and builds.
template <class Generate>
void timeGeneration(benchmark::State& state, Generate make, GenerationModel& model, const KuvInSet& criteria,
                    const KuvInMap& builds) {
  for (auto _ : state)
    if (FAILED(make(model, criteria, builds))) state.SkipWithError("generation failed");
  state.SetComplexityN(state.range(0));
}

template <class Generate>
void generate(benchmark::State& state, bool wide, Generate make) {
  GenerationModel model(static_cast<int>(state.range(0)));
  const KuvInSet criteria = criteriaSet(wide ? model.narrow : model.spread);
  timeGeneration(state, make, model, criteria, KuvInMap(KuvInObjectPtr::sType(), KuvInSetVal::sType()));
}

HRESULT filterOf(GenerationModel& model, const KuvInSet& criteria, const KuvInMap& builds) {
  KuvEeFilterExpression* filter = nullptr;
  const HRESULT hr = KuvExpressionGenerationServices::GenerateFilterExpression(
      model.model, criteria, builds, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT, filter);
  delete filter;
  return hr;
}

HRESULT effectivityOf(GenerationModel& model, const KuvInSet& criteria, const KuvInMap& builds) {
  KuvEeEffectivityExpression* expression = nullptr;
  const HRESULT hr = KuvExpressionGenerationServices::GenerateEffectivityExpression(model.context, criteria,
                                                                                    builds, expression);
  delete expression;
  return hr;
}

void BM_GenerateFilterOverVariables(benchmark::State& state) { generate(state, false, filterOf); }
BENCHMARK(BM_GenerateFilterOverVariables)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
void BM_GenerateFilterOfOneWideSelection(benchmark::State& state) { generate(state, true, filterOf); }
BENCHMARK(BM_GenerateFilterOfOneWideSelection)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
void BM_GenerateEffectivityOverVariables(benchmark::State& state) { generate(state, false, effectivityOf); }
BENCHMARK(BM_GenerateEffectivityOverVariables)->RangeMultiplier(4)->Range(16, 4096)->Complexity();
void BM_GenerateEffectivityOfOneWideSelection(benchmark::State& state) {
  generate(state, true, effectivityOf);
}
BENCHMARK(BM_GenerateEffectivityOfOneWideSelection)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// Builds of n unit numbers, spaced so that none merge.
void BM_GenerateFilterOfBuilds(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  GenerationModel model(1);
  const KuvInSet criteria;
  KuvInMap builds(KuvInObjectPtr::sType(), KuvInSetVal::sType());
  auto* numbers = new KuvInSetVal;
  for (int i = 0; i < n; ++i) numbers->Put(KuvInIntHolder(1 + 2 * i));
  builds.Put(KuvInObjectPtr(model.model), numbers);
  timeGeneration(state, filterOf, model, criteria, builds);
  builds.DeleteAll();
}
BENCHMARK(BM_GenerateFilterOfBuilds)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// n revisions of the state series, every other sequence number, so that
// none merge.
void BM_GenerateFilterOfRevisions(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  GenerationModel model(1);
  model.model->enableEvolutionSeries(KuvEeSerialVar::STATE);
  KuvEeSerialVar* states = model.model->getSeriesVariable(KuvEeSerialVar::STATE);
  KuvInSet criteria;
  for (int i = 0; i < n; ++i) {
    auto* revision = new KuvEeSerialVarValue("S", guid(450000 + i).data(), ("R" + std::to_string(i)).c_str(),
                                             static_cast<unsigned>(1 + 2 * i), states);
    states->addRevision(revision);
    criteria.Put(revision);
  }
  const KuvInMap builds(KuvInObjectPtr::sType(), KuvInSetVal::sType());
  timeGeneration(state, filterOf, model, criteria, builds);
}
BENCHMARK(BM_GenerateFilterOfRevisions)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// n children of a tree series' root, each selected alone.
void BM_GenerateFilterOfTreeElements(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  GenerationModel model(1);
  model.model->enableEvolutionSeries(KuvEeSerialVar::TREE_STATE);
  KuvEeTreeSeriesVar* tree = model.model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
  auto index = [](int from, int to) {
    KuvInTreeEvalIndex built;
    KuvInTreeEvalIndex::BuildFromString((std::to_string(from) + "-" + std::to_string(to)).c_str(), built);
    return built;
  };
  auto* root =
      new KuvEeTreeSeriesElement("Root", guid(460000).data(), "A", index(1, 10 * n + 10), tree, nullptr);
  tree->setRootTreeSeriesElement(root, 0);
  KuvInSet criteria;
  for (int i = 0; i < n; ++i) {
    auto* child = new KuvEeTreeSeriesElement("C", guid(460001 + i).data(), "A", index(10 * i + 2, 10 * i + 6),
                                             tree, root);
    root->addChild(child);
    criteria.Put(child);
  }
  const KuvInMap builds(KuvInObjectPtr::sType(), KuvInSetVal::sType());
  timeGeneration(state, filterOf, model, criteria, builds);
}
BENCHMARK(BM_GenerateFilterOfTreeElements)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

#ifdef KUV_BENCH_WITH_XML

// The text of guid(n), or with trailing set the text of a GUID counting n
// in its last bytes, as dictionaries numbered from a prefix are.
std::string uuid(unsigned n, bool trailing = false) {
  std::array<unsigned char, 16> bytes = guid(n);
  if (trailing) {
    bytes = {0x5A, 0x0D};
    for (int i = 0; i < 4; ++i) bytes[15 - i] = static_cast<unsigned char>(n >> (8 * i));
  }
  std::string text;
  char digits[3];
  for (const unsigned char byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", byte);
    text += digits;
  }
  return text;
}

// A dictionary document: a feature Options of `options` options, `selections`
// single features of values A, B, C, and a feature Wide of `wide` values.
std::string dictionaryDocument(int options, int selections, int wide, bool trailing = false) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CfgDictionary Uuid=\"" + uuid(1) +
                     "\" Name=\"Scale\"><Series Type=\"Unit\" Uuid=\"" + uuid(2) +
                     "\" Name=\"Units\" LowerBound=\"1\" UpperBound=\"INFPOS\"/>";
  auto feature = [&](const std::string& name, unsigned id, const char* type, int count, auto child) {
    text += "<Feature Uuid=\"" + uuid(id, trailing) + "\" Name=\"" + name +
            "\" Type=\"ConfigFeature\" SelectionType=\"" + type + "\">";
    for (int i = 0; i < count; ++i) {
      const auto [childName, childId] = child(i);
      text += "<Feature Uuid=\"" + uuid(childId, trailing) + "\" Name=\"" + childName + "\"/>";
    }
    text += "</Feature>";
  };
  feature("Options", 10, "Multiple", options,
          [](int i) { return std::pair("O" + std::to_string(i), 1000u + i); });
  for (int i = 0; i < selections; ++i)
    feature("S" + std::to_string(i), 100000 + i, "Single", 3, [i](int v) {
      return std::pair(std::string(1, static_cast<char>('A' + v)), 200000u + 3 * i + v);
    });
  feature("Wide", 11, "Single", wide, [](int i) { return std::pair("W" + std::to_string(i), 500000u + i); });
  return text + "</CfgDictionary>";
}

// A dictionary read as a host reads it, into a context that owns it.
struct XMLModel {
  explicit XMLModel(const std::string& document) {
    KuvXMLV2ModelerContextImpl* collect = &texts;
    KuvXMLV3ModelDicoSAXHandler handler(context, collect, 1);
    KuvInSet descriptions(KuvXMLV2EeSerialDescription::sType());
    KuvXMLV2IModelerContext* collected = nullptr;
    read = KuvXMLExpatParser().ParseBuffer(document.data(), document.size(), handler);
    if (SUCCEEDED(read)) read = handler.GetCreatedModelDico(model, descriptions, collected);
    if (SUCCEEDED(read)) read = context.AddModelDico(model, true);
    descriptions.DeleteAll();
  }
  KuvEeExpressionContext context;
  KuvXMLV2ModelerContextImpl texts;
  KuvEeModelDico* model = nullptr;
  HRESULT read = E_FAIL;
};

void BM_ReadDictionary(benchmark::State& state, int options, int selections, int wide, bool trailing) {
  const int n = static_cast<int>(state.range(0));
  const std::string document = dictionaryDocument(options * n, selections * n, wide * n, trailing);
  for (auto _ : state)
    if (FAILED(XMLModel(document).read)) state.SkipWithError("dictionary refused");
  state.SetComplexityN(n);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(document.size()));
}
BENCHMARK_CAPTURE(BM_ReadDictionary, Options, 1, 0, 0, false)
    ->RangeMultiplier(4)
    ->Range(16, 4096)
    ->Complexity();
BENCHMARK_CAPTURE(BM_ReadDictionary, Selections, 0, 1, 0, false)
    ->RangeMultiplier(4)
    ->Range(16, 4096)
    ->Complexity();
BENCHMARK_CAPTURE(BM_ReadDictionary, WideSelection, 0, 0, 1, false)
    ->RangeMultiplier(4)
    ->Range(16, 4096)
    ->Complexity();
// A GUID's hash folds its four words together and its tables index by the
// low bits, so GUIDs that differ only in their last bytes share a bucket.
BENCHMARK_CAPTURE(BM_ReadDictionary, OptionsCountingInLastBytes, 1, 0, 0, true)
    ->RangeMultiplier(4)
    ->Range(16, 4096)
    ->Complexity();

// An effectivity expression of one shape over a dictionary read from its
// document.
struct XMLExpression {
  XMLExpression(Shape kind, int n) : dictionary(dictionaryDocument(n, n, 0)) {
    KuvEeDicoObject* feature = nullptr;
    dictionary.model->getConfigFeature(KuvInString("Options"), feature);
    KuvEeCategory* options = KuvEeCategory::cast(*feature);
    KuvEeNode* tree = shape(
        kind, n,
        [&](int i) {
          return optionLeaf(options->getOptionVar(KuvInString(("O" + std::to_string(i)).c_str())));
        },
        [&](int i) {
          KuvEeDicoObject* selection = nullptr;
          dictionary.model->getConfigFeature(KuvInString(("S" + std::to_string(i)).c_str()), selection);
          return selectionLeaf(KuvEeSelectionVar::cast(*selection));
        });
    KuvEeNodeRef* criteria = tree->getNodeRef();
    KuvEeNodeRef* inherited = nullptr;
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(&inherited, &criteria);
    expression.setModelCriteria(dictionary.model, record);
  }
  std::string write() const {
    KuvXMLTextWriter sink;
    KuvXMLV3ExprWriter writer(sink, &dictionary.texts, 0, 1, 1);
    return SUCCEEDED(writer.write(expression)) ? sink.GetText() : std::string();
  }
  XMLModel dictionary;
  KuvEeEffectivityExpression expression;
};

void BM_WriteXMLExpression(benchmark::State& state, Shape kind) {
  const XMLExpression source(kind, static_cast<int>(state.range(0)));
  for (auto _ : state)
    if (source.write().empty()) state.SkipWithError("write failed");
  state.SetComplexityN(state.range(0));
}

void BM_ReadXMLExpression(benchmark::State& state, Shape kind) {
  XMLExpression source(kind, static_cast<int>(state.range(0)));
  const std::string document = source.write();
  for (auto _ : state) {
    KuvXMLV2ExpressionData data;
    KuvEeExpression* expression = nullptr;
    KuvXMLV3ExprSAXHandler handler(source.dictionary.context, data, &source.dictionary.texts, expression, 1,
                                   0, 1, 1);
    if (FAILED(KuvXMLExpatParser().ParseBuffer(document.data(), document.size(), handler)) ||
        FAILED(handler.GetGeneratedExpression()))
      state.SkipWithError("read failed");
    delete expression;
  }
  state.SetComplexityN(state.range(0));
}

KUV_SHAPES(BM_WriteXMLExpression, 4096, 1024);
KUV_SHAPES(BM_ReadXMLExpression, 4096, 1024);

#endif  // KUV_BENCH_WITH_XML

}  // namespace
