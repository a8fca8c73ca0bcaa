// KuvEeMakeDnfNode: brings a tree into disjunctive shape in place: the
// negations pushed to the leaves, And distributed over Or, every product
// normalized. The root may be replaced: continue from the reference. There
// is no bound on the number of terms development produces.
#pragma once

#include "KuvInObject.h"

#include "KuvEeNodeRef.h"

class KUV_API KuvEeMakeDnfNode : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeMakeDnfNode)

public:
  static HRESULT makeDnfNode(KuvEeNodeRef& ref);
};
