// KuvEeNodeElementaryLeaf: a leaf that constrains one criterion (an
// effectivity, or one variable of a product model).
//
// A concrete kind implements the in-place algebra: opAnd/opOr with another
// elementary leaf combine the two into this one when they constrain the same
// criterion (merged tells whether they did), opNot negates this leaf, and
// getConstraintCriterion names the criterion (compared by identity). On
// that this class builds the leaf algebra of KuvEeNodeLeaf:
//
// - with an elementary leaf of the same criterion, out is a clone of this
//   leaf combined in place with the other, or null when they did not merge;
//   of another criterion, null;
// - with a restriction leaf, the restriction leaf's algebra decides, and
//   with True or False the constant's;
// - with any other leaf, null (result S_OK).
//
// Failures delete any partial result, leave out null and return the code
// ("ERROR: opAnd failed", "ERROR: opOr failed"; a leaf that cannot be
// cloned gives "ERROR: NULL pointer" before it, and E_FAIL).
#pragma once

#include "KuvEeNodeLeaf.h"

class KUV_API KuvEeNodeElementaryLeaf : public KuvEeNodeLeaf {
  KUV_DECLARE_TYPE(KuvEeNodeElementaryLeaf)

public:
  ~KuvEeNodeElementaryLeaf() override;

  HRESULT opAnd(const KuvEeNodeLeaf* other, KuvEeNode*& out) const override;
  HRESULT opOr(const KuvEeNodeLeaf* other, KuvEeNode*& out) const override;
  // out = a clone of this leaf, negated in place.
  HRESULT opNot(KuvEeNode*& out) const override;
  // When the leaf is equivalent to True (else to False) it becomes a new
  // True (False); returns whether it was replaced.
  bool convertToTrueFalse() override;

  // this = this AND other, in place, when both constrain the same criterion.
  virtual HRESULT opAnd(const KuvEeNodeElementaryLeaf* other, bool& merged) = 0;
  // this = this OR other, in place, when both constrain the same criterion.
  virtual HRESULT opOr(const KuvEeNodeElementaryLeaf* other, bool& merged) = 0;
  // this = NOT this, in place.
  virtual HRESULT opNot() = 0;
  virtual KuvInObject* getConstraintCriterion() const = 0;

protected:
  KuvEeNodeElementaryLeaf() = default;
  KuvEeNodeElementaryLeaf(const KuvEeNodeElementaryLeaf&) = default;

private:
  HRESULT combine(const KuvEeNodeLeaf* other, KuvEeNode*& out, bool isAnd) const;
};
