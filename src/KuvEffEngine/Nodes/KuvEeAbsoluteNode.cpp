#include "KuvEeAbsoluteNode.h"

KUV_DEFINE_TYPE(KuvEeAbsoluteNode, KuvEeNodeLeaf)

KuvEeAbsoluteNode::~KuvEeAbsoluteNode() = default;

bool KuvEeAbsoluteNode::convertToTrueFalse() {
  KUV_TRACE_CALL("convertToTrueFalse");
  return true;
}

HRESULT KuvEeAbsoluteNode::copyOf(const KuvEeNodeLeaf* leaf, KuvEeNode*& out, KuvInTraceClass& channel) {
  KuvEeNodeRef* copy = leaf != nullptr ? leaf->clone() : nullptr;
  if (copy == nullptr) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: NULL pointer");
  out = copy->getNode();
  return S_OK;
}
