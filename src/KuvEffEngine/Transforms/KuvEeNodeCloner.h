// KuvEeNodeCloner: the visitor that makes deep copies of trees; it does the
// work of KuvEeNode::clone.
//
// Each visit builds the copy of the node it is given (operators copy their
// children first, in order) and keeps it as the current result until a
// parent copy or clone() takes it. A failure anywhere deletes the partial
// copy, and a tree deeper than 2000 levels is refused ("ERROR: expression
// too deep") rather than copied. Criterion leaves are copied with what they
// own: a variable effectivity leaf with a copy of its effectivity, a
// restriction leaf with a clone of its restriction; an effectivity leaf
// refers to the same target.
//
//     KuvEeNodeCloner cloner;
//     KuvEeNodeRef* copy = cloner.clone(*root);  // null on failure
#pragma once

#include <memory>

#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"

class KUV_API KuvEeNodeCloner : public KuvEeNodeDispatcher<KuvEeNodeCloner> {
  KUV_DECLARE_TYPE(KuvEeNodeCloner)

public:
  KuvEeNodeCloner() = default;
  ~KuvEeNodeCloner() override;

  // A new reference owning a copy of the tree under ref; null on failure.
  // The caller owns it.
  KuvEeNodeRef* clone(const KuvEeNodeRef& ref);

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeCloner>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
  // The copy made by the last visit, owned until a parent or clone() takes
  // it.
  std::unique_ptr<KuvEeNodeRef> m_result;
};
