#include "KuvEeEffectivityExpression.h"

#include <memory>
#include <utility>
#include <vector>

#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeFalse.h"
#include "KuvEeModelDico.h"
#include "KuvEeNode.h"
#include "KuvEeNodeExpander.h"
#include "KuvEePredefEff.h"
#include "KuvInIntHolder.h"
#include "KuvInSet.h"
#include "KuvOutOfMemory.h"

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
  const HRESULT checked = checkIntegration(dictionaries);
  if (checked < 0) return checked;
  HRESULT rc = S_OK;
  std::int32_t done = 0;
  for (; done < m_operations.GetLength(); ++done) {
    rc = integrate(*static_cast<const KuvEeExpressionOperation*>(m_operations.Get(done)), dictionaries);
    if (rc < 0) break;
  }
  for (std::int32_t i = 0; i < done; ++i) delete m_operations.PopFront();
  return rc < 0 ? rc : S_OK;
}

HRESULT KuvEeEffectivityExpression::checkIntegration(const KuvInSet& dictionaries) const {
  for (std::int32_t i = 0; i < m_operations.GetLength(); ++i) {
    const auto& operation = *static_cast<const KuvEeExpressionOperation*>(m_operations.Get(i));
    KuvInObject* object = operation.getObject();
    const KuvEePredefEff* change = object != nullptr ? KuvEePredefEff::cast(*object) : nullptr;
    if (change == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer.");
    if (change->getType() != KuvEePredefEff::GLOBAL && change->getType() != KuvEePredefEff::CONTEXTUAL)
      KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR: unexpected.");
    std::vector<KuvEeModelDico*> models{nullptr};
    if (change->getType() == KuvEePredefEff::CONTEXTUAL) {
      models.clear();
      for (auto it = dictionaries.cBegin(); it.IsValid();) {
        KuvEeModelDico* model = KuvEeModelDico::cast(*it.GetGoToNext());
        if (model == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved object isn't a KuvEeModelDico.");
        models.push_back(model);
      }
    }
    for (KuvEeModelDico* model : models) {
      const HRESULT rc = KuvEeExpressionOperation::check(operation, model);
      if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: KuvEeExpressionOperation::performOperation FAILED.");
    }
  }
  return S_OK;
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
  HRESULT rc = S_FALSE;
  for (auto it = getAllModelCriteria().cBegin(); !it.IsEnd(); it.Next()) {
    auto* record = static_cast<ModelCriteria*>(it.GetVal());
    if (record->getInheritedEffCriteria() == nullptr) continue;
    record->setInheritedEffCriteria(nullptr);
    rc = S_OK;
  }
  return rc;
}

namespace {

using Tree = std::unique_ptr<KuvEeNodeRef>;

// copy = tree, copied, with its references to basic effectivities
// expanded; null for no tree.
HRESULT expandedCopy(const KuvEeNodeRef* tree, KuvEeModelDico* model, Tree& copy) {
  KuvInTraceClass& channel = KuvEeEffectivityExpression::traceChannel();
  if (tree == nullptr) return S_OK;
  copy.reset(tree->getNode()->clone());
  if (copy == nullptr) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: NULL pointer");
  const HRESULT hr = KuvEeNodeExpander().expand(*copy, KuvEeNodeExpander::EXPAND_BASIC, nullptr, model);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: expand failed");
  return S_OK;
}

}  // namespace

HRESULT KuvEeEffectivityExpression::substituteReferencedEffsByCriteria(const KuvInSet& dictionaries) {
  KUV_TRACE_CALL("substituteReferencedEffsByCriteria");
  // Everything is computed on copies first, so a failure changes nothing.
  Tree global;
  HRESULT hr = expandedCopy(getGlobalCriteria(), nullptr, global);
  if (FAILED(hr)) return hr;
  std::vector<std::pair<ModelCriteria*, Tree>> substituted;
  for (auto it = dictionaries.cBegin(); it.IsValid();) {
    KuvEeModelDico* model = KuvEeModelDico::cast(*it.GetGoToNext());
    if (model == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved object isn't a KuvEeModelDico.");
    ModelCriteria* record = getModelCriteria(model);
    if (record == nullptr) continue;
    Tree parts[2];
    hr = expandedCopy(record->getInheritedEffCriteria(), model, parts[0]);
    if (SUCCEEDED(hr)) hr = expandedCopy(record->getCriteria(), model, parts[1]);
    if (FAILED(hr)) return hr;
    // The record stands for the And of its two trees.
    Tree merged = std::move(parts[0] != nullptr ? parts[0] : parts[1]);
    if (parts[1] != nullptr) {
      auto* both = new KuvEeAndOp;
      Tree product(both->getNodeRef());
      // Each part held until adopted: the adoption may run out of memory.
      for (Tree* part : {&merged, &parts[1]}) {
        if (FAILED(kuv::detail::throwIfOutOfMemory(both->addChild((*part)->getNode()))))
          KUV_RETURN_ERROR(E_FAIL, "ERROR: addChild failed");
        part->release();
      }
      merged = std::move(product);
    }
    substituted.emplace_back(record, std::move(merged));
  }
  if (global != nullptr) setGlobalCriteria(global.release());
  for (auto& [record, criteria] : substituted) {
    record->setInheritedEffCriteria(nullptr);
    record->setCriteria(criteria.release());
  }
  return S_OK;
}

HRESULT KuvEeEffectivityExpression::transformToView(KuvEeExpressionToolbox::ExpressionView view,
                                                    const KuvInSet& dictionaries) {
  KUV_TRACE_CALL("transformToView");
  // The whole transformation runs on a copy first (an unknown view is
  // refused there, by the view computation): only when it succeeded
  // is this expression integrated in place (which cannot fail any more) and
  // given the copy's viewed trees.
  KuvEeEffectivityExpression* copy = nullptr;
  if (clone(*this, copy) < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  std::unique_ptr<KuvEeEffectivityExpression> viewed(copy);
  HRESULT hr = viewed->integrateForView(view, dictionaries);
  if (FAILED(hr)) return hr;
  hr = viewed->computeViews(view);
  if (FAILED(hr)) return hr;
  hr = integrateForView(view, dictionaries);
  if (FAILED(hr)) return hr;
  if (hasGlobalCriteria()) setGlobalCriteria(viewed->removeGlobalCriteria());
  for (auto it = getAllModelCriteria().cBegin(); !it.IsEnd(); it.Next()) {
    auto* record = static_cast<ModelCriteria*>(it.GetVal());
    const auto* model = static_cast<const KuvEeModelDico*>(static_cast<const KuvInObjectPtr*>(it.GetKey())->getObject());
    if (ModelCriteria* done = viewed->getModelCriteria(model)) record->setCriteria(done->removeCriteria());
  }
  return S_OK;
}

HRESULT KuvEeEffectivityExpression::transformToViewInPlace(KuvEeExpressionToolbox::ExpressionView view,
                                                           const KuvInSet& dictionaries) {
  KUV_TRACE_CALL("transformToViewInPlace");
  if (view < KuvEeExpressionToolbox::SOURCE || view > KuvEeExpressionToolbox::NONE)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected value");
  const HRESULT hr = integrateForView(view, dictionaries);
  return FAILED(hr) ? hr : computeViews(view);
}

HRESULT KuvEeEffectivityExpression::integrateForView(KuvEeExpressionToolbox::ExpressionView view,
                                                     const KuvInSet& dictionaries) {
  // Every refusal is found before anything changes.
  const bool fill = (view == KuvEeExpressionToolbox::CURRENT || view == KuvEeExpressionToolbox::PROJECTED) &&
                    hasModelCriteria();
  std::vector<KuvEeModelDico*> missing;
  for (auto it = dictionaries.cBegin(); fill && it.IsValid();) {
    KuvEeModelDico* model = KuvEeModelDico::cast(*it.GetGoToNext());
    if (model == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved object isn't a KuvEeModelDico.");
    if (!hasModelCriteria(model)) missing.push_back(model);
  }
  if (checkIntegration(dictionaries) < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: integrateOperations FAILED.");

  for (KuvEeModelDico* model : missing) {
    KuvEeNodeRef* none = nullptr;
    KuvEeNodeRef* criteria = (new KuvEeFalse())->getNodeRef();
    auto* record = new ModelCriteria(&none, &criteria);
    if (setModelCriteria(model, record) < 0) {
      delete record;
      KUV_RETURN_ERROR(E_FAIL, "ERROR: setModelCriteria FAILED.");
    }
  }
  if (integrateOperations(dictionaries) < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: integrateOperations FAILED.");
  return S_OK;
}

HRESULT KuvEeEffectivityExpression::computeViews(KuvEeExpressionToolbox::ExpressionView view) {
  std::vector<std::pair<KuvEeNodeRef*, KuvEeModelDico*>> trees{{getGlobalCriteria(), nullptr}};
  for (auto it = getAllModelCriteria().cBegin(); !it.IsEnd(); it.Next()) {
    auto* model = static_cast<KuvEeModelDico*>(static_cast<const KuvInObjectPtr*>(it.GetKey())->getObject());
    trees.emplace_back(static_cast<const ModelCriteria*>(it.GetVal())->getCriteria(), model);
  }
  for (auto [tree, model] : trees) {
    if (tree == nullptr) continue;
    const HRESULT hr = KuvEeExpressionToolbox::ComputeView(*tree, view, 0, model);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: KuvEeExpressionToolbox::ComputeView FAILED.");
  }
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
