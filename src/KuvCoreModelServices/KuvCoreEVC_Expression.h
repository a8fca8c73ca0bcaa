// KuvCoreEVC_Expression: an effectivity split into and-terms
// (KuvCoreEVC_ExpressionAndTerm), each with at most one evolution part, one
// variant part and one change part, whose Or is the effectivity.
//
//     KuvCoreEVC_Expression* split = nullptr;
//     if (SUCCEEDED(KuvCoreEVC_Expression::Create(expression, split))) {
//       KuvInSet terms(KuvCoreEVC_ExpressionAndTerm::sType());
//       split->GetAndTerm(terms);
//       ...
//       delete split;
//     }
//
// Create works on a copy of the expression's tree. The subtrees of one
// family (variant, evolution or change criteria only) are grouped as atoms,
// the tree is developed (And over Or), sibling groups of one family are
// merged and the groups undone; the root is then split. Grouping keeps an
// operator whole only when all its children are groups of exactly its own
// family (KuvEeNodeGroupMaker::GROUP_SAME_FAMILY): And(Or(A, U), B), with A
// and B options and U a unit range, gives the two terms (-, And(A, B), -)
// and (U, B, -), where an operator grouped with any selected families would
// give the single term (Or(A, U), B, -). Dates count as evolution and are
// never grouped; an And keeps one child per family (the last), and
// children of no family (True, False, inherited effectivities) are dropped.
// Development pushes a Not over an operator down to the leaves without
// developing again: the And of Ors it may leave is split as any And.
//
// Ownership: Create hands the caller a new object, which owns its and-terms
// and their trees; the input expression is left as it was.
#pragma once

#include "KuvInLinkList.h"
#include "KuvInObject.h"

class KuvCoreEVC_ExpressionAndTerm;
class KuvEeGenericExpression;
class KuvEeGroupOp;
class KuvEeNodeRef;
class KuvCoreEVC_NodeClassifier;
class KuvInSet;

class KUV_API KuvCoreEVC_Expression : public KuvInObject {
  KUV_DECLARE_TYPE(KuvCoreEVC_Expression)

public:
  ~KuvCoreEVC_Expression() override;
  KuvCoreEVC_Expression(const KuvCoreEVC_Expression&) = delete;
  KuvCoreEVC_Expression& operator=(const KuvCoreEVC_Expression&) = delete;

  // out (null on entry) = the split of the expression's tree, the caller's;
  // it stays null on failure. A list expression ("ERROR: Query expression
  // not suported"), a tree of no family ("ERROR: CASE UNDEFINED NOT
  // SUPPORTED"), a tree of several families whose developed root is no And
  // or Or ("ERROR: NODE TYPE NOT SUPPORTED") or whose Or holds a child of
  // several families that is no And ("ERROR: NODE KIND NOT SUPPORTED") are
  // refused with E_FAIL; a failing step gives its code, and running out of
  // memory E_OUTOFMEMORY.
  static HRESULT Create(const KuvEeGenericExpression& expression, KuvCoreEVC_Expression*& out);

  // Puts every and-term into terms (still this object's); E_FAIL when
  // there is none or the set refuses them, E_OUTOFMEMORY, terms as it was,
  // when memory runs out.
  HRESULT GetAndTerm(KuvInSet& terms) const;

private:
  KuvCoreEVC_Expression();
  static HRESULT create(const KuvEeGenericExpression& expression, KuvCoreEVC_Expression*& out);

  // One and-term of op's children, taken out of it: the last child of each
  // family is that family's part, as classifier's last walk found it.
  HRESULT appendChildren(const KuvCoreEVC_NodeClassifier& classifier, KuvEeGroupOp& op);
  // Takes the parts over, even on failure.
  HRESULT append(KuvEeNodeRef* evolution, KuvEeNodeRef* variant, KuvEeNodeRef* change);

  // KuvCoreEVC_ExpressionAndTerm, owned, in the order of the developed
  // root's children.
  KuvInLinkList m_terms;
};
