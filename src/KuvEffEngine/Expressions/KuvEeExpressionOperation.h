// KuvEeExpressionOperation: one change recorded on an effectivity
// expression: a change (a predefined effectivity, or an expression tree) that
// either adds its applicability to the effectivity or cuts it away.
// performOperation applies such an operation to a tree.
//
//     KuvInObject* change = eco;  // a KuvEePredefEff the host or a context keeps
//     KuvEeExpressionOperation op(KuvEeExpressionOperation::ADD, change);
//     KuvEeNodeRef* result = nullptr;
//     KuvEeExpressionOperation::performOperation(tree, op, result, nullptr);
//     // result is And(tree, ref eco), tree is null
//
// Ownership: a change action applies to many items, so an operation only
// refers to a predefined effectivity: it belongs to the context that
// registered it, or to the host that created it, and must outlive every
// operation and every tree that refers to it (the trees an integration
// writes refer to it too). Any other object, an expression tree above all,
// is taken over and deleted with the operation. A copy shares the change
// and clones the tree.
#pragma once

#include <cstdint>
#include <memory>

#include "KuvInObjectVal.h"

class KuvEeModelDico;
class KuvEeNodeRef;
class KuvEePredefEff;

class KUV_API KuvEeExpressionOperation : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeExpressionOperation)

public:
  enum OperationKind : std::int32_t { CUT = 0, ADD = 1, RESERVED = 2 };

  // Refers to a KuvEePredefEff (the caller's pointer is left as it is);
  // takes any other object over, a KuvEeNodeRef above all, and clears the
  // caller's pointer.
  KuvEeExpressionOperation(OperationKind kind, KuvInObject*& object);
  ~KuvEeExpressionOperation() override;
  KuvEeExpressionOperation(const KuvEeExpressionOperation&) = delete;
  KuvEeExpressionOperation& operator=(const KuvEeExpressionOperation&) = delete;

  OperationKind getKind() const { return m_kind; }
  // The operated object: the shared change, or the tree the operation owns.
  KuvInObject* getObject() const;

  // copy: a new operation of the same kind on the same change, or on a
  // clone of the tree. Null on entry; stays null on failure.
  HRESULT clone(KuvEeExpressionOperation*& copy) const;

  // out = tree combined with the operation's operand: And(tree, operand)
  // for ADD, And(tree, Not(operand)) for CUT, the operand (or its negation)
  // alone for a null tree. The operand is a new effectivity leaf on a
  // predefined effectivity, or a clone of an operated tree. On success tree
  // is taken over (cleared) and out (null on entry) is the caller's; on
  // failure, and for another kind of object (S_FALSE, nothing done), the
  // caller keeps tree (out of memory too: E_OUTOFMEMORY). With a
  // dictionary, a predefined effectivity's expression must be a change
  // expression.
  static HRESULT performOperation(KuvEeNodeRef*& tree, const KuvEeExpressionOperation& operation,
                                  KuvEeNodeRef*& out, KuvEeModelDico* dictionary);
  // What performOperation would refuse, traced and answered the same way,
  // without building anything: S_OK, S_FALSE for an object that is not an
  // operand, or the refusal's code.
  static HRESULT check(const KuvEeExpressionOperation& operation, KuvEeModelDico* dictionary);
  // Replaces tree by Not(tree); a null tree (no restriction) becomes False.
  // Out of memory, E_OUTOFMEMORY and tree as it was.
  static HRESULT performNegate(KuvEeNodeRef*& tree);

  // "ExpressionOperation( " "ADD" | "CUT" | "RESERVED" " - " object " )".
  KuvInString toString() const override;

private:
  OperationKind m_kind;
  KuvEePredefEff* m_change = nullptr;
  std::unique_ptr<KuvInObject> m_owned;
};
