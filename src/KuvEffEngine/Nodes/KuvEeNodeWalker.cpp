#include "KuvEeNodeWalker.h"

#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeTransformDepth.h"

KUV_DEFINE_TYPE(KuvEeNodeWalker, KuvEeNodeVisitor)
// The dispatcher's own handlers are the walk.
template class KuvEeNodeDispatcher<KuvEeNodeWalker>;

KuvEeNodeWalker::~KuvEeNodeWalker() = default;

HRESULT KuvEeNodeWalker::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  if (m_depth >= kuv::detail::kMaxTransformDepth) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  ++m_depth;
  const HRESULT hr = KuvEeNodeDispatcher::visitGroup(node, kind);
  --m_depth;
  return hr;
}

HRESULT KuvEeNodeWalker::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  if (m_depth >= kuv::detail::kMaxTransformDepth) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  ++m_depth;
  const HRESULT hr = KuvEeNodeDispatcher::visitSingle(node, kind);
  --m_depth;
  return hr;
}
