#include "KuvEeSerialEff.h"

#include "KuvEeSerialVar.h"

KUV_DEFINE_TYPE(KuvEeSerialEff, KuvEeVarEff)

KuvEeSerialEff::KuvEeSerialEff(KuvEeSerialVar* var, E_SpecialCondition condition)
    : IntervalVarEff(var, condition) {}

KuvEeSerialEff::~KuvEeSerialEff() = default;

HRESULT KuvEeSerialEff::set(std::int32_t low, bool lowClosed, std::int32_t high, bool highClosed) {
  KUV_TRACE_CALL("set");
  KuvInSerialInterval interval;
  if (FAILED(interval.setInterval(low, lowClosed, high, highClosed)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: set failed");
  return set(interval);
}

KuvEeSerialVar* KuvEeSerialEff::getOrdVar() const { return static_cast<KuvEeSerialVar*>(m_var); }

KuvEeVarEff* KuvEeSerialEff::createVarEffClone() const { return new KuvEeSerialEff(*this); }

HRESULT KuvEeSerialEff::equals(const KuvEeVarEff* other, bool& equal) const {
  KUV_TRACE_CALL("equals");
  const KuvEeSerialEff* same = other != nullptr ? cast(*other) : nullptr;
  equal = same != nullptr && sameContent(*same);
  return S_OK;
}

KuvInString KuvEeSerialEff::toString() const {
  KuvInString text("SerialEff( ");
  if (m_var != nullptr) text.Append(m_var->getName(), "/", m_var->getGuid().toString());
  text.Append(contentText(), " )");
  return text;
}

bool KuvEeSerialEff::isSameKind(const KuvEeVarEff& other) const { return isObjectOfThisType(other) != 0; }
