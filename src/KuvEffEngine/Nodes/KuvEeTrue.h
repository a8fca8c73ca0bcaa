// KuvEeTrue: the constant that admits every configuration.
//
// Its algebra: opAnd gives a clone of the other leaf, opOr a new True, opNot
// a new False. Cloning the other leaf fails on a null or uncopyable leaf
// ("ERROR: NULL pointer", E_FAIL).
#pragma once

#include "KuvEeAbsoluteNode.h"

class KUV_API KuvEeTrue : public KuvEeAbsoluteNode {
  KUV_DECLARE_TYPE(KuvEeTrue)

public:
  KuvEeTrue() = default;
  KuvEeTrue(const KuvEeTrue&) = default;
  ~KuvEeTrue() override;

  // Calls visitor.visitTrue.
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override;
  HRESULT opAnd(const KuvEeNodeLeaf* other, KuvEeNode*& out) const override;
  HRESULT opOr(const KuvEeNodeLeaf* other, KuvEeNode*& out) const override;
  HRESULT opNot(KuvEeNode*& out) const override;
  bool isEquivalentToTrue() const override;
  bool isEquivalentToFalse() const override;
  // "TRUE".
  KuvInString toString() const override;
};
