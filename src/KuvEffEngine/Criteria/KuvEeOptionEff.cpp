#include "KuvEeOptionEff.h"

#include "KuvEeCategory.h"
#include "KuvEeOptionVar.h"

KUV_DEFINE_TYPE(KuvEeOptionEff, KuvEeVarEff)

namespace {
constexpr std::uint32_t kAllBits = KuvEeOptionEff::T | KuvEeOptionEff::F | KuvEeOptionEff::N;
}

KuvEeOptionEff::KuvEeOptionEff(KuvEeOptionVar* var, std::uint32_t value, KuvCriteriaSelectedBy selectedBy)
    : KuvEeVarEff(var), m_value(value & kAllBits), m_selectedBy(selectedBy) {}

KuvEeOptionEff::KuvEeOptionEff(KuvEeOptionVar* var, E_SpecialCondition condition)
    : KuvEeVarEff(var), m_value(0), m_selectedBy(KuvCriteriaSelectedBy_None) {
  set(condition);
}

KuvEeOptionEff::~KuvEeOptionEff() = default;

KuvEeVarEff* KuvEeOptionEff::createVarEffClone() const { return new KuvEeOptionEff(*this); }

HRESULT KuvEeOptionEff::equals(const KuvEeVarEff* other, bool& equal) const {
  KUV_TRACE_CALL("equals");
  const KuvEeOptionEff* same = other != nullptr ? cast(*other) : nullptr;
  equal = same != nullptr && same->m_var == m_var && same->m_value == m_value &&
          same->m_negated == m_negated && same->m_selectedBy == m_selectedBy;
  return S_OK;
}

void KuvEeOptionEff::switchNoVar() { m_value &= ~static_cast<std::uint32_t>(N); }

void KuvEeOptionEff::set(std::uint32_t value) {
  m_value = value & kAllBits;
  m_negated = 0;
}

void KuvEeOptionEff::set(E_SpecialCondition condition) {
  m_value = 0;
  m_negated = condition == AllTrue ? 1 : 0;
}

KuvEeOptionVar* KuvEeOptionEff::getOptionVar() const { return static_cast<KuvEeOptionVar*>(m_var); }

KuvInString KuvEeOptionEff::toString() const {
  KuvInString text("OptionEff( ");
  if (isNegated() && !isAllTrue()) text.Append("! ");
  if (const KuvEeCatOptionVar* catOption = m_var != nullptr ? KuvEeCatOptionVar::cast(*m_var) : nullptr) {
    if (catOption->getCategory() != nullptr) text.Append(catOption->getCategory()->getName(), ".");
  }
  if (m_var != nullptr) text.Append(m_var->getName());
  text.Append(KuvCriteriaSelectedByText(m_selectedBy), "{");
  if (isAllTrue()) {
    text.Append("ALL_TRUE");
  } else if (isAllFalse()) {
    text.Append("ALL_FALSE");
  } else {
    text.Append((m_value & T) != 0 ? "T" : "_", (m_value & F) != 0 ? "F" : "_",
                (m_value & N) != 0 ? "N" : "_");
  }
  text.Append("} )");
  return text;
}

bool KuvEeOptionEff::isSameKind(const KuvEeVarEff& other) const { return isObjectOfThisType(other) != 0; }

const char* KuvEeOptionEff::kindMismatchText() const { return "ERROR: incorrect varEff type"; }

std::uint32_t KuvEeOptionEff::valueOf(const KuvEeVarEff& other) {
  return static_cast<const KuvEeOptionEff&>(other).m_value;
}

HRESULT KuvEeOptionEff::partAnd(const KuvEeVarEff& other) {
  m_value &= valueOf(other);
  return S_OK;
}

HRESULT KuvEeOptionEff::partCut(const KuvEeVarEff& other) {
  m_value &= ~valueOf(other);
  return S_OK;
}

HRESULT KuvEeOptionEff::partCutFrom(const KuvEeVarEff& other) {
  m_value = valueOf(other) & ~m_value;
  return S_OK;
}

HRESULT KuvEeOptionEff::partAdd(const KuvEeVarEff& other) {
  m_value |= valueOf(other);
  return S_OK;
}

void KuvEeOptionEff::setNoVar(bool noVar) {
  if (noVar) {
    m_value |= N;
  } else {
    m_value &= ~static_cast<std::uint32_t>(N);
  }
}
