// KuvEeGroupOp: an operator with any number of children in a significant
// order (text and visiting follow it): the base of And and Or.
//
// Besides the child list operations it carries the local rewriting rules the
// transformations are built from: flattening (appendSameNodes), the
// replacement of an operator left with no child or a single child, and the
// absorption of strong (absorbing) and weak (neutral) children. For an And a
// strong child is False and a weak one True; for an Or the other way round.
// The becomeIf... operations may end this node's life (they return true
// then): continue from its reference.
#pragma once

#include "KuvEeOp.h"

class KUV_API KuvEeGroupOp : public KuvEeOp {
  KUV_DECLARE_TYPE(KuvEeGroupOp)

public:
  // Which children count as equivalent to True or False in the absorption
  // tests. Every int is a valid mode, hence the fixed underlying type.
  enum E_MakeTF : int {
    // Explicit True and False nodes, and any leaf that says it is
    // equivalent to True or False.
    MAKETF_ASK_LEAVES = 0,
    // Explicit True and False nodes only; any other nonzero value too.
    MAKETF_CONSTANTS_ONLY = 1
  };

  ~KuvEeGroupOp() override;

  void deleteChildren() override;
  void removeChildren() override;
  HRESULT getChildrenRefs(KuvInLinkList& list) const override;
  // The children's references themselves, for walks that change nothing:
  // valid until the children change. getChildrenRefs gives a copy.
  const KuvInLinkList& childrenRefs() const { return m_children; }
  // Visits the children in order. The first negative code stops the walk and
  // gives E_FAIL whatever the code was; positive codes do not stop it.
  // S_OK after the last child.
  HRESULT childrenAcceptVisitor(KuvEeNodeVisitor& visitor) override;

  // When exactly one child is left, this node becomes that child (which
  // keeps its own children).
  virtual bool becomeIfSingleChild();
  // becomeIfNoChild, else becomeIfSingleChild.
  virtual bool becomeIfNoOrSingleChild();
  // Without children an And becomes True and an Or False.
  virtual bool becomeIfNoChild() = 0;
  virtual bool hasStrongNode(E_MakeTF mode) const = 0;
  // When a child is strong, this node becomes the absorbing constant and its
  // children go with it.
  virtual bool becomeIfHasStrongNode(E_MakeTF mode) = 0;
  // Deletes the weak children; the others keep their order.
  virtual void removeWeakNodes(E_MakeTF mode) = 0;

  // Appends node (its whole subtree) as the last child. A node held by
  // another operator is moved here; one already held here moves to the end.
  // E_INVALIDARG, nothing changed, for null, this node or an ancestor;
  // E_OUTOFMEMORY, nothing changed, when memory runs out.
  HRESULT addChild(KuvEeNode* node);
  // Deletes the child node and its subtree; S_FALSE when node is not a
  // child of this operator.
  HRESULT deleteChild(KuvEeNode* node);
  // Takes the child node out without deleting it: the caller owns it then.
  // S_FALSE when node is not a child of this operator.
  HRESULT removeChild(KuvEeNode* node);
  // Flattens one level: each child of this node's own kind is replaced, in
  // place, by its children. And(And(a, b), c) gives And(a, b, c);
  // And(And(And(a, b), c), d) gives And(And(a, b), c, d).
  void appendSameNodes();

protected:
  KuvEeGroupOp();

  bool hasChildren() const { return !m_children.IsEmpty(); }
  // Whether some child is True (value true) or False (value false), or,
  // under MAKETF_ASK_LEAVES, a leaf equivalent to it.
  bool hasChildEquivalentTo(bool value, E_MakeTF mode) const;
  void deleteChildrenEquivalentTo(bool value, E_MakeTF mode);
  // This node becomes a new constant node of the given value.
  void becomeConstant(bool value);
  // The text form: head, then the children (left to steps) one under the
  // other, each behind its branch mark.
  void writeGroup(std::u16string& out, TextSteps& steps, std::u16string_view head) const;

private:
  friend class KuvEeOp;

  // Appends the child references to refs and forgets them.
  void moveChildrenTo(std::vector<KuvEeNodeRef*>& refs);
  // Takes ref out of the children without deleting it.
  void unlinkChild(KuvEeNodeRef* ref);
  HRESULT takeOut(KuvEeNode* node, bool destroy);

  // Element type KuvEeNodeRef; owned, holder pointers set to this.
  KuvInLinkList m_children;
};
