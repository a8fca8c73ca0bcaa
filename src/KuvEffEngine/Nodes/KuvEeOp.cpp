#include "KuvEeOp.h"

#include <utility>

#include "KuvEeGroupOp.h"
#include "KuvEeSingleOp.h"

KUV_DEFINE_TYPE(KuvEeOp, KuvEeNode)

KuvEeOp::~KuvEeOp() = default;

HRESULT KuvEeOp::prepareAdoption(const KuvEeNode* node) {
  if (node == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer");
  if (node->isOnPathToRoot(this))
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: a node cannot be a child of itself or of its descendants");
  KuvEeNodeRef* ref = node->m_nodeRef;
  if (ref->m_holder != nullptr) ref->m_holder->forgetChild(ref);
  return S_OK;
}

void KuvEeOp::destroySubtrees(std::vector<KuvEeNodeRef*>& refs) {
  while (!refs.empty()) {
    KuvEeNodeRef* ref = refs.back();
    refs.pop_back();
    // Taking the grandchildren first leaves the node childless, so deleting
    // it recurses no further.
    if (ref->m_node != nullptr)
      if (KuvEeOp* op = KuvEeOp::cast(*ref->m_node)) op->releaseChildrenInto(refs);
    delete ref;
  }
}

void KuvEeOp::releaseChildrenInto(std::vector<KuvEeNodeRef*>& refs) {
  if (KuvEeGroupOp* group = KuvEeGroupOp::cast(*this))
    group->moveChildrenTo(refs);
  else if (KuvEeSingleOp* single = KuvEeSingleOp::cast(*this))
    single->moveChildTo(refs);
}

bool KuvEeOp::hasChild(const KuvEeNode& node) {
  if (const KuvEeGroupOp* group = KuvEeGroupOp::cast(node)) return !group->m_children.IsEmpty();
  if (const KuvEeSingleOp* single = KuvEeSingleOp::cast(node)) return single->m_childRef != nullptr;
  return KuvEeOp::cast(node) != nullptr;
}

void KuvEeOp::forgetChild(KuvEeNodeRef* ref) {
  if (KuvEeGroupOp* group = KuvEeGroupOp::cast(*this))
    group->unlinkChild(ref);
  else if (KuvEeSingleOp* single = KuvEeSingleOp::cast(*this))
    single->unlinkChild(ref);
}
