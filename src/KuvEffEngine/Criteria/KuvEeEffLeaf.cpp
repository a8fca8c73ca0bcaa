#include "KuvEeEffLeaf.h"

#include "KuvEeEffectivity.h"
#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeEffLeaf, KuvEeNodeElementaryLeaf)

KuvEeEffLeaf::KuvEeEffLeaf(KuvEeEffectivity* target, KuvEeModelDico* context)
    : m_target(target), m_context(context) {}

KuvEeEffLeaf::KuvEeEffLeaf(const KuvEeEffLeaf& other) = default;

KuvEeEffLeaf::~KuvEeEffLeaf() = default;

HRESULT KuvEeEffLeaf::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitEffLeaf(*this);
}

bool KuvEeEffLeaf::isEquivalentToTrue() const {
  KUV_TRACE_CALL("isEquivalentToTrue");
  return m_whenHolds && m_whenNotHolds;
}

bool KuvEeEffLeaf::isEquivalentToFalse() const {
  KUV_TRACE_CALL("isEquivalentToFalse");
  return !m_whenHolds && !m_whenNotHolds;
}

HRESULT KuvEeEffLeaf::opAnd(const KuvEeNodeElementaryLeaf* other, bool& merged) {
  KUV_TRACE_CALL("opAnd");
  return combine(other, merged, true);
}

HRESULT KuvEeEffLeaf::opOr(const KuvEeNodeElementaryLeaf* other, bool& merged) {
  KUV_TRACE_CALL("opOr");
  return combine(other, merged, false);
}

HRESULT KuvEeEffLeaf::combine(const KuvEeNodeElementaryLeaf* other, bool& merged, bool isAnd) {
  const KuvEeEffLeaf* leaf = other != nullptr ? cast(*other) : nullptr;
  merged = leaf != nullptr && leaf->m_target == m_target;
  if (!merged) return S_OK;
  if (isAnd) {
    m_whenHolds = m_whenHolds && leaf->m_whenHolds;
    m_whenNotHolds = m_whenNotHolds && leaf->m_whenNotHolds;
  } else {
    m_whenHolds = m_whenHolds || leaf->m_whenHolds;
    m_whenNotHolds = m_whenNotHolds || leaf->m_whenNotHolds;
  }
  return S_OK;
}

HRESULT KuvEeEffLeaf::opNot() {
  KUV_TRACE_CALL("opNot");
  m_whenHolds = !m_whenHolds;
  m_whenNotHolds = !m_whenNotHolds;
  return S_OK;
}

KuvInObject* KuvEeEffLeaf::getConstraintCriterion() const { return m_target; }

KuvInString KuvEeEffLeaf::toString() const {
  KUV_TRACE_CALL("toString");
  if (m_target == nullptr) return "ERROR";
  KuvInString text("EffLeaf( ");
  text.Append(isNegated() ? " ! " : "", m_target->toString());
  if (isEquivalentToTrue()) text.Append("{ALL_TRUE}");
  if (isEquivalentToFalse()) text.Append("{ALL_FALSE} ");
  text.Append(" )");
  return text;
}

KuvEeEffectivity* KuvEeEffLeaf::getTargetEff() const { return m_target; }

KuvEeModelDico* KuvEeEffLeaf::getReferencedContext() const { return m_context; }

void KuvEeEffLeaf::setReferencedContext(KuvEeModelDico* context) { m_context = context; }

bool KuvEeEffLeaf::isNegated() const { return !m_whenHolds && m_whenNotHolds; }
