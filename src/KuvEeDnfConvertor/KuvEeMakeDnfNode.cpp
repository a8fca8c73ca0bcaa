#include "KuvEeMakeDnfNode.h"

#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeNormalizer.h"
#include "KuvEeNodeNotRemover.h"

namespace {
// The service has no object of its own; it reports on the developer's
// channel, the transformation it drives.
KuvInTraceClass& traceChannel() { return KuvEeNodeDeveloper::traceChannel(); }
}  // namespace

HRESULT KuvEeMakeDnfNode::makeDnfNode(KuvEeNodeRef& ref) {
  KuvEeNodeNotRemover remover(1);
  HRESULT hr = remover.removeNots(ref, KuvEeNodeNotRemover::RemNots_None);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Remove nots failed");
  KuvEeNodeDeveloper developer;
  hr = developer.develop(ref);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: develop failed");
  KuvEeNodeNormalizer normalizer;
  hr = normalizer.normalize(ref);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: normalize failed");
  return S_OK;
}
