#include "KuvHistorizationApplicabilityByDateCommutator.h"

#include "KuvEeDateEff.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeNotOp.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInGuid.h"

KUV_DEFINE_TYPE(KuvHistorizationApplicabilityByDateCommutator, KuvEeNodeWalker)

KuvHistorizationApplicabilityByDateCommutator::~KuvHistorizationApplicabilityByDateCommutator() = default;

HRESULT KuvHistorizationApplicabilityByDateCommutator::commute(KuvEeNodeRef& tree, const KuvInGuid& change,
                                                               const KuvEeDateEff& date) {
  KUV_TRACE_CALL("commute");
  m_change = &change;
  m_date = &date;
  m_replaced = 0;
  const HRESULT hr = tree.getNode()->acceptVisitor(*this);
  m_change = nullptr;
  m_date = nullptr;
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to acceptVisitor() on KuvEeNode has failed.");
  return m_replaced != 0 ? S_OK : S_FALSE;
}

HRESULT KuvHistorizationApplicabilityByDateCommutator::visitNotDomainOp(KuvEeNotDomainOp&) { return S_OK; }

HRESULT KuvHistorizationApplicabilityByDateCommutator::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  const KuvEeEffectivity* target = node.getTargetEff();
  if (target == nullptr || !(target->getGuid() == *m_change)) return S_OK;
  KuvEeNode* replacement = new KuvEeVarEffLeaf(new KuvEeDateEff(*m_date));
  if (node.isNegated()) {
    auto* negation = new KuvEeNotOp(0);
    negation->setChildRef(replacement->getNodeRef());
    replacement = negation;
  }
  node.become(replacement);
  m_replaced = 1;
  return S_OK;
}
