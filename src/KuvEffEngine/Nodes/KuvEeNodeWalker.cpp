#include "KuvEeNodeWalker.h"

#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeTransformDepth.h"

KUV_DEFINE_TYPE(KuvEeNodeWalker, KuvEeNodeVisitor)
// The dispatcher's own handlers are the walk.
template class KuvEeNodeDispatcher<KuvEeNodeWalker>;

KuvEeNodeWalker::~KuvEeNodeWalker() = default;

HRESULT KuvEeNodeWalker::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  const kuv::detail::DepthLevel level(m_depth);
  if (!level.admitted()) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  return KuvEeNodeDispatcher::visitGroup(node, kind);
}

HRESULT KuvEeNodeWalker::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  const kuv::detail::DepthLevel level(m_depth);
  if (!level.admitted()) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  return KuvEeNodeDispatcher::visitSingle(node, kind);
}
