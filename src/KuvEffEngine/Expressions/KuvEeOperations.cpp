#include "KuvEeOperations.h"

#include <memory>

#include "KuvEeAndOp.h"
#include "KuvEeNode.h"
#include "KuvEeNodeRef.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeOperations, KuvInObject)

namespace {

KuvInTraceClass& traceChannel() { return KuvEeOperations::traceChannel(); }

HRESULT copyOf(const KuvEeNodeRef& tree, std::unique_ptr<KuvEeNodeRef>& copy) {
  copy.reset(tree.getNode() == nullptr ? nullptr : tree.getNode()->clone());
  if (copy == nullptr) KUV_RETURN_ERROR_ON(traceChannel(), E_FAIL, "ERROR: clone FAILED.");
  return S_OK;
}

template <class Group>
HRESULT combine(const KuvEeNodeRef& left, const KuvEeNodeRef& right, KuvEeNodeRef*& result) {
  if (result != nullptr)
    KUV_RETURN_ERROR_ON(traceChannel(), E_INVALIDARG, "ERROR: Output tree pointer is not null.");
  std::unique_ptr<KuvEeNodeRef> a, b;
  HRESULT hr = copyOf(left, a);
  if (SUCCEEDED(hr)) hr = copyOf(right, b);
  if (FAILED(hr)) return hr;
  auto* group = new Group;
  std::unique_ptr<KuvEeNodeRef> tree(group->getNodeRef());
  for (std::unique_ptr<KuvEeNodeRef>* operand : {&a, &b}) {
    hr = kuv::detail::throwIfOutOfMemory(group->addChild((*operand)->getNode()));
    if (FAILED(hr)) return hr;
    // The group holds the node by its reference now.
    (void)operand->release();
  }
  result = tree.release();
  return S_OK;
}

}  // namespace

HRESULT KuvEeOperations::And(const KuvEeNodeRef& left, const KuvEeNodeRef& right, KuvEeNodeRef*& result) {
  return combine<KuvEeAndOp>(left, right, result);
}

HRESULT KuvEeOperations::Or(const KuvEeNodeRef& left, const KuvEeNodeRef& right, KuvEeNodeRef*& result) {
  return combine<KuvEeOrOp>(left, right, result);
}

HRESULT KuvEeOperations::Not(const KuvEeNodeRef& operand, KuvEeNodeRef*& result) {
  if (result != nullptr)
    KUV_RETURN_ERROR_ON(traceChannel(), E_INVALIDARG, "ERROR: Output tree pointer is not null.");
  std::unique_ptr<KuvEeNodeRef> copy;
  const HRESULT hr = copyOf(operand, copy);
  if (FAILED(hr)) return hr;
  auto* notOp = new KuvEeNotOp;
  std::unique_ptr<KuvEeNodeRef> tree(notOp->getNodeRef());
  const HRESULT set = notOp->setChildRef(copy.get());
  if (FAILED(set)) return set;
  (void)copy.release();
  result = tree.release();
  return S_OK;
}
