// KuvEeNodeLeaf: a leaf of an expression tree, with the algebra the
// simplifications use to fold leaves together: opAnd, opOr and opNot build
// the combined leaf as a new node, and the equivalence tests tell a leaf
// that admits every configuration (or none) from the others.
//
// Results returned through `out` are new nodes (each with its reference)
// owned by the caller; out is null on failure and when two leaves do not
// combine. Leaves are copyable: a copy is a new node in no tree.
#pragma once

#include "KuvEeNode.h"

class KUV_API KuvEeNodeLeaf : public KuvEeNode {
  KUV_DECLARE_TYPE(KuvEeNodeLeaf)

public:
  ~KuvEeNodeLeaf() override;

  // out = this AND other, or null when the two do not combine.
  virtual HRESULT opAnd(const KuvEeNodeLeaf* other, KuvEeNode*& out) const = 0;
  // out = this OR other, or null when the two do not combine.
  virtual HRESULT opOr(const KuvEeNodeLeaf* other, KuvEeNode*& out) const = 0;
  // out = NOT this.
  virtual HRESULT opNot(KuvEeNode*& out) const = 0;
  // The leaf admits every configuration.
  virtual bool isEquivalentToTrue() const = 0;
  // The leaf admits none.
  virtual bool isEquivalentToFalse() const = 0;
  // Replaces the leaf by True or False where it is equivalent to one;
  // returns whether the leaf now is (or has become) a constant. This node
  // may be gone then: continue from its reference.
  virtual bool convertToTrueFalse() = 0;

protected:
  KuvEeNodeLeaf() = default;
  KuvEeNodeLeaf(const KuvEeNodeLeaf&) = default;
};
