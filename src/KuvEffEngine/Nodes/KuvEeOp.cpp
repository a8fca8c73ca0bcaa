#include "KuvEeOp.h"

#include <algorithm>
#include <new>
#include <utility>

#include "KuvEeGroupOp.h"
#include "KuvEeSingleOp.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeOp, KuvEeNode)

KuvEeOp::~KuvEeOp() = default;

HRESULT KuvEeOp::checkAdoption(const KuvEeNode* node) const {
  if (node == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer");
  if (node->isOnPathToRoot(this))
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: a node cannot be a child of itself or of its descendants");
  return S_OK;
}

HRESULT KuvEeOp::copyChildrenRefs(KuvInTraceClass& channel, KuvInLinkList& list,
                                  void (*fill)(const KuvEeOp& self, KuvInLinkList& list)) const {
  return kuv::detail::unlessOutOfMemory(
      channel,
      [&] {
        KUV_TRACE_CALL_ON(channel, "getChildrenRefs");
        if (!list.IsTypeAccepted(KuvEeNodeRef::sType()))
          KUV_RETURN_ERROR_ON(channel, E_INVALIDARG, "ERROR: bad list type");
        fill(*this, list);
        return S_OK;
      },
      kuv::detail::emptying(list));
}

HRESULT KuvEeOp::prepareAdoption(const KuvEeNode* node) {
  const HRESULT hr = checkAdoption(node);
  if (FAILED(hr)) return hr;
  leaveHolder(node->m_nodeRef);
  return S_OK;
}

void KuvEeOp::leaveHolder(KuvEeNodeRef* ref) {
  if (ref->m_holder != nullptr) ref->m_holder->forgetChild(ref);
}

void KuvEeOp::destroySubtrees(std::vector<KuvEeNodeRef*>& refs) noexcept {
  while (!refs.empty()) {
    KuvEeNodeRef* ref = refs.back();
    refs.pop_back();
    // Taking the grandchildren first leaves the node childless, so deleting
    // it recurses no further. Without room for them, the node keeps them
    // and its own deletion takes care of them.
    if (ref->m_node != nullptr) {
      if (KuvEeOp* op = KuvEeOp::cast(*ref->m_node)) {
        try {
          op->releaseChildrenInto(refs);
        } catch (const std::bad_alloc&) {
        }
      }
    }
    delete ref;
  }
}

void KuvEeOp::destroyChildren() noexcept {
  std::vector<KuvEeNodeRef*> refs;
  try {
    releaseChildrenInto(refs);
  } catch (const std::bad_alloc&) {
    deleteEachChild();
    return;
  }
  destroySubtrees(refs);
}

void KuvEeOp::releaseChildrenInto(std::vector<KuvEeNodeRef*>& refs) {
  if (KuvEeGroupOp* group = KuvEeGroupOp::cast(*this))
    group->moveChildrenTo(refs);
  else if (KuvEeSingleOp* single = KuvEeSingleOp::cast(*this))
    single->moveChildTo(refs);
}

void KuvEeOp::makeRoom(std::vector<KuvEeNodeRef*>& refs, std::size_t more) {
  const std::size_t needed = refs.size() + more;
  if (needed > refs.capacity()) refs.reserve(std::max(needed, 2 * refs.capacity()));
}

void KuvEeOp::deleteEachChild() noexcept {
  if (KuvEeGroupOp* group = KuvEeGroupOp::cast(*this)) {
    for (KuvInLinkList::iterator it = group->m_children.Begin(); it.IsValid(); it.Next()) {
      auto* ref = static_cast<KuvEeNodeRef*>(it.Get());
      ref->m_holder = nullptr;
      delete ref;
    }
    group->m_children.Clear();
  } else if (KuvEeSingleOp* single = KuvEeSingleOp::cast(*this)) {
    if (single->m_childRef == nullptr) return;
    single->m_childRef->m_holder = nullptr;
    delete std::exchange(single->m_childRef, nullptr);
  }
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
