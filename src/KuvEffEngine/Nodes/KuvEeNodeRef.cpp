#include "KuvEeNodeRef.h"

#include <utility>

#include "KuvEeNode.h"
#include "KuvEeOp.h"

KUV_DEFINE_TYPE(KuvEeNodeRef, KuvInObject)

KuvEeNodeRef::~KuvEeNodeRef() {
  if (m_holder != nullptr) m_holder->forgetChild(this);
  if (KuvEeNode* node = std::exchange(m_node, nullptr)) node->deleteThisOnly();
}

KuvEeNode* KuvEeNodeRef::getNode() const {
  KUV_TRACE_CALL("getNode");
  return m_node;
}

KuvInString KuvEeNodeRef::toString() const {
  std::u16string out, indent;
  writeText(out, indent);
  return KuvInString(OrbUnicodeString(std::move(out)));
}

void KuvEeNodeRef::writeText(std::u16string& out, std::u16string& indent) const {
  KUV_TRACE_CALL("toString");
  if (m_node != nullptr) m_node->writeText(out, indent);
}

KuvEeNode* KuvEeNodeRef::setNode(KuvEeNode* node) {
  KUV_TRACE_CALL("setNode");
  return std::exchange(m_node, node);
}

void KuvEeNodeRef::deleteThisOnly() {
  KUV_TRACE_CALL("deleteThisOnly");
  m_node = nullptr;
  delete this;
}
