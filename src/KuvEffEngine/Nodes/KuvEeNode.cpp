#include "KuvEeNode.h"

#include <utility>

#include "KuvEeAndOp.h"
#include "KuvEeNodeCloner.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOp.h"
#include "KuvEeOrOp.h"

KUV_DEFINE_TYPE(KuvEeNode, KuvInObject)

KuvEeNode::KuvEeNode() : m_nodeRef(new KuvEeNodeRef(this)) {}

KuvEeNode::KuvEeNode(const KuvEeNode& other) : KuvInObject(other), m_nodeRef(new KuvEeNodeRef(this)) {}

KuvEeNode::~KuvEeNode() {
  if (KuvEeNodeRef* ref = std::exchange(m_nodeRef, nullptr)) ref->deleteThisOnly();
}

KuvEeNodeRef* KuvEeNode::clone() const {
  KUV_TRACE_CALL("clone");
  KuvEeNodeCloner cloner;
  return cloner.clone(*m_nodeRef);
}

KuvEeNodeRef* KuvEeNode::getNodeRef() const {
  KUV_TRACE_CALL("getNodeRef");
  return m_nodeRef;
}

void KuvEeNode::become(KuvEeNode* other) {
  KUV_TRACE_CALL("become");
  if (other == nullptr || other == this) return;
  if (other->isOnPathToRoot(this)) {
    KUV_TRACE_ERROR("ERROR: a node cannot become its own ancestor");
    return;
  }
  becomeUnchecked(other);
}

void KuvEeNode::becomeUnchecked(KuvEeNode* other) {
  // Freeing other's old reference also takes other out of its parent, so a
  // descendant of this node survives the deletion below.
  other->m_nodeRef->deleteThisOnly();
  other->m_nodeRef = m_nodeRef;
  m_nodeRef->setNode(other);
  deleteThisOnly();
}

void KuvEeNode::switchWith(KuvEeNode* other) {
  KUV_TRACE_CALL("switchWith");
  if (other == nullptr || other == this) return;
  if (isOnPathToRoot(other) || other->isOnPathToRoot(this)) {
    KUV_TRACE_ERROR("ERROR: a node cannot switch with its own ancestor");
    return;
  }
  m_nodeRef->setNode(other);
  other->m_nodeRef->setNode(this);
  std::swap(m_nodeRef, other->m_nodeRef);
}

bool KuvEeNode::isOnPathToRoot(const KuvEeNode* node) const {
  if (node == this) return true;
  // Only an operator with a child is an ancestor, and a root has none: most
  // adoptions and replacements need no walk.
  if (node->m_nodeRef == nullptr || node->m_nodeRef->m_holder == nullptr || !KuvEeOp::hasChild(*this)) return false;
  const KuvEeNodeRef* ref = node->m_nodeRef;
  while (ref != nullptr) {
    if (ref->m_node == this) return true;
    ref = ref->m_holder != nullptr ? ref->m_holder->m_nodeRef : nullptr;
  }
  return false;
}

void KuvEeNode::deleteThisOnly() {
  KUV_TRACE_CALL("deleteThisOnly");
  m_nodeRef = nullptr;
  delete this;
}

namespace {
// Appends text to out with indent after every line break.
void appendIndented(std::u16string& out, std::u16string_view text, const std::u16string& indent) {
  for (std::size_t from = 0;;) {
    const std::size_t at = text.find(u'\n', from);
    out.append(text.substr(from, at == std::u16string_view::npos ? at : at - from));
    if (at == std::u16string_view::npos) return;
    out.append(1, u'\n').append(indent);
    from = at + 1;
  }
}
}  // namespace

void KuvEeNode::writeText(std::u16string& out, std::u16string& indent) const {
  // Each child is entered (its mark, its indent) and, once its own steps
  // are done, left (the indent restored, the break before its sibling).
  struct Pending {
    TextStep step;
    std::size_t outer;  // the indent to restore on leaving; npos to enter
  };
  TextSteps steps;
  std::vector<Pending> pending;
  const auto schedule = [&] {
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) pending.push_back({*it, std::u16string::npos});
    steps.clear();
  };
  writeOwnText(out, indent, steps);
  schedule();
  while (!pending.empty()) {
    const Pending next = pending.back();
    pending.pop_back();
    if (next.outer != std::u16string::npos) {
      indent.resize(next.outer);
      if (next.step.separate) out.append(1, u'\n').append(indent).append(u"      ");
      continue;
    }
    out.append(next.step.mark);
    pending.push_back({next.step, indent.size()});
    indent.append(next.step.indentMore);
    if (const KuvEeNode* child = next.step.child->m_node) {
      child->writeOwnText(out, indent, steps);
      schedule();
    }
  }
}

void KuvEeNode::writeOwnText(std::u16string& out, const std::u16string& indent, TextSteps& steps) const {
  // dynamic_cast, not the kind's type: a host's subclass of an operator
  // still writes its subtree rather than asking its own toString again.
  // Leaves, most of a tree, are told apart by one cast.
  if (dynamic_cast<const KuvEeOp*>(this) != nullptr) {
    if (const auto* op = dynamic_cast<const KuvEeAndOp*>(this)) return op->writeTree(out, steps);
    if (const auto* op = dynamic_cast<const KuvEeOrOp*>(this)) return op->writeTree(out, steps);
    if (const auto* op = dynamic_cast<const KuvEeNotOp*>(this)) return op->writeTree(out, steps);
    if (const auto* op = dynamic_cast<const KuvEeNotDomainOp*>(this)) return op->writeTree(out, steps);
  }
  appendIndented(out, toString().GetOrbString().units(), indent);
}

KuvInString KuvEeNode::textForm() const {
  std::u16string out, indent;
  writeText(out, indent);
  return KuvInString(OrbUnicodeString(std::move(out)));
}
