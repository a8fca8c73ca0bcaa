#include "KuvECAGuidCollector.h"

#include "KuvEeEffLeaf.h"
#include "KuvEeNode.h"
#include "KuvEePredefEff.h"
#include "KuvInGuid.h"
#include "KuvInSetVal.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvECAGuidCollector, KuvEeNodeWalker)

KuvECAGuidCollector::~KuvECAGuidCollector() = default;

HRESULT KuvECAGuidCollector::collect(const KuvEeNodeRef& tree, KuvInSetVal& out) {
  KUV_TRACE_CALL("collect");
  if (!out.IsTypeAccepted(KuvInGuid::sType()))
    KUV_RETURN_ERROR(E_INVALIDARG,
                     "ERROR : output argument out_ECAGuidSet of method collect must be a set of KuvInGuid");
  // The GUIDs out lacks, taken out again when out cannot hold them all.
  std::vector<const KuvInGuid*> added;
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        m_out = &out;
        const HRESULT hr = tree.getNode()->acceptVisitor(*this);
        m_out = nullptr;
        const std::vector<const KuvInGuid*> found = std::move(m_found);
        m_found.clear();
        if (FAILED(hr))
          KUV_RETURN_ERROR(
              hr, "ERROR: Call to acceptVisitor() on KuvEeNode has failed in KuvECAGuidCollector::collect.");
        added.reserve(found.size());
        for (const KuvInGuid* guid : found)
          if (!out.Find(guid)) added.push_back(guid);
        // In the order met, as if each leaf had put its own.
        for (const KuvInGuid* guid : found) out.Put(*guid);
        return S_OK;
      },
      [&] {
        m_out = nullptr;
        m_found.clear();
        for (const KuvInGuid* guid : added) out.Remove(guid);
        return E_OUTOFMEMORY;
      });
}

HRESULT KuvECAGuidCollector::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  if (m_out == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : null pointer for set of ECA Guids ?!?!");
  const KuvEeEffectivity* target = node.getTargetEff();
  if (target != nullptr && KuvEePredefEff::isObjectOfThisType(*target)) m_found.push_back(&target->getGuid());
  return S_OK;
}
