#include "KuvEeNodeGroupMaker.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "KuvEeEffectivity.h"
#include "KuvEeNodeClassifier.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeNodeGroupContext.h"
#include "KuvInIntHolder.h"
#include "KuvInLinkList.h"
#include "KuvInMapVal.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeGroupMaker, KuvInObject)

// Records, bottom-up, the nodes to group with their sets of indices: a leaf
// of selected families, or an operator of selected families that the mode
// lets replace its children as one group.
class KuvEeNodeGroupMakerVisitor_groupIdentifier
    : public KuvEeNodeDispatcher<KuvEeNodeGroupMakerVisitor_groupIdentifier> {
  KUV_DECLARE_TYPE(KuvEeNodeGroupMakerVisitor_groupIdentifier)

public:
  struct Recorded {
    KuvEeNode* node;
    const KuvInSetVal* indices;
    bool kept;
  };

  KuvEeNodeGroupMakerVisitor_groupIdentifier(const KuvEeNodeGroupMaker& maker, const KuvInMapVal& sets,
                                             const KuvInSet& groupLeaves)
      : m_maker(maker), m_sets(sets), m_groupLeaves(groupLeaves) {}

  // In the order they were recorded; those a parent replaced are not kept.
  const std::vector<Recorded>& recorded() const { return m_recorded; }

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeGroupMakerVisitor_groupIdentifier>;

  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind) { return visitOperator(node, kind); }
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind) { return visitOperator(node, kind); }
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
  HRESULT visitOperator(KuvEeOp& node, NodeKind kind);

  const KuvInSetVal* setOf(const KuvEeNode& node) const {
    const KuvInObjectVal* set = m_sets.Get(KuvInObjectPtr(const_cast<KuvEeNode*>(&node)));
    return set != nullptr ? KuvInSetVal::cast(*set) : nullptr;
  }
  bool isSelected(const KuvInSetVal& indices) const {
    return indices.IsIncludedIn(m_maker.getSelectedClassificationIndexes());
  }
  void record(KuvEeNode& node, const KuvInSetVal& indices, const char* caption);

  const KuvEeNodeGroupMaker& m_maker;
  const KuvInMapVal& m_sets;
  const KuvInSet& m_groupLeaves;
  std::vector<Recorded> m_recorded;
  // Where each node still kept stands in m_recorded.
  std::unordered_map<const KuvEeNode*, std::size_t> m_kept;
};

KUV_DEFINE_TYPE(KuvEeNodeGroupMakerVisitor_groupIdentifier, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeGroupMakerVisitor_groupIdentifier>;

void KuvEeNodeGroupMakerVisitor_groupIdentifier::record(KuvEeNode& node, const KuvInSetVal& indices,
                                                        const char* caption) {
  KUV_TRACE_DETAIL(caption, node.toString());
  m_kept[&node] = m_recorded.size();
  m_recorded.push_back({&node, &indices, true});
}

HRESULT KuvEeNodeGroupMakerVisitor_groupIdentifier::visitLeaf(KuvEeNodeLeaf& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  const KuvInSetVal* indices = setOf(node);
  if (indices == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (isSelected(*indices) && !m_groupLeaves.Find(node.getNodeRef()))
    record(node, *indices, "Current node will be grouped:");
  return S_OK;
}

HRESULT KuvEeNodeGroupMakerVisitor_groupIdentifier::visitOperator(KuvEeOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (FAILED(node.childrenAcceptVisitor(*this)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: childrenAcceptVisitor failed");
  const KuvInSetVal* indices = setOf(node);
  if (indices == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (!isSelected(*indices)) return S_OK;
  KuvInLinkList children(KuvEeNodeRef::sType());
  kuv::detail::throwIfOutOfMemory(node.getChildrenRefs(children));
  const KuvEeNodeGroupMaker::GROUP_MODE mode = m_maker.getGroupMode();
  if (mode != KuvEeNodeGroupMaker::GROUP_ANY) {
    for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
      auto found = m_kept.find(static_cast<KuvEeNodeRef*>(it.Get())->getNode());
      if (found == m_kept.end()) return S_OK;
      const KuvInSetVal& childIndices = *m_recorded[found->second].indices;
      if (mode == KuvEeNodeGroupMaker::GROUP_INCLUDED ? !childIndices.IsIncludedIn(*indices)
                                                      : childIndices != *indices)
        return S_OK;
    }
  }
  for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
    KuvEeNode* child = static_cast<KuvEeNodeRef*>(it.Get())->getNode();
    auto found = m_kept.find(child);
    if (found == m_kept.end()) continue;
    KUV_TRACE_DETAIL("Remove following child node from group classification:", child->toString());
    m_recorded[found->second].kept = false;
    m_kept.erase(found);
  }
  record(node, *indices, "Add current node in group classification:");
  return S_OK;
}

// Bottom-up, puts the group leaves of one selected set among the children
// of an And or an Or under one new group.
class KuvEeNodeGroupMakerVisitor_similarGroupMerger
    : public KuvEeNodeDispatcher<KuvEeNodeGroupMakerVisitor_similarGroupMerger> {
  KUV_DECLARE_TYPE(KuvEeNodeGroupMakerVisitor_similarGroupMerger)

public:
  KuvEeNodeGroupMakerVisitor_similarGroupMerger(const KuvEeNodeGroupMaker& maker,
                                                KuvEeNodeGroupContext& context,
                                                KuvEeNodeGroupContext::GroupedNodes& groups)
      : m_maker(maker), m_context(context), m_groups(groups) {}

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeGroupMakerVisitor_similarGroupMerger>;

  // The group leaves among the children that share one set of indices.
  struct Family {
    explicit Family(const KuvInSetVal& set) : indices(set) {}
    KuvInSetVal indices;
    std::vector<KuvEeNode*> leaves;
  };

  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT merge(KuvEeGroupOp& node, Family& family);

  const KuvEeNodeGroupMaker& m_maker;
  KuvEeNodeGroupContext& m_context;
  KuvEeNodeGroupContext::GroupedNodes& m_groups;
};

KUV_DEFINE_TYPE(KuvEeNodeGroupMakerVisitor_similarGroupMerger, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeGroupMakerVisitor_similarGroupMerger>;

HRESULT KuvEeNodeGroupMakerVisitor_similarGroupMerger::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (FAILED(node.childrenAcceptVisitor(*this)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: childrenAcceptVisitor failed");
  KuvInLinkList children(KuvEeNodeRef::sType());
  kuv::detail::throwIfOutOfMemory(node.getChildrenRefs(children));
  // The sets are copied: a group goes with its last leaf.
  std::vector<std::unique_ptr<Family>> families;
  for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
    KuvEeNode* child = static_cast<KuvEeNodeRef*>(it.Get())->getNode();
    KuvEeGroupNodeEff* eff = m_context.groupOf(child);
    if (eff == nullptr) continue;
    const KuvInSetVal* indices = KuvInSetVal::cast(*m_context.m_types.Get(KuvInObjectPtr(eff)));
    auto family = families.begin();
    while (family != families.end() && (*family)->indices != *indices) ++family;
    if (family == families.end()) family = families.insert(family, std::make_unique<Family>(*indices));
    (*family)->leaves.push_back(child);
  }
  for (const std::unique_ptr<Family>& family : families) {
    if (family->leaves.size() < 2 ||
        !family->indices.IsIncludedIn(m_maker.getSelectedClassificationIndexes()))
      continue;
    const HRESULT hr = merge(node, *family);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT KuvEeNodeGroupMakerVisitor_similarGroupMerger::merge(KuvEeGroupOp& node, Family& family) {
  KuvEeGroupOp* merged = nullptr;
  if (KuvEeAndOp::isObjectOfThisType(node))
    merged = new KuvEeAndOp;
  else if (KuvEeOrOp::isObjectOfThisType(node))
    merged = new KuvEeOrOp;
  else
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected case");
  std::unique_ptr<KuvEeNodeRef> holder(merged->getNodeRef());
  for (KuvEeNode* leaf : family.leaves) {
    // The leaf's reference holds its copy afterwards.
    KuvEeNodeRef* ref = leaf->getNodeRef();
    const HRESULT hr = m_context.ungroupLeaf(*leaf, m_groups);
    if (FAILED(hr)) return hr;
    kuv::detail::throwIfOutOfMemory(merged->addChild(ref->getNode()));
  }
  if (FAILED(kuv::detail::throwIfOutOfMemory(node.addChild(holder->getNode()))))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: addChild failed");
  holder.release();
  KuvEeEffLeaf* groupLeaf = nullptr;
  HRESULT hr = m_context.groupNode(*merged->getNodeRef(), family.indices, &groupLeaf);
  if (FAILED(hr)) return hr;
  return m_groups.add(*groupLeaf, *m_context.groupOf(groupLeaf));
}

KuvEeNodeGroupMaker::KuvEeNodeGroupMaker(KuvEeNodeClassifier& classifier, GROUP_MODE mode)
    : m_classifier(classifier), m_selected(KuvInIntHolder::sType()), m_mode(mode) {}

KuvEeNodeGroupMaker::~KuvEeNodeGroupMaker() = default;

bool KuvEeNodeGroupMaker::selectClassificationIndex(const KuvInIntHolder& index) {
  return m_selected.Put(index);
}

bool KuvEeNodeGroupMaker::unSelectClassificationIndex(const KuvInIntHolder& index) {
  return m_selected.Remove(index);
}

HRESULT KuvEeNodeGroupMaker::selectClassificationIndexes(const KuvInSetVal& indices) {
  return m_selected.PutSet(indices);
}

HRESULT KuvEeNodeGroupMaker::unSelectClassificationIndexes(const KuvInSetVal& indices) {
  return m_selected.RemoveSet(indices);
}

void KuvEeNodeGroupMaker::clearClassificationIndex() { m_selected.Clear(); }

HRESULT KuvEeNodeGroupMaker::groupNode(KuvEeNodeGroupContext& context) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KUV_TRACE_CALL("groupNode");
    KuvEeNodeRef& root = context.getNodeRef();
    KuvInMapVal sets(KuvInObjectPtr::sType(), KuvInSetVal::sType());
    HRESULT hr = m_classifier.getClassificationIndex(root, sets);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: getClassificationIndex failed");
    KuvInSet groupLeaves(KuvEeNodeRef::sType());
    hr = context.getGroupNodes(groupLeaves);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: getGroupNodes failed");
    KuvEeNodeGroupMakerVisitor_groupIdentifier identifier(*this, sets, groupLeaves);
    hr = root.getNode()->acceptVisitor(identifier);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: acceptVisitor failed");
    for (const auto& recorded : identifier.recorded()) {
      if (!recorded.kept) continue;
      hr = context.groupNode(*recorded.node->getNodeRef(), *recorded.indices);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: internalGroupeNode failed");
    }
    return S_OK;
  });
}

HRESULT KuvEeNodeGroupMaker::mergeSimilarChildren(KuvEeNodeGroupContext& context) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KUV_TRACE_CALL("mergeSimilarChildren");
    KuvEeNodeGroupContext::GroupedNodes groups(context);
    HRESULT hr = groups.map(context.getNodeRef());
    if (FAILED(hr)) return hr;
    KuvEeNodeGroupMakerVisitor_similarGroupMerger merger(*this, context, groups);
    hr = context.getNodeRef().getNode()->acceptVisitor(merger);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: acceptVisitor failed");
    return S_OK;
  });
}

HRESULT KuvEeNodeGroupMaker::ungroupNode(KuvEeNodeGroupContext& context) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KUV_TRACE_CALL("ungroupNode");
    KuvEeNodeGroupContext::GroupedNodes groups(context);
    KuvInLinkList found(KuvEeEffLeaf::sType());
    HRESULT hr = groups.map(context.getNodeRef());
    if (FAILED(hr) || FAILED(hr = groups.getLeavesInOrder(found))) return hr;
    std::vector<KuvEeNode*> leaves;
    for (auto it = found.cBegin(); it.IsValid(); it.Next()) {
      auto* leaf = static_cast<KuvEeNode*>(it.Get());
      const KuvInObjectVal* indices = context.m_types.Get(KuvInObjectPtr(context.groupOf(leaf)));
      if (KuvInSetVal::cast(*indices)->IsIncludedIn(m_selected)) leaves.push_back(leaf);
    }
    hr = context.dropUnreferencedGroups(groups, &m_selected);
    return FAILED(hr) ? hr : context.ungroupLeaves(leaves, groups);
  });
}
