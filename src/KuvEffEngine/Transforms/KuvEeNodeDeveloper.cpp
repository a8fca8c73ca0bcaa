#include "KuvEeNodeDeveloper.h"

#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeNodeNormalizer.h"
#include "KuvEeNodeNotRemover.h"
#include "KuvEeTransformEntry.h"
#include "KuvEeTransformLists.h"

KUV_DEFINE_TYPE(KuvEeNodeDeveloper, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeDeveloper>;

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
// normalized. Kept out of visitGroup so that its working objects do not
// weigh on every level of the recursion.
HRESULT multiplyChildren(KuvEeNodeDeveloper& developer, KuvEeAndOp& andOp) {
  KuvInTraceClass& channel = KuvEeNodeDeveloper::traceChannel();
  KuvInLinkList children(KuvEeNodeRef::sType());
  andOp.getChildrenRefs(children);
  auto it = children.cBegin();
  OwnedNode accumulator(static_cast<KuvEeNodeRef*>(it.GetGoToNext())->getNode()->clone());
  if (accumulator == nullptr) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: NULL pointer");
  KuvEeNodeNormalizer normalizer;
  for (; it.IsValid(); it.Next()) {
    KuvEeGroupOp* productNode = nullptr;
    HRESULT hr = developer.product(*accumulator, *static_cast<KuvEeNodeRef*>(it.Get()), productNode);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: product failed");
    if (productNode == nullptr) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: NULL pointer");
    OwnedNode next(productNode->getNodeRef());
    hr = normalizer.normalize(*next);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: normalize failed");
    accumulator = std::move(next);
  }
  andOp.become(accumulator.release()->getNode());
  return S_OK;
}

}  // namespace

KuvEeNodeDeveloper::~KuvEeNodeDeveloper() = default;

HRESULT KuvEeNodeDeveloper::develop(KuvEeNodeRef& ref) {
  return kuv::detail::TransformEntry(traceChannel(), "develop", ref)
      .run(*this, "Develop:\n", "Developped:\n");
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

HRESULT KuvEeNodeDeveloper::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  KuvEeAndOp* andOp = nullptr;
  HRESULT hr = kuv::detail::collapseAndWalk(node, *node.getNodeRef(), kind == NodeKind::AndOp, *this,
                                            traceChannel(), andOp);
  if (FAILED(hr) || andOp == nullptr) return hr;
  return multiplyChildren(*this, *andOp);
}

HRESULT KuvEeNodeDeveloper::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (kind == NodeKind::NotDomainOp) return node.childrenAcceptVisitor(*this);
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
