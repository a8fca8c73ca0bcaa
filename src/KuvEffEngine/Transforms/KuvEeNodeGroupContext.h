// KuvEeNodeGroupContext: the groups of one tree while a transformation runs.
// A group is a subtree that the transformation must treat as one atom: it
// is moved out of the tree into the context and an effectivity leaf on a
// new group effectivity (KuvEeGroupNodeEff) stands in its place. The
// transformation may copy that leaf; ungrouping replaces every copy by its
// own copy of the subtree (the last one by the subtree itself), a negated
// copy by Not(copy).
//
//     KuvEeNodeGroupContext context(*root);
//     maker.groupNode(context);          // KuvEeNodeGroupMaker makes the groups
//     developer.develop(*root);
//     context.ungroupAll();
//
// Ownership: the tree stays the caller's (the context borrows its root
// reference, which must outlive it). The context owns the stored subtrees
// and the group effectivities; a group's subtree and effectivity are freed
// when its last leaf is ungrouped, the others with the context. Ungroup
// before the context goes: leaves left in the tree would refer to freed
// effectivities.
//
// Out of memory, the calls here and the maker's answer E_OUTOFMEMORY (an
// output set cleared). Every group leaf still in the tree keeps its group,
// so ungroupAll, once memory is back, gives a tree free of groups.
#pragma once

#include <vector>

#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"
#include "KuvInMap.h"
#include "KuvInMapVal.h"
#include "KuvInSet.h"

class KuvEeEffLeaf;
class KuvEeGroupNodeEff;
class KuvInLinkList;
class KuvInSetVal;

class KUV_API KuvEeNodeGroupContext : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeNodeGroupContext)

public:
  // The group leaves of a tree, found in one walk: each leaf (a KuvEeEffLeaf,
  // keyed as KuvInObjectPtr) to its group effectivity, and each group
  // effectivity to the KuvInSet of its leaves (owned by the visitor).
  class KUV_API GroupedNodes : public KuvEeNodeDispatcher<GroupedNodes> {
    KUV_DECLARE_TYPE(GroupedNodes)

  public:
    explicit GroupedNodes(const KuvEeNodeGroupContext& context);
    ~GroupedNodes() override;
    GroupedNodes(const GroupedNodes&) = delete;
    GroupedNodes& operator=(const GroupedNodes&) = delete;

    // Forgets the previous walk, then walks the tree under root.
    HRESULT map(const KuvEeNodeRef& root);
    // The group effectivity of leaf; null when leaf is no group leaf of the
    // tree walked.
    KuvEeGroupNodeEff* getGroupEff(const KuvEeNode& leaf) const;
    // The leaves on eff (element type KuvEeEffLeaf); null when none.
    KuvInSet* getLeaves(const KuvEeGroupNodeEff& eff) const;
    // leaves = the group leaves still known, in the order of the walk,
    // those added after it last (element type KuvEeEffLeaf).
    HRESULT getLeavesInOrder(KuvInLinkList& leaves) const;

    // Records a leaf put into the tree after the walk.
    HRESULT add(KuvEeEffLeaf& leaf, KuvEeGroupNodeEff& eff);
    // Forgets a leaf taken out of the tree; eff's set goes with its last leaf.
    void forget(KuvEeEffLeaf& leaf, KuvEeGroupNodeEff& eff);

  private:
    friend class KuvEeNodeDispatcher<GroupedNodes>;
    HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
    void clear();

    const KuvEeNodeGroupContext& m_context;
    KuvInMap m_effByLeaf;
    KuvInMap m_leavesByEff;
    std::vector<KuvEeEffLeaf*> m_order;
  };

  // root: the reference holding the tree, borrowed.
  explicit KuvEeNodeGroupContext(KuvEeNodeRef& root);
  ~KuvEeNodeGroupContext() override;
  KuvEeNodeGroupContext(const KuvEeNodeGroupContext&) = delete;
  KuvEeNodeGroupContext& operator=(const KuvEeNodeGroupContext&) = delete;

  KuvEeNodeRef& getNodeRef() const { return m_root; }

  // The node is an effectivity leaf on one of this context's groups.
  bool isAGroup(const KuvEeNodeRef& ref) const;
  // nodes = the references of the group leaves of the tree (element type
  // KuvEeNodeRef); E_FAIL when the set refuses them.
  HRESULT getGroupNodes(KuvInSet& nodes) const;
  // indices = the classification indices of the group behind the leaf;
  // E_FAIL, untouched, for a node that is no group leaf.
  HRESULT getGroupNodeType(const KuvEeNodeRef& ref, KuvInSetVal& indices) const;
  // subtree = the stored subtree behind the leaf, still the context's; null
  // and E_FAIL for a node that is no group leaf.
  HRESULT getAssociatedNode(const KuvEeNodeRef& ref, KuvEeNodeRef*& subtree) const;
  // Some group is still stored.
  bool hasGroupedNodes() const { return !m_subtrees.IsEmpty(); }

  // Each group leaf of refs (element type KuvEeNodeRef), in order, becomes a
  // copy of its subtree. The tree is walked once, whatever the count.
  HRESULT ungroupNodes(const KuvInLinkList& refs);
  HRESULT ungroupNode(KuvEeNodeRef& ref);
  // Ungroups every group leaf; the groups whose leaves the transformation
  // dropped are freed too.
  HRESULT ungroupAll();

private:
  friend class KuvEeNodeGroupMaker;
  friend class KuvEeNodeGroupMakerVisitor_similarGroupMerger;
  friend struct KuvEeNodeGroupContextTestPeer;

  // The subtree held by ref moves into the context under a new group of
  // the given indices; a new group leaf takes its place. leaf = that leaf.
  HRESULT groupNode(KuvEeNodeRef& ref, const KuvInSetVal& indices, KuvEeEffLeaf** leaf = nullptr);
  // The leaf becomes a copy of its subtree, by the walk groups (kept up to
  // date); the group goes with its last leaf.
  HRESULT ungroupLeaf(KuvEeNode& leaf, GroupedNodes& groups);
  // The group of a group leaf; null for any other node.
  KuvEeGroupNodeEff* groupOf(const KuvEeNode* node) const;
  // Removes a group whose last leaf went and frees it.
  HRESULT dropGroup(KuvEeGroupNodeEff& eff);
  HRESULT ungroupLeaves(const std::vector<KuvEeNode*>& leaves, GroupedNodes& groups);
  // Frees the groups that no leaf of the tree walked by groups refers to
  // any more (a transformation may drop leaves), of the selected indices
  // only when selected is given.
  HRESULT dropUnreferencedGroups(const GroupedNodes& groups, const KuvInSetVal* selected = nullptr);

  KuvEeNodeRef& m_root;
  // Group effectivity (KuvInObjectPtr) to its subtree (KuvEeNodeRef, owned).
  KuvInMap m_subtrees;
  // Group effectivity (KuvInObjectPtr) to its indices (KuvInSetVal).
  KuvInMapVal m_types;
  // The group effectivities, owned.
  KuvInSet m_effs;
};
