// KuvEeAbsoluteNode: a constant leaf, True or False.
#pragma once

#include "KuvEeNodeLeaf.h"

class KUV_API KuvEeAbsoluteNode : public KuvEeNodeLeaf {
  KUV_DECLARE_TYPE(KuvEeAbsoluteNode)

public:
  ~KuvEeAbsoluteNode() override;

  // Already a constant: nothing to do, true.
  bool convertToTrueFalse() override;

protected:
  KuvEeAbsoluteNode() = default;
  KuvEeAbsoluteNode(const KuvEeAbsoluteNode&) = default;

  // out = a copy of leaf; "ERROR: NULL pointer" on channel and E_FAIL when
  // there is none.
  static HRESULT copyOf(const KuvEeNodeLeaf* leaf, KuvEeNode*& out, KuvInTraceClass& channel);
};
