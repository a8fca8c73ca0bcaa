// KuvEeNodeSimplifier: the visitor that cleans a tree in place. It flattens
// nested And/Or nodes, drops neutral children and collapses on absorbing
// ones, merges leaves that constrain the same criterion, folds leaves that
// are always true or always false, absorbs negations into leaves (Not over
// And/Or stays), and puts the negated children of an And/Or last.
//
//     KuvEeNodeSimplifier simplifier;
//     if (FAILED(simplifier.simplify(*root))) ...   // root may hold a new node
//
// An And whose children all are True (an Or whose children all are False)
// is refused with "ERROR: Incorrect case"; the normalizer folds those.
// Trees deeper than 2000 levels are refused before any change ("ERROR:
// expression too deep"); go through simplify rather than acceptVisitor for
// that check. When memory runs out it answers E_OUTOFMEMORY ("ERROR: out of
// memory"), never an exception; the tree can still be read and deleted but
// may have lost its meaning (discard it).
#pragma once

#include <cstdint>

#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"

class KUV_API KuvEeNodeSimplifier : public KuvEeNodeDispatcher<KuvEeNodeSimplifier> {
  KUV_DECLARE_TYPE(KuvEeNodeSimplifier)

public:
  enum GROUP_OP : std::int32_t { GROUP_AND = 1, GROUP_OR = 2 };

  KuvEeNodeSimplifier() = default;
  ~KuvEeNodeSimplifier() override;

  // Simplifies the tree held by ref; the root may be replaced.
  HRESULT simplify(KuvEeNodeRef& ref);

protected:
  // The And (kind GROUP_AND) or Or (GROUP_OR) node; it may be replaced.
  virtual HRESULT visitGroupOp(KuvEeGroupOp& node, GROUP_OP kind);

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeSimplifier>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
  // Detaches the children, merges the leaves, and re-attaches them:
  // positive children first, negated ones last.
  HRESULT mergeAndReattach(KuvEeGroupOp& group, GROUP_OP kind);
};
