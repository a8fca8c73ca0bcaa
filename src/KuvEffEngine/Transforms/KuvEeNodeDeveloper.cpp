#include "KuvEeNodeDeveloper.h"

#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeFalse.h"
#include "KuvEeNodeNormalizer.h"
#include "KuvEeNodeNotRemover.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTransformLists.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"

KUV_DEFINE_TYPE(KuvEeNodeDeveloper, KuvEeNodeVisitor)

namespace {

using kuv::detail::OwnedNode;

// The terms of a factor: the children of an Or, else the factor itself.
std::vector<KuvEeNodeRef*> termsOf(KuvEeNodeRef& factor) {
  std::vector<KuvEeNodeRef*> terms;
  const KuvEeOrOp* orOp = KuvEeOrOp::cast(*factor.getNode());
  if (orOp == nullptr) return {&factor};
  KuvInLinkList children(KuvEeNodeRef::sType());
  orOp->getChildrenRefs(children);
  for (auto it = children.cBegin(); it.IsValid(); it.Next()) terms.push_back(static_cast<KuvEeNodeRef*>(it.Get()));
  return terms;
}

// A new And of copies of a and b, flattened; null when a copy fails.
OwnedNode andOfCopies(const KuvEeNodeRef& a, const KuvEeNodeRef& b) {
  OwnedNode result((new KuvEeAndOp)->getNodeRef());
  auto* andOp = static_cast<KuvEeAndOp*>(result->getNode());
  for (const KuvEeNodeRef* term : {&a, &b}) {
    OwnedNode copy(term->getNode()->clone());
    if (copy == nullptr) return nullptr;
    andOp->addChild(copy.release()->getNode());
  }
  andOp->appendSameNodes();
  return result;
}

// The And becomes the product of its children, each partial product
// normalized. Kept out of visitAndOp so that its working objects do not
// weigh on every level of the recursion.
HRESULT multiplyChildren(KuvEeNodeDeveloper& developer, KuvEeAndOp& andOp) {
  KuvInTraceClass& channel = KuvEeNodeDeveloper::traceChannel();
  KuvInLinkList children(KuvEeNodeRef::sType());
  andOp.getChildrenRefs(children);
  auto it = children.cBegin();
  OwnedNode accumulator(static_cast<KuvEeNodeRef*>(it.GetGoToNext())->getNode()->clone());
  if (accumulator == nullptr) {
    KUV_TRACE_ERROR_ON(channel, "ERROR: NULL pointer");
    return E_FAIL;
  }
  KuvEeNodeNormalizer normalizer;
  for (; it.IsValid(); it.Next()) {
    KuvEeGroupOp* productNode = nullptr;
    HRESULT hr = developer.product(*accumulator, *static_cast<KuvEeNodeRef*>(it.Get()), productNode);
    if (FAILED(hr)) {
      KUV_TRACE_ERROR_ON(channel, "ERROR: product failed");
      return hr;
    }
    if (productNode == nullptr) {
      KUV_TRACE_ERROR_ON(channel, "ERROR: NULL pointer");
      return E_FAIL;
    }
    OwnedNode next(productNode->getNodeRef());
    hr = normalizer.normalize(*next);
    if (FAILED(hr)) {
      KUV_TRACE_ERROR_ON(channel, "ERROR: normalize failed");
      return hr;
    }
    accumulator = std::move(next);
  }
  andOp.become(accumulator.release()->getNode());
  return S_OK;
}

}  // namespace

KuvEeNodeDeveloper::~KuvEeNodeDeveloper() = default;

HRESULT KuvEeNodeDeveloper::develop(KuvEeNodeRef& ref) {
  KUV_TRACE_CALL("develop");
  KuvEeNode* root = ref.getNode();
  if (root == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (kuv::detail::isTreeTooDeep(root)) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  if (traceChannel().isCallOn()) KUV_TRACE_DETAIL("Develop:\n", ref.toString());
  HRESULT hr = root->acceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: acceptVisitor failed");
  if (traceChannel().isCallOn()) KUV_TRACE_DETAIL("Developped:\n", ref.toString());
  return hr;
}

HRESULT KuvEeNodeDeveloper::product(KuvEeNodeRef& a, KuvEeNodeRef& b, KuvEeGroupOp*& out) {
  KUV_TRACE_CALL("product");
  out = nullptr;
  if (a.getNode() == nullptr || b.getNode() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (KuvEeOrOp::cast(*a.getNode()) == nullptr && KuvEeOrOp::cast(*b.getNode()) == nullptr) {
    OwnedNode result = andOfCopies(a, b);
    if (result == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    out = static_cast<KuvEeGroupOp*>(result.release()->getNode());
    return S_OK;
  }
  OwnedNode result((new KuvEeOrOp)->getNodeRef());
  auto* orOp = static_cast<KuvEeOrOp*>(result->getNode());
  const std::vector<KuvEeNodeRef*> termsB = termsOf(b);
  for (KuvEeNodeRef* termA : termsOf(a)) {
    for (KuvEeNodeRef* termB : termsB) {
      OwnedNode term = andOfCopies(*termA, *termB);
      if (term == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
      orOp->addChild(term.release()->getNode());
    }
  }
  out = static_cast<KuvEeGroupOp*>(result.release()->getNode());
  return S_OK;
}

HRESULT KuvEeNodeDeveloper::visitAndOp(KuvEeAndOp& node) {
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

  return multiplyChildren(*this, *andOp);
}

HRESULT KuvEeNodeDeveloper::visitOrOp(KuvEeOrOp& node) {
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

HRESULT KuvEeNodeDeveloper::visitNotOp(KuvEeNotOp& node) {
  KUV_TRACE_CALL("visitNotOp");
  KuvEeNodeRef* ref = node.getNodeRef();
  HRESULT hr = node.childrenAcceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: childrenAcceptVisitor failed");
  // The negation goes down to the leaves; what it leaves is not developed
  // again.
  KuvEeNodeNotRemover remover(1);
  hr = remover.removeNots(*ref, KuvEeNodeNotRemover::RemNots_None);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: removeNots failed");
  return S_OK;
}

HRESULT KuvEeNodeDeveloper::visitNotDomainOp(KuvEeNotDomainOp& node) {
  KUV_TRACE_CALL("visitNotDomainOp");
  return node.childrenAcceptVisitor(*this);
}

HRESULT KuvEeNodeDeveloper::visitFalse(KuvEeFalse&) { return S_OK; }
HRESULT KuvEeNodeDeveloper::visitTrue(KuvEeTrue&) { return S_OK; }
HRESULT KuvEeNodeDeveloper::visitEffLeaf(KuvEeEffLeaf&) { return S_OK; }
HRESULT KuvEeNodeDeveloper::visitVarEffLeaf(KuvEeVarEffLeaf&) { return S_OK; }
HRESULT KuvEeNodeDeveloper::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf&) { return S_OK; }
