// KuvEeOp: an operator node, the owner of its children.
//
// An operator holds each child by its KuvEeNodeRef and deletes the children
// with itself. A child leaves an operator only through the operator
// (deleteChildren, removeChildren and the operations of the group and
// single kinds); deleting a child node or its reference directly also takes
// it out first, so no operator keeps a dangling child. Giving an operator a
// child that another operator holds moves it; giving it itself or one of its
// ancestors is refused (E_INVALIDARG), since a tree cannot contain a cycle.
//
// While childrenAcceptVisitor walks an operator, a visit may rewrite the
// child it is given in place (become, switchWith, the child's own children)
// but must not take children out of the operator being walked.
#pragma once

#include <vector>

#include "KuvEeNode.h"
#include "KuvInLinkList.h"

class KUV_API KuvEeOp : public KuvEeNode {
  KUV_DECLARE_TYPE(KuvEeOp)

public:
  ~KuvEeOp() override;
  KuvEeOp(const KuvEeOp&) = delete;

  virtual void deleteChildren() = 0;
  // Forgets the children without deleting them: whoever kept their
  // references owns them now.
  virtual void removeChildren() = 0;
  // Clears list and fills it with the child references, in order; the list
  // does not own them. E_INVALIDARG, list untouched, when the list refuses
  // node references; E_OUTOFMEMORY, list left empty, when memory runs out.
  virtual HRESULT getChildrenRefs(KuvInLinkList& list) const = 0;
  // Lets every child accept the visitor; see the group and single kinds for
  // the result codes.
  virtual HRESULT childrenAcceptVisitor(KuvEeNodeVisitor& visitor) = 0;

protected:
  KuvEeOp() = default;

  // Checks that node may become a child of this operator: E_INVALIDARG for
  // null, for this operator and for its ancestors.
  HRESULT checkAdoption(const KuvEeNode* node) const;
  // checkAdoption, then leaveHolder.
  HRESULT prepareAdoption(const KuvEeNode* node);
  // The frame of getChildrenRefs, traced on the kind's channel: the list's
  // type check, then fill, the list left empty when memory runs out.
  HRESULT copyChildrenRefs(KuvInTraceClass& channel, KuvInLinkList& list,
                           void (*fill)(const KuvEeOp& self, KuvInLinkList& list)) const;
  // Takes ref out of whatever operator holds it now.
  static void leaveHolder(KuvEeNodeRef* ref);
  // Deletes the subtrees of the references, which no operator holds any
  // more, with a work list instead of recursion: trees of any depth go in
  // constant stack.
  static void destroySubtrees(std::vector<KuvEeNodeRef*>& refs) noexcept;
  // Deletes the children's subtrees as destroySubtrees does; when even the
  // work list cannot be had (memory exhausted), child by child, recursing.
  void destroyChildren() noexcept;
  // Room in refs for more references, grown geometrically; throws
  // std::bad_alloc when there is none.
  static void makeRoom(std::vector<KuvEeNodeRef*>& refs, std::size_t more);

private:
  friend class KuvEeNode;
  friend class KuvEeNodeRef;

  // Whether node is an operator holding a child.
  static bool hasChild(const KuvEeNode& node);

  // Appends the child references to refs and forgets them; a failure to
  // make room throws std::bad_alloc before anything moves.
  void releaseChildrenInto(std::vector<KuvEeNodeRef*>& refs);
  // Deletes each child reference in turn; needs no memory.
  void deleteEachChild() noexcept;
  // Takes ref out of this operator's children, without deleting it, and
  // clears its holder.
  void forgetChild(KuvEeNodeRef* ref);
};
