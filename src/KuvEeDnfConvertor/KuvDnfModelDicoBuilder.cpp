#include "KuvDnfModelDicoBuilder.h"

#include "KuvDnfRestrictionWalk.h"

#include <memory>

#include "KuvDnfDateEff.h"
#include "KuvDnfMilestonesEff.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfRestrictionEff.h"
#include "KuvDnfSelectionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeExpressionContext.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeModelDico.h"
#include "KuvEePredefEff.h"
#include "KuvEeSelectionVar.h"
#include "KuvIDictionaryModelerAccess.h"
#include "KuvInTraceClass.h"
#include "KuvOutOfMemory.h"

namespace {

KuvInTraceClass& channel() { return KuvDnfModelDicoBuilder::traceChannel(); }

// One buildMD call: registers the objects of one leaf after the other.
class ModelRegistrar {
public:
  ModelRegistrar(KuvEeModelDico& model, KuvEeExpressionContext& context,
                 const KuvIDictionaryModelerAccess* access)
      : m_model(model), m_context(context), m_access(access) {}

  HRESULT leaf(const KuvDnfLeaf& leaf);

private:
  template <class Registrar>
  friend HRESULT kuv::detail::registerRestricted(Registrar& registrar, const KuvDnfRestrictionEff& restriction);
  HRESULT restriction(const KuvDnfLeaf& leaf);
  // The feature of that GUID, found in the model or the context, else a
  // new one made by create; either way a feature of the model.
  template <class Feature>
  HRESULT feature(const KuvInGuid& guid, Feature*& out);
  HRESULT category(const KuvInGuid& guid, KuvEeCategory*& out) { return feature(guid, out); }
  HRESULT selection(const KuvInGuid& guid, KuvEeSelectionVar*& out) { return feature(guid, out); }
  HRESULT option(KuvEeCategory& category, const KuvInGuid& guid);
  HRESULT value(KuvEeSelectionVar& variable, const KuvInGuid& guid);
  HRESULT date(const KuvInGuid& guid);
  HRESULT series(const KuvInGuid& guid, std::int32_t type);
  HRESULT treeSeries(const KuvInGuid& guid, std::uint32_t type);
  HRESULT track(const KuvInGuid& guid);
  HRESULT change(const KuvInGuid& guid);
  // This model when guid is its own, else the context's model of guid.
  KuvEeModelDico* modelOf(const KuvInGuid& guid) const;
  // modelOf, or a new model of the context: a series carries its model's
  // GUID.
  HRESULT seriesModel(const KuvInGuid& guid, KuvEeModelDico*& model);

  KuvEeModelDico& m_model;
  KuvEeExpressionContext& m_context;
  const KuvIDictionaryModelerAccess* m_access;
};

template <class Feature>
HRESULT ModelRegistrar::feature(const KuvInGuid& guid, Feature*& out) {
  KuvEeDicoObject* found = nullptr;
  if (FAILED(m_model.getConfigFeature(guid, found)) ||
      (found == nullptr && FAILED(m_context.GetConfigFeature(guid, found))))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : GetConfigFeature FAILED");
  if (found == nullptr) {
    KuvInString name;
    HRESULT hr = KuvDnfModelDicoBuilder::createName(guid, m_access, name);
    if (FAILED(hr)) return hr;
    std::unique_ptr<Feature> created(new Feature(name, guid.getArray()));
    KuvEeDicoObject* registered = created.get();
    // A refused feature stays ours; an accepted one, or the registered one
    // that replaced it, is the context's.
    if (FAILED(m_context.AddConfigFeature(registered)))
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : AddConfigFeature to Context FAILED");
    created.release();
    found = registered;
  }
  out = Feature::cast(*found);
  if (out == nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : retrieved config feature is of unexpected type");
  if (FAILED(kuv::detail::throwIfOutOfMemory(m_model.addConfigFeature(out))))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : AddConfigFeature to Context FAILED");
  return S_OK;
}

HRESULT ModelRegistrar::option(KuvEeCategory& category, const KuvInGuid& guid) {
  if (category.getOptionVar(guid) != nullptr) return S_OK;
  KuvInString name;
  HRESULT hr = KuvDnfModelDicoBuilder::createName(guid, m_access, name);
  if (FAILED(hr)) return hr;
  if (FAILED(m_context.AddConfigFeatureOption(name, guid, &category)))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : AddConfigFeatureOption to context FAILED");
  return S_OK;
}

HRESULT ModelRegistrar::value(KuvEeSelectionVar& variable, const KuvInGuid& guid) {
  if (variable.getValue(guid) != nullptr) return S_OK;
  KuvInString name;
  HRESULT hr = KuvDnfModelDicoBuilder::createName(guid, m_access, name);
  if (FAILED(hr)) return hr;
  if (FAILED(m_context.AddConfigFeatureOption(name, guid, &variable)))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: selection.addValue failed");
  return S_OK;
}

KuvEeModelDico* ModelRegistrar::modelOf(const KuvInGuid& guid) const {
  if (m_model.getGuid() == guid) return &m_model;
  // Asked without a trace: the GUID may as well be the context's own date.
  KuvEeDicoObject* found = nullptr;
  return m_context.GetEEObject(guid, found) ? KuvEeModelDico::cast(*found) : nullptr;
}

HRESULT ModelRegistrar::date(const KuvInGuid& guid) {
  if (KuvEeModelDico* model = modelOf(guid)) {
    if (FAILED(kuv::detail::throwIfOutOfMemory(model->enableDateEvolution())))
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR ! enableDateEvolution FAILED");
    return S_OK;
  }
  // Otherwise it can only be the context's own date.
  KuvEeDateVar* date = nullptr;
  if (FAILED(m_context.ActivateDate()) || m_context.GetDate(date) != S_OK)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : ActivateDate FAILED");
  if (date->getGuid() != guid)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL,
                        "ERROR : Just do not know where this date comes from... Inherited effs ?");
  return S_OK;
}

HRESULT ModelRegistrar::seriesModel(const KuvInGuid& guid, KuvEeModelDico*& model) {
  model = modelOf(guid);
  if (model != nullptr) return S_OK;
  KuvInString name;
  HRESULT hr = KuvDnfModelDicoBuilder::createName(guid, m_access, name);
  if (FAILED(hr)) return hr;
  model = new KuvEeModelDico(name, guid);
  // Once entered the context owns the model, even when a later step fails.
  if (FAILED(m_context.AddModelDico(model, true)) || model->getGuid() != guid)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : getSeriesVariable FAILED");
  return S_OK;
}

HRESULT ModelRegistrar::series(const KuvInGuid& guid, std::int32_t type) {
  // A model holds no series of undefined type.
  if (type != KuvEeSerialVar::STATE && type != KuvEeSerialVar::UNIT && type != KuvEeSerialVar::MANUF_PLAN)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : getSeriesVariable FAILED");
  KuvEeModelDico* model = nullptr;
  HRESULT hr = seriesModel(guid, model);
  if (FAILED(hr)) return hr;
  if (!model->isEvolutionSeriesEnabled(type) &&
      FAILED(kuv::detail::throwIfOutOfMemory(model->enableEvolutionSeries(type))))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR, Check available memory, enableEvolutionSeries FAILED!");
  if (model->getSeriesVariable(type) == nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : getSeriesVariable FAILED");
  return S_OK;
}

HRESULT ModelRegistrar::treeSeries(const KuvInGuid& guid, std::uint32_t type) {
  if (type != KuvEeSerialVar::TREE_STATE && type != KuvEeSerialVar::TREE_MANUF_PLAN)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : getSeriesVariable FAILED");
  KuvEeModelDico* model = nullptr;
  HRESULT hr = seriesModel(guid, model);
  if (FAILED(hr)) return hr;
  const auto treeType = static_cast<std::int32_t>(type);
  if (FAILED(kuv::detail::throwIfOutOfMemory(model->enableEvolutionTreeSeries(treeType, false))) ||
      model->getTreeSeriesVariable(treeType) == nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR, Check available memory, enableEvolutionSeries FAILED!");
  return S_OK;
}

HRESULT ModelRegistrar::track(const KuvInGuid& guid) {
  KuvEeMilestonesVar* found = nullptr;
  if (m_model.getMilestonesTrack(guid, found) == S_OK) return S_OK;
  KuvInString name;
  HRESULT hr = KuvDnfModelDicoBuilder::createName(guid, m_access, name);
  if (FAILED(hr)) return hr;
  // A normal form does not tell the discipline; the GUID keeps it unique.
  auto created = std::make_unique<KuvEeMilestonesVar>(name, guid.getArray(), guid.toString(), &m_model);
  if (kuv::detail::throwIfOutOfMemory(m_model.addMilestonesTrack(created.get())) != S_OK)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : addMilestonesTrack FAILED");
  created.release();
  return S_OK;
}

HRESULT ModelRegistrar::change(const KuvInGuid& guid) {
  KuvEePredefEff* change = nullptr;
  HRESULT hr = m_context.GetChange(guid, change);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : GetChange from Context FAILED");
  if (hr == S_OK) return S_OK;
  KuvInString name;
  hr = KuvDnfModelDicoBuilder::createName(guid, m_access, name);
  if (FAILED(hr)) return hr;
  std::unique_ptr<KuvEePredefEff> created(
      new KuvEePredefEff(name, guid.getArray(), KuvEePredefEff::Unpublished, KuvEePredefEff::GLOBAL));
  change = created.get();
  if (FAILED(m_context.AddChangeRef(change)))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: AddChangeRef in context failed");
  created.release();
  return S_OK;
}

HRESULT ModelRegistrar::leaf(const KuvDnfLeaf& leaf) {
  switch (leaf.getKind()) {
    case KuvDnfLeaf::Kind::Option: {
      const auto& option = static_cast<const KuvDnfOptionEff&>(leaf);
      KuvEeCategory* category = nullptr;
      HRESULT hr = feature(option.getFeature(), category);
      return FAILED(hr) ? hr : this->option(*category, option.getOption());
    }
    case KuvDnfLeaf::Kind::Selection: {
      const auto& selection = static_cast<const KuvDnfSelectionEff&>(leaf);
      KuvEeSelectionVar* variable = nullptr;
      HRESULT hr = feature(selection.getFeature(), variable);
      for (auto it = selection.getValues().cBegin(); SUCCEEDED(hr) && it.IsValid(); it.Next())
        hr = value(*variable, *static_cast<const KuvInGuid*>(it.Get()));
      return hr;
    }
    case KuvDnfLeaf::Kind::Date:
      return date(leaf.getGuid());
    case KuvDnfLeaf::Kind::Serial:
      return series(leaf.getGuid(), static_cast<const KuvDnfSerialEff&>(leaf).getSerialType());
    case KuvDnfLeaf::Kind::Eff:
      return change(leaf.getGuid());
    case KuvDnfLeaf::Kind::TreeSeries:
      return treeSeries(leaf.getGuid(), static_cast<const KuvDnfTreeSeriesEff&>(leaf).getTreeType());
    case KuvDnfLeaf::Kind::Milestones:
      return track(leaf.getGuid());
    case KuvDnfLeaf::Kind::Restriction:
      break;
  }
  return restriction(leaf);
}

HRESULT ModelRegistrar::restriction(const KuvDnfLeaf& leaf) {
  return kuv::detail::registerRestricted(*this, static_cast<const KuvDnfRestrictionEff&>(leaf));
}

}  // namespace

HRESULT KuvDnfModelDicoBuilder::buildMD(const KuvDnf& dnf, KuvEeModelDico& model,
                                        KuvEeExpressionContext& context,
                                        const KuvIDictionaryModelerAccess* access) {
  KUV_TRACE_CALL("buildMD");
  if (dnf.getSpecialCondition() == DNF_COND_TRUE || dnf.getSpecialCondition() == DNF_COND_FALSE) return S_OK;
  if (dnf.getSpecialCondition() != DNF_COND_NONE) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected case");
  ModelRegistrar registrar(model, context, access);
  for (const KuvDnfAndTerm* term : dnf.andTerms()) {
    for (const KuvDnfLeaf* leaf : term->leaves()) {
      HRESULT hr = registrar.leaf(*leaf);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: add failed");
    }
  }
  return S_OK;
}

HRESULT KuvDnfModelDicoBuilder::createName(const KuvInGuid& guid, const KuvIDictionaryModelerAccess* access,
                                           KuvInString& name) {
  name = KuvInString();
  if (access != nullptr) {
    HRESULT hr = access->GetName(guid, name);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: GetName failed");
  }
  if (name.IsEmpty()) name = guid.toString();
  return S_OK;
}
