#include "KuvEeVarEffLeaf.h"

#include "KuvEeDnfTreeEff.h"
#include "KuvEeNodeVisitor.h"
#include "KuvEeVariable.h"

KUV_DEFINE_TYPE(KuvEeVarEffLeaf, KuvEeNodeElementaryLeaf)

KuvEeVarEffLeaf::KuvEeVarEffLeaf(KuvEeVarEff* varEff) : m_varEff(varEff) {}

KuvEeVarEffLeaf::KuvEeVarEffLeaf(const KuvEeVarEffLeaf& other)
    : KuvEeNodeElementaryLeaf(other),
      m_varEff(other.m_varEff != nullptr ? other.m_varEff->createVarEffClone() : nullptr) {}

KuvEeVarEffLeaf::~KuvEeVarEffLeaf() = default;

HRESULT KuvEeVarEffLeaf::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitVarEffLeaf(*this);
}

bool KuvEeVarEffLeaf::isEquivalentToTrue() const {
  KUV_TRACE_CALL("isEquivalentToTrue");
  return m_varEff != nullptr && m_varEff->isAllTrue();
}

bool KuvEeVarEffLeaf::isEquivalentToFalse() const {
  KUV_TRACE_CALL("isEquivalentToFalse");
  return m_varEff != nullptr && m_varEff->isAllFalse();
}

HRESULT KuvEeVarEffLeaf::opAnd(const KuvEeNodeElementaryLeaf* other, bool& merged) {
  KUV_TRACE_CALL("opAnd");
  return combine(other, merged, true);
}

HRESULT KuvEeVarEffLeaf::opOr(const KuvEeNodeElementaryLeaf* other, bool& merged) {
  KUV_TRACE_CALL("opOr");
  return combine(other, merged, false);
}

HRESULT KuvEeVarEffLeaf::combine(const KuvEeNodeElementaryLeaf* other, bool& merged, bool isAnd) {
  merged = false;
  const KuvEeVarEffLeaf* leaf = other != nullptr ? cast(*other) : nullptr;
  if (leaf == nullptr) return S_OK;
  const char* failed = isAnd ? "ERROR: opAnd failed" : "ERROR: opOr failed";
  if (m_varEff == nullptr || leaf->m_varEff == nullptr) KUV_RETURN_ERROR(E_FAIL, failed);
  HRESULT hr =
      isAnd ? m_varEff->opAnd(leaf->m_varEff.get(), merged) : m_varEff->opOr(leaf->m_varEff.get(), merged);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, failed);
  return hr;
}

HRESULT KuvEeVarEffLeaf::opNot() {
  KUV_TRACE_CALL("opNot");
  if (m_varEff == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (kuv::detail::DnfTreeEff::refusesNegation(*m_varEff))
    KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR: a normal form tree effectivity without its related effectivity cannot be negated");
  m_varEff->opNot();
  return S_OK;
}

KuvInObject* KuvEeVarEffLeaf::getConstraintCriterion() const {
  return m_varEff != nullptr ? m_varEff->getVar() : nullptr;
}

KuvInString KuvEeVarEffLeaf::toString() const {
  KuvInString text("EeVarEffLeaf : ");
  text.Append(m_varEff != nullptr ? m_varEff->toString() : KuvInString("ERROR"));
  return text;
}

void KuvEeVarEffLeaf::setVarEff(KuvEeVarEff* varEff) {
  if (varEff != m_varEff.get()) m_varEff.reset(varEff);
}

KuvEeVarEff* KuvEeVarEffLeaf::DeleteLeafKeepVarEff(KuvEeVarEffLeaf*& leaf) {
  if (leaf == nullptr) return nullptr;
  KuvEeVarEff* varEff = leaf->m_varEff.release();
  delete leaf;
  leaf = nullptr;
  return varEff;
}
