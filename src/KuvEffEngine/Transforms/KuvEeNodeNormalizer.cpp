#include "KuvEeNodeNormalizer.h"

#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeTransformEntry.h"
#include "KuvEeTransformLists.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeNormalizer, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeNormalizer>;

namespace {

bool isLeaf(const KuvEeNode* node) { return node != nullptr && KuvEeNodeLeaf::cast(*node) != nullptr; }

// Detaches the children of andOp, merges its leaves and re-attaches them,
// leaves first. Kept out of visitGroup so that its working lists do not
// weigh on every level of the recursion.
HRESULT mergeLeavesOf(KuvEeAndOp& andOp, bool& composite) {
  kuv::detail::DetachedChildren lists(andOp, isLeaf);
  HRESULT hr = kuv::detail::mergeLeaves(lists.leaves, &lists.others, true, isLeaf, composite);
  KuvInTraceClass& channel = KuvEeNodeNormalizer::traceChannel();
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: andOp failed");
  if (lists.leaves.empty() && lists.others.empty())
    KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: Incorrect case");
  // The lists go back to andOp as they leave, leaves first.
  return S_OK;
}

}  // namespace

KuvEeNodeNormalizer::~KuvEeNodeNormalizer() = default;

HRESULT KuvEeNodeNormalizer::normalize(KuvEeNodeRef& ref) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    return kuv::detail::TransformEntry(traceChannel(), "normalize", ref)
        .run(*this, "Normalize:\n", "...Normalized:\n");
  });
}

HRESULT KuvEeNodeNormalizer::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  // The terms of a development are mostly normal already; the walk below
  // would change nothing in them, only trace its steps.
  if (kind == NodeKind::AndOp && !traceChannel().isCallOn() && kuv::detail::isNormalTerm(node)) return S_OK;
  KuvEeNodeRef* ref = node.getNodeRef();
  KuvEeAndOp* andOp = nullptr;
  HRESULT hr =
      kuv::detail::collapseAndWalk(node, *ref, kind == NodeKind::AndOp, *this, traceChannel(), andOp);
  if (FAILED(hr) || andOp == nullptr) return hr;

  // A merge that gives a composite node (not a leaf) calls for development.
  bool composite = false;
  hr = mergeLeavesOf(*andOp, composite);
  if (FAILED(hr)) return hr;
  kuv::detail::collapse(*andOp, true);
  if (!composite) return S_OK;

  KuvEeNodeDeveloper developer;
  hr = developer.develop(*ref);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: develop failed");
  hr = ref->getNode()->acceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: acceptVisitor failed");
  return hr;
}

HRESULT KuvEeNodeNormalizer::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  return node.childrenAcceptVisitor(*this);
}

HRESULT KuvEeNodeNormalizer::visitLeaf(KuvEeNodeLeaf& leaf, NodeKind kind) {
  if (kind != NodeKind::EffLeaf && kind != NodeKind::VarEffLeaf) return S_OK;
  KUV_TRACE_CALL(visitName(kind));
  leaf.convertToTrueFalse();
  return S_OK;
}
