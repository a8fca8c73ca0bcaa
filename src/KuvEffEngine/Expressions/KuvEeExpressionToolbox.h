// KuvEeExpressionToolbox: static services over expressions and their trees:
// the applying views (the same values as KuvExpressionView), bringing a tree
// to a view, and simplifying or developing the one part of an expression
// that is not references to named effectivities.
//
//     KuvEeExpressionToolbox::ComputeView(*root, KuvEeExpressionToolbox::CURRENT, 0, &model);
//     KuvEeExpressionToolbox::Simplify(expression, 1);
//
// A view evaluates the references to predefined effectivities (changes)
// as the node expander does in the view's mode: the source view keeps them,
// the current view expands the officialized ones, the projected view every
// one that is not rejected; the last two make rejected ones False. With the
// flag set, references to basic effectivities are expanded too.
//
// Simplify and RemoveNot_And_Develop work on the part that the pattern
// checker (KuvEeNodeEVCFPatternChecker) finds: the whole tree when it holds
// no references, the criteria beside one group of references, nothing when
// it is only references; any other shape is refused (E_FAIL, "ERROR:
// expression not compatible with the pattern.").
//
// Ownership: every operation works in place on trees the caller (or the
// expression) keeps owning; nothing is handed over. A failure may leave a
// tree half transformed.
#pragma once

#include "KuvInObject.h"

class KuvEeExpression;
class KuvEeGenericExpression;
class KuvEeModelDico;
class KuvEeNodeRef;

class KUV_API KuvEeExpressionToolbox : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeExpressionToolbox)

public:
  enum ExpressionView : std::int32_t { SOURCE = 0, CURRENT = 1, PROJECTED = 2, NONE = 3 };

  KuvEeExpressionToolbox() = delete;

  // With active 0, nothing is done (S_OK). Otherwise expression must be a
  // generic expression ("ERROR: unexpected case.", E_FAIL): a list is left
  // alone (S_FALSE); the part of its tree is simplified.
  static HRESULT Simplify(KuvEeExpression& expression, unsigned char active);
  // With active 0, nothing is done (S_OK). Otherwise the negations of the
  // part of tree are pushed down to the leaves and the part is developed
  // (And distributed over Or). The root may be replaced.
  static HRESULT RemoveNot_And_Develop(KuvEeNodeRef& tree, unsigned char active);

  // Brings tree to view (NONE: unchanged); dictionary (may be null) is the
  // one whose criteria the changes stand for, null for global criteria.
  // E_FAIL for another view ("ERROR: Unexpected value") or when the
  // expansion fails. The root may be replaced.
  static HRESULT ComputeView(KuvEeNodeRef& tree, ExpressionView view, unsigned char flag,
                             KuvEeModelDico* dictionary);
  // The same on the expression's tree, without a dictionary; a list is left
  // as it is (S_OK), an expression without a tree refused ("ERROR: NULL
  // pointer", E_FAIL).
  static HRESULT ComputeView(KuvEeGenericExpression& expression, ExpressionView view, unsigned char flag);
};
