#include "KuvDnfVsBuilder.h"

#include "KuvDnfRestrictionWalk.h"

#include <memory>

#include "KuvDnfOptionEff.h"
#include "KuvDnfRestrictionEff.h"
#include "KuvDnfSelectionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffectivity.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeSelectionValueAdder.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeVarSpace.h"
#include "KuvInSet.h"
#include "KuvInTraceClass.h"
#include "KuvOutOfMemory.h"

namespace {

KuvInTraceClass& channel() { return KuvDnfVsBuilder::traceChannel(); }

// One buildVS call: finds or creates the objects of one leaf after the
// other. New objects are named by their GUID: there is no modeler access.
class SpaceRegistrar {
public:
  SpaceRegistrar(KuvEeVarSpace& space, KuvInSet& objects) : m_space(space), m_objects(objects) {}

  HRESULT leaf(const KuvDnfLeaf& leaf);

private:
  template <class Registrar>
  friend HRESULT kuv::detail::registerRestricted(Registrar& registrar, const KuvDnfRestrictionEff& restriction);
  HRESULT restriction(const KuvDnfLeaf& leaf);
  // found, or else a new Object(name, GUID bytes, extra...) added to the
  // space by add (message on refusal); then put into the objects.
  template <class Object, class Add, class... Extra>
  HRESULT findOrCreate(Object* found, const KuvInGuid& guid, Add add, const char* refused, Object*& out,
                       Extra... extra);
  // Puts created into the objects and adds it to the space; E_FAIL, with
  // the message, when the space refuses it, and then created is the
  // caller's again.
  template <class Object, class Add>
  HRESULT addCreated(Object* created, Add add, const char* refused);
  HRESULT category(const KuvInGuid& guid, KuvEeCategory*& out);
  HRESULT option(KuvEeCategory& category, const KuvInGuid& guid);
  HRESULT selection(const KuvInGuid& guid, KuvEeSelectionVar*& out);
  HRESULT value(KuvEeSelectionVar& variable, const KuvInGuid& guid);
  HRESULT date(const KuvInGuid& guid);
  HRESULT series(const KuvInGuid& guid, std::int32_t type);
  HRESULT change(const KuvInGuid& guid);
  HRESULT treeSeries(const KuvInGuid& guid, std::uint32_t type);
  HRESULT track(const KuvInGuid& guid);

  KuvEeVarSpace& m_space;
  KuvInSet& m_objects;
};

template <class Object, class Add, class... Extra>
HRESULT SpaceRegistrar::findOrCreate(Object* found, const KuvInGuid& guid, Add add, const char* refused,
                                     Object*& out, Extra... extra) {
  if (found == nullptr) {
    std::unique_ptr<Object> created(new Object(guid.toString(), guid.getArray(), extra...));
    if (FAILED(addCreated(created.get(), add, refused))) return E_FAIL;
    found = created.release();
  } else {
    m_objects.Put(found);
  }
  out = found;
  return S_OK;
}

template <class Object, class Add>
HRESULT SpaceRegistrar::addCreated(Object* created, Add add, const char* refused) {
  // Among the objects first: the space, which owns nothing, never holds one
  // that nobody deletes.
  m_objects.Put(created);
  const HRESULT hr = (m_space.*add)(created);
  if (FAILED(hr)) {
    m_objects.Remove(created);
    kuv::detail::throwIfOutOfMemory(hr);
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, refused);
  }
  return S_OK;
}

HRESULT SpaceRegistrar::category(const KuvInGuid& guid, KuvEeCategory*& out) {
  return findOrCreate(m_space.getCategory(guid), guid, &KuvEeVarSpace::addCategory,
                      "ERROR: vs.addCategory failed", out);
}

HRESULT SpaceRegistrar::option(KuvEeCategory& category, const KuvInGuid& guid) {
  if (KuvEeOptionVar* known = m_space.getOptionVar(guid)) {
    m_objects.Put(known);
    return S_OK;
  }
  KuvEeCatOptionVar* out = nullptr;
  return findOrCreate<KuvEeCatOptionVar>(nullptr, guid, &KuvEeVarSpace::addOptionVar,
                                         "ERROR: vs.addOptionVar failed", out, &category);
}

HRESULT SpaceRegistrar::selection(const KuvInGuid& guid, KuvEeSelectionVar*& out) {
  return findOrCreate(m_space.getSelectionVar(guid), guid, &KuvEeVarSpace::addSelectionVar,
                      "ERROR: vs.addSelectionVar failed", out);
}

HRESULT SpaceRegistrar::value(KuvEeSelectionVar& variable, const KuvInGuid& guid) {
  // The variable owns its values: they stay out of the objects.
  if (variable.getValue(guid) == nullptr &&
      kuv::detail::addSelectionValue(variable, guid.toString(), guid.getArray()) == nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: selection.addValue failed");
  return S_OK;
}

HRESULT SpaceRegistrar::date(const KuvInGuid& guid) {
  KuvEeDateVar* out = nullptr;
  return findOrCreate(m_space.getDateVar(guid), guid, &KuvEeVarSpace::addDateVar,
                      "ERROR: vs.addDateVar failed", out);
}

HRESULT SpaceRegistrar::series(const KuvInGuid& guid, std::int32_t type) {
  KuvEeSerialVar* out = nullptr;
  return findOrCreate(
      m_space.getSerialVar(guid, type), guid, &KuvEeVarSpace::addSerialVar, "ERROR: vs.addSerialVar failed",
      out, static_cast<KuvEeSerialVar::SerialExternalType>(type), static_cast<KuvEeModelDico*>(nullptr));
}

HRESULT SpaceRegistrar::treeSeries(const KuvInGuid& guid, std::uint32_t type) {
  if (type != KuvEeSerialVar::TREE_STATE && type != KuvEeSerialVar::TREE_MANUF_PLAN)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected type");
  KuvEeTreeSeriesVar* out = nullptr;
  return findOrCreate(m_space.getTreeSeriesVar(guid, type), guid, &KuvEeVarSpace::addTreeSeriesVar,
                      "ERROR: vs.addTreeSeriesVar failed", out, type, static_cast<KuvEeModelDico*>(nullptr));
}

HRESULT SpaceRegistrar::track(const KuvInGuid& guid) {
  KuvEeMilestonesVar* out = nullptr;
  // A normal form does not tell the discipline; the GUID keeps it unique.
  return findOrCreate(m_space.getMilestonesTrack(guid), guid, &KuvEeVarSpace::addMilestonesTrack,
                      "ERROR: vs.addMilestonesTrack failed", out, guid.toString(),
                      static_cast<KuvEeModelDico*>(nullptr));
}

HRESULT SpaceRegistrar::change(const KuvInGuid& guid) {
  KuvEeDicoObject* known = m_space.getPossibleSourceEff(guid);
  if (known != nullptr) {
    if (!KuvEeEffectivity::isObjectOfThisType(*known))
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : retrieved config feature is of unexpected type");
    m_objects.Put(known);
    return S_OK;
  }
  std::unique_ptr<KuvEePredefEff> created(new KuvEePredefEff(
      guid.toString(), guid.getArray(), KuvEePredefEff::Unpublished, KuvEePredefEff::GLOBAL));
  if (FAILED(addCreated(created.get(), &KuvEeVarSpace::addPossibleSourceEff,
                        "ERROR: vs.addPossibleSourceEff failed")))
    return E_FAIL;
  created.release();
  return S_OK;
}

HRESULT SpaceRegistrar::leaf(const KuvDnfLeaf& leaf) {
  switch (leaf.getKind()) {
    case KuvDnfLeaf::Kind::Option: {
      const auto& option = static_cast<const KuvDnfOptionEff&>(leaf);
      KuvEeCategory* owner = nullptr;
      HRESULT hr = category(option.getFeature(), owner);
      return FAILED(hr) ? hr : this->option(*owner, option.getOption());
    }
    case KuvDnfLeaf::Kind::Selection: {
      const auto& selection = static_cast<const KuvDnfSelectionEff&>(leaf);
      KuvEeSelectionVar* variable = nullptr;
      HRESULT hr = this->selection(selection.getFeature(), variable);
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
    case KuvDnfLeaf::Kind::Restriction:
      return restriction(leaf);
    case KuvDnfLeaf::Kind::TreeSeries:
      return treeSeries(leaf.getGuid(), static_cast<const KuvDnfTreeSeriesEff&>(leaf).getTreeType());
    case KuvDnfLeaf::Kind::Milestones:
      return track(leaf.getGuid());
  }
  KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected/unsupported case");
}

HRESULT SpaceRegistrar::restriction(const KuvDnfLeaf& leaf) {
  return kuv::detail::registerRestricted(*this, static_cast<const KuvDnfRestrictionEff&>(leaf));
}

}  // namespace

HRESULT KuvDnfVsBuilder::buildVS(const KuvDnf& dnf, KuvEeVarSpace& varSpace, KuvInSet& objects,
                                 unsigned char keep) {
  KUV_TRACE_CALL("buildVS");
  if (keep == 0) objects.Clear();
  if (dnf.getSpecialCondition() == DNF_COND_TRUE || dnf.getSpecialCondition() == DNF_COND_FALSE) return S_OK;
  if (dnf.getSpecialCondition() != DNF_COND_NONE) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected case");
  SpaceRegistrar registrar(varSpace, objects);
  for (const KuvDnfAndTerm* term : dnf.andTerms()) {
    for (const KuvDnfLeaf* leaf : term->leaves()) {
      HRESULT hr = registrar.leaf(*leaf);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: add failed");
    }
  }
  return S_OK;
}
