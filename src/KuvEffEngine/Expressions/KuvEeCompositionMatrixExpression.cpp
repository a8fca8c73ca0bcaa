#include "KuvEeCompositionMatrixExpression.h"

#include "KuvEeModelDico.h"
#include "KuvEeNode.h"
#include "KuvEeNodeCloner.h"
#include "KuvInIntHolder.h"
#include "KuvEeNodeSimplifier.h"

KUV_DEFINE_TYPE(KuvEeCompositionMatrixExpression, KuvEeExpression)

namespace {

HRESULT getCriteria(const KuvInMap& part, const KuvEeModelDico* model, KuvEeNodeRef*& tree) {
  tree = static_cast<KuvEeNodeRef*>(part.Get(KuvInObjectPtr(const_cast<KuvEeModelDico*>(model))));
  return tree != nullptr ? S_OK : S_FALSE;
}

// Stores tree under model, deleting the model's previous tree.
void adopt(KuvInMap& part, KuvEeModelDico* model, KuvEeNodeRef* tree) {
  const KuvInObjectPtr key(model);
  KuvInObject* previous = part.Get(key);
  part.Put(key, tree);
  if (previous != tree) delete previous;
}

HRESULT nullPointer(HRESULT code) {
  KUV_RETURN_ERROR_ON(KuvEeCompositionMatrixExpression::traceChannel(), code, "ERROR: NULL pointer");
}

HRESULT setCriteria(KuvInMap& part, KuvEeModelDico* model, KuvEeNodeRef*& tree) {
  if (model == nullptr || tree == nullptr) return nullPointer(E_INVALIDARG);
  adopt(part, model, tree);
  tree = nullptr;
  return S_OK;
}

HRESULT copyCriteria(KuvInMap& part, KuvEeModelDico* model, const KuvEeNodeRef& tree) {
  if (model == nullptr) return nullPointer(E_INVALIDARG);
  KuvEeNodeRef* copy = KuvEeNodeCloner().clone(tree);
  if (copy == nullptr) return nullPointer(E_FAIL);
  adopt(part, model, copy);
  return S_OK;
}

HRESULT visitAll(const KuvInMap& part, KuvEeNodeVisitor& visitor) {
  HRESULT rc = S_OK;
  for (auto it = part.cBegin(); rc >= 0 && !it.IsEnd(); it.Next())
    rc = static_cast<KuvEeNodeRef*>(it.GetVal())->getNode()->acceptVisitor(visitor);
  return rc;
}

}  // namespace

KuvEeCompositionMatrixExpression::KuvEeCompositionMatrixExpression()
    : m_if(KuvInObjectPtr::sType(), KuvEeNodeRef::sType()),
      m_then(KuvInObjectPtr::sType(), KuvEeNodeRef::sType()) {}

KuvEeCompositionMatrixExpression::~KuvEeCompositionMatrixExpression() {
  m_if.DeleteAll();
  m_then.DeleteAll();
}

HRESULT KuvEeCompositionMatrixExpression::IF_GetCriteria(const KuvEeModelDico* model,
                                                         KuvEeNodeRef*& tree) const {
  KUV_TRACE_CALL("IF_GetCriteria");
  return getCriteria(m_if, model, tree);
}

HRESULT KuvEeCompositionMatrixExpression::THEN_GetCriteria(const KuvEeModelDico* model,
                                                           KuvEeNodeRef*& tree) const {
  KUV_TRACE_CALL("THEN_GetCriteria");
  return getCriteria(m_then, model, tree);
}

const KuvInMap& KuvEeCompositionMatrixExpression::IF_GetAllCriteria() const { return m_if; }

const KuvInMap& KuvEeCompositionMatrixExpression::THEN_GetAllCriteria() const { return m_then; }

HRESULT KuvEeCompositionMatrixExpression::IF_SetCriteria(KuvEeModelDico* model, KuvEeNodeRef*& tree) {
  KUV_TRACE_CALL("IF_SetCriteria");
  return setCriteria(m_if, model, tree);
}

HRESULT KuvEeCompositionMatrixExpression::IF_SetCriteria(KuvEeModelDico* model, const KuvEeNodeRef& tree) {
  KUV_TRACE_CALL("IF_SetCriteria");
  return copyCriteria(m_if, model, tree);
}

HRESULT KuvEeCompositionMatrixExpression::THEN_SetCriteria(KuvEeModelDico* model, KuvEeNodeRef*& tree) {
  KUV_TRACE_CALL("THEN_SetCriteria");
  return setCriteria(m_then, model, tree);
}

HRESULT KuvEeCompositionMatrixExpression::THEN_SetCriteria(KuvEeModelDico* model, const KuvEeNodeRef& tree) {
  KUV_TRACE_CALL("THEN_SetCriteria");
  return copyCriteria(m_then, model, tree);
}

HRESULT KuvEeCompositionMatrixExpression::runConstVisitor(KuvEeNodeVisitor& visitor) const {
  KUV_TRACE_CALL("runConstVisitor");
  HRESULT rc = visitAll(m_if, visitor);
  if (rc >= 0) rc = visitAll(m_then, visitor);
  if (rc < 0) KUV_TRACE_ERROR("ERROR: acceptVisitor failed");
  return rc;
}

HRESULT KuvEeCompositionMatrixExpression::simplify() {
  KUV_TRACE_CALL("simplify");
  KuvEeNodeSimplifier simplifier;
  for (const KuvInMap* part : {&m_if, &m_then}) {
    for (auto it = part->cBegin(); !it.IsEnd(); it.Next()) {
      HRESULT rc = simplifier.simplify(*static_cast<KuvEeNodeRef*>(it.GetVal()));
      if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: simplify failed");
    }
  }
  return S_OK;
}
