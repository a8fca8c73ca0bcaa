#include "KuvEeGroupOp.h"

#include "KuvEeFalse.h"
#include "KuvEeNodeVisitor.h"
#include "KuvEeTrue.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeGroupOp, KuvEeOp)

namespace {

KuvEeNodeRef* refAt(const KuvInLinkList::const_iterator& it) { return static_cast<KuvEeNodeRef*>(it.Get()); }

// Whether node counts as the constant value under mode.
bool isEquivalentTo(const KuvEeNode& node, bool value, KuvEeGroupOp::E_MakeTF mode) {
  if (value ? KuvEeTrue::isObjectOfThisType(node) : KuvEeFalse::isObjectOfThisType(node)) return true;
  if (mode != KuvEeGroupOp::MAKETF_ASK_LEAVES) return false;
  const KuvEeNodeLeaf* leaf = KuvEeNodeLeaf::cast(node);
  return leaf != nullptr && (value ? leaf->isEquivalentToTrue() : leaf->isEquivalentToFalse());
}

}  // namespace

KuvEeGroupOp::KuvEeGroupOp() : m_children(KuvEeNodeRef::sType()) {}

KuvEeGroupOp::~KuvEeGroupOp() { destroyChildren(); }

void KuvEeGroupOp::deleteChildren() {
  KUV_TRACE_CALL("deleteChildren");
  destroyChildren();
}

void KuvEeGroupOp::removeChildren() {
  KUV_TRACE_CALL("removeChildren");
  for (KuvInLinkList::iterator it = m_children.Begin(); it.IsValid(); it.Next())
    refAt(it)->m_holder = nullptr;
  m_children.Clear();
}

HRESULT KuvEeGroupOp::getChildrenRefs(KuvInLinkList& list) const {
  return copyChildrenRefs(traceChannel(), list, [](const KuvEeOp& self, KuvInLinkList& out) {
    out = static_cast<const KuvEeGroupOp&>(self).m_children;
  });
}

HRESULT KuvEeGroupOp::childrenAcceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("childrenAcceptVisitor");
  for (KuvInLinkList::iterator it = m_children.Begin(); it.IsValid(); it.Next())
    if (FAILED(refAt(it)->getNode()->acceptVisitor(visitor))) return E_FAIL;
  return S_OK;
}

bool KuvEeGroupOp::becomeIfSingleChild() {
  KUV_TRACE_CALL("becomeIfSingleChild");
  if (m_children.GetLength() != 1) return false;
  auto* child = static_cast<KuvEeNodeRef*>(m_children.PopFront());
  child->m_holder = nullptr;
  // A former child is no ancestor.
  becomeUnchecked(child->getNode());
  return true;
}

bool KuvEeGroupOp::becomeIfNoOrSingleChild() {
  KUV_TRACE_CALL("becomeIfNoOrSingleChild");
  return becomeIfNoChild() || becomeIfSingleChild();
}

HRESULT KuvEeGroupOp::addChild(KuvEeNode* node) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KUV_TRACE_CALL("addChild");
    HRESULT hr = checkAdoption(node);
    if (FAILED(hr)) return hr;
    KuvEeNodeRef* ref = node->getNodeRef();
    // Room in the list first: running out of memory leaves the node where it
    // was. A child added again leaves its earlier place, the first found.
    m_children.PutBack(ref);
    leaveHolder(ref);
    ref->m_holder = this;
    return S_OK;
  });
}

HRESULT KuvEeGroupOp::deleteChild(KuvEeNode* node) {
  KUV_TRACE_CALL("deleteChild");
  return takeOut(node, true);
}

HRESULT KuvEeGroupOp::removeChild(KuvEeNode* node) {
  KUV_TRACE_CALL("removeChild");
  return takeOut(node, false);
}

void KuvEeGroupOp::appendSameNodes() {
  KUV_TRACE_CALL("appendSameNodes");
  const KuvInObjectTypeClass* kind = dType();
  for (KuvInLinkList::iterator it = m_children.Begin(); it.IsValid();) {
    KuvEeNodeRef* ref = refAt(it);
    KuvEeGroupOp* same = KuvEeGroupOp::cast(*ref->getNode());
    if (same == nullptr || !KuvInObjectTypeClass::isa(same->dType(), kind)) {
      it.Next();
      continue;
    }
    // The lifted children land before the iterator, so this pass does not
    // look at them again.
    it.InsertList(same->m_children);
    for (KuvInLinkList::iterator lifted = same->m_children.Begin(); lifted.IsValid(); lifted.Next())
      refAt(lifted)->m_holder = this;
    same->m_children.Clear();
    it.RemoveGoToNext();
    ref->m_holder = nullptr;
    delete ref;
  }
}

bool KuvEeGroupOp::hasChildEquivalentTo(bool value, E_MakeTF mode) const {
  for (KuvInLinkList::const_iterator it = m_children.cBegin(); it.IsValid(); it.Next())
    if (isEquivalentTo(*refAt(it)->getNode(), value, mode)) return true;
  return false;
}

void KuvEeGroupOp::deleteChildrenEquivalentTo(bool value, E_MakeTF mode) {
  for (KuvInLinkList::iterator it = m_children.Begin(); it.IsValid();) {
    KuvEeNodeRef* ref = refAt(it);
    if (!isEquivalentTo(*ref->getNode(), value, mode)) {
      it.Next();
      continue;
    }
    it.RemoveGoToNext();
    ref->m_holder = nullptr;
    delete ref;
  }
}

void KuvEeGroupOp::becomeConstant(bool value) {
  become(value ? static_cast<KuvEeNode*>(new KuvEeTrue) : new KuvEeFalse);
}

void KuvEeGroupOp::writeGroup(std::u16string& out, TextSteps& steps, std::u16string_view head) const {
  out.append(head);
  const std::int32_t count = m_children.GetLength();
  for (KuvInLinkList::const_iterator it = m_children.cBegin(); it.IsValid(); it.Next()) {
    const bool last = it.IsLast();
    // A child's lines sit under the head, behind a bar while siblings follow.
    steps.push_back({refAt(it),
                     count < 2      ? u"--"
                     : it.IsBegin() ? u"/-"
                     : last         ? u"\\-"
                                    : u"|-",
                     last ? u"        " : u"      | ", !last});
  }
}

void KuvEeGroupOp::moveChildrenTo(std::vector<KuvEeNodeRef*>& refs) {
  makeRoom(refs, static_cast<std::size_t>(m_children.GetLength()));
  for (KuvInLinkList::iterator it = m_children.Begin(); it.IsValid(); it.Next()) {
    KuvEeNodeRef* ref = refAt(it);
    ref->m_holder = nullptr;
    refs.push_back(ref);
  }
  m_children.Clear();
}

void KuvEeGroupOp::unlinkChild(KuvEeNodeRef* ref) {
  KuvInLinkList::iterator it = m_children.Begin();
  while (it.IsValid() && it.Get() != ref) it.Next();
  if (!it.IsValid()) return;
  it.RemoveGoToNext();
  ref->m_holder = nullptr;
}

HRESULT KuvEeGroupOp::takeOut(KuvEeNode* node, bool destroy) {
  KuvEeNodeRef* ref = node != nullptr ? node->getNodeRef() : nullptr;
  if (ref == nullptr || ref->m_holder != this) return S_FALSE;
  unlinkChild(ref);
  if (destroy) delete ref;
  return S_OK;
}
