#include "KuvEeSingleOp.h"

#include <utility>

#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeSingleOp, KuvEeOp)

KuvEeSingleOp::~KuvEeSingleOp() { destroyChildren(); }

void KuvEeSingleOp::deleteChildren() {
  KUV_TRACE_CALL("deleteChildren");
  destroyChildren();
}

void KuvEeSingleOp::removeChildren() {
  KUV_TRACE_CALL("removeChildren");
  if (m_childRef != nullptr) unlinkChild(m_childRef);
}

HRESULT KuvEeSingleOp::getChildrenRefs(KuvInLinkList& list) const {
  return copyChildrenRefs(traceChannel(), list, [](const KuvEeOp& self, KuvInLinkList& out) {
    out.Clear();
    if (KuvEeNodeRef* child = static_cast<const KuvEeSingleOp&>(self).m_childRef) out.PutBack(child);
  });
}

HRESULT KuvEeSingleOp::childrenAcceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("childrenAcceptVisitor");
  if (m_childRef == nullptr) return S_OK;
  HRESULT hr = m_childRef->getNode()->acceptVisitor(visitor);
  if (FAILED(hr)) KUV_TRACE_ERROR("ERROR: acceptVisitor failed");
  return hr;
}

KuvEeNodeRef* KuvEeSingleOp::getChildRef() const {
  KUV_TRACE_CALL("getChildRef");
  return m_childRef;
}

HRESULT KuvEeSingleOp::setChildRef(KuvEeNodeRef* ref) {
  KUV_TRACE_CALL("setChildRef");
  if (ref == m_childRef) return S_OK;
  if (ref != nullptr) {
    HRESULT hr = prepareAdoption(ref->getNode());
    if (FAILED(hr)) return hr;
  }
  removeChildren();
  m_childRef = ref;
  if (ref != nullptr) ref->m_holder = this;
  return S_OK;
}

void KuvEeSingleOp::writeSingle(std::u16string& out, TextSteps& steps, std::u16string_view head,
                                std::u16string_view childIndent, std::u16string_view noChild) const {
  out.append(head);
  if (m_childRef == nullptr)
    out.append(noChild);
  else
    steps.push_back({m_childRef, u"", childIndent, false});
}

void KuvEeSingleOp::moveChildTo(std::vector<KuvEeNodeRef*>& refs) {
  if (m_childRef == nullptr) return;
  makeRoom(refs, 1);
  m_childRef->m_holder = nullptr;
  refs.push_back(std::exchange(m_childRef, nullptr));
}

void KuvEeSingleOp::unlinkChild(KuvEeNodeRef* ref) {
  if (ref != m_childRef) return;
  m_childRef->m_holder = nullptr;
  m_childRef = nullptr;
}
