#include "KuvEeEffectivityExpression.h"

#include <memory>

#include "KuvEeFalse.h"
#include "KuvEeModelDico.h"
#include "KuvEeNode.h"
#include "KuvEePredefEff.h"
#include "KuvInSet.h"

KUV_DEFINE_TYPE(KuvEeEffectivityExpression, KuvEeMultiModelExpression)

KuvEeEffectivityExpression::KuvEeEffectivityExpression()
    : m_operations(KuvEeExpressionOperation::sType()) {}

KuvEeEffectivityExpression::~KuvEeEffectivityExpression() { m_operations.DeleteAll(); }

HRESULT KuvEeEffectivityExpression::addOperation(KuvEeExpressionOperation::OperationKind kind,
                                                 KuvInObject*& object) {
  KUV_TRACE_CALL("addOperation");
  if (object == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer.");
  if (!KuvEePredefEff::isObjectOfThisType(*object) && !KuvEeNodeRef::isObjectOfThisType(*object))
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: unexpected operation input.");
  // The list is typed for operations, so it takes every one.
  m_operations.PutBack(new KuvEeExpressionOperation(kind, object));
  return S_OK;
}

HRESULT KuvEeEffectivityExpression::popOperation(const KuvEePredefEff* change) {
  KUV_TRACE_CALL("popOperation");
  if (m_operations.IsEmpty()) return S_FALSE;
  const std::int32_t last = m_operations.GetLength() - 1;
  const auto* operation = static_cast<const KuvEeExpressionOperation*>(m_operations.Get(last));
  if (operation->getObject() == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Stack contains a null operation input");
  if (change == nullptr || operation->getObject() != change) return E_NOT_LAST_OPERATION;
  if (change->getPublicationStatus() != KuvEePredefEff::Unpublished) return E_CHANGE_PUBLISHED;
  m_operations.Delete(last);
  return S_OK;
}

HRESULT KuvEeEffectivityExpression::integrateOperations(const KuvInSet& dictionaries) {
  KUV_TRACE_CALL("integrateOperations");
  if (m_operations.IsEmpty()) return S_FALSE;
  HRESULT rc = S_OK;
  std::int32_t done = 0;
  for (; done < m_operations.GetLength(); ++done) {
    rc = integrate(*static_cast<const KuvEeExpressionOperation*>(m_operations.Get(done)), dictionaries);
    if (rc < 0) break;
  }
  for (std::int32_t i = 0; i < done; ++i) delete m_operations.PopFront();
  return rc < 0 ? rc : S_OK;
}

HRESULT KuvEeEffectivityExpression::integrate(const KuvEeExpressionOperation& operation,
                                              const KuvInSet& dictionaries) {
  KuvInObject* object = operation.getObject();
  const KuvEePredefEff* change = object != nullptr ? KuvEePredefEff::cast(*object) : nullptr;
  if (change == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer.");
  switch (change->getType()) {
    case KuvEePredefEff::GLOBAL: {
      KuvEeNodeRef* tree = removeGlobalCriteria();
      KuvEeNodeRef* result = nullptr;
      HRESULT rc = KuvEeExpressionOperation::performOperation(tree, operation, result, nullptr);
      if (rc < 0) {
        setGlobalCriteria(tree);
        KUV_RETURN_ERROR(rc, "ERROR: KuvEeExpressionOperation::performOperation FAILED.");
      }
      if (rc == S_OK) tree = result;
      if (setGlobalCriteria(tree) < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: setGlobalCriteria FAILED.");
      return S_OK;
    }
    case KuvEePredefEff::CONTEXTUAL:
      for (auto it = dictionaries.cBegin(); it.IsValid();) {
        KuvInObject* element = it.GetGoToNext();
        KuvEeModelDico* model = KuvEeModelDico::cast(*element);
        if (model == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved object isn't a KuvEeModelDico.");
        ModelCriteria* taken = nullptr;
        if (removeModelCriteria(model, taken) < 0)
          KUV_RETURN_ERROR(E_FAIL, "ERROR: removeModelCriteria FAILED.");
        std::unique_ptr<ModelCriteria> record(taken != nullptr ? taken : new ModelCriteria());
        KuvEeNodeRef* tree = record->removeCriteria();
        KuvEeNodeRef* result = nullptr;
        HRESULT rc = KuvEeExpressionOperation::performOperation(tree, operation, result, model);
        record->setCriteria(rc == S_OK ? result : tree);
        // An empty record made for the operation does not outlive its failure.
        if (rc < 0 && taken == nullptr) record.reset();
        ModelCriteria* handed = record.release();
        if (handed != nullptr && setModelCriteria(model, handed) < 0) {
          delete handed;
          KUV_RETURN_ERROR(E_FAIL, "ERROR: setModelCriteria FAILED.");
        }
        if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: KuvEeExpressionOperation::performOperation FAILED.");
      }
      return S_OK;
    default:
      KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR: unexpected.");
  }
}

HRESULT KuvEeEffectivityExpression::deleteInheritedCriteria() {
  KUV_TRACE_CALL("deleteInheritedCriteria");
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented until development exists");
}

HRESULT KuvEeEffectivityExpression::substituteReferencedEffsByCriteria(const KuvInSet& /*dictionaries*/) {
  KUV_TRACE_CALL("substituteReferencedEffsByCriteria");
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented until development exists");
}

HRESULT KuvEeEffectivityExpression::transformToView(KuvEeExpressionToolbox::ExpressionView view,
                                                    const KuvInSet& dictionaries) {
  KUV_TRACE_CALL("transformToView");
  if (view < KuvEeExpressionToolbox::SOURCE || view > KuvEeExpressionToolbox::NONE)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected value");
  if ((view == KuvEeExpressionToolbox::CURRENT || view == KuvEeExpressionToolbox::PROJECTED) &&
      hasModelCriteria()) {
    for (auto it = dictionaries.cBegin(); it.IsValid();) {
      KuvEeModelDico* model = KuvEeModelDico::cast(*it.GetGoToNext());
      if (model == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved object isn't a KuvEeModelDico.");
      if (hasModelCriteria(model)) continue;
      KuvEeNodeRef* none = nullptr;
      KuvEeNodeRef* criteria = (new KuvEeFalse())->getNodeRef();
      auto* record = new ModelCriteria(&none, &criteria);
      if (setModelCriteria(model, record) < 0) {
        delete record;
        KUV_RETURN_ERROR(E_FAIL, "ERROR: setModelCriteria FAILED.");
      }
    }
  }
  if (integrateOperations(dictionaries) < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: integrateOperations FAILED.");
  if (view == KuvEeExpressionToolbox::NONE) return S_OK;
  // Evaluating references to changes in a view expands them, which the node
  // expander will do; until then only trees without any remain acceptable.
  bool hasTree = hasGlobalCriteria();
  for (auto it = getAllModelCriteria().cBegin(); !hasTree && !it.IsEnd(); it.Next())
    hasTree = static_cast<const ModelCriteria*>(it.GetVal())->getCriteria() != nullptr;
  if (hasTree) KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: KuvEeExpressionToolbox::ComputeView FAILED.");
  return S_OK;
}

HRESULT KuvEeEffectivityExpression::clone(const KuvEeEffectivityExpression& source,
                                          KuvEeEffectivityExpression*& copy) {
  KUV_TRACE_CALL("clone");
  auto result = std::make_unique<KuvEeEffectivityExpression>();
  if (result->copyCriteriaFrom(source) < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: copy of the criteria FAILED.");
  for (std::int32_t i = 0; i < source.m_operations.GetLength(); ++i) {
    KuvEeExpressionOperation* operation = nullptr;
    if (static_cast<const KuvEeExpressionOperation*>(source.m_operations.Get(i))->clone(operation) < 0)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: copy of an operation FAILED.");
    if (result->m_operations.PutBack(operation) != S_OK) {
      delete operation;
      KUV_RETURN_ERROR(E_FAIL, "ERROR: PutBack failed");
    }
  }
  copy = result.release();
  return S_OK;
}
