#include "KuvEeNodeGroupContext.h"

#include <memory>
#include <new>
#include <unordered_set>

#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeNotOp.h"
#include "KuvEeTransformDepth.h"
#include "KuvInIntHolder.h"
#include "KuvInLinkList.h"
#include "KuvInSetVal.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeGroupContext, KuvInObject)
KUV_DEFINE_TYPE_NAMED(KuvEeNodeGroupContext::GroupedNodes, KuvEeNodeVisitor,
                      "KuvEeNodeGroupContext::GroupedNodes")
template class KuvEeNodeDispatcher<KuvEeNodeGroupContext::GroupedNodes>;

namespace {

constexpr const char* kGroupEffName = "Internal KuvEeNodeGroupContext Eff";

}  // namespace

KuvEeNodeGroupContext::GroupedNodes::GroupedNodes(const KuvEeNodeGroupContext& context)
    : m_context(context),
      m_effByLeaf(KuvInObjectPtr::sType(), KuvEeGroupNodeEff::sType()),
      m_leavesByEff(KuvInObjectPtr::sType(), KuvInSet::sType()) {}

KuvEeNodeGroupContext::GroupedNodes::~GroupedNodes() { clear(); }

void KuvEeNodeGroupContext::GroupedNodes::clear() {
  m_effByLeaf.Clear();
  // The leaf sets are this visitor's own.
  m_leavesByEff.DeleteAll();
  m_order.clear();
}

HRESULT KuvEeNodeGroupContext::GroupedNodes::map(const KuvEeNodeRef& root) {
  KUV_TRACE_CALL("map");
  clear();
  if (root.getNode() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  // Every walk of the context and of the maker maps first: this bounds
  // their recursion.
  if (kuv::detail::isTreeTooDeep(root.getNode())) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  return root.getNode()->acceptVisitor(*this);
}

HRESULT KuvEeNodeGroupContext::GroupedNodes::visitLeaf(KuvEeNodeLeaf& node, NodeKind kind) {
  if (kind != NodeKind::EffLeaf) return S_OK;
  KuvEeGroupNodeEff* eff = m_context.groupOf(&node);
  return eff != nullptr ? add(static_cast<KuvEeEffLeaf&>(node), *eff) : S_OK;
}

KuvEeGroupNodeEff* KuvEeNodeGroupContext::GroupedNodes::getGroupEff(const KuvEeNode& leaf) const {
  return static_cast<KuvEeGroupNodeEff*>(m_effByLeaf.Get(KuvInObjectPtr(const_cast<KuvEeNode*>(&leaf))));
}

KuvInSet* KuvEeNodeGroupContext::GroupedNodes::getLeaves(const KuvEeGroupNodeEff& eff) const {
  return static_cast<KuvInSet*>(m_leavesByEff.Get(KuvInObjectPtr(const_cast<KuvEeGroupNodeEff*>(&eff))));
}

HRESULT KuvEeNodeGroupContext::GroupedNodes::getLeavesInOrder(KuvInLinkList& leaves) const {
  leaves.Clear();
  // A leaf freed after the walk may share its address with one added later.
  std::unordered_set<const KuvEeEffLeaf*> listed;
  for (KuvEeEffLeaf* leaf : m_order) {
    if (getGroupEff(*leaf) == nullptr || !listed.insert(leaf).second) continue;
    if (FAILED(leaves.PutBack(leaf))) KUV_RETURN_ERROR(E_FAIL, "ERROR: put failed");
  }
  return S_OK;
}

HRESULT KuvEeNodeGroupContext::GroupedNodes::add(KuvEeEffLeaf& leaf, KuvEeGroupNodeEff& eff) {
  const KuvInObjectPtr effKey(&eff);
  KuvInSet* leaves = getLeaves(eff);
  if (leaves == nullptr) {
    auto owned = std::make_unique<KuvInSet>(KuvEeEffLeaf::sType());
    if (FAILED(m_leavesByEff.Put(effKey, owned.get()))) KUV_RETURN_ERROR(E_FAIL, "ERROR: map.put failed");
    leaves = owned.release();
  }
  if (FAILED(m_effByLeaf.Put(KuvInObjectPtr(&leaf), &eff)) || !leaves->Put(&leaf))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: map.put failed");
  m_order.push_back(&leaf);
  return S_OK;
}

void KuvEeNodeGroupContext::GroupedNodes::forget(KuvEeEffLeaf& leaf, KuvEeGroupNodeEff& eff) {
  m_effByLeaf.Remove(KuvInObjectPtr(&leaf));
  KuvInSet* leaves = getLeaves(eff);
  if (leaves == nullptr) return;
  leaves->Remove(&leaf);
  if (leaves->IsEmpty()) m_leavesByEff.Delete(KuvInObjectPtr(&eff));
}

KuvEeNodeGroupContext::KuvEeNodeGroupContext(KuvEeNodeRef& root)
    : m_root(root),
      m_subtrees(KuvInObjectPtr::sType(), KuvEeNodeRef::sType()),
      m_types(KuvInObjectPtr::sType(), KuvInSetVal::sType()),
      m_effs(KuvEeGroupNodeEff::sType()) {}

KuvEeNodeGroupContext::~KuvEeNodeGroupContext() {
  m_subtrees.DeleteAll();
  m_effs.DeleteAll();
}

KuvEeGroupNodeEff* KuvEeNodeGroupContext::groupOf(const KuvEeNode* node) const {
  const KuvEeEffLeaf* leaf = node != nullptr ? KuvEeEffLeaf::cast(*node) : nullptr;
  KuvEeEffectivity* target = leaf != nullptr ? leaf->getTargetEff() : nullptr;
  if (target == nullptr || !m_effs.Find(target)) return nullptr;
  return static_cast<KuvEeGroupNodeEff*>(target);
}

bool KuvEeNodeGroupContext::isAGroup(const KuvEeNodeRef& ref) const {
  return groupOf(ref.getNode()) != nullptr;
}

HRESULT KuvEeNodeGroupContext::getGroupNodes(KuvInSet& nodes) const {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        KUV_TRACE_CALL("getGroupNodes");
        if (!nodes.IsTypeAccepted(KuvEeNodeRef::sType())) KUV_RETURN_ERROR(E_FAIL, "ERROR: badCastError");
        GroupedNodes groups(*this);
        KuvInLinkList leaves(KuvEeEffLeaf::sType());
        if (FAILED(groups.map(m_root)) || FAILED(groups.getLeavesInOrder(leaves)))
          KUV_RETURN_ERROR(E_FAIL, "ERROR: GroupedNodes failed");
        nodes.Clear();
        for (auto it = leaves.cBegin(); it.IsValid(); it.Next())
          nodes.Put(static_cast<KuvEeEffLeaf*>(it.Get())->getNodeRef());
        return S_OK;
      },
      kuv::detail::emptying(nodes));
}

HRESULT KuvEeNodeGroupContext::getGroupNodeType(const KuvEeNodeRef& ref, KuvInSetVal& indices) const {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        KUV_TRACE_CALL("getGroupNodeType");
        KuvEeGroupNodeEff* eff = groupOf(ref.getNode());
        const KuvInObjectVal* type = eff != nullptr ? m_types.Get(KuvInObjectPtr(eff)) : nullptr;
        if (type == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
        if (!indices.IsTypeAccepted(KuvInIntHolder::sType())) KUV_RETURN_ERROR(E_FAIL, "ERROR: badCastError");
        indices.Clear();
        return indices.PutSet(*KuvInSetVal::cast(*type));
      },
      kuv::detail::emptying(indices));
}

HRESULT KuvEeNodeGroupContext::getAssociatedNode(const KuvEeNodeRef& ref, KuvEeNodeRef*& subtree) const {
  KUV_TRACE_CALL("getAssociatedNode");
  KuvEeGroupNodeEff* eff = groupOf(ref.getNode());
  subtree = eff != nullptr ? static_cast<KuvEeNodeRef*>(m_subtrees.Get(KuvInObjectPtr(eff))) : nullptr;
  if (subtree == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  return S_OK;
}

HRESULT KuvEeNodeGroupContext::groupNode(KuvEeNodeRef& ref, const KuvInSetVal& indices,
                                         KuvEeEffLeaf** leafOut) {
  KUV_TRACE_CALL("groupNode");
  KuvEeNode* node = ref.getNode();
  if (node == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (groupOf(node) != nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: we can't group a node that has already been grouped");
  auto eff = std::make_unique<KuvEeGroupNodeEff>(kGroupEffName, nullptr);
  auto* leaf = new KuvEeEffLeaf(eff.get());
  // The leaf's own reference will hold the subtree once the two switch.
  std::unique_ptr<KuvEeNodeRef> holder(leaf->getNodeRef());
  const KuvInObjectPtr key(eff.get());
  // All or nothing: the holder and eff delete what a failed step leaves
  // here, so nothing may still point at it.
  const auto forget = [&] {
    m_subtrees.Remove(key);
    m_types.Remove(key);
    m_effs.Remove(eff.get());
  };
  try {
    if (FAILED(m_subtrees.Put(key, holder.get())) || FAILED(m_types.Put(key, indices)) ||
        !m_effs.Put(eff.get())) {
      forget();
      KUV_RETURN_ERROR(E_FAIL, "ERROR: map.put failed");
    }
  } catch (const std::bad_alloc&) {
    forget();
    throw;
  }
  node->switchWith(leaf);
  holder.release();
  eff.release();
  if (leafOut != nullptr) *leafOut = leaf;
  return S_OK;
}

HRESULT KuvEeNodeGroupContext::ungroupLeaf(KuvEeNode& node, GroupedNodes& groups) {
  KUV_TRACE_CALL("ungroupLeaf");
  KuvEeGroupNodeEff* eff = groups.getGroupEff(node);
  auto* stored =
      eff != nullptr ? static_cast<KuvEeNodeRef*>(m_subtrees.Get(KuvInObjectPtr(eff))) : nullptr;
  if (stored == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  auto& leaf = static_cast<KuvEeEffLeaf&>(node);
  const bool isLast = groups.getLeaves(*eff)->GetLength() == 1;
  // Only the negation flag counts: a leaf merged with its own negation
  // (always true or always false) still becomes its subtree.
  // Made first: once the last leaf has taken the subtree, nothing may fail.
  std::unique_ptr<KuvEeNodeRef> negation(leaf.isNegated() ? (new KuvEeNotOp(0))->getNodeRef() : nullptr);
  // The last leaf takes the subtree itself rather than a copy of it.
  std::unique_ptr<KuvEeNodeRef> copy(isLast ? stored : stored->getNode()->clone());
  if (copy == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (isLast) m_subtrees.Remove(KuvInObjectPtr(eff));
  if (negation != nullptr) {
    static_cast<KuvEeNotOp*>(negation->getNode())->setChildRef(copy.release());
    copy = std::move(negation);
  }
  groups.forget(leaf, *eff);
  leaf.switchWith(copy->getNode());
  // copy's reference holds the leaf now.
  copy.reset();
  return groups.getLeaves(*eff) == nullptr ? dropGroup(*eff) : S_OK;
}

HRESULT KuvEeNodeGroupContext::dropGroup(KuvEeGroupNodeEff& eff) {
  const KuvInObjectPtr key(&eff);
  auto* stored = static_cast<KuvEeNodeRef*>(m_subtrees.Get(key));
  if (FAILED(m_subtrees.Remove(key))) KUV_RETURN_ERROR(E_FAIL, "ERROR: map.Remove failed");
  if (FAILED(m_types.Remove(key))) KUV_RETURN_ERROR(E_FAIL, "ERROR: mapVal.Remove failed");
  m_effs.Remove(&eff);
  delete stored;
  delete &eff;
  return S_OK;
}

HRESULT KuvEeNodeGroupContext::ungroupLeaves(const std::vector<KuvEeNode*>& leaves, GroupedNodes& groups) {
  for (KuvEeNode* leaf : leaves) {
    if (leaf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    const HRESULT hr = ungroupLeaf(*leaf, groups);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT KuvEeNodeGroupContext::ungroupNodes(const KuvInLinkList& refs) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KUV_TRACE_CALL("ungroupNodes");
    std::vector<KuvEeNode*> leaves;
    for (auto it = refs.cBegin(); it.IsValid(); it.Next()) {
      const KuvEeNodeRef* ref = it.Get() != nullptr ? KuvEeNodeRef::cast(*it.Get()) : nullptr;
      leaves.push_back(ref != nullptr ? ref->getNode() : nullptr);
    }
    GroupedNodes groups(*this);
    const HRESULT hr = groups.map(m_root);
    if (FAILED(hr)) return hr;
    return ungroupLeaves(leaves, groups);
  });
}

HRESULT KuvEeNodeGroupContext::ungroupNode(KuvEeNodeRef& ref) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KuvInLinkList refs(KuvEeNodeRef::sType());
    refs.PutBack(&ref);
    return ungroupNodes(refs);
  });
}

HRESULT KuvEeNodeGroupContext::ungroupAll() {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KUV_TRACE_CALL("ungroupAll");
    GroupedNodes groups(*this);
    KuvInLinkList found(KuvEeEffLeaf::sType());
    HRESULT hr = groups.map(m_root);
    if (FAILED(hr) || FAILED(hr = groups.getLeavesInOrder(found))) return hr;
    std::vector<KuvEeNode*> leaves;
    for (auto it = found.cBegin(); it.IsValid(); it.Next())
      leaves.push_back(static_cast<KuvEeNode*>(it.Get()));
    hr = dropUnreferencedGroups(groups);
    return FAILED(hr) ? hr : ungroupLeaves(leaves, groups);
  });
}

HRESULT KuvEeNodeGroupContext::dropUnreferencedGroups(const GroupedNodes& groups,
                                                      const KuvInSetVal* selected) {
  std::vector<KuvEeGroupNodeEff*> unreferenced;
  for (KuvInSet::const_iterator it = m_effs.cBegin(); it.IsValid();) {
    auto* eff = static_cast<KuvEeGroupNodeEff*>(it.GetGoToNext());
    if (groups.getLeaves(*eff) != nullptr) continue;
    const KuvInObjectVal* indices = m_types.Get(KuvInObjectPtr(eff));
    if (selected == nullptr || (indices != nullptr && KuvInSetVal::cast(*indices)->IsIncludedIn(*selected)))
      unreferenced.push_back(eff);
  }
  for (KuvEeGroupNodeEff* eff : unreferenced) {
    const HRESULT hr = dropGroup(*eff);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}
