// Working lists of the tree transformers (internal): the children of a group
// node taken out of it, each owned by its reference, so that every failure
// path frees or re-attaches them and nothing leaks.
#pragma once

#include <memory>
#include <vector>

#include "KuvEeGroupOp.h"
#include "KuvEeNodeLeaf.h"

namespace kuv::detail {

using OwnedNode = std::unique_ptr<KuvEeNodeRef>;
using NodeList = std::vector<OwnedNode>;

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
    group.getChildrenRefs(refs);
    group.removeChildren();
    for (auto it = refs.cBegin(); it.IsValid(); it.Next()) {
      auto* ref = static_cast<KuvEeNodeRef*>(it.Get());
      (isLeaf(ref->getNode()) ? leaves : others).emplace_back(ref);
    }
  }
  ~DetachedChildren() {
    for (NodeList* list : {&leaves, &others})
      for (OwnedNode& ref : *list)
        if (ref != nullptr && SUCCEEDED(m_group.addChild(ref->getNode()))) ref.release();
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
// the result joins the end of the leaves when isMergeable accepts it, of
// others otherwise (composite is then set), to be tried again. A failing
// operator gives its code, the lists as far as they got.
template <class IsMergeable>
HRESULT mergeLeaves(NodeList& leaves, NodeList& others, bool isAnd, IsMergeable isMergeable, bool& composite) {
  std::size_t i = 0;
  while (i < leaves.size()) {
    bool merged = false;
    for (std::size_t j = i + 1; j < leaves.size() && !merged; ++j) {
      const auto* a = static_cast<const KuvEeNodeLeaf*>(leaves[i]->getNode());
      const auto* b = static_cast<const KuvEeNodeLeaf*>(leaves[j]->getNode());
      KuvEeNode* out = nullptr;
      HRESULT hr = isAnd ? a->opAnd(b, out) : a->opOr(b, out);
      if (FAILED(hr)) {
        if (out != nullptr) delete out->getNodeRef();
        return hr;
      }
      if (out == nullptr) continue;
      OwnedNode result(out->getNodeRef());
      leaves.erase(leaves.begin() + static_cast<std::ptrdiff_t>(j));
      leaves.erase(leaves.begin() + static_cast<std::ptrdiff_t>(i));
      if (isMergeable(out)) {
        leaves.push_back(std::move(result));
      } else {
        others.push_back(std::move(result));
        composite = true;
      }
      merged = true;
    }
    // After a merge the leaf that followed the first one is at i.
    if (!merged) ++i;
  }
  return S_OK;
}

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

}  // namespace kuv::detail
