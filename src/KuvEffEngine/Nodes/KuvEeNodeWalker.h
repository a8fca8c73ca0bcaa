// KuvEeNodeWalker: a visitor that descends into every operator and does
// nothing at the leaves, as the base of walkers that handle only some node
// kinds. An operator's visit returns the code of its children's walk
// (childrenAcceptVisitor); a leaf's visit returns S_OK. A walk that would
// descend more than 2000 operators stops with E_FAIL ("ERROR: expression
// too deep") instead of exhausting the stack, trees met through definitions
// included. A walker that overrides an operator's visit descends with
// walkChildren to keep that limit.
//
//     class LeafCounter : public KuvEeNodeWalker {
//       HRESULT visitVarEffLeaf(KuvEeVarEffLeaf&) override { ++count; return S_OK; }
//       ...
//     };
#pragma once

#include "KuvEeNodeDispatcher.h"

class KuvEeOp;

class KUV_API KuvEeNodeWalker : public KuvEeNodeDispatcher<KuvEeNodeWalker> {
  KUV_DECLARE_TYPE(KuvEeNodeWalker)

public:
  ~KuvEeNodeWalker() override;

protected:
  KuvEeNodeWalker() = default;

  // The walk of node's children, one level deeper.
  HRESULT walkChildren(KuvEeOp& node);

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeWalker>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);

  std::int32_t m_depth = 0;  // operators above the node visited
};
