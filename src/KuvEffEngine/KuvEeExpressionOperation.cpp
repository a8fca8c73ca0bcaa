#include "KuvEeExpressionOperation.h"

#include "KuvEeAndOp.h"
#include "KuvEeChangeExpression.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeFalse.h"
#include "KuvEeNodeCloner.h"
#include "KuvEeNotOp.h"
#include "KuvEePredefEff.h"

KUV_DEFINE_TYPE(KuvEeExpressionOperation, KuvInObject)

namespace {

using Tree = std::unique_ptr<KuvEeNodeRef>;

// A new Not (flag 0) over operand.
Tree negation(Tree operand) {
  auto* notOp = new KuvEeNotOp();
  notOp->setChildRef(operand.release());
  return Tree(notOp->getNodeRef());
}

}  // namespace

KuvEeExpressionOperation::KuvEeExpressionOperation(OperationKind kind, KuvInObject*& object)
    : m_kind(kind), m_object(object) {
  object = nullptr;
}

KuvEeExpressionOperation::~KuvEeExpressionOperation() = default;

HRESULT KuvEeExpressionOperation::clone(KuvEeExpressionOperation*& copy) const {
  KUV_TRACE_CALL("clone");
  std::unique_ptr<KuvInObject> object;
  if (const KuvEeNodeRef* tree = m_object != nullptr ? KuvEeNodeRef::cast(*m_object) : nullptr) {
    KuvEeNodeCloner cloner;
    object.reset(cloner.clone(*tree));
    if (object == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  } else if (const KuvEePredefEff* change = m_object != nullptr ? KuvEePredefEff::cast(*m_object) : nullptr) {
    auto changeCopy = std::make_unique<KuvEePredefEff>(change->getName(), change->getGuid().getArray(),
                                                       change->getPublicationStatus(), change->getType());
    if (const KuvEeNodeRef* tree = change->getExpr()) {
      KuvEeNodeCloner cloner;
      KuvEeNodeRef* treeCopy = cloner.clone(*tree);
      if (treeCopy == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
      changeCopy->setExpr(treeCopy);
    }
    KuvEeExpression* expression = nullptr;
    if (change->getExpr(expression) == S_OK) {
      const KuvEeChangeExpression* applicability = KuvEeChangeExpression::cast(*expression);
      if (applicability == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
      KuvEeChangeExpression* applicabilityCopy = nullptr;
      if (KuvEeChangeExpression::clone(*applicability, applicabilityCopy) < 0)
        KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvEeChangeExpression::clone FAILED.");
      KuvEeExpression* handed = applicabilityCopy;
      changeCopy->setExpr(handed);
    }
    object = std::move(changeCopy);
  } else if (m_object != nullptr) {
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  }
  KuvInObject* handed = object.release();
  copy = new KuvEeExpressionOperation(m_kind, handed);
  return S_OK;
}

HRESULT KuvEeExpressionOperation::performOperation(KuvEeNodeRef*& tree,
                                                   const KuvEeExpressionOperation& operation,
                                                   KuvEeNodeRef*& out, KuvEeModelDico* dictionary) {
  KUV_TRACE_CALL("performOperation");
  KuvInObject* object = operation.m_object.get();
  Tree operand;
  if (KuvEePredefEff* change = object != nullptr ? KuvEePredefEff::cast(*object) : nullptr) {
    KuvEeExpression* expression = nullptr;
    if (dictionary != nullptr && change->getExpr(expression) == S_OK &&
        !KuvEeChangeExpression::isObjectOfThisType(*expression))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: the change's expression is not a change expression.");
    operand.reset((new KuvEeEffLeaf(change))->getNodeRef());
  } else if (const KuvEeNodeRef* operated = object != nullptr ? KuvEeNodeRef::cast(*object) : nullptr) {
    KuvEeNodeCloner cloner;
    operand.reset(cloner.clone(*operated));
    if (operand == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  } else {
    return S_FALSE;
  }

  switch (operation.m_kind) {
    case ADD:
      break;
    case CUT:
      operand = negation(std::move(operand));
      break;
    case RESERVED:
      KUV_RETURN_ERROR(E_FAIL, "ERROR: not supported yet.");
    default:
      KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  }
  if (tree == nullptr) {
    out = operand.release();
    return S_OK;
  }
  auto* andOp = new KuvEeAndOp();
  andOp->addChild(tree->getNode());
  andOp->addChild(operand.release()->getNode());
  tree = nullptr;
  out = andOp->getNodeRef();
  return S_OK;
}

HRESULT KuvEeExpressionOperation::performNegate(KuvEeNodeRef*& tree) {
  KUV_TRACE_CALL("performNegate");
  tree = tree == nullptr ? (new KuvEeFalse())->getNodeRef() : negation(Tree(tree)).release();
  return S_OK;
}

KuvInString KuvEeExpressionOperation::toString() const {
  static const char* const kKinds[] = {"CUT", "ADD", "RESERVED"};
  KuvInString text("ExpressionOperation( ");
  text.Append(m_kind >= CUT && m_kind <= RESERVED ? kKinds[m_kind] : "UNKNOWN", " - ",
              m_object != nullptr ? m_object->toString() : KuvInString("NULL"), " )");
  return text;
}
