#include "KuvEeNodeCycleChecker.h"

#include <utility>

#include "KuvEeEffectivity.h"
#include "KuvEeExpression.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeCycleChecker, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeCycleChecker>;

namespace kuv::detail {

// Keeps a copy of every tree an expression shows it (it visits only roots).
class CycleCheckerTreeCopier : public KuvEeNodeDispatcher<CycleCheckerTreeCopier> {
  KUV_DECLARE_TYPE(CycleCheckerTreeCopier)

public:
  std::vector<std::unique_ptr<KuvEeNodeRef>> copies;

private:
  friend class KuvEeNodeDispatcher<CycleCheckerTreeCopier>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind) { return keep(node); }
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind) { return keep(node); }
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind) { return keep(node); }

  HRESULT keep(const KuvEeNode& node) {
    std::unique_ptr<KuvEeNodeRef> copy(node.clone());
    if (copy == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    copies.push_back(std::move(copy));
    return S_OK;
  }
};

KUV_DEFINE_TYPE_NAMED(CycleCheckerTreeCopier, KuvEeNodeVisitor, "KuvEeNodeCycleChecker::TreeCopier")

}  // namespace kuv::detail

template class KuvEeNodeDispatcher<kuv::detail::CycleCheckerTreeCopier>;

KuvEeNodeCycleChecker::~KuvEeNodeCycleChecker() = default;

HRESULT KuvEeNodeCycleChecker::checkCycle(const KuvEeNodeRef& ref, unsigned char& cycle) {
  KUV_TRACE_CALL("checkCycle");
  m_path.clear();
  m_cycleFree.clear();
  m_cycleFound = 0;
  KuvEeNode* root = ref.getNode();
  if (root == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  HRESULT rc = root->acceptVisitor(*this);
  if (FAILED(rc)) KUV_RETURN_ERROR(rc, "ERROR: acceptVisitor failed");
  cycle = m_cycleFound;
  return S_OK;
}

HRESULT KuvEeNodeCycleChecker::visitGroup(KuvEeGroupOp& node, NodeKind) { return visitFollowed(node); }

HRESULT KuvEeNodeCycleChecker::visitSingle(KuvEeSingleOp& node, NodeKind) { return visitFollowed(node); }

HRESULT KuvEeNodeCycleChecker::visitLeaf(KuvEeNodeLeaf& node, NodeKind kind) {
  if (kind == NodeKind::EffLeaf) return visitFollowed(node);
  return m_cycleFound ? refuseAfterCycle() : S_OK;
}

HRESULT KuvEeNodeCycleChecker::refuseAfterCycle() {
  KUV_RETURN_ERROR(E_FAIL, "ERROR: We should never be here when a cycle has been detected");
}

HRESULT KuvEeNodeCycleChecker::reportCycle(const KuvInString& what) {
  m_cycleFound = 1;
  KUV_TRACE_ERROR("ERROR: cycle detected on : ", what);
  return S_OK;
}

HRESULT KuvEeNodeCycleChecker::visitFollowed(KuvEeNode& node) {
  KUV_TRACE_CALL("visitFollowed");
  if (m_cycleFound) return refuseAfterCycle();
  auto* leaf = KuvEeEffLeaf::cast(node);
  if (m_path.count(&node) != 0)
    return reportCycle(leaf != nullptr && leaf->getTargetEff() != nullptr ? leaf->getTargetEff()->getGuid().toString()
                                                                          : node.toString());
  Frame frame;
  frame.node = &node;
  if (auto* op = KuvEeOp::cast(node)) {
    KuvInLinkList children(KuvEeNodeRef::sType());
    kuv::detail::throwIfOutOfMemory(op->getChildrenRefs(children));
    for (auto it = children.cBegin(); it.IsValid(); it.Next())
      frame.next.push_back(static_cast<KuvEeNodeRef*>(it.Get())->getNode());
  } else if (leaf != nullptr && leaf->getTargetEff() != nullptr && leaf->getTargetEff()->isDefined()) {
    KuvEeEffectivity* target = leaf->getTargetEff();
    if (m_cycleFree.count(target) != 0) return S_OK;
    frame.followed = target;
    KuvEeNodeRef* tree = target->getExpr();
    KuvEeExpression* expression = nullptr;
    target->getExpr(expression);
    if (tree == nullptr && expression == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    if (tree != nullptr) frame.next.push_back(tree->getNode());
    if (expression != nullptr) {
      // The copies of the expression's trees are new nodes on every pass,
      // so a cycle through it shows as its effectivity met again.
      if (m_path.count(target) != 0) return reportCycle(target->getGuid().toString());
      kuv::detail::CycleCheckerTreeCopier copier;
      if (FAILED(expression->runConstVisitor(copier))) KUV_RETURN_ERROR(E_FAIL, "ERROR: acceptVisitor failed");
      frame.target = target;
      for (auto& copy : copier.copies) frame.next.push_back(copy->getNode());
      frame.owned = std::move(copier.copies);
    }
  }
  m_path.insert(frame.node);
  if (frame.target != nullptr) m_path.insert(frame.target);
  if (m_frames != nullptr) {
    m_frames->push_back(std::move(frame));
    return S_OK;
  }
  return walk(std::move(frame));
}

HRESULT KuvEeNodeCycleChecker::walk(Frame first) {
  std::vector<Frame> frames;
  frames.push_back(std::move(first));
  m_frames = &frames;
  HRESULT rc = S_OK;
  while (!frames.empty()) {
    Frame& top = frames.back();
    if (!m_cycleFound && top.done < top.next.size()) {
      // May push a frame; top is not used after it.
      rc = top.next[top.done++]->acceptVisitor(*this);
      if (FAILED(rc)) break;
    } else {
      rc = leave(top);
      if (SUCCEEDED(rc) && !m_cycleFound && top.followed != nullptr) m_cycleFree.insert(top.followed);
      frames.pop_back();
      if (FAILED(rc)) break;
    }
  }
  m_frames = nullptr;
  if (FAILED(rc)) {
    for (const Frame& frame : frames) {
      m_path.erase(frame.node);
      m_path.erase(frame.target);
    }
    KUV_RETURN_ERROR(E_FAIL, "ERROR: acceptVisitor failed");
  }
  return S_OK;
}

HRESULT KuvEeNodeCycleChecker::leave(const Frame& frame) {
  if (m_path.erase(frame.node) == 0 || (frame.target != nullptr && m_path.erase(frame.target) == 0))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: failed to remove the element from the stack");
  return S_OK;
}
