#include "KuvEeNodeCloner.h"

#include <utility>

#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeFalse.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"

KUV_DEFINE_TYPE(KuvEeNodeCloner, KuvEeNodeVisitor)

namespace {

// The reference of a new node, owned until it is handed on.
template <class Node, class... Args>
std::unique_ptr<KuvEeNodeRef> makeNode(Args&&... args) {
  return std::unique_ptr<KuvEeNodeRef>((new Node(std::forward<Args>(args)...))->getNodeRef());
}

}  // namespace

KuvEeNodeCloner::~KuvEeNodeCloner() = default;

KuvEeNodeRef* KuvEeNodeCloner::clone(const KuvEeNodeRef& ref) {
  KUV_TRACE_CALL("clone");
  m_result.reset();
  KuvEeNode* node = ref.getNode();
  if (node == nullptr) KUV_RETURN_ERROR(nullptr, "ERROR: NULL pointer");
  // The copy recurses once per level: refuse what could exhaust the stack.
  if (kuv::detail::isTreeTooDeep(node)) KUV_RETURN_ERROR(nullptr, "ERROR: expression too deep");
  if (FAILED(node->acceptVisitor(*this))) {
    m_result.reset();
    KUV_RETURN_ERROR(nullptr, "ERROR: acceptVisitor failed");
  }
  if (m_result == nullptr) KUV_RETURN_ERROR(nullptr, "ERROR: NULL pointer");
  return m_result.release();
}

HRESULT KuvEeNodeCloner::visitFalse(KuvEeFalse&) {
  KUV_TRACE_CALL("visitFalse");
  m_result = makeNode<KuvEeFalse>();
  return S_OK;
}

HRESULT KuvEeNodeCloner::visitTrue(KuvEeTrue&) {
  KUV_TRACE_CALL("visitTrue");
  m_result = makeNode<KuvEeTrue>();
  return S_OK;
}

HRESULT KuvEeNodeCloner::visitAndOp(KuvEeAndOp& node) {
  KUV_TRACE_CALL("visitAndOp");
  return cloneGroup(node, makeNode<KuvEeAndOp>());
}

HRESULT KuvEeNodeCloner::visitOrOp(KuvEeOrOp& node) {
  KUV_TRACE_CALL("visitOrOp");
  return cloneGroup(node, makeNode<KuvEeOrOp>());
}

HRESULT KuvEeNodeCloner::visitNotDomainOp(KuvEeNotDomainOp& node) {
  KUV_TRACE_CALL("visitNotDomainOp");
  return cloneSingle(node, makeNode<KuvEeNotDomainOp>());
}

HRESULT KuvEeNodeCloner::visitNotOp(KuvEeNotOp& node) {
  KUV_TRACE_CALL("visitNotOp");
  return cloneSingle(node, makeNode<KuvEeNotOp>(node.getFlag()));
}

HRESULT KuvEeNodeCloner::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  m_result = makeNode<KuvEeEffLeaf>(node);
  return S_OK;
}

HRESULT KuvEeNodeCloner::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  KUV_TRACE_CALL("visitVarEffLeaf");
  m_result = makeNode<KuvEeVarEffLeaf>(node);
  return S_OK;
}

HRESULT KuvEeNodeCloner::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) {
  KUV_TRACE_CALL("visitRestrictionEffLeaf");
  m_result.reset();
  if (node.getRestrictionEff() == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer: restriction leaf without restriction");
  m_result = makeNode<KuvEeRestrictionEffLeaf>(node);
  return S_OK;
}

HRESULT KuvEeNodeCloner::cloneGroup(KuvEeGroupOp& node, std::unique_ptr<KuvEeNodeRef> copy) {
  m_result.reset();
  KuvInLinkList children(KuvEeNodeRef::sType());
  node.getChildrenRefs(children);
  auto* group = static_cast<KuvEeGroupOp*>(copy->getNode());
  for (KuvInLinkList::iterator it = children.Begin(); it.IsValid(); it.Next()) {
    if (FAILED(static_cast<KuvEeNodeRef*>(it.Get())->getNode()->acceptVisitor(*this)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: acceptVisitor on child failed");
    if (m_result == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer: failed to clone child");
    group->addChild(m_result.release()->getNode());
  }
  m_result = std::move(copy);
  return S_OK;
}

HRESULT KuvEeNodeCloner::cloneSingle(KuvEeSingleOp& node, std::unique_ptr<KuvEeNodeRef> copy) {
  m_result.reset();
  KuvEeNodeRef* child = node.getChildRef();
  if (child == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: SingleOp without child");
  if (FAILED(child->getNode()->acceptVisitor(*this)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: acceptVisitor failed on child");
  if (m_result == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer: failed to clone child");
  static_cast<KuvEeSingleOp*>(copy->getNode())->setChildRef(m_result.release());
  m_result = std::move(copy);
  return S_OK;
}
