// KuvEeNodeRef: the handle through which a tree holds a node.
//
// A node and its reference form one pair from the node's birth: the node's
// constructor creates the reference, deleting the reference deletes the node
// (and its subtree), and deleting the node deletes the reference. A caller
// holds a tree by its root's reference and frees it by deleting that
// reference; operators hold their children by reference, which is what lets
// a node be replaced (KuvEeNode::become) without its parent noticing.
//
// A reference also knows which operator holds it, if any, so that deleting a
// listed child first takes it out of its parent's list: no parent is ever
// left pointing at freed memory. Only the node classes create references,
// point them elsewhere or move them between operators.
#pragma once

#include "KuvInObjectVal.h"

class KuvEeNode;
class KuvEeOp;

class KUV_API KuvEeNodeRef : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeNodeRef)

public:
  // Takes the reference out of the operator that holds it, then deletes its
  // node and the node's subtree.
  ~KuvEeNodeRef() override;
  KuvEeNodeRef(const KuvEeNodeRef&) = delete;
  KuvEeNodeRef& operator=(const KuvEeNodeRef&) = delete;

  KuvEeNode* getNode() const;
  // The node's text.
  KuvInString toString() const override;

private:
  friend class KuvEeNode;
  friend class KuvEeOp;
  friend class KuvEeGroupOp;
  friend class KuvEeSingleOp;

  explicit KuvEeNodeRef(KuvEeNode* node) : m_node(node) {}
  // Points the reference at node and returns the node it designated.
  KuvEeNode* setNode(KuvEeNode* node);
  // Frees the reference alone: its node, detached first, survives.
  void deleteThisOnly();
  // The node's text, as KuvEeNode::writeText; nothing without a node.
  void writeText(std::u16string& out, std::u16string& indent) const;

  KuvEeNode* m_node;
  // The operator whose child this is; null for a root or a free node.
  KuvEeOp* m_holder = nullptr;
};
