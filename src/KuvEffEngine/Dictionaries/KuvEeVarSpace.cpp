#include "KuvEeVarSpace.h"

#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffSymbolLeaf.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeModelDico.h"
#include "KuvEeNode.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeVarSpace, KuvEeDicoObject)

namespace {
// S_OK when add() took the object, E_FAIL when it refused it, and
// E_OUTOFMEMORY, nothing changed, when it ran out of memory.
template <class Add>
HRESULT addIfRoom(Add add) {
  return kuv::detail::unlessOutOfMemory(KuvEeVarSpace::traceChannel(), [&] { return add() ? S_OK : E_FAIL; });
}
}  // namespace

KuvEeVarSpace::KuvEeVarSpace(const KuvInString& name, const unsigned char* guid)
    : KuvEeDicoObject(name, guid),
      m_optionVars(KuvEeDico::MAP_BY_GUID),
      m_dateVars(KuvEeDico::MAP_BY_NAME_AND_GUID, KuvEeDico::NAME_OPTIONAL),
      m_effSymbols(KuvEeNode::sType()),
      m_vars(KuvEeVariable::sType()),
      m_completeQueryEffs(KuvEeDicoObject::sType()) {}

KuvEeVarSpace::~KuvEeVarSpace() {
  // Symbols still waiting must not leave a space that is gone.
  for (KuvInSet::const_iterator it = m_effSymbols.cBegin(); it.IsValid();)
    if (KuvEeEffSymbolLeaf* symbol = KuvEeEffSymbolLeaf::cast(*it.GetGoToNext())) symbol->forgetVarSpace();
}

HRESULT KuvEeVarSpace::addVariable(KuvEeDico& dico, KuvEeDicoObject* variable) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (!dico.add(variable)) return E_FAIL;
    try {
      m_vars.Put(variable);
    } catch (const std::bad_alloc&) {
      dico.remove(variable);
      throw;
    }
    return S_OK;
  });
}

HRESULT KuvEeVarSpace::addOptionVar(KuvEeOptionVar* option) {
  const HRESULT hr = addVariable(m_optionVars, option);
  if (hr != S_OK) return hr;
  const KuvEeCatOptionVar* catOption = KuvEeCatOptionVar::cast(*option);
  // The category may well be known already. Out of memory, the option
  // goes again.
  if (catOption != nullptr && catOption->getCategory() != nullptr &&
      addIfRoom([&] { return m_categories.add(catOption->getCategory()); }) == E_OUTOFMEMORY) {
    m_optionVars.remove(option);
    m_vars.Remove(option);
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT KuvEeVarSpace::addCategory(KuvEeCategory* category) {
  return addIfRoom([&] { return m_categories.add(category); });
}

HRESULT KuvEeVarSpace::addSelectionVar(KuvEeSelectionVar* variable) {
  return addVariable(m_selectionVars, variable);
}

HRESULT KuvEeVarSpace::addDateVar(KuvEeDateVar* variable) { return addVariable(m_dateVars, variable); }

HRESULT KuvEeVarSpace::addSerialVar(KuvEeSerialVar* variable) {
  if (variable == nullptr) return E_FAIL;
  switch (variable->getExternalType()) {
    case KuvEeSerialVar::UNDEFINED:
      return addVariable(m_serialVars, variable);
    case KuvEeSerialVar::STATE:
      return addVariable(m_stateVars, variable);
    case KuvEeSerialVar::UNIT:
      return addVariable(m_unitVars, variable);
    case KuvEeSerialVar::MANUF_PLAN:
      return addVariable(m_mplanVars, variable);
    default:
      return E_FAIL;
  }
}

HRESULT KuvEeVarSpace::addModelVariables(const KuvEeModelDico& model) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] { return addModelVariablesOrThrow(model); });
}

HRESULT KuvEeVarSpace::addModelVariablesOrThrow(const KuvEeModelDico& model) {
  const auto refused = [](HRESULT hr) { return FAILED(kuv::detail::throwIfOutOfMemory(hr)); };
  const KuvInSet* features = nullptr;
  if (FAILED(model.getConfigFeatures(features)) || features == nullptr) return E_FAIL;
  for (KuvInSet::const_iterator it = features->cBegin(); it.IsValid();) {
    KuvInObject* feature = it.GetGoToNext();
    if (KuvEeCategory* category = KuvEeCategory::cast(*feature)) {
      if (refused(addCategory(category))) return E_FAIL;
      for (KuvInSet::const_iterator o = category->getOptionVars().cBegin(); o.IsValid();)
        if (refused(addOptionVar(KuvEeOptionVar::cast(*o.GetGoToNext())))) return E_FAIL;
    } else if (refused(addSelectionVar(KuvEeSelectionVar::cast(*feature)))) {
      return E_FAIL;
    }
  }
  for (std::int32_t type : {KuvEeSerialVar::STATE, KuvEeSerialVar::UNIT, KuvEeSerialVar::MANUF_PLAN})
    if (KuvEeSerialVar* series = model.getSeriesVariable(type);
        series != nullptr && refused(addSerialVar(series)))
      return E_FAIL;
  for (std::int32_t type : {KuvEeSerialVar::TREE_STATE, KuvEeSerialVar::TREE_MANUF_PLAN})
    if (KuvEeTreeSeriesVar* tree = model.getTreeSeriesVariable(type);
        tree != nullptr && refused(addTreeSeriesVar(tree)))
      return E_FAIL;
  KuvInSet tracks(KuvEeMilestonesVar::sType());
  if (kuv::detail::throwIfOutOfMemory(model.getMilestonesTracks(tracks)) == S_OK)
    for (KuvInSet::const_iterator it = tracks.cBegin(); it.IsValid();)
      if (refused(addMilestonesTrack(KuvEeMilestonesVar::cast(*it.GetGoToNext())))) return E_FAIL;
  if (model.getDateVariable() != nullptr && refused(addDateVar(model.getDateVariable()))) return E_FAIL;
  return S_OK;
}

HRESULT KuvEeVarSpace::addTreeSeriesVar(KuvEeTreeSeriesVar* variable) {
  if (variable == nullptr) return E_FAIL;
  switch (variable->getExternalType()) {
    case KuvEeSerialVar::TREE_STATE:
      return addVariable(m_treeStateVars, variable);
    case KuvEeSerialVar::TREE_MANUF_PLAN:
      return addVariable(m_treePlanVars, variable);
    default:
      return E_FAIL;
  }
}

HRESULT KuvEeVarSpace::addMilestonesTrack(KuvEeMilestonesVar* track) { return addVariable(m_tracks, track); }

HRESULT KuvEeVarSpace::addPossibleSourceEff(KuvEeDicoObject* effectivity) {
  return addIfRoom([&] { return m_sourceEffs.add(effectivity); });
}

HRESULT KuvEeVarSpace::addCompleteQueryEff(KuvEeDicoObject* effectivity) {
  return addIfRoom([&] { return m_completeQueryEffs.Put(effectivity); });
}

HRESULT KuvEeVarSpace::addEffSymbol(KuvEeNode* symbol) {
  return addIfRoom([&] { return m_effSymbols.Put(symbol); });
}

HRESULT KuvEeVarSpace::removeEffSymbol(KuvEeNode* symbol) {
  return m_effSymbols.Remove(symbol) ? S_OK : E_FAIL;
}

KuvEeOptionVar* KuvEeVarSpace::getOptionVar(const KuvInGuid& guid) const {
  return static_cast<KuvEeOptionVar*>(m_optionVars.get(guid));
}

KuvEeOptionVar* KuvEeVarSpace::getOptionVar(const KuvInString& categoryName,
                                            const KuvInString& optionName) const {
  const KuvEeCategory* category = getCategory(categoryName);
  return category != nullptr ? category->getOptionVar(optionName) : nullptr;
}

KuvEeCategory* KuvEeVarSpace::getCategory(const KuvInGuid& guid) const {
  return static_cast<KuvEeCategory*>(m_categories.get(guid));
}

KuvEeCategory* KuvEeVarSpace::getCategory(const KuvInString& name) const {
  return static_cast<KuvEeCategory*>(m_categories.get(name));
}

KuvEeSelectionVar* KuvEeVarSpace::getSelectionVar(const KuvInGuid& guid) const {
  return static_cast<KuvEeSelectionVar*>(m_selectionVars.get(guid));
}

KuvEeSelectionVar* KuvEeVarSpace::getSelectionVar(const KuvInString& name) const {
  return static_cast<KuvEeSelectionVar*>(m_selectionVars.get(name));
}

KuvEeDateVar* KuvEeVarSpace::getDateVar(const KuvInGuid& guid) const {
  return static_cast<KuvEeDateVar*>(m_dateVars.get(guid));
}

KuvEeDateVar* KuvEeVarSpace::getDateVar(const KuvInString& name) const {
  return static_cast<KuvEeDateVar*>(m_dateVars.get(name));
}

KuvEeTreeSeriesVar* KuvEeVarSpace::getTreeSeriesVar(const KuvInGuid& guid, std::uint32_t type) const {
  if (type == KuvEeSerialVar::TREE_STATE) return static_cast<KuvEeTreeSeriesVar*>(m_treeStateVars.get(guid));
  if (type == KuvEeSerialVar::TREE_MANUF_PLAN) return static_cast<KuvEeTreeSeriesVar*>(m_treePlanVars.get(guid));
  return nullptr;
}

KuvEeMilestonesVar* KuvEeVarSpace::getMilestonesTrack(const KuvInGuid& guid) const {
  return static_cast<KuvEeMilestonesVar*>(m_tracks.get(guid));
}

KuvEeDicoObject* KuvEeVarSpace::getPossibleSourceEff(const KuvInGuid& guid) const {
  return m_sourceEffs.get(guid);
}

KuvEeDicoObject* KuvEeVarSpace::getPossibleSourceEff(const KuvInString& name) const {
  return m_sourceEffs.get(name);
}

namespace {
// The first dictionary, in order, that knows key.
template <class Key, std::size_t N>
KuvEeSerialVar* firstFound(const Key& key, const KuvEeDico* const (&dicos)[N]) {
  for (const KuvEeDico* dico : dicos)
    if (KuvEeDicoObject* found = dico->get(key)) return static_cast<KuvEeSerialVar*>(found);
  return nullptr;
}
}  // namespace

KuvEeSerialVar* KuvEeVarSpace::getSerialVar(const KuvInGuid& guid, std::int32_t type) const {
  switch (type) {
    case KuvEeSerialVar::UNDEFINED:
      return firstFound(guid, {&m_serialVars, &m_stateVars});
    case KuvEeSerialVar::STATE:
      return firstFound(guid, {&m_stateVars, &m_serialVars});
    case KuvEeSerialVar::UNIT:
      return firstFound(guid, {&m_unitVars});
    case KuvEeSerialVar::MANUF_PLAN:
      return firstFound(guid, {&m_mplanVars});
    default:
      return nullptr;
  }
}

KuvEeSerialVar* KuvEeVarSpace::getSerialVar(const KuvInString& name, std::int32_t type) const {
  switch (type) {
    case KuvEeSerialVar::UNDEFINED:
      return firstFound(name, {&m_serialVars, &m_stateVars});
    case KuvEeSerialVar::STATE:
      return firstFound(name, {&m_stateVars, &m_unitVars, &m_mplanVars, &m_serialVars});
    case KuvEeSerialVar::UNIT: {
      // Unit series read from older documents are untyped and named "..._Build".
      static const KuvInString buildSuffix("_Build");
      const int suffixAt = name.GetLengthInChar() - buildSuffix.GetLengthInChar();
      if (KuvEeSerialVar* found = firstFound(name, {&m_unitVars})) return found;
      return suffixAt >= 0 && name.IsSubStringAt(suffixAt, buildSuffix) ? firstFound(name, {&m_serialVars})
                                                                        : nullptr;
    }
    case KuvEeSerialVar::MANUF_PLAN: {
      // Likewise manufacturing plans, named "MP-..." or "MPM-...".
      if (KuvEeSerialVar* found = firstFound(name, {&m_mplanVars})) return found;
      const bool planName = name.IsSubStringAt(0, "MPM-") || name.IsSubStringAt(0, "MP-");
      return planName ? firstFound(name, {&m_serialVars}) : nullptr;
    }
    default:
      return nullptr;
  }
}

HRESULT KuvEeVarSpace::solveEffSymbols() {
  KUV_TRACE_CALL("solveEffSymbols");
  // A solved symbol leaves m_effSymbols (and is deleted): walk a snapshot.
  const KuvInSet symbols(m_effSymbols);
  for (KuvInSet::const_iterator it = symbols.cBegin(); it.IsValid();) {
    KuvEeEffSymbolLeaf* symbol = KuvEeEffSymbolLeaf::cast(*it.GetGoToNext());
    if (symbol == nullptr || FAILED(symbol->becomeEffLeaf()))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: becomeEffLeaf failed");
  }
  m_effSymbols.Clear();
  return S_OK;
}
