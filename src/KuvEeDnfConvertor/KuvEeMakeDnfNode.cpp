#include "KuvEeMakeDnfNode.h"

#include "KuvEeDnfProduct.h"
#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeNormalizer.h"
#include "KuvEeNodeNotRemover.h"

HRESULT KuvEeMakeDnfNode::makeDnfNode(KuvEeNodeRef& ref) { return kuv::detail::makeDnfNode(ref, nullptr); }

HRESULT kuv::detail::makeDnfNode(KuvEeNodeRef& ref, DnfProduct* product) {
  KuvInTraceClass& channel = KuvEeMakeDnfNode::traceChannel();
  KuvEeNodeNotRemover remover(1);
  HRESULT hr = remover.removeNots(ref, KuvEeNodeNotRemover::RemNots_None);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: Remove nots failed");
  if (product != nullptr && product->read(*ref.getNode())) return S_OK;
  KuvEeNodeDeveloper developer;
  hr = developer.develop(ref);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: develop failed");
  KuvEeNodeNormalizer normalizer;
  hr = normalizer.normalize(ref);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: normalize failed");
  return S_OK;
}
