#include "KuvEeExpressionOperation.h"

#include <new>

#include "KuvEeAndOp.h"
#include "KuvEeChangeExpression.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeFalse.h"
#include "KuvEeNodeCloner.h"
#include "KuvEeNotOp.h"
#include "KuvEePredefEff.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeExpressionOperation, KuvInObject)

namespace {

using Tree = std::unique_ptr<KuvEeNodeRef>;

// A new Not (flag 0) over operand.
// Not(operand), which takes operand once it holds it: until then operand
// stays where it was.
Tree negation(Tree& operand) {
  Tree result((new KuvEeNotOp())->getNodeRef());
  static_cast<KuvEeNotOp*>(result->getNode())->setChildRef(operand.get());
  operand.release();
  return result;
}

}  // namespace

KuvEeExpressionOperation::KuvEeExpressionOperation(OperationKind kind, KuvInObject*& object) : m_kind(kind) {
  m_change = object != nullptr ? KuvEePredefEff::cast(*object) : nullptr;
  if (m_change != nullptr) return;
  m_owned.reset(object);
  object = nullptr;
}

KuvEeExpressionOperation::~KuvEeExpressionOperation() = default;

KuvInObject* KuvEeExpressionOperation::getObject() const {
  return m_change != nullptr ? static_cast<KuvInObject*>(m_change) : m_owned.get();
}

HRESULT KuvEeExpressionOperation::clone(KuvEeExpressionOperation*& copy) const {
  KUV_TRACE_CALL("clone");
  if (m_change != nullptr) {
    KuvInObject* shared = m_change;
    copy = new KuvEeExpressionOperation(m_kind, shared);
    return S_OK;
  }
  std::unique_ptr<KuvInObject> object;
  if (const KuvEeNodeRef* tree = m_owned != nullptr ? KuvEeNodeRef::cast(*m_owned) : nullptr) {
    KuvEeNodeCloner cloner;
    object.reset(cloner.clone(*tree));
    if (object == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  } else if (m_owned != nullptr) {
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  }
  KuvInObject* handed = object.release();
  copy = new KuvEeExpressionOperation(m_kind, handed);
  return S_OK;
}

HRESULT KuvEeExpressionOperation::check(const KuvEeExpressionOperation& operation,
                                        KuvEeModelDico* dictionary) {
  if (const KuvEePredefEff* change = operation.m_change) {
    KuvEeExpression* expression = nullptr;
    if (dictionary != nullptr && change->getExpr(expression) == S_OK &&
        !KuvEeChangeExpression::isObjectOfThisType(*expression))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: the change's expression is not a change expression.");
  } else if (operation.m_owned == nullptr || !KuvEeNodeRef::isObjectOfThisType(*operation.m_owned)) {
    return S_FALSE;
  }
  switch (operation.m_kind) {
    case ADD:
    case CUT:
      return S_OK;
    case RESERVED:
      KUV_RETURN_ERROR(E_FAIL, "ERROR: not supported yet.");
    default:
      KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  }
}

HRESULT KuvEeExpressionOperation::performOperation(KuvEeNodeRef*& tree,
                                                   const KuvEeExpressionOperation& operation,
                                                   KuvEeNodeRef*& out, KuvEeModelDico* dictionary) {
  KUV_TRACE_CALL("performOperation");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    const HRESULT checked = check(operation, dictionary);
    if (checked != S_OK) return checked;
    Tree operand;
    if (operation.m_change != nullptr) {
      operand.reset((new KuvEeEffLeaf(operation.m_change))->getNodeRef());
    } else {
      KuvEeNodeCloner cloner;
      operand.reset(cloner.clone(*KuvEeNodeRef::cast(*operation.m_owned)));
      if (operand == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    }
    if (operation.m_kind == CUT) operand = negation(operand);
    if (tree == nullptr) {
      out = operand.release();
      return S_OK;
    }
    Tree product((new KuvEeAndOp())->getNodeRef());
    auto* andOp = static_cast<KuvEeAndOp*>(product->getNode());
    kuv::detail::throwIfOutOfMemory(andOp->addChild(tree->getNode()));
    try {
      kuv::detail::throwIfOutOfMemory(andOp->addChild(operand->getNode()));
    } catch (...) {
      // Out of memory, the caller's tree stays the caller's.
      andOp->removeChild(tree->getNode());
      throw;
    }
    operand.release();
    tree = nullptr;
    out = product.release();
    return S_OK;
  });
}

HRESULT KuvEeExpressionOperation::performNegate(KuvEeNodeRef*& tree) {
  KUV_TRACE_CALL("performNegate");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (tree == nullptr) {
      tree = (new KuvEeFalse())->getNodeRef();
      return S_OK;
    }
    // The caller's tree stays the caller's until the Not holds it.
    Tree given(tree);
    tree = nullptr;
    try {
      tree = negation(given).release();
    } catch (const std::bad_alloc&) {
      tree = given.release();
      throw;
    }
    return S_OK;
  });
}

KuvInString KuvEeExpressionOperation::toString() const {
  static const char* const kKinds[] = {"CUT", "ADD", "RESERVED"};
  KuvInString text("ExpressionOperation( ");
  text.Append(m_kind >= CUT && m_kind <= RESERVED ? kKinds[m_kind] : "UNKNOWN", " - ",
              getObject() != nullptr ? getObject()->toString() : KuvInString("NULL"), " )");
  return text;
}
