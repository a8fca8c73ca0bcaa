// KuvEeExpressionOperation: one change recorded on an effectivity
// expression: a change (a predefined effectivity, or an expression tree) that
// either adds its applicability to the effectivity or cuts it away.
// performOperation applies such an operation to a tree.
//
//     KuvInObject* change = new KuvEePredefEff(...);
//     KuvEeExpressionOperation op(KuvEeExpressionOperation::ADD, change);  // change is null now
//     KuvEeNodeRef* result = nullptr;
//     KuvEeExpressionOperation::performOperation(tree, op, result, nullptr);
//     // result is And(tree, ref), tree is null
//
// Ownership: the operation owns the object it was given and deletes it.
#pragma once

#include <cstdint>
#include <memory>

#include "KuvInObjectVal.h"

class KuvEeModelDico;
class KuvEeNodeRef;

class KUV_API KuvEeExpressionOperation : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeExpressionOperation)

public:
  enum OperationKind : std::int32_t { CUT = 0, ADD = 1, RESERVED = 2 };

  // Takes object over (a KuvEePredefEff or a KuvEeNodeRef) and clears the
  // caller's pointer.
  KuvEeExpressionOperation(OperationKind kind, KuvInObject*& object);
  ~KuvEeExpressionOperation() override;
  KuvEeExpressionOperation(const KuvEeExpressionOperation&) = delete;
  KuvEeExpressionOperation& operator=(const KuvEeExpressionOperation&) = delete;

  OperationKind getKind() const { return m_kind; }
  // The operated object, still owned by the operation.
  KuvInObject* getObject() const { return m_object.get(); }

  // copy: a new operation of the same kind on a copy of the object (a tree
  // is cloned; a predefined effectivity is copied with its name, GUID,
  // status, handler type and tree). Null on entry; stays null on failure.
  HRESULT clone(KuvEeExpressionOperation*& copy) const;

  // out = tree combined with the operation's operand: And(tree, operand)
  // for ADD, And(tree, Not(operand)) for CUT, the operand (or its negation)
  // alone for a null tree. The operand is a new effectivity leaf on a
  // predefined effectivity, or a clone of an operated tree. On success tree
  // is taken over (cleared) and out (null on entry) is the caller's; on
  // failure, and for another kind of object (S_FALSE, nothing done), the
  // caller keeps tree. With a dictionary, a predefined effectivity's
  // expression must be a change expression.
  static HRESULT performOperation(KuvEeNodeRef*& tree, const KuvEeExpressionOperation& operation,
                                  KuvEeNodeRef*& out, KuvEeModelDico* dictionary);
  // Replaces tree by Not(tree); a null tree (no restriction) becomes False.
  static HRESULT performNegate(KuvEeNodeRef*& tree);

  // "ExpressionOperation( " "ADD" | "CUT" | "RESERVED" " - " object " )".
  KuvInString toString() const override;

private:
  OperationKind m_kind;
  std::unique_ptr<KuvInObject> m_object;
};
