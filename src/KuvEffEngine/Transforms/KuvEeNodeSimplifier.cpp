#include "KuvEeNodeSimplifier.h"

#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeNodeNotRemover.h"
#include "KuvEeTransformEntry.h"
#include "KuvEeTransformLists.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeSimplifier, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeSimplifier>;

namespace {

bool isElementaryLeaf(const KuvEeNode* node) { return node != nullptr && KuvEeNodeElementaryLeaf::cast(*node) != nullptr; }

// Negated children go last under their parent.
bool isNegatedChild(const KuvEeNode& node) {
  if (KuvEeNotOp::cast(node) != nullptr) return true;
  if (const auto* leaf = KuvEeRestrictionEffLeaf::cast(node))
    return leaf->getRestrictionEff() != nullptr && leaf->getRestrictionEff()->isNegated();
  if (const auto* leaf = KuvEeEffLeaf::cast(node)) return leaf->isNegated();
  if (const auto* leaf = KuvEeVarEffLeaf::cast(node))
    return leaf->getVarEff() != nullptr && leaf->getVarEff()->isNegated();
  return false;
}

}  // namespace

KuvEeNodeSimplifier::~KuvEeNodeSimplifier() = default;

HRESULT KuvEeNodeSimplifier::simplify(KuvEeNodeRef& ref) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    return kuv::detail::TransformEntry(traceChannel(), "simplify", ref).run(*this);
  });
}

HRESULT KuvEeNodeSimplifier::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  return visitGroupOp(node, kind == NodeKind::AndOp ? GROUP_AND : GROUP_OR);
}

HRESULT KuvEeNodeSimplifier::visitGroupOp(KuvEeGroupOp& node, GROUP_OP kind) {
  KUV_TRACE_CALL("visitGroupOp");
  KuvEeNodeRef* ref = node.getNodeRef();
  // Only a single child collapses the node here: an operator whose children
  // all were neutral is left empty, and refused below.
  kuv::detail::collapse(node, false);
  KuvEeGroupOp* group = KuvEeGroupOp::cast(*ref->getNode());
  if (group == nullptr) return ref->getNode()->acceptVisitor(*this);
  if (group != &node) kind = KuvEeAndOp::cast(*group) != nullptr ? GROUP_AND : GROUP_OR;

  HRESULT hr = group->childrenAcceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: childrenAcceptVisitor failed");
  group->appendSameNodes();
  if (kind != GROUP_AND && kind != GROUP_OR) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");

  hr = mergeAndReattach(*group, kind);
  if (FAILED(hr)) return hr;
  kuv::detail::collapse(*group, true);
  return S_OK;
}

// Kept out of visitGroupOp so that its working lists do not weigh on every
// level of the recursion.
HRESULT KuvEeNodeSimplifier::mergeAndReattach(KuvEeGroupOp& group, GROUP_OP kind) {
  kuv::detail::DetachedChildren lists(group, isElementaryLeaf);
  // A result that is no elementary leaf (a derived leaf may give one) still
  // takes the place of the pair among the leaves.
  bool composite = false;
  HRESULT hr =
      kuv::detail::mergeLeaves(lists.leaves, nullptr, kind == GROUP_AND, isElementaryLeaf, composite);
  if (FAILED(hr))
    KUV_RETURN_ERROR(hr, kind == GROUP_AND ? "ERROR: andOp failed" : "ERROR: orOp failed");
  if (lists.leaves.empty() && lists.others.empty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect case");

  kuv::detail::NodeList negated;
  for (kuv::detail::NodeList* list : {&lists.leaves, &lists.others}) {
    for (kuv::detail::OwnedNode& child : *list) {
      if (auto* leaf = KuvEeNodeElementaryLeaf::cast(*child->getNode())) leaf->convertToTrueFalse();
      if (isNegatedChild(*child->getNode())) {
        negated.push_back(std::move(child));
      } else {
        kuv::detail::throwIfOutOfMemory(group.addChild(child->getNode()));
        child.release();
      }
    }
  }
  for (kuv::detail::OwnedNode& child : negated) {
    kuv::detail::throwIfOutOfMemory(group.addChild(child->getNode()));
    child.release();
  }
  return S_OK;
}

HRESULT KuvEeNodeSimplifier::visitSingle(KuvEeSingleOp& op, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  KuvEeNodeRef* ref = op.getNodeRef();
  if (op.getChildRef() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  HRESULT hr = op.childrenAcceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: childrenAcceptVisitor failed");
  // Negations go into leaves and cancel each other, but stay above And/Or.
  KuvEeNodeNotRemover remover(1);
  remover.setStatus_AndOp(0);
  remover.setStatus_OrOp(0);
  hr = remover.removeNots(*ref, KuvEeNodeNotRemover::RemNots_None);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: removeNots failed");
  return S_OK;
}

HRESULT KuvEeNodeSimplifier::visitLeaf(KuvEeNodeLeaf& leaf, NodeKind kind) {
  if (kind != NodeKind::EffLeaf && kind != NodeKind::VarEffLeaf) return S_OK;
  KUV_TRACE_CALL(visitName(kind));
  leaf.convertToTrueFalse();
  return S_OK;
}
