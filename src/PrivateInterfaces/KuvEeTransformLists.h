// Working lists and steps of the tree transformers (internal): the children
// of a group node taken out of it, each owned by its reference, so that
// every failure path frees or re-attaches them and nothing leaks; the
// merging of leaves; the collapsing of group nodes.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "KuvEeGroupOp.h"
#include "KuvEeNodeLeaf.h"
#include "KuvEeTransformEntry.h"
#include "KuvOutOfMemory.h"

class KuvEeAndOp;

namespace kuv::detail {

using OwnedNode = std::unique_ptr<KuvEeNodeRef>;
using NodeList = std::vector<OwnedNode>;

// Children given up on this thread because memory ran out; a transform
// entry that sees the count grow during its walk fails with E_OUTOFMEMORY.
std::uint64_t& droppedForMemory();

// The children of a group node, taken out for merging. Whatever is still
// held when the lists go is given back to the node, leaves first, so a
// failure leaves the tree whole.
class DetachedChildren {
public:
  // Takes every child of group out: those that isLeaf accepts into leaves,
  // the others into others, each list in the children's order.
  template <class IsLeaf>
  DetachedChildren(KuvEeGroupOp& group, IsLeaf isLeaf) : m_group(group) {
    KuvInLinkList refs(KuvEeNodeRef::sType());
    kuv::detail::throwIfOutOfMemory(group.getChildrenRefs(refs));
    // Room first: once out of the node, no child may be lost to a failing
    // allocation.
    std::size_t leafCount = 0;
    for (auto it = refs.cBegin(); it.IsValid(); it.Next())
      leafCount += isLeaf(static_cast<KuvEeNodeRef*>(it.Get())->getNode()) ? 1 : 0;
    leaves.reserve(leafCount);
    others.reserve(static_cast<std::size_t>(refs.GetLength()) - leafCount);
    group.removeChildren();
    for (auto it = refs.cBegin(); it.IsValid(); it.Next()) {
      auto* ref = static_cast<KuvEeNodeRef*>(it.Get());
      (isLeaf(ref->getNode()) ? leaves : others).emplace_back(ref);
    }
  }
  // Out of memory, a child that cannot be given back is deleted with its
  // list and counted in droppedForMemory: the tree stays whole in
  // structure, not in meaning, and its transform fails.
  ~DetachedChildren() {
    for (NodeList* list : {&leaves, &others})
      for (OwnedNode& ref : *list) try {
          if (ref != nullptr && SUCCEEDED(kuv::detail::throwIfOutOfMemory(m_group.addChild(ref->getNode()))))
            ref.release();
        } catch (const std::bad_alloc&) {
          ++droppedForMemory();
        }
  }
  DetachedChildren(const DetachedChildren&) = delete;
  DetachedChildren& operator=(const DetachedChildren&) = delete;

  NodeList leaves;
  NodeList others;

private:
  KuvEeGroupOp& m_group;
};

// Merges the leaves pairwise: each leaf, from the front, with the first
// later one that combines with it (opAnd when isAnd, else opOr); both go and
// the result joins the end of the leaves, to be tried again, when
// isMergeable accepts it. Otherwise it joins the end of others (composite is
// then set), or without others the end of the leaves, where it is no longer
// tried. Only pairs that can combine are tried (leaves on one criterion,
// restrictions with variable leaves and with each other, constants with
// anything), in list order, so the result is that of trying every later
// leaf. A failing operator gives its code, the lists as far as they got.
HRESULT mergeLeaves(NodeList& leaves, NodeList* others, bool isAnd, bool (*isMergeable)(const KuvEeNode*),
                    bool& composite);

// The criterion of a leaf of the library's own criterion kinds (a variable
// effectivity or effectivity leaf, not a derived class, which may combine
// otherwise), which combines only with leaves on the same criterion; null
// for any other node and for such a leaf without a criterion.
const KuvInObject* criterionOfOwnLeaf(const KuvEeNode& node);

// Whether normalization leaves an And as it is: two or more children, all
// leaves of the library's own criterion kinds, on distinct criteria, none
// equivalent to True or False, so that nothing folds, merges or moves.
bool isNormalTerm(const KuvEeGroupOp& andOp);

// appendSameNodes, removeWeakNodes, then becomeIfNoOrSingleChild (or, with
// noChildRule false, becomeIfSingleChild) and, when neither applied,
// becomeIfHasStrongNode. The node may be replaced: continue from its
// reference.
inline void collapse(KuvEeGroupOp& group, bool noChildRule) {
  group.appendSameNodes();
  group.removeWeakNodes(KuvEeGroupOp::MAKETF_ASK_LEAVES);
  if (!(noChildRule ? group.becomeIfNoOrSingleChild() : group.becomeIfSingleChild()))
    group.becomeIfHasStrongNode(KuvEeGroupOp::MAKETF_ASK_LEAVES);
}

// The steps with which the normalizer and the developer (visitor) begin on
// an And or Or, node held by ref: collapse it, transform its children (a
// failure is traced on channel, where the call was made, and returned),
// collapse it again. A node that is no longer of its kind is transformed
// anew in its place: after the first collapse for both kinds, after the
// second for an And. andOp is the And still there when the node was one,
// null otherwise.
HRESULT collapseAndWalk(KuvEeGroupOp& node, KuvEeNodeRef& ref, bool isAnd, KuvEeNodeVisitor& visitor,
                        KuvInTraceClass& channel, KuvEeAndOp*& andOp,
                        SourcePoint where = SourcePoint::current());

}  // namespace kuv::detail
