#include "KuvEeDateEff.h"

#include "KuvEeDateVar.h"

KUV_DEFINE_TYPE(KuvEeDateEff, KuvEeVarEff)

KuvEeDateEff::KuvEeDateEff(KuvEeDateVar* var, E_SpecialCondition condition)
    : IntervalVarEff(var, condition) {}

KuvEeDateEff::~KuvEeDateEff() = default;

HRESULT KuvEeDateEff::set(const KuvInDate& start, const KuvInDate& end) {
  KUV_TRACE_CALL("set");
  KuvInDateInterval interval;
  if (FAILED(interval.setInterval(start, end))) KUV_RETURN_ERROR(E_FAIL, "ERROR: set failed");
  return set(interval);
}

KuvEeDateVar* KuvEeDateEff::getOrdVar() const { return static_cast<KuvEeDateVar*>(m_var); }

KuvEeVarEff* KuvEeDateEff::createVarEffClone() const { return new KuvEeDateEff(*this); }

HRESULT KuvEeDateEff::equals(const KuvEeVarEff* other, bool& equal) const {
  KUV_TRACE_CALL("equals");
  const KuvEeDateEff* same = other != nullptr ? cast(*other) : nullptr;
  equal = same != nullptr && sameContent(*same);
  return S_OK;
}

KuvInString KuvEeDateEff::toString() const {
  KuvInString text("DateEff( ");
  if (m_var != nullptr) text.Append(m_var->getName(), "/", m_var->getGuid().toString());
  text.Append(contentText(), " )");
  return text;
}

bool KuvEeDateEff::isSameKind(const KuvEeVarEff& other) const { return isObjectOfThisType(other) != 0; }
