#include "KuvEeNodeCloner.h"

#include <utility>

#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeTransformEntry.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeCloner, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeCloner>;

namespace {

// The reference of a new node, owned until it is handed on.
template <class Node, class... Args>
std::unique_ptr<KuvEeNodeRef> makeNode(Args&&... args) {
  return std::unique_ptr<KuvEeNodeRef>((new Node(std::forward<Args>(args)...))->getNodeRef());
}

// A copy of the criterion leaf, made by its copy constructor.
template <class Leaf>
std::unique_ptr<KuvEeNodeRef> copyOf(KuvEeNodeLeaf& leaf) {
  return makeNode<Leaf>(static_cast<Leaf&>(leaf));
}

}  // namespace

KuvEeNodeCloner::~KuvEeNodeCloner() = default;

KuvEeNodeRef* KuvEeNodeCloner::clone(const KuvEeNodeRef& ref) {
  // The copy recurses once per level: the entry refuses what could exhaust
  // the stack.
  kuv::detail::TransformEntry entry(traceChannel(), "clone", ref);
  m_result.reset();
  if (FAILED(entry.admit())) return nullptr;
  if (FAILED(entry.walk(*this))) {
    m_result.reset();
    return nullptr;
  }
  if (m_result == nullptr) KUV_RETURN_ERROR(nullptr, "ERROR: NULL pointer");
  return m_result.release();
}

HRESULT KuvEeNodeCloner::visitLeaf(KuvEeNodeLeaf& leaf, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  switch (kind) {
    case NodeKind::False:
      m_result = makeNode<KuvEeFalse>();
      return S_OK;
    case NodeKind::True:
      m_result = makeNode<KuvEeTrue>();
      return S_OK;
    case NodeKind::EffLeaf:
      m_result = copyOf<KuvEeEffLeaf>(leaf);
      return S_OK;
    case NodeKind::VarEffLeaf:
      m_result = copyOf<KuvEeVarEffLeaf>(leaf);
      return S_OK;
    default:  // RestrictionEffLeaf
      m_result.reset();
      if (static_cast<KuvEeRestrictionEffLeaf&>(leaf).getRestrictionEff() == nullptr)
        KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer: restriction leaf without restriction");
      m_result = copyOf<KuvEeRestrictionEffLeaf>(leaf);
      return S_OK;
  }
}

HRESULT KuvEeNodeCloner::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  // A new empty operator of node's kind takes the copies of its children.
  std::unique_ptr<KuvEeNodeRef> copy =
      kind == NodeKind::AndOp ? makeNode<KuvEeAndOp>() : makeNode<KuvEeOrOp>();
  m_result.reset();
  auto* group = static_cast<KuvEeGroupOp*>(copy->getNode());
  const KuvInLinkList& children = node.childrenRefs();
  for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
    if (FAILED(static_cast<KuvEeNodeRef*>(it.Get())->getNode()->acceptVisitor(*this)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: acceptVisitor on child failed");
    if (m_result == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer: failed to clone child");
    // Held until adopted: the adoption may run out of memory.
    if (FAILED(kuv::detail::throwIfOutOfMemory(group->addChild(m_result->getNode()))))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: addChild failed");
    m_result.release();
  }
  m_result = std::move(copy);
  return S_OK;
}

HRESULT KuvEeNodeCloner::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  std::unique_ptr<KuvEeNodeRef> copy = kind == NodeKind::NotOp
                                           ? makeNode<KuvEeNotOp>(static_cast<KuvEeNotOp&>(node).getFlag())
                                           : makeNode<KuvEeNotDomainOp>();
  m_result.reset();
  KuvEeNodeRef* child = node.getChildRef();
  if (child == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: SingleOp without child");
  if (FAILED(child->getNode()->acceptVisitor(*this)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: acceptVisitor failed on child");
  if (m_result == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer: failed to clone child");
  if (FAILED(static_cast<KuvEeSingleOp*>(copy->getNode())->setChildRef(m_result.get())))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: setChildRef failed");
  m_result.release();
  m_result = std::move(copy);
  return S_OK;
}
