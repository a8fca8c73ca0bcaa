// KuvEeFalse: the constant that admits no configuration.
//
// Its algebra: opAnd gives a new False, opOr a clone of the other leaf, opNot
// a new True. Cloning the other leaf fails on a null or uncopyable leaf
// ("ERROR: NULL pointer", E_FAIL).
#pragma once

#include "KuvEeAbsoluteNode.h"

class KUV_API KuvEeFalse : public KuvEeAbsoluteNode {
  KUV_DECLARE_TYPE(KuvEeFalse)

public:
  KuvEeFalse() = default;
  KuvEeFalse(const KuvEeFalse&) = default;
  ~KuvEeFalse() override;

  // Calls visitor.visitFalse.
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override;
  HRESULT opAnd(const KuvEeNodeLeaf* other, KuvEeNode*& out) const override;
  HRESULT opOr(const KuvEeNodeLeaf* other, KuvEeNode*& out) const override;
  HRESULT opNot(KuvEeNode*& out) const override;
  bool isEquivalentToTrue() const override;
  bool isEquivalentToFalse() const override;
  // "FALSE".
  KuvInString toString() const override;
};
