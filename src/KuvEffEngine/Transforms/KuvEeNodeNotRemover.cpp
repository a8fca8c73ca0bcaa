#include "KuvEeNodeNotRemover.h"

#include <memory>

#include "KuvEeDnfTreeEff.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeTransformEntry.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeNotRemover, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeNotRemover>;

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

constexpr const char* kCannotNegate = "ERROR: a normal form tree effectivity without its related effectivity cannot be negated";

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
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] { return removeNotsIn(ref, state); });
}

HRESULT KuvEeNodeNotRemover::removeNotsIn(KuvEeNodeRef& ref, E_RemNots state) {
  kuv::detail::TransformEntry entry(traceChannel(), "removeNots", ref);
  if (FAILED(entry.admit())) return E_FAIL;
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
      kuv::detail::throwIfOutOfMemory(static_cast<KuvEeGroupOp&>(node).getChildrenRefs(children));
      for (auto it = children.cBegin(); it.IsValid(); it.Next())
        if (self(self, *static_cast<KuvEeNodeRef*>(it.Get())->getNode(), next)) return true;
      return false;
    }
    const KuvEeVarEffLeaf* leaf = KuvEeVarEffLeaf::cast(node);
    return leaf != nullptr && m_varEffLeaf && pending != RemNots_None && leaf->getVarEff() != nullptr &&
           kuv::detail::DnfTreeEff::refusesNegation(*leaf->getVarEff());
  };
  if (reachesRefusal(reachesRefusal, entry.root(), state)) KUV_RETURN_ERROR(E_UNEXPECTED, kCannotNegate);
  m_state = state;
  return entry.walk(*this);
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

unsigned char KuvEeNodeNotRemover::isOn(NodeKind kind) const {
  const unsigned char switches[] = {m_false,   m_true,        m_andOp,
                                    m_orOp,    m_notDomainOp, m_notOp,
                                    m_effLeaf, m_varEffLeaf,  m_restrictionEffLeaf};
  return switches[static_cast<std::int32_t>(kind)];
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

HRESULT KuvEeNodeNotRemover::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (!isOn(kind)) return visitBarrier(node);
  const bool isNot = kind == NodeKind::NotOp;
  if (m_state < RemNots_None || m_state > RemNots_NotDomainThenNot)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect/Unsupported case");
  if (isNot && m_state == RemNots_None && static_cast<KuvEeNotOp&>(node).getFlag()) m_domainNegation = 1;
  // The operator goes and its child is visited with the new state; the
  // state is back to what it was afterwards.
  KuvEeNodeRef* ref = node.getNodeRef();
  KuvEeNodeRef* childRef = node.getChildRef();
  if (childRef == nullptr || childRef->getNode() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  node.become(childRef->getNode());
  const E_RemNots saved = m_state;
  m_state = (isNot ? kAfterNot : kAfterNotDomain)[m_state];
  HRESULT hr = ref->getNode()->acceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: acceptVisitor failed");
  m_state = saved;
  return hr;
}

HRESULT KuvEeNodeNotRemover::visitGroup(KuvEeGroupOp& group, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (!isOn(kind)) return visitBarrier(group);
  if (m_state < RemNots_None || m_state > RemNots_NotDomainThenNot)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  KuvEeNodeRef* ref = group.getNodeRef();
  if (m_state == RemNots_NotDomain || m_state == RemNots_Not) {
    // De Morgan: the dual operator takes over the children, in order, one
    // at a time, so that running out of memory loses none.
    std::unique_ptr<KuvEeNodeRef> dualRef(kind == NodeKind::AndOp ? (new KuvEeOrOp)->getNodeRef()
                                                                  : (new KuvEeAndOp)->getNodeRef());
    auto* dual = static_cast<KuvEeGroupOp*>(dualRef->getNode());
    const KuvInLinkList& children = group.childrenRefs();
    while (!children.IsEmpty())
      if (FAILED(kuv::detail::throwIfOutOfMemory(
              dual->addChild(static_cast<KuvEeNodeRef*>(children.cBegin().Get())->getNode()))))
        KUV_RETURN_ERROR(E_FAIL, "ERROR: addChild failed");
    group.become(dualRef.release()->getNode());
  }
  HRESULT hr = static_cast<KuvEeGroupOp*>(ref->getNode())->childrenAcceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: childrenAcceptVisitor failed");
  return S_OK;
}

HRESULT KuvEeNodeNotRemover::visitLeaf(KuvEeNodeLeaf& leaf, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (!isOn(kind)) return visitBarrier(leaf);
  if (kind == NodeKind::VarEffLeaf) return negateVarEff(static_cast<KuvEeVarEffLeaf&>(leaf));
  if (m_state == RemNots_None) return S_OK;
  if (m_state != RemNots_Not)
    KUV_RETURN_ERROR(E_FAIL, kind == NodeKind::RestrictionEffLeaf ? "ERROR: Incorrect/Unsupported case"
                                                                  : "ERROR: Unexpected/Unsupported case");
  switch (kind) {
    case NodeKind::EffLeaf: {
      HRESULT hr = static_cast<KuvEeEffLeaf&>(leaf).opNot();
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: opNot failed");
      return S_OK;
    }
    case NodeKind::RestrictionEffLeaf: {
      KuvEeRestrictionEff* restriction = static_cast<KuvEeRestrictionEffLeaf&>(leaf).getRestrictionEff();
      if (restriction == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
      restriction->opNot();
      return S_OK;
    }
    default:  // True, False
      leaf.become(kind == NodeKind::True ? static_cast<KuvEeNode*>(new KuvEeFalse) : new KuvEeTrue);
      return S_OK;
  }
}

HRESULT KuvEeNodeNotRemover::negateVarEff(KuvEeVarEffLeaf& leaf) {
  KuvEeVarEff* eff = leaf.getVarEff();
  if (m_state == RemNots_None) return S_OK;
  if (eff == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (kuv::detail::DnfTreeEff::refusesNegation(*eff)) KUV_RETURN_ERROR(E_UNEXPECTED, kCannotNegate);
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
