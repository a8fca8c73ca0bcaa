#include "KuvEeMakeDnfNode.h"

#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeNormalizer.h"
#include "KuvEeNodeNotRemover.h"

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
