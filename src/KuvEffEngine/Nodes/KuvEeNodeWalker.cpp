#include "KuvEeNodeWalker.h"

#include "KuvEeGroupOp.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeSingleOp.h"
#include "KuvEeTransformDepth.h"

KUV_DEFINE_TYPE(KuvEeNodeWalker, KuvEeNodeVisitor)
// The dispatcher's handlers are the walk; the operators' go through
// walkChildren, which counts the depth.
template class KuvEeNodeDispatcher<KuvEeNodeWalker>;

KuvEeNodeWalker::~KuvEeNodeWalker() = default;

HRESULT KuvEeNodeWalker::walkChildren(KuvEeOp& node) {
  const kuv::detail::DepthLevel level(m_depth);
  if (!level.admitted()) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  return node.childrenAcceptVisitor(*this);
}

HRESULT KuvEeNodeWalker::visitGroup(KuvEeGroupOp& node, NodeKind) { return walkChildren(node); }

HRESULT KuvEeNodeWalker::visitSingle(KuvEeSingleOp& node, NodeKind) { return walkChildren(node); }
