// KuvEeNodeWalker: a visitor that descends into every operator and does
// nothing at the leaves, as the base of walkers that handle only some node
// kinds. An operator's visit returns the code of its children's walk
// (childrenAcceptVisitor); a leaf's visit returns S_OK.
//
//     class LeafCounter : public KuvEeNodeWalker {
//       HRESULT visitVarEffLeaf(KuvEeVarEffLeaf&) override { ++count; return S_OK; }
//       ...
//     };
#pragma once

#include "KuvEeNodeVisitor.h"

class KUV_API KuvEeNodeWalker : public KuvEeNodeVisitor {
  KUV_DECLARE_TYPE(KuvEeNodeWalker)

public:
  ~KuvEeNodeWalker() override;

  HRESULT visitFalse(KuvEeFalse& node) override;
  HRESULT visitTrue(KuvEeTrue& node) override;
  HRESULT visitAndOp(KuvEeAndOp& node) override;
  HRESULT visitOrOp(KuvEeOrOp& node) override;
  HRESULT visitNotDomainOp(KuvEeNotDomainOp& node) override;
  HRESULT visitNotOp(KuvEeNotOp& node) override;
  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override;
  HRESULT visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) override;

protected:
  KuvEeNodeWalker() = default;
};
