// KuvEeNodeNormalizer: the visitor that prepares a tree for the disjunctive
// normal form, in place: flattening and absorption as the simplifier does
// (an And of Trues becomes True, an Or of Falses False), merging of leaves
// under And only, and development (KuvEeNodeDeveloper) of an And whose
// merged leaves gave a composite node, which is then normalized again.
//
//     KuvEeNodeNormalizer normalizer;
//     if (FAILED(normalizer.normalize(*root))) ...   // root may hold a new node
//
// With call tracing on, the tree's text is traced before ("Normalize:") and
// after ("...Normalized:"). Trees deeper than 2000 levels are refused
// before any change ("ERROR: expression too deep"). When memory runs out it
// answers E_OUTOFMEMORY, as the developer does: discard the tree.
#pragma once

#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"

class KUV_API KuvEeNodeNormalizer : public KuvEeNodeDispatcher<KuvEeNodeNormalizer> {
  KUV_DECLARE_TYPE(KuvEeNodeNormalizer)

public:
  KuvEeNodeNormalizer() = default;
  ~KuvEeNodeNormalizer() override;

  // Normalizes the tree held by ref; the root may be replaced.
  HRESULT normalize(KuvEeNodeRef& ref);

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeNormalizer>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
};
