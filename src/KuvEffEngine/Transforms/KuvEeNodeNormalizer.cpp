#include "KuvEeNodeNormalizer.h"

#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeFalse.h"
#include "KuvEeNodeDeveloper.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTransformLists.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"

KUV_DEFINE_TYPE(KuvEeNodeNormalizer, KuvEeNodeVisitor)

namespace {

bool isLeaf(const KuvEeNode* node) { return node != nullptr && KuvEeNodeLeaf::cast(*node) != nullptr; }

// Detaches the children of andOp, merges its leaves and re-attaches them,
// leaves first. Kept out of visitAndOp so that its working lists do not
// weigh on every level of the recursion.
HRESULT mergeLeavesOf(KuvEeAndOp& andOp, bool& composite) {
  kuv::detail::DetachedChildren lists(andOp, isLeaf);
  HRESULT hr = kuv::detail::mergeLeaves(lists.leaves, lists.others, true, isLeaf, composite);
  KuvInTraceClass& channel = KuvEeNodeNormalizer::traceChannel();
  if (FAILED(hr)) {
    KUV_TRACE_ERROR_ON(channel, "ERROR: andOp failed");
    return hr;
  }
  if (lists.leaves.empty() && lists.others.empty()) {
    KUV_TRACE_ERROR_ON(channel, "ERROR: Incorrect case");
    return E_FAIL;
  }
  // The lists go back to andOp as they leave, leaves first.
  return S_OK;
}

}  // namespace

KuvEeNodeNormalizer::~KuvEeNodeNormalizer() = default;

HRESULT KuvEeNodeNormalizer::normalize(KuvEeNodeRef& ref) {
  KUV_TRACE_CALL("normalize");
  KuvEeNode* root = ref.getNode();
  if (root == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (kuv::detail::isTreeTooDeep(root)) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  if (traceChannel().isCallOn()) KUV_TRACE_DETAIL("Normalize:\n", ref.toString());
  HRESULT hr = root->acceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: acceptVisitor failed");
  if (traceChannel().isCallOn()) KUV_TRACE_DETAIL("...Normalized:\n", ref.toString());
  return hr;
}

HRESULT KuvEeNodeNormalizer::visitAndOp(KuvEeAndOp& node) {
  KUV_TRACE_CALL("visitAndOp");
  KuvEeNodeRef* ref = node.getNodeRef();
  kuv::detail::collapse(node, true);
  KuvEeAndOp* andOp = KuvEeAndOp::cast(*ref->getNode());
  if (andOp == nullptr) return ref->getNode()->acceptVisitor(*this);

  HRESULT hr = andOp->childrenAcceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: childrenAcceptVisitor failed");
  kuv::detail::collapse(*andOp, true);
  andOp = KuvEeAndOp::cast(*ref->getNode());
  if (andOp == nullptr) return ref->getNode()->acceptVisitor(*this);

  // A merge that gives a composite node (not a leaf) calls for development.
  bool composite = false;
  hr = mergeLeavesOf(*andOp, composite);
  if (FAILED(hr)) return hr;
  kuv::detail::collapse(*andOp, true);
  if (!composite) return S_OK;

  KuvEeNodeDeveloper developer;
  hr = developer.develop(*ref);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: develop failed");
  hr = ref->getNode()->acceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: acceptVisitor failed");
  return hr;
}

HRESULT KuvEeNodeNormalizer::visitOrOp(KuvEeOrOp& node) {
  KUV_TRACE_CALL("visitOrOp");
  KuvEeNodeRef* ref = node.getNodeRef();
  kuv::detail::collapse(node, true);
  KuvEeOrOp* orOp = KuvEeOrOp::cast(*ref->getNode());
  if (orOp == nullptr) return ref->getNode()->acceptVisitor(*this);
  HRESULT hr = orOp->childrenAcceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: childrenAcceptVisitor failed");
  kuv::detail::collapse(*orOp, true);
  return S_OK;
}

HRESULT KuvEeNodeNormalizer::visitNotDomainOp(KuvEeNotDomainOp& node) {
  KUV_TRACE_CALL("visitNotDomainOp");
  return node.childrenAcceptVisitor(*this);
}

HRESULT KuvEeNodeNormalizer::visitNotOp(KuvEeNotOp& node) {
  KUV_TRACE_CALL("visitNotOp");
  return node.childrenAcceptVisitor(*this);
}

HRESULT KuvEeNodeNormalizer::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  node.convertToTrueFalse();
  return S_OK;
}

HRESULT KuvEeNodeNormalizer::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  KUV_TRACE_CALL("visitVarEffLeaf");
  node.convertToTrueFalse();
  return S_OK;
}

HRESULT KuvEeNodeNormalizer::visitFalse(KuvEeFalse&) { return S_OK; }
HRESULT KuvEeNodeNormalizer::visitTrue(KuvEeTrue&) { return S_OK; }
HRESULT KuvEeNodeNormalizer::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf&) { return S_OK; }
