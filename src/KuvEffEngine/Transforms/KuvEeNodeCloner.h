// KuvEeNodeCloner: the visitor that makes deep copies of trees; it does the
// work of KuvEeNode::clone.
//
// Each visit builds the copy of the node it is given (operators copy their
// children first, in order) and keeps it as the current result until a
// parent copy or clone() takes it. A failure anywhere deletes the partial
// copy, and a tree deeper than the transformers' depth limit is refused
// ("ERROR: expression too deep") rather than copied. Criterion leaves are copied with what they own: a variable
// effectivity leaf with a copy of its effectivity, a restriction leaf with a
// clone of its restriction; an effectivity leaf refers to the same target.
//
//     KuvEeNodeCloner cloner;
//     KuvEeNodeRef* copy = cloner.clone(*root);  // null on failure
#pragma once

#include <memory>

#include "KuvEeNodeRef.h"
#include "KuvEeNodeVisitor.h"

class KuvEeGroupOp;
class KuvEeSingleOp;

class KUV_API KuvEeNodeCloner : public KuvEeNodeVisitor {
  KUV_DECLARE_TYPE(KuvEeNodeCloner)

public:
  KuvEeNodeCloner() = default;
  ~KuvEeNodeCloner() override;

  HRESULT visitFalse(KuvEeFalse& node) override;
  HRESULT visitTrue(KuvEeTrue& node) override;
  HRESULT visitAndOp(KuvEeAndOp& node) override;
  HRESULT visitOrOp(KuvEeOrOp& node) override;
  HRESULT visitNotDomainOp(KuvEeNotDomainOp& node) override;
  HRESULT visitNotOp(KuvEeNotOp& node) override;
  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override;
  HRESULT visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) override;

  // A new reference owning a copy of the tree under ref; null on failure.
  // The caller owns it.
  KuvEeNodeRef* clone(const KuvEeNodeRef& ref);

private:
  // Gives copy, a new empty operator of node's kind, the copies of node's
  // children and makes it the result.
  HRESULT cloneGroup(KuvEeGroupOp& node, std::unique_ptr<KuvEeNodeRef> copy);
  HRESULT cloneSingle(KuvEeSingleOp& node, std::unique_ptr<KuvEeNodeRef> copy);
  // The copy made by the last visit, owned until a parent or clone() takes
  // it.
  std::unique_ptr<KuvEeNodeRef> m_result;
};
