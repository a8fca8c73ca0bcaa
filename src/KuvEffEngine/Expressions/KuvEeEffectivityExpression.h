// KuvEeEffectivityExpression: the validity of an item, a multi-model
// expression with a stack of change operations. Change actions record an
// add or a cut of a predefined effectivity; integrating the stack rewrites
// the trees, and a view decides how references to changes are evaluated.
//
//     KuvInObject* change = eco;  // a KuvEePredefEff, still the host's
//     expression.addOperation(KuvEeExpressionOperation::ADD, change);
//     expression.integrateOperations(dictionaries);  // trees rewritten, stack empty
//
// Ownership: besides what a multi-model expression owns, the expression owns
// its operations and the trees they operate. The changes (predefined
// effectivities) are shared, never deleted here: one change action applies
// to many items, and belongs to the context that registered it or to the
// host that created it. It must outlive the expressions whose operations or
// trees refer to it; clones share it.
#pragma once

#include "KuvEeExpressionToolbox.h"
#include "KuvEeMultiModelExpression.h"
#include "KuvInList.h"

class KuvEePredefEff;

class KUV_API KuvEeEffectivityExpression : public KuvEeMultiModelExpression {
  KUV_DECLARE_TYPE(KuvEeEffectivityExpression)

public:
  // popOperation's refusals.
  static constexpr HRESULT E_NOT_LAST_OPERATION = static_cast<HRESULT>(0x80090109u);
  static constexpr HRESULT E_CHANGE_PUBLISHED = static_cast<HRESULT>(0x80090111u);

  KuvEeEffectivityExpression();
  ~KuvEeEffectivityExpression() override;

  // The KuvEeExpressionOperation records, oldest first, owned by the
  // expression.
  const KuvInList& getOperationStack() const { return m_operations; }
  bool hasOperations() const { return !m_operations.IsEmpty(); }
  // Pushes an operation of kind on object: a KuvEePredefEff, referred to,
  // or a KuvEeNodeRef, taken over (the caller's pointer is cleared).
  // E_INVALIDARG for a null object or another kind (the caller keeps it).
  HRESULT addOperation(KuvEeExpressionOperation::OperationKind kind, KuvInObject*& object);
  // Removes and deletes the last operation (not the change) when it is on
  // change and the change is unpublished. S_FALSE for an empty stack;
  // 0x80090109 when the last operation is on another object; 0x80090111
  // when the change is officialized or rejected (the stack is kept).
  HRESULT popOperation(const KuvEePredefEff* change);
  // Performs every operation, oldest first: a global change on the global
  // criteria, a contextual one on the criteria tree of each of dictionaries
  // (KuvEeModelDico). Empties the stack when all succeeded; S_FALSE for an
  // empty stack. Every refusal is found before any tree changes, so a
  // failing call leaves the expression as it was.
  HRESULT integrateOperations(const KuvInSet& dictionaries);
  // Deletes the inherited-effectivity tree (the first tree) of every
  // dictionary's model criteria; the records and their criteria trees stay.
  // S_FALSE when no record had one.
  HRESULT deleteInheritedCriteria();
  // Replaces the references to basic (inherited) effectivities by what
  // defines them (KuvEeNodeExpander, EXPAND_BASIC): in the global criteria,
  // and in both trees of the model criteria of each of dictionaries
  // (KuvEeModelDico; those without a record are skipped, those of other
  // dictionaries left alone), each leaf read for its own dictionary. A
  // substituted record keeps one criteria tree, the And of its two trees,
  // and no inherited tree: what it holds are criteria now, no longer
  // references, and deleteInheritedCriteria must not drop them. Changes are
  // kept. A failure ("ERROR: Retrieved object isn't a KuvEeModelDico.", an
  // expansion's) changes nothing.
  HRESULT substituteReferencedEffsByCriteria(const KuvInSet& dictionaries);
  // Brings the expression to view: dictionaries without model criteria get
  // False criteria (current and projected views), the operations are
  // integrated, then the references to changes in the global criteria and
  // in each dictionary's criteria tree are evaluated in the view
  // (KuvEeExpressionToolbox::ComputeView with the flag clear; the view NONE
  // leaves them as they are). Inherited trees are not touched. A failing
  // call changes nothing: the work is done on a copy first.
  // The views have the values of KuvExpressionView, which lives above this
  // module.
  HRESULT transformToView(KuvEeExpressionToolbox::ExpressionView view, const KuvInSet& dictionaries);
  // transformToView without the copy, for an expression (usually a copy
  // itself) that the caller drops when the call fails: a failure may leave
  // it half transformed.
  HRESULT transformToViewInPlace(KuvEeExpressionToolbox::ExpressionView view, const KuvInSet& dictionaries);

  // copy: a new expression with copies of source's criteria and operations,
  // the caller's; null on entry, stays null on failure.
  static HRESULT clone(const KuvEeEffectivityExpression& source, KuvEeEffectivityExpression*& copy);

private:
  // What integrate would refuse, for every operation of the stack, traced
  // as integrating would; nothing changes.
  HRESULT checkIntegration(const KuvInSet& dictionaries) const;
  // transformToView's first two steps, in place; every refusal is found
  // before anything changes.
  HRESULT integrateForView(KuvEeExpressionToolbox::ExpressionView view, const KuvInSet& dictionaries);
  // transformToView's last step, in place: ComputeView on the global
  // criteria and each dictionary's criteria tree.
  HRESULT computeViews(KuvEeExpressionToolbox::ExpressionView view);
  // Performs one operation of the stack on the trees.
  HRESULT integrate(const KuvEeExpressionOperation& operation, const KuvInSet& dictionaries);

  // Owned KuvEeExpressionOperation records.
  KuvInList m_operations;
};
