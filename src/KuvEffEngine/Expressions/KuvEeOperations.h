// KuvEeOperations: the Boolean combinations of criteria trees a host needs
// to build an effectivity from pieces (the item's own criteria And a
// change's, the Or of two variants, everything but a variant).
//
//     KuvEeNodeRef* both = nullptr;
//     HRESULT hr = KuvEeOperations::And(*itemCriteria, *changeCriteria, both);
//
// The operands are copied (KuvEeNode::clone), never taken or changed, so
// one tree may be combined with many. The result is a new And, Or or Not
// over the copies, not simplified: the caller simplifies or normalizes it
// when it wants to.
//
// Ownership: result must be null on entry; it then holds a new tree, the
// caller's (delete the reference). Nothing is handed out on failure.
#pragma once

#include "KuvInObject.h"

class KuvEeNodeRef;

class KUV_API KuvEeOperations : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeOperations)

public:
  KuvEeOperations() = delete;

  // E_INVALIDARG for a result not null on entry ("ERROR: Output tree
  // pointer is not null."); E_FAIL when an operand cannot be copied
  // ("ERROR: clone FAILED.").
  static HRESULT And(const KuvEeNodeRef& left, const KuvEeNodeRef& right, KuvEeNodeRef*& result);
  static HRESULT Or(const KuvEeNodeRef& left, const KuvEeNodeRef& right, KuvEeNodeRef*& result);
  static HRESULT Not(const KuvEeNodeRef& operand, KuvEeNodeRef*& result);
};
