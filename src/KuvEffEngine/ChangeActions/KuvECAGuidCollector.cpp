#include "KuvECAGuidCollector.h"

#include "KuvEeEffLeaf.h"
#include "KuvEeNode.h"
#include "KuvEePredefEff.h"
#include "KuvInGuid.h"
#include "KuvInSetVal.h"

KUV_DEFINE_TYPE(KuvECAGuidCollector, KuvEeNodeWalker)

KuvECAGuidCollector::~KuvECAGuidCollector() = default;

HRESULT KuvECAGuidCollector::collect(const KuvEeNodeRef& tree, KuvInSetVal& out) {
  KUV_TRACE_CALL("collect");
  if (!out.IsTypeAccepted(KuvInGuid::sType()))
    KUV_RETURN_ERROR(E_INVALIDARG,
                     "ERROR : output argument out_ECAGuidSet of method collect must be a set of KuvInGuid");
  m_out = &out;
  const HRESULT hr = tree.getNode()->acceptVisitor(*this);
  m_out = nullptr;
  if (FAILED(hr))
    KUV_RETURN_ERROR(hr, "ERROR: Call to acceptVisitor() on KuvEeNode has failed in KuvECAGuidCollector::collect.");
  return S_OK;
}

HRESULT KuvECAGuidCollector::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  if (m_out == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : null pointer for set of ECA Guids ?!?!");
  const KuvEeEffectivity* target = node.getTargetEff();
  if (target != nullptr && KuvEePredefEff::isObjectOfThisType(*target)) m_out->Put(&target->getGuid());
  return S_OK;
}
