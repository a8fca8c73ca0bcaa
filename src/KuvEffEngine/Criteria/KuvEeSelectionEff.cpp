#include "KuvEeSelectionEff.h"

#include <algorithm>
#include <vector>

#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionValueDico.h"
#include "KuvEeSelectionVar.h"
#include "KuvInList.h"
#include "KuvInListVal.h"
#include "KuvInSet.h"

KUV_DEFINE_TYPE(KuvEeSelectionEff, KuvEeVarEff)

namespace {

using Dico = KuvEeSelectionValueDico;

KuvEeSelectionValue* valueAt(const KuvInSet::const_iterator& it) {
  return static_cast<KuvEeSelectionValue*>(it.Get());
}

// to = the values of from (and their codes) that keep says to keep.
template <class Keep>
void copyValues(Dico& to, const Dico& from, Keep keep) {
  to.clear();
  for (KuvInSet::const_iterator it = from.getValues().cBegin(); it.IsValid(); it.Next()) {
    if (keep(valueAt(it))) to.add(valueAt(it), from.getSelectedBy(valueAt(it)));
  }
}

void copyValues(Dico& to, const Dico& from) {
  copyValues(to, from, [](const KuvEeSelectionValue*) { return true; });
}

// A new dictionary of the values of from that keep says to keep. It is
// filled as a cleared one would be, so its order is the same.
template <class Keep>
std::unique_ptr<Dico> keptValues(const Dico& from, Keep keep) {
  auto kept = std::make_unique<Dico>();
  copyValues(*kept, from, keep);
  return kept;
}

}  // namespace

KuvEeSelectionEff::KuvEeSelectionEff(KuvEeSelectionVar* var, E_SpecialCondition condition)
    : KuvEeVarEff(var), m_values(new Dico) {
  // A new dictionary has nothing to clear.
  m_negated = condition == AllTrue ? 1 : 0;
}

KuvEeSelectionEff::KuvEeSelectionEff(const KuvEeSelectionEff& other)
    : KuvEeVarEff(other),
      m_values(new Dico),
      m_noVar(other.m_noVar),
      m_negated(other.m_negated) {
  copyValues(*m_values, *other.m_values);
}

KuvEeSelectionEff::~KuvEeSelectionEff() = default;

KuvEeVarEff* KuvEeSelectionEff::createVarEffClone() const { return new KuvEeSelectionEff(*this); }

HRESULT KuvEeSelectionEff::equals(const KuvEeVarEff* other, bool& equal) const {
  KUV_TRACE_CALL("equals");
  const KuvEeSelectionEff* same = other != nullptr ? cast(*other) : nullptr;
  equal = same != nullptr && same->m_var == m_var && same->m_noVar == m_noVar &&
          same->m_negated == m_negated && m_values->equals(*same->m_values);
  return S_OK;
}

void KuvEeSelectionEff::reset() {
  m_values->clear();
  m_noVar = 0;
  m_negated = 0;
}

void KuvEeSelectionEff::set(E_SpecialCondition condition) {
  reset();
  m_negated = condition == AllTrue ? 1 : 0;
}

HRESULT KuvEeSelectionEff::addChecked(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy) {
  if (value == nullptr || m_var == nullptr || value->getSelectionVar() != getSelectionVar())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: add failed");
  if (!m_values->getValues().Find(value)) m_values->add(value, selectedBy);
  return S_OK;
}

HRESULT KuvEeSelectionEff::add(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy) {
  KUV_TRACE_CALL("add");
  return addChecked(value, selectedBy);
}

HRESULT KuvEeSelectionEff::add(const KuvInGuid& guid, KuvCriteriaSelectedBy selectedBy) {
  KUV_TRACE_CALL("add");
  return addChecked(m_var != nullptr ? getSelectionVar()->getValue(guid) : nullptr, selectedBy);
}

HRESULT KuvEeSelectionEff::add(const KuvInString& name, KuvCriteriaSelectedBy selectedBy) {
  KUV_TRACE_CALL("add");
  return addChecked(m_var != nullptr ? getSelectionVar()->getValue(name) : nullptr, selectedBy);
}

HRESULT KuvEeSelectionEff::setFrom(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy) {
  save();
  reset();
  if (FAILED(addChecked(value, selectedBy))) {
    restoreSaved();
    KUV_RETURN_ERROR(E_FAIL, "ERROR: set failed");
  }
  return S_OK;
}

HRESULT KuvEeSelectionEff::set(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy) {
  KUV_TRACE_CALL("set");
  return setFrom(value, selectedBy);
}

HRESULT KuvEeSelectionEff::set(const KuvInGuid& guid, KuvCriteriaSelectedBy selectedBy) {
  KUV_TRACE_CALL("set");
  return setFrom(m_var != nullptr ? getSelectionVar()->getValue(guid) : nullptr, selectedBy);
}

HRESULT KuvEeSelectionEff::set(const KuvInString& name, KuvCriteriaSelectedBy selectedBy) {
  KUV_TRACE_CALL("set");
  return setFrom(m_var != nullptr ? getSelectionVar()->getValue(name) : nullptr, selectedBy);
}

HRESULT KuvEeSelectionEff::set(const KuvInList& values) {
  KUV_TRACE_CALL("set");
  save();
  reset();
  for (std::int32_t i = 0; i < values.GetLength(); ++i) {
    KuvInObject* element = values.Get(i);
    if (element == nullptr ||
        FAILED(addChecked(KuvEeSelectionValue::cast(*element), KuvCriteriaSelectedBy_None))) {
      restoreSaved();
      KUV_RETURN_ERROR(E_FAIL, "ERROR: set failed");
    }
  }
  return S_OK;
}

HRESULT KuvEeSelectionEff::set(const KuvInSet& values) {
  KUV_TRACE_CALL("set");
  save();
  reset();
  for (KuvInSet::const_iterator it = values.cBegin(); it.IsValid(); it.Next()) {
    if (FAILED(addChecked(KuvEeSelectionValue::cast(*it.Get()), KuvCriteriaSelectedBy_None))) {
      restoreSaved();
      KUV_RETURN_ERROR(E_FAIL, "ERROR: set failed");
    }
  }
  return S_OK;
}

const KuvInSet& KuvEeSelectionEff::getValues() const { return m_values->getValues(); }

HRESULT KuvEeSelectionEff::getValueGuids(KuvInListVal& list) const {
  KUV_TRACE_CALL("getValueGuids");
  if (!list.IsTypeAccepted(KuvInGuid::sType())) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: invalid arg.");
  list.Clear();
  for (KuvInSet::const_iterator it = getValues().cBegin(); it.IsValid(); it.Next())
    list.PutBack(valueAt(it)->getGuid());
  return S_OK;
}

KuvCriteriaSelectedBy KuvEeSelectionEff::getSelectedBy(const KuvEeSelectionValue* value) const {
  return m_values->getSelectedBy(value);
}

KuvCriteriaSelectedBy KuvEeSelectionEff::getSelectedBy(const KuvInGuid& guid) const {
  return m_values->getSelectedBy(guid);
}

KuvEeSelectionVar* KuvEeSelectionEff::getSelectionVar() const {
  return static_cast<KuvEeSelectionVar*>(m_var);
}

void KuvEeSelectionEff::save() {
  // Made on the first save: most effectivities never take one.
  if (m_savedValues == nullptr) m_savedValues = std::make_unique<Dico>();
  copyValues(*m_savedValues, *m_values);
  m_savedNoVar = m_noVar;
  m_savedNegated = m_negated;
}

void KuvEeSelectionEff::restoreSaved() {
  if (m_savedValues != nullptr)
    copyValues(*m_values, *m_savedValues);
  else
    m_values->clear();
  m_noVar = m_savedNoVar;
  m_negated = m_savedNegated;
}

KuvInString KuvEeSelectionEff::toString() const {
  KuvInString text("SelectionEff( ");
  if (m_var != nullptr) text.Append(m_var->getName(), "/", m_var->getGuid().toString());
  if (isAllTrue()) {
    text.Append("[ALL_TRUE]");
  } else if (isAllFalse()) {
    text.Append("[ALL_FALSE]");
  } else {
    if (isNegated()) text.Append("! ");
    if (getNoVar()) text.Append("[N]");
    std::vector<const KuvEeSelectionValue*> values;
    for (KuvInSet::const_iterator it = getValues().cBegin(); it.IsValid(); it.Next())
      values.push_back(valueAt(it));
    std::sort(values.begin(), values.end(), [](const KuvEeSelectionValue* a, const KuvEeSelectionValue* b) {
      return a->getName() < b->getName();
    });
    for (const KuvEeSelectionValue* value : values)
      text.Append("[", value->getName(), KuvCriteriaSelectedByText(m_values->getSelectedBy(value)), "]");
  }
  text.Append(" )");
  return text;
}

bool KuvEeSelectionEff::isSameKind(const KuvEeVarEff& other) const { return isObjectOfThisType(other) != 0; }

bool KuvEeSelectionEff::isPartEmpty() const { return getValues().IsEmpty() && m_noVar == 0; }

// The positive parts are combined value by value; a value kept from this
// side keeps this side's code.
HRESULT KuvEeSelectionEff::partAnd(const KuvEeVarEff& other) {
  const auto& o = static_cast<const KuvEeSelectionEff&>(other);
  m_values = keptValues(*m_values, [&o](const KuvEeSelectionValue* v) { return o.getValues().Find(v); });
  m_noVar = (m_noVar != 0 && o.m_noVar != 0) ? 1 : 0;
  return S_OK;
}

HRESULT KuvEeSelectionEff::partCut(const KuvEeVarEff& other) {
  const auto& o = static_cast<const KuvEeSelectionEff&>(other);
  m_values = keptValues(*m_values, [&o](const KuvEeSelectionValue* v) { return !o.getValues().Find(v); });
  m_noVar = (m_noVar != 0 && o.m_noVar == 0) ? 1 : 0;
  return S_OK;
}

HRESULT KuvEeSelectionEff::partCutFrom(const KuvEeVarEff& other) {
  const auto& o = static_cast<const KuvEeSelectionEff&>(other);
  m_values = keptValues(*o.m_values, [this](const KuvEeSelectionValue* v) { return !getValues().Find(v); });
  m_noVar = (o.m_noVar != 0 && m_noVar == 0) ? 1 : 0;
  return S_OK;
}

HRESULT KuvEeSelectionEff::partAdd(const KuvEeVarEff& other) {
  const auto& o = static_cast<const KuvEeSelectionEff&>(other);
  for (KuvInSet::const_iterator it = o.getValues().cBegin(); it.IsValid(); it.Next()) {
    if (!getValues().Find(valueAt(it))) m_values->add(valueAt(it), o.m_values->getSelectedBy(valueAt(it)));
  }
  m_noVar = (m_noVar != 0 || o.m_noVar != 0) ? 1 : 0;
  return S_OK;
}
