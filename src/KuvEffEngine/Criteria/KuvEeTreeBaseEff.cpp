#include "KuvEeTreeBaseEff.h"

#include <algorithm>
#include <unordered_map>

#include "KuvEeMilestonesVar.h"
#include "KuvEeTreeSeriesVar.h"

KUV_DEFINE_TYPE(KuvEeTreeBaseEff, KuvEeVarEff)
KUV_DEFINE_TYPE(KuvEeMilestonesEff, KuvEeTreeBaseEff)
KUV_DEFINE_TYPE(KuvEeTreeSeriesEff, KuvEeTreeBaseEff)

KuvEeTreeBaseEff::KuvEeTreeBaseEff(KuvEeTreeBaseVar* var, E_SpecialCondition condition,
                                   KuvInObjectTypeClass* selectionType)
    : KuvEeVarEff(var), m_selections(selectionType), m_backupSelections(selectionType) {
  set(condition);
}

KuvEeTreeBaseEff::~KuvEeTreeBaseEff() = default;

HRESULT KuvEeTreeBaseEff::equals(const KuvEeVarEff* other, bool& equal) const {
  KUV_TRACE_CALL("equals");
  equal = other != nullptr && other->dType() == dType();
  if (!equal) return S_OK;
  const auto& o = static_cast<const KuvEeTreeBaseEff&>(*other);
  equal =
      o.m_var == m_var && o.m_noVar == m_noVar && o.m_negated == m_negated && o.m_selections == m_selections;
  return S_OK;
}

void KuvEeTreeBaseEff::set(E_SpecialCondition condition) {
  m_selections.Clear();
  m_noVar = 0;
  m_negated = condition == AllTrue ? 1 : 0;
}

HRESULT KuvEeTreeBaseEff::addSelection(const KuvEeTreeSelection& selection) {
  if (!m_selections.IsTypeAccepted(selection.dType())) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: invalid arg.");
  if (!selection.isEmpty() && m_selections.Find(selection) < 0) m_selections.PutBack(selection);
  return S_OK;
}

HRESULT KuvEeTreeBaseEff::addSelections(const KuvInListVal& list) {
  KUV_TRACE_CALL("addSelections");
  for (std::int32_t i = 0; i < list.GetLength(); ++i) {
    if (!m_selections.IsTypeAccepted(list.Get(i)->dType()))
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: invalid arg.");
  }
  // As addSelection one by one, but a duplicate is looked for among the
  // selections of its hash only: searching the growing list for each one
  // made adding many selections quadratic.
  std::unordered_multimap<std::uint32_t, std::int32_t> held;
  held.reserve(static_cast<std::size_t>(m_selections.GetLength() + list.GetLength()));
  for (std::int32_t i = 0; i < m_selections.GetLength(); ++i) held.emplace(m_selections.Get(i)->hash(), i);
  for (std::int32_t i = 0; i < list.GetLength(); ++i) {
    const auto& selection = *static_cast<const KuvEeTreeSelection*>(list.Get(i));
    if (selection.isEmpty()) continue;
    const std::uint32_t hash = selection.hash();
    const auto [first, last] = held.equal_range(hash);
    if (std::any_of(first, last, [&](const auto& at) { return m_selections.Get(at.second)->equals(selection); }))
      continue;
    held.emplace(hash, m_selections.GetLength());
    m_selections.PutBack(selection);
  }
  return S_OK;
}

HRESULT KuvEeTreeBaseEff::getSelections(KuvInListVal& list) const {
  KUV_TRACE_CALL("getSelections");
  if (!list.IsTypeAccepted(m_selections.GetElementType()))
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: invalid arg.");
  list.Clear();
  return list.PutBackList(m_selections);
}

void KuvEeTreeBaseEff::backup() {
  m_backupSelections = m_selections;
  m_backupNoVar = m_noVar;
  m_backupNegated = m_negated;
}

void KuvEeTreeBaseEff::restore() {
  m_selections = m_backupSelections;
  m_noVar = m_backupNoVar;
  m_negated = m_backupNegated;
}

KuvInString KuvEeTreeBaseEff::toString() const {
  KuvInString text(kindName());
  text.Append("( ");
  if (m_var != nullptr) text.Append(m_var->getName(), "/", m_var->getGuid().toString());
  if (isAllTrue()) {
    text.Append("[ALL_TRUE]");
  } else if (isAllFalse()) {
    text.Append("[ALL_FALSE]");
  } else {
    if (isNegated()) text.Append("! ");
    if (getNoVar()) text.Append("[N]");
    for (std::int32_t i = 0; i < m_selections.GetLength(); ++i) text.Append(m_selections.Get(i)->toString());
  }
  return text.Append(" )");
}

bool KuvEeTreeBaseEff::isSameKind(const KuvEeVarEff& other) const { return other.dType() == dType(); }

HRESULT KuvEeTreeBaseEff::partAnd(const KuvEeVarEff& other) {
  const auto& o = static_cast<const KuvEeTreeBaseEff&>(other);
  HRESULT hr = KuvEeTreeSelection::opAnd(m_selections, o.m_selections);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: And failed");
  m_noVar = (m_noVar != 0 && o.m_noVar != 0) ? 1 : 0;
  return S_OK;
}

HRESULT KuvEeTreeBaseEff::partCut(const KuvEeVarEff& other) {
  const auto& o = static_cast<const KuvEeTreeBaseEff&>(other);
  HRESULT hr = KuvEeTreeSelection::opCut(m_selections, o.m_selections);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: cut failed");
  m_noVar = (m_noVar != 0 && o.m_noVar == 0) ? 1 : 0;
  return S_OK;
}

HRESULT KuvEeTreeBaseEff::partCutFrom(const KuvEeVarEff& other) {
  const auto& o = static_cast<const KuvEeTreeBaseEff&>(other);
  KuvInListVal result(o.m_selections);
  HRESULT hr = KuvEeTreeSelection::opCut(result, m_selections);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: cut failed");
  m_selections = result;
  m_noVar = (o.m_noVar != 0 && m_noVar == 0) ? 1 : 0;
  return S_OK;
}

HRESULT KuvEeTreeBaseEff::partAdd(const KuvEeVarEff& other) {
  const auto& o = static_cast<const KuvEeTreeBaseEff&>(other);
  HRESULT hr = KuvEeTreeSelection::opAdd(m_selections, o.m_selections);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: add failed");
  m_noVar = (m_noVar != 0 || o.m_noVar != 0) ? 1 : 0;
  return S_OK;
}

KuvEeMilestonesEff::KuvEeMilestonesEff(KuvEeMilestonesVar* var, E_SpecialCondition condition)
    : KuvEeTreeBaseEff(var, condition, KuvEeMilestonesSelection::sType()) {}
KuvEeMilestonesEff::~KuvEeMilestonesEff() = default;
KuvEeVarEff* KuvEeMilestonesEff::createVarEffClone() const { return new KuvEeMilestonesEff(*this); }
KuvEeMilestonesVar* KuvEeMilestonesEff::getMilestonesVar() const {
  return static_cast<KuvEeMilestonesVar*>(m_var);
}

KuvEeTreeSeriesEff::KuvEeTreeSeriesEff(KuvEeTreeSeriesVar* var, E_SpecialCondition condition)
    : KuvEeTreeBaseEff(var, condition, KuvEeTreeSeriesSelection::sType()) {}
KuvEeTreeSeriesEff::~KuvEeTreeSeriesEff() = default;
KuvEeVarEff* KuvEeTreeSeriesEff::createVarEffClone() const { return new KuvEeTreeSeriesEff(*this); }
KuvEeTreeSeriesVar* KuvEeTreeSeriesEff::getTreeSeriesVar() const {
  return static_cast<KuvEeTreeSeriesVar*>(m_var);
}
