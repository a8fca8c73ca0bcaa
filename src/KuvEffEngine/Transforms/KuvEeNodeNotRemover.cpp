#include "KuvEeNodeNotRemover.h"

#include <memory>

#include "KuvEeAndOp.h"
#include "KuvEeDnfTreeEff.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeFalse.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"

KUV_DEFINE_TYPE(KuvEeNodeNotRemover, KuvEeNodeVisitor)

namespace {

// Puts op in the place of the node held by ref and makes that node op's
// child.
void wrap(KuvEeNodeRef& ref, KuvEeSingleOp* op) {
  KuvEeNode* node = ref.getNode();
  node->switchWith(op);
  // node now holds op's former reference, a root that op adopts.
  op->setChildRef(node->getNodeRef());
}

// The state a removed Not or NotDomain leaves pending, by the state before.
constexpr KuvEeNodeNotRemover::E_RemNots kAfterNot[] = {
    KuvEeNodeNotRemover::RemNots_Not, KuvEeNodeNotRemover::RemNots_NotDomainThenNot,
    KuvEeNodeNotRemover::RemNots_None, KuvEeNodeNotRemover::RemNots_NotThenNotDomain,
    KuvEeNodeNotRemover::RemNots_NotDomain};
constexpr KuvEeNodeNotRemover::E_RemNots kAfterNotDomain[] = {
    KuvEeNodeNotRemover::RemNots_NotDomain, KuvEeNodeNotRemover::RemNots_None,
    KuvEeNodeNotRemover::RemNots_NotThenNotDomain, KuvEeNodeNotRemover::RemNots_Not,
    KuvEeNodeNotRemover::RemNots_NotDomainThenNot};

constexpr const char* kCannotNegate = "ERROR: a normal form tree effectivity cannot be negated yet";

}  // namespace

KuvEeNodeNotRemover::KuvEeNodeNotRemover(unsigned char status)
    : m_true(status),
      m_false(status),
      m_andOp(status),
      m_orOp(status),
      m_notDomainOp(status),
      m_notOp(status),
      m_effLeaf(status),
      m_varEffLeaf(status),
      m_restrictionEffLeaf(status) {}

KuvEeNodeNotRemover::~KuvEeNodeNotRemover() = default;

HRESULT KuvEeNodeNotRemover::removeNots(KuvEeNodeRef& ref, E_RemNots state) {
  KUV_TRACE_CALL("removeNots");
  KuvEeNode* root = ref.getNode();
  if (root == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (kuv::detail::isTreeTooDeep(root)) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  // A negation that would reach an effectivity unable to take it is refused
  // before anything changes.
  auto reachesRefusal = [this](auto& self, KuvEeNode& node, E_RemNots pending) -> bool {
    if (pending < RemNots_None || pending > RemNots_NotDomainThenNot) return false;
    const bool isNot = KuvEeNotOp::isObjectOfThisType(node) != 0;
    if (isNot || KuvEeNotDomainOp::isObjectOfThisType(node)) {
      const bool on = isNot ? m_notOp : m_notDomainOp;
      const E_RemNots next = !on ? RemNots_None : isNot ? kAfterNot[pending] : kAfterNotDomain[pending];
      KuvEeNodeRef* child = static_cast<KuvEeSingleOp&>(node).getChildRef();
      return child != nullptr && child->getNode() != nullptr && self(self, *child->getNode(), next);
    }
    const bool isAnd = KuvEeAndOp::isObjectOfThisType(node) != 0;
    if (isAnd || KuvEeOrOp::isObjectOfThisType(node)) {
      const E_RemNots next = (isAnd ? m_andOp : m_orOp) ? pending : RemNots_None;
      KuvInLinkList children(KuvEeNodeRef::sType());
      static_cast<KuvEeGroupOp&>(node).getChildrenRefs(children);
      for (auto it = children.cBegin(); it.IsValid(); it.Next())
        if (self(self, *static_cast<KuvEeNodeRef*>(it.Get())->getNode(), next)) return true;
      return false;
    }
    const KuvEeVarEffLeaf* leaf = KuvEeVarEffLeaf::cast(node);
    return leaf != nullptr && m_varEffLeaf && pending != RemNots_None && leaf->getVarEff() != nullptr &&
           kuv::detail::DnfTreeEff::refusesNegation(*leaf->getVarEff());
  };
  if (reachesRefusal(reachesRefusal, *root, state)) KUV_RETURN_ERROR(E_NOTIMPL, kCannotNegate);
  m_state = state;
  HRESULT hr = root->acceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: acceptVisitor failed");
  return hr;
}

HRESULT KuvEeNodeNotRemover::restoreNotNodes(KuvEeNodeRef& ref) {
  KUV_TRACE_CALL("restoreNotNodes");
  if (ref.getNode() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  switch (m_state) {
    case RemNots_None:
      return S_OK;
    case RemNots_NotDomain:
      wrap(ref, new KuvEeNotDomainOp);
      return S_OK;
    case RemNots_Not:
      wrap(ref, new KuvEeNotOp);
      return S_OK;
    case RemNots_NotThenNotDomain:
      wrap(ref, new KuvEeNotDomainOp);
      wrap(ref, new KuvEeNotOp);
      return S_OK;
    case RemNots_NotDomainThenNot:
      wrap(ref, new KuvEeNotOp);
      wrap(ref, new KuvEeNotDomainOp);
      return S_OK;
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect/Unsupported case");
}

HRESULT KuvEeNodeNotRemover::visitBarrier(KuvEeNode& node) {
  KuvEeNodeRef* ref = node.getNodeRef();
  if (KuvEeOp* op = KuvEeOp::cast(node)) {
    const E_RemNots saved = m_state;
    m_state = RemNots_None;
    HRESULT hr = op->childrenAcceptVisitor(*this);
    m_state = saved;
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: childrenAcceptVisitor failed");
  }
  HRESULT hr = restoreNotNodes(*ref);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: restoreNotNodes failed");
  return S_OK;
}

HRESULT KuvEeNodeNotRemover::removeSingleOp(KuvEeNode& node, E_RemNots next) {
  KuvEeNodeRef* ref = node.getNodeRef();
  KuvEeNodeRef* childRef = static_cast<KuvEeSingleOp&>(node).getChildRef();
  if (childRef == nullptr || childRef->getNode() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  node.become(childRef->getNode());
  const E_RemNots saved = m_state;
  m_state = next;
  HRESULT hr = ref->getNode()->acceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: acceptVisitor failed");
  m_state = saved;
  return hr;
}

HRESULT KuvEeNodeNotRemover::visitNotOp(KuvEeNotOp& node) {
  KUV_TRACE_CALL("visitNotOp");
  if (!m_notOp) return visitBarrier(node);
  switch (m_state) {
    case RemNots_None:
      if (node.getFlag()) m_domainNegation = 1;
      return removeSingleOp(node, RemNots_Not);
    case RemNots_NotDomain:
      return removeSingleOp(node, RemNots_NotDomainThenNot);
    case RemNots_Not:
      return removeSingleOp(node, RemNots_None);
    case RemNots_NotThenNotDomain:
      return removeSingleOp(node, RemNots_NotThenNotDomain);
    case RemNots_NotDomainThenNot:
      return removeSingleOp(node, RemNots_NotDomain);
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect/Unsupported case");
}

HRESULT KuvEeNodeNotRemover::visitNotDomainOp(KuvEeNotDomainOp& node) {
  KUV_TRACE_CALL("visitNotDomainOp");
  if (!m_notDomainOp) return visitBarrier(node);
  switch (m_state) {
    case RemNots_None:
      return removeSingleOp(node, RemNots_NotDomain);
    case RemNots_NotDomain:
      return removeSingleOp(node, RemNots_None);
    case RemNots_Not:
      return removeSingleOp(node, RemNots_NotThenNotDomain);
    case RemNots_NotThenNotDomain:
      return removeSingleOp(node, RemNots_Not);
    case RemNots_NotDomainThenNot:
      return removeSingleOp(node, RemNots_NotDomainThenNot);
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect/Unsupported case");
}

HRESULT KuvEeNodeNotRemover::visitGroup(KuvEeNode& node, bool isAnd) {
  if (m_state < RemNots_None || m_state > RemNots_NotDomainThenNot)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  KuvEeNodeRef* ref = node.getNodeRef();
  if (m_state == RemNots_NotDomain || m_state == RemNots_Not) {
    // De Morgan: the dual operator takes over the children, in order.
    auto& group = static_cast<KuvEeGroupOp&>(node);
    KuvInLinkList children(KuvEeNodeRef::sType());
    group.getChildrenRefs(children);
    group.removeChildren();
    std::unique_ptr<KuvEeNodeRef> dualRef(isAnd ? (new KuvEeOrOp)->getNodeRef() : (new KuvEeAndOp)->getNodeRef());
    auto* dual = static_cast<KuvEeGroupOp*>(dualRef->getNode());
    for (auto it = children.cBegin(); it.IsValid(); it.Next())
      dual->addChild(static_cast<KuvEeNodeRef*>(it.Get())->getNode());
    group.become(dualRef.release()->getNode());
  }
  HRESULT hr = static_cast<KuvEeGroupOp*>(ref->getNode())->childrenAcceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: childrenAcceptVisitor failed");
  return S_OK;
}

HRESULT KuvEeNodeNotRemover::visitAndOp(KuvEeAndOp& node) {
  KUV_TRACE_CALL("visitAndOp");
  return m_andOp ? visitGroup(node, true) : visitBarrier(node);
}

HRESULT KuvEeNodeNotRemover::visitOrOp(KuvEeOrOp& node) {
  KUV_TRACE_CALL("visitOrOp");
  return m_orOp ? visitGroup(node, false) : visitBarrier(node);
}

HRESULT KuvEeNodeNotRemover::visitConstant(KuvEeNode& node, bool value) {
  if (m_state == RemNots_None) return S_OK;
  if (m_state != RemNots_Not) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected/Unsupported case");
  node.become(value ? static_cast<KuvEeNode*>(new KuvEeFalse) : new KuvEeTrue);
  return S_OK;
}

HRESULT KuvEeNodeNotRemover::visitTrue(KuvEeTrue& node) {
  KUV_TRACE_CALL("visitTrue");
  return m_true ? visitConstant(node, true) : visitBarrier(node);
}

HRESULT KuvEeNodeNotRemover::visitFalse(KuvEeFalse& node) {
  KUV_TRACE_CALL("visitFalse");
  return m_false ? visitConstant(node, false) : visitBarrier(node);
}

HRESULT KuvEeNodeNotRemover::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  if (!m_effLeaf) return visitBarrier(node);
  if (m_state == RemNots_None) return S_OK;
  if (m_state != RemNots_Not) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected/Unsupported case");
  HRESULT hr = node.opNot();
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: opNot failed");
  return S_OK;
}

HRESULT KuvEeNodeNotRemover::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) {
  KUV_TRACE_CALL("visitRestrictionEffLeaf");
  if (!m_restrictionEffLeaf) return visitBarrier(node);
  if (m_state == RemNots_None) return S_OK;
  if (m_state != RemNots_Not) KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect/Unsupported case");
  if (node.getRestrictionEff() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  node.getRestrictionEff()->opNot();
  return S_OK;
}

HRESULT KuvEeNodeNotRemover::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  KUV_TRACE_CALL("visitVarEffLeaf");
  if (!m_varEffLeaf) return visitBarrier(node);
  KuvEeVarEff* eff = node.getVarEff();
  if (m_state == RemNots_None) return S_OK;
  if (eff == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (kuv::detail::DnfTreeEff::refusesNegation(*eff)) KUV_RETURN_ERROR(E_NOTIMPL, kCannotNegate);
  auto notDom = [&]() -> HRESULT {
    HRESULT hr = eff->opNotDom();
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: opNotDom failed");
    return S_OK;
  };
  switch (m_state) {
    case RemNots_NotDomain:
      return notDom();
    case RemNots_Not:
      // Once a flagged Not was met, a negation of a positive effectivity
      // stays within its domain.
      if (m_domainNegation && !eff->isNegated()) return notDom();
      eff->opNot();
      return S_OK;
    case RemNots_NotThenNotDomain: {
      HRESULT hr = notDom();
      if (FAILED(hr)) return hr;
      eff->opNot();
      return S_OK;
    }
    case RemNots_NotDomainThenNot:
      eff->opNot();
      return notDom();
    default:
      break;
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect/Unsupported case");
}
