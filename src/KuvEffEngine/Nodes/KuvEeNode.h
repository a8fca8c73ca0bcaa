// KuvEeNode: a node of a configuration expression, a Boolean tree whose inner
// nodes are And, Or, Not and Not-within-the-domain operators and whose leaves
// are True, False and criterion leaves.
//
// Every node is born with its KuvEeNodeRef (see there for ownership). Trees
// are rewritten in place: `become` puts another node in this node's place and
// destroys this one, `switchWith` makes two nodes exchange places. After any
// call that may replace a node, continue from its reference, never from the
// old node pointer:
//
//     KuvEeNodeRef* root = (new KuvEeAndOp)->getNodeRef();
//     ...
//     KuvEeAndOp::cast(*root->getNode())->becomeIfNoOrSingleChild();
//     KuvEeNode* now = root->getNode();
//     delete root;  // frees the whole tree
//
// Walks are visitors (KuvEeNodeVisitor); copies are made with clone().
// Deleting a tree and writing its text take constant stack whatever its
// depth; visitors recurse once per level. The text form is written in one
// pass: its size grows with depth (every line is indented under its
// parents), its time only with that size.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "KuvEeNodeRef.h"

class KuvEeNodeVisitor;

class KUV_API KuvEeNode : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeNode)

public:
  // Takes the node out of its parent (if any) and frees its reference.
  ~KuvEeNode() override;
  KuvEeNode& operator=(const KuvEeNode&) = delete;

  // Calls the visitor's operation for this node's kind and returns its code.
  virtual HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) = 0;
  // A deep copy of the subtree, owned by the caller; null when some node
  // cannot be copied.
  virtual KuvEeNodeRef* clone() const;

  KuvEeNodeRef* getNodeRef() const;
  // other takes this node's place (its reference, hence its parent or its
  // caller) and this node is deleted with whatever children it still holds.
  // other leaves its own place first (its old reference is freed), so other
  // may be a descendant of this node. Refused with a trace when other is an
  // ancestor of this node: that would make a cycle.
  void become(KuvEeNode* other);
  // The two nodes exchange places; nothing is freed. Refused with a trace
  // when one is an ancestor of the other.
  void switchWith(KuvEeNode* other);

protected:
  KuvEeNode();
  // A copy is a new node with a reference of its own, in no tree.
  KuvEeNode(const KuvEeNode& other);
  // become, for an other that the caller knows is no ancestor of this node.
  void becomeUnchecked(KuvEeNode* other);
  // A child an operator's text is still to show: its branch mark, then its
  // text with its lines indented further by indentMore, then a line break
  // under the operator's head when siblings follow. A work list of these,
  // instead of recursion, lets trees of any depth print.
  struct TextStep {
    const KuvEeNodeRef* child;
    std::u16string_view mark;
    std::u16string_view indentMore;
    bool separate;
  };
  using TextSteps = std::vector<TextStep>;

  // Appends the node's text to out, each line after its first led by
  // indent. Operators write their subtrees into the same buffer; any other
  // node appends its toString(). Not virtual: the virtual slots of the node
  // classes are part of the interface, so operators are told apart here.
  void writeText(std::u16string& out, std::u16string& indent) const;
  // The text writeText gives with no indent: operators' toString.
  KuvInString textForm() const;

private:
  friend class KuvEeNodeRef;
  friend class KuvEeOp;
  friend class KuvEeNodeExpander;  // puts fresh copies in place of leaves

  // Whether this node lies on the path from node up to its root (node
  // itself included).
  bool isOnPathToRoot(const KuvEeNode* node) const;
  // Frees the node alone: its reference, detached first, survives.
  void deleteThisOnly();
  // This node's own part of writeText: an operator writes its head and
  // leaves its children to steps.
  void writeOwnText(std::u16string& out, const std::u16string& indent, TextSteps& steps) const;

  KuvEeNodeRef* m_nodeRef;
};
