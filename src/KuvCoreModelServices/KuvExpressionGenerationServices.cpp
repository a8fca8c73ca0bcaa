#include "KuvExpressionGenerationServices.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "KuvEeAndOp.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeExpressionContext.h"
#include "KuvEeModelDico.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeSelection.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInIntHolder.h"
#include "KuvInListVal.h"
#include "KuvInMap.h"
#include "KuvInSerialInterval.h"
#include "KuvInSet.h"
#include "KuvInSetVal.h"
#include "KuvOutOfMemory.h"
#include "KuvQmSpecList.h"

KUV_DEFINE_TYPE(KuvExpressionGenerationServices, KuvInObject)

namespace {

using Services = KuvExpressionGenerationServices;

// Whether object's variable is one of model's.
bool isOfModel(const KuvEeDicoObject& object, const KuvEeModelDico& model) {
  if (const auto* value = KuvEeSelectionValue::cast(object)) {
    // By identity: a feature with no GUID is indexed by name only.
    const KuvInSet* features = nullptr;
    return value->getSelectionVar() != nullptr && model.getConfigFeatures(features) == S_OK &&
           features != nullptr && features->Find(value->getSelectionVar());
  }
  if (const auto* revision = KuvEeSerialVarValue::cast(object))
    return revision->getSerialVar() != nullptr && revision->getSerialVar()->getHolderDico() == &model;
  if (const auto* element = KuvEeTreeSeriesElement::cast(object))
    return element->getTreeSeriesVar() != nullptr && element->getTreeSeriesVar()->getHolderDico() == &model;
  return false;
}

HRESULT selectionEff(KuvEeSelectionValue& value, KuvEeVarEff*& varEff) {
  auto eff = std::make_unique<KuvEeSelectionEff>(value.getSelectionVar(), KuvEeSelectionEff::AllFalse);
  if (FAILED(eff->set(&value))) KUV_RETURN_ERROR_ON(Services::traceChannel(), E_FAIL, "ERROR : set selection value failed");
  varEff = eff.release();
  return S_OK;
}

HRESULT serialEff(KuvEeSerialVar* var, const KuvInListVal& intervals, KuvEeVarEff*& varEff) {
  auto eff = std::make_unique<KuvEeSerialEff>(var, KuvEeSerialEff::AllFalse);
  if (FAILED(eff->set(intervals)))
    KUV_RETURN_ERROR_ON(Services::traceChannel(), E_FAIL, "ERROR: Unable to set serialIntervals into SerialEff.");
  varEff = eff.release();
  return S_OK;
}

HRESULT revisionEff(const KuvEeSerialVarValue& revision, KuvEeVarEff*& varEff) {
  const auto seqNumber = static_cast<std::int32_t>(revision.getSeqNumber());
  KuvInSerialInterval interval;
  if (FAILED(interval.setInterval(seqNumber, true, seqNumber, true)))
    KUV_RETURN_ERROR_ON(Services::traceChannel(), E_FAIL, "ERROR: Call to setInterval() has failed.");
  KuvInListVal intervals(KuvInSerialInterval::sType());
  intervals.PutBack(interval);
  return serialEff(revision.getSerialVar(), intervals, varEff);
}

HRESULT treeSeriesEff(KuvEeTreeSeriesElement& element, KuvEeVarEff*& varEff) {
  KuvEeTreeSeriesSelection selection;
  if (FAILED(selection.setSingleSelection(KuvEeTreeSeriesSelectionBound(&element, true))))
    KUV_RETURN_ERROR_ON(Services::traceChannel(), E_FAIL, "ERROR: Call to setSingleSelection() has failed.");
  KuvInListVal selections(KuvEeTreeSeriesSelection::sType());
  selections.PutBack(selection);
  auto eff = std::make_unique<KuvEeTreeSeriesEff>(element.getTreeSeriesVar(), KuvEeTreeSeriesEff::AllFalse);
  if (FAILED(eff->addSelections(selections)))
    KUV_RETURN_ERROR_ON(Services::traceChannel(), E_FAIL, "ERROR: Unable to set TreeSeriesSingle into TreeSerieEff.");
  varEff = eff.release();
  return S_OK;
}

// Hands varEff to list (united with what its variable already has).
HRESULT addToList(KuvQmSpecList& list, KuvEeVarEff* varEff) {
  if (FAILED(list.AddVarEff(varEff))) {
    delete varEff;
    KUV_RETURN_ERROR_ON(Services::traceChannel(), E_FAIL, "ERROR: Unable to add VarEff() to QmSpecList");
  }
  return S_OK;
}

// The criteria on one series (revisions, tree elements) united once into
// the effectivity the list already holds for the series: united one by one,
// each would combine the growing union again. The union is a set, whatever
// the order: revisions are the numbers they select, sorted they unite into
// the same runs; tree elements give the same groups of elements.
class SeriesUnion {
public:
  // Takes varEff when it selects a revision or tree element of a series
  // the list already holds an effectivity for.
  bool gather(KuvQmSpecList& list, KuvEeVarEff*& varEff) {
    KuvEeVarEff* held = list.GetVarEff(varEff->getVar());
    if (held == nullptr) return false;
    if (auto* revision = KuvEeSerialEff::cast(*varEff)) {
      auto* series = KuvEeSerialEff::cast(*held);
      if (series == nullptr) return false;
      KuvInListVal range(KuvInSerialInterval::sType());
      revision->getIntervals(range);
      pending(series).numbers.push_back(static_cast<const KuvInSerialInterval*>(range.Get(0))->getA());
    } else if (auto* element = KuvEeTreeSeriesEff::cast(*varEff)) {
      auto* tree = KuvEeTreeSeriesEff::cast(*held);
      if (tree == nullptr) return false;
      Pending& elements = pending(tree);
      if (elements.selections == nullptr)
        elements.selections = std::make_unique<KuvInListVal>(KuvEeTreeSeriesSelection::sType());
      KuvInListVal selection(KuvEeTreeSeriesSelection::sType());
      element->getSelections(selection);
      elements.selections->PutBackList(selection);
    } else {
      return false;
    }
    delete varEff;
    varEff = nullptr;
    return true;
  }

  HRESULT unite() {
    for (Pending& series : m_pending) {
      if (FAILED(series.selections != nullptr ? uniteElements(series) : uniteRevisions(series)))
        KUV_RETURN_ERROR_ON(Services::traceChannel(), E_FAIL, "ERROR: Unable to add VarEff() to QmSpecList");
    }
    m_pending.clear();
    m_index.clear();
    return S_OK;
  }

private:
  struct Pending {
    KuvEeVarEff* held;
    std::vector<std::int32_t> numbers;
    std::unique_ptr<KuvInListVal> selections;
  };

  Pending& pending(KuvEeVarEff* held) {
    auto [at, added] = m_index.try_emplace(held, m_pending.size());
    if (added) m_pending.push_back({held, {}, nullptr});
    return m_pending[at->second];
  }

  static HRESULT uniteRevisions(Pending& series) {
    auto& held = static_cast<KuvEeSerialEff&>(*series.held);
    KuvInListVal first(KuvInSerialInterval::sType());
    held.getIntervals(first);
    series.numbers.push_back(static_cast<const KuvInSerialInterval*>(first.Get(0))->getA());
    std::sort(series.numbers.begin(), series.numbers.end());
    KuvInListVal ranges(KuvInSerialInterval::sType());
    for (const std::int32_t n : series.numbers) {
      KuvInSerialInterval range;
      range.setInterval(n, true, n, true);
      ranges.PutBack(range);
    }
    return held.set(ranges);
  }

  // The elements' selections, one each, are distinct: taken together with
  // no search for duplicates, then united with the held ones in one step.
  static HRESULT uniteElements(Pending& series) {
    auto& held = static_cast<KuvEeTreeSeriesEff&>(*series.held);
    KuvInListVal united(KuvEeTreeSeriesSelection::sType());
    held.getSelections(united);
    if (FAILED(KuvEeTreeSelection::opAdd(united, *series.selections))) return E_FAIL;
    held.set(KuvEeTreeSeriesEff::AllFalse);
    return held.addSelections(united);
  }

  std::vector<Pending> m_pending;
  std::unordered_map<KuvEeVarEff*, std::size_t> m_index;
};

// The unit serial effectivity of the sequence numbers numbers (a
// KuvInSetVal of KuvInIntHolder) on model's unit variable.
HRESULT buildsEff(const KuvEeModelDico& model, const KuvInObject* numbers, KuvEeVarEff*& varEff) {
  const KuvInSetVal* set = numbers != nullptr ? KuvInSetVal::cast(*numbers) : nullptr;
  if (set == nullptr)
    KUV_RETURN_ERROR_ON(Services::traceChannel(), E_INVALIDARG,
                        "ERROR: Values for input map model to builds should be a KuvInSetVal");
  KuvEeSerialVar* units = model.getSeriesVariable(KuvEeSerialVar::UNIT);
  if (units == nullptr)
    KUV_RETURN_ERROR_ON(Services::traceChannel(), E_FAIL, "ERROR: Unexpected to no have serial var for unit");
  KuvInListVal intervals(KuvInSerialInterval::sType());
  for (KuvInSetVal::const_iterator it = set->cBegin(); it.IsValid(); it.Next()) {
    const KuvInIntHolder* number = KuvInIntHolder::cast(*it.Get());
    if (number == nullptr)
      KUV_RETURN_ERROR_ON(Services::traceChannel(), E_INVALIDARG,
                          "ERROR: Values for the set into the input map model to builds should be a KuvInIntHolder");
    const auto n = static_cast<std::int32_t>(number->getValue());
    KuvInSerialInterval interval;
    if (FAILED(interval.setInterval(n, true, n, true)))
      KUV_RETURN_ERROR_ON(Services::traceChannel(), E_FAIL, "ERROR: Call to setInterval() has failed.");
    intervals.PutBack(interval);
  }
  return serialEff(units, intervals, varEff);
}

KuvEeModelDico* keyModel(const KuvInObjectVal* key) {
  const KuvInObjectPtr* pointer = key != nullptr ? KuvInObjectPtr::cast(*key) : nullptr;
  return pointer != nullptr && pointer->getObject() != nullptr ? KuvEeModelDico::cast(*pointer->getObject()) : nullptr;
}

// model's list in lists (KuvInObjectPtr of a model -> KuvQmSpecList, owned
// by the caller), created when missing.
KuvQmSpecList& listOf(KuvInMap& lists, KuvEeModelDico* model) {
  if (KuvInObject* found = lists.Get(KuvInObjectPtr(model))) return *KuvQmSpecList::cast(*found);
  auto* list = new KuvQmSpecList;
  lists.Put(KuvInObjectPtr(model), list);
  return *list;
}

// One unit serial effectivity per entry of the builds map, each into the
// list listFor gives for the entry's model.
HRESULT addBuilds(const KuvInMap& builds, const std::function<KuvQmSpecList&(KuvEeModelDico*)>& listFor) {
  for (KuvInMap::const_iterator it = builds.cBegin(); !it.IsEnd(); it.Next()) {
    KuvEeModelDico* unitsModel = keyModel(it.GetKey());
    if (unitsModel == nullptr)
      KUV_RETURN_ERROR_ON(Services::traceChannel(), E_INVALIDARG,
                          "ERROR: Keys of input map model to builds should be models");
    KuvEeVarEff* varEff = nullptr;
    const HRESULT hr = buildsEff(*unitsModel, it.GetVal(), varEff);
    if (FAILED(hr)) return hr;
    if (FAILED(addToList(listFor(unitsModel), varEff))) return E_FAIL;
  }
  return S_OK;
}

// The model of models (KuvInMap: name -> model) object belongs to, or null.
KuvEeModelDico* modelOf(const KuvEeDicoObject& object, const KuvInMap* models) {
  if (models == nullptr) return nullptr;
  for (KuvInMap::const_iterator it = models->cBegin(); !it.IsEnd(); it.Next()) {
    KuvEeModelDico* model = it.GetVal() != nullptr ? KuvEeModelDico::cast(*it.GetVal()) : nullptr;
    if (model != nullptr && isOfModel(object, *model)) return model;
  }
  return nullptr;
}

struct ListsDeleter {
  void operator()(KuvInMap* lists) const {
    lists->DeleteAll();
    delete lists;
  }
};

// The And of one leaf per item of list, in the list's order; its
// effectivities move to the tree. The order is read once: finding the first
// entry again after each removal would walk the emptied buckets each time.
KuvEeNodeRef* andOfList(KuvQmSpecList& list) {
  std::vector<KuvEeVariable*> variables;
  variables.reserve(static_cast<std::size_t>(list.GetNbVarEffs()));
  for (KuvInMap::const_iterator it = list.GetVarEffs().cBegin(); !it.IsEnd(); it.Next())
    variables.push_back(KuvEeVarEff::cast(*it.GetVal())->getVar());
  auto* conjunction = new KuvEeAndOp;
  std::unique_ptr<KuvEeNodeRef> root(conjunction->getNodeRef());
  for (KuvEeVariable* variable : variables) {
    KuvEeVarEff* taken = nullptr;
    list.RemoveVarEff(variable, taken);
    // Each held by its owner until the next takes it.
    std::unique_ptr<KuvEeVarEff> varEff(taken);
    std::unique_ptr<KuvEeNodeRef> leaf((new KuvEeVarEffLeaf(varEff.get()))->getNodeRef());
    varEff.release();
    kuv::detail::throwIfOutOfMemory(conjunction->addChild(leaf->getNode()));
    leaf.release();
  }
  return root.release();
}

}  // namespace

HRESULT KuvExpressionGenerationServices::GenerateVarEffWithDicoObject(KuvEeDicoObject* object, KuvEeModelDico* model,
                                                                      KuvEeVarEff*& varEff) {
  KUV_TRACE_CALL("GenerateVarEffWithDicoObject");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (varEff != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Output KuvEeVarEff pointer is not null.");
    if (object == nullptr || model == nullptr)
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Null input object or dictionary.");
    if (!isOfModel(*object, *model))
      KUV_RETURN_ERROR(E_INVALIDARG,
                       "ERROR: Input evolution criterias haven't the same dictionary as input one");
    if (auto* value = KuvEeSelectionValue::cast(*object)) return selectionEff(*value, varEff);
    if (auto* revision = KuvEeSerialVarValue::cast(*object)) return revisionEff(*revision, varEff);
    return treeSeriesEff(*KuvEeTreeSeriesElement::cast(*object), varEff);
  });
}

HRESULT KuvExpressionGenerationServices::GenerateFilterExpression(KuvEeModelDico* model, const KuvInSet& criteria,
                                                                  const KuvInMap& builds,
                                                                  KuvEeFilterExpression::SELECTION_MODE mode,
                                                                  KuvEeFilterExpression*& filter) {
  KUV_TRACE_CALL("GenerateFilterExpression");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (filter != nullptr)
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Output KuvEeFilterExpression pointer is not null.");
    if (criteria.IsEmpty() && builds.IsEmpty())
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Input evolution criteria set and builds map are empty");
    auto list = std::make_unique<KuvQmSpecList>();
    SeriesUnion series;
    for (KuvInSet::const_iterator it = criteria.cBegin(); it.IsValid(); it.Next()) {
      KuvEeVarEff* varEff = nullptr;
      const HRESULT hr = GenerateVarEffWithDicoObject(KuvEeDicoObject::cast(*it.Get()), model, varEff);
      if (FAILED(hr)) return hr;
      if (!series.gather(*list, varEff) && FAILED(addToList(*list, varEff))) return E_FAIL;
    }
    if (FAILED(series.unite())) return E_FAIL;
    if (const HRESULT hr = addBuilds(builds, [&](KuvEeModelDico*) -> KuvQmSpecList& { return *list; });
        FAILED(hr))
      return hr;
    filter = new KuvEeFilterExpression(model, list.release());
    filter->setSelectionMode(mode);
    return S_OK;
  });
}

HRESULT KuvExpressionGenerationServices::GenerateEffectivityExpression(const KuvEeExpressionContext& context,
                                                                       const KuvInSet& criteria,
                                                                       const KuvInMap& builds,
                                                                       KuvEeEffectivityExpression*& expression) {
  KUV_TRACE_CALL("GenerateEffectivityExpression");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (expression != nullptr)
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Output KuvEeEffectivityExpression pointer is not null.");
    if (criteria.IsEmpty() && builds.IsEmpty())
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Input evolution criteria set and builds map are empty");
    const KuvInMap* mains = nullptr;
    const KuvInMap* inherited = nullptr;
    context.GetAllDictionariesByName(mains);
    context.GetAllInheritedDictionariesByName(inherited);
    std::unique_ptr<KuvInMap, ListsDeleter> lists(
        new KuvInMap(KuvInObjectPtr::sType(), KuvQmSpecList::sType()));
    SeriesUnion series;
    for (KuvInSet::const_iterator it = criteria.cBegin(); it.IsValid(); it.Next()) {
      KuvEeDicoObject* object = KuvEeDicoObject::cast(*it.Get());
      KuvEeModelDico* model = object != nullptr ? modelOf(*object, mains) : nullptr;
      if (model == nullptr && object != nullptr) model = modelOf(*object, inherited);
      if (model == nullptr)
        KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : the given model dico does not exist in the context");
      KuvEeVarEff* varEff = nullptr;
      const HRESULT hr = GenerateVarEffWithDicoObject(object, model, varEff);
      if (FAILED(hr)) return hr;
      KuvQmSpecList& list = listOf(*lists, model);
      if (!series.gather(list, varEff) && FAILED(addToList(list, varEff))) return E_FAIL;
    }
    if (FAILED(series.unite())) return E_FAIL;
    if (const HRESULT hr =
            addBuilds(builds, [&](KuvEeModelDico* units) -> KuvQmSpecList& { return listOf(*lists, units); });
        FAILED(hr))
      return hr;
    auto result = std::make_unique<KuvEeEffectivityExpression>();
    for (KuvInMap::const_iterator it = lists->cBegin(); !it.IsEnd(); it.Next()) {
      KuvEeModelDico* model = keyModel(it.GetKey());
      // The tree stays owned until its record holds it.
      std::unique_ptr<KuvEeNodeRef> tree(andOfList(*KuvQmSpecList::cast(*it.GetVal())));
      KuvEeNodeRef* noInherited = nullptr;
      KuvEeNodeRef* given = tree.get();
      auto* record = new KuvEeMultiModelExpression::ModelCriteria(&noInherited, &given);
      tree.release();
      if (FAILED(result->setModelCriteria(model, record))) {
        delete record;
        KUV_RETURN_ERROR(E_FAIL, "ERROR : setModelCriteria FAILED");
      }
    }
    expression = result.release();
    return S_OK;
  });
}
