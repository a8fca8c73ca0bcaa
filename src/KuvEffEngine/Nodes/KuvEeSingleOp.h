// KuvEeSingleOp: an operator with one child (none while a tree is being
// built or rewritten): the base of Not and Not-within-the-domain.
#pragma once

#include "KuvEeOp.h"

class KUV_API KuvEeSingleOp : public KuvEeOp {
  KUV_DECLARE_TYPE(KuvEeSingleOp)

public:
  ~KuvEeSingleOp() override;

  void deleteChildren() override;
  void removeChildren() override;
  // The list holds the child reference, or nothing when there is no child.
  HRESULT getChildrenRefs(KuvInLinkList& list) const override;
  // S_OK without a child; otherwise the child's code, unchanged (traced
  // when negative).
  HRESULT childrenAcceptVisitor(KuvEeNodeVisitor& visitor) override;

  // Null when there is no child.
  KuvEeNodeRef* getChildRef() const;
  // Makes ref's node (its whole subtree) the child; null only clears the
  // field. The previous child is not freed: it leaves this operator and
  // belongs to whoever kept its reference. A reference held by another
  // operator is moved here. E_INVALIDARG, nothing changed, when ref
  // designates this node or an ancestor.
  HRESULT setChildRef(KuvEeNodeRef* ref);

protected:
  KuvEeSingleOp() = default;

  // The text form: head, then the child's text (left to steps) with its
  // lines after the first indented by childIndent; noChild stands for a
  // missing child.
  void writeSingle(std::u16string& out, TextSteps& steps, std::u16string_view head,
                   std::u16string_view childIndent, std::u16string_view noChild) const;

private:
  friend class KuvEeOp;

  // Moves the child reference, if any, to refs and forgets it.
  void moveChildTo(std::vector<KuvEeNodeRef*>& refs);
  // Forgets ref when it is the child.
  void unlinkChild(KuvEeNodeRef* ref);

  KuvEeNodeRef* m_childRef = nullptr;
};
