#include "KuvEeEffectivityExpression.h"

#include <memory>
#include <vector>

#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeFalse.h"
#include "KuvEeModelDico.h"
#include "KuvEeNode.h"
#include "KuvEeNodeWalker.h"
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

namespace {

// Tells whether the node expander, in the mode a view gives it with the
// flag clear, would rewrite a reference: expand or replace a change, or
// meet an effectivity of a kind it cannot expand.
class ViewRewriteFinder : public KuvEeNodeWalker {
public:
  explicit ViewRewriteFinder(KuvEeExpressionToolbox::ExpressionView view) : m_view(view) {}

  bool rewrites(const KuvEeEffectivity* target) const {
    if (target == nullptr) return true;
    if (KuvEeBasicEff::isObjectOfThisType(*target)) return false;
    const KuvEePredefEff* change = KuvEePredefEff::cast(*target);
    if (change == nullptr) return true;
    const bool rejected = change->getPublicationStatus() == KuvEePredefEff::Rejected;
    switch (m_view) {
      case KuvEeExpressionToolbox::CURRENT:
        return rejected || (change->isDefined() && change->getPublicationStatus() == KuvEePredefEff::Officialized);
      case KuvEeExpressionToolbox::PROJECTED:
        return rejected || change->isDefined();
      default:
        return false;
    }
  }
  bool rewrites(const KuvEeNodeRef* tree) {
    if (tree != nullptr) tree->getNode()->acceptVisitor(*this);
    return m_found;
  }
  HRESULT visitEffLeaf(KuvEeEffLeaf& leaf) override {
    m_found = m_found || rewrites(leaf.getTargetEff());
    return S_OK;
  }

private:
  KuvEeExpressionToolbox::ExpressionView m_view;
  bool m_found = false;
};

}  // namespace

bool KuvEeEffectivityExpression::viewRewrites(KuvEeExpressionToolbox::ExpressionView view,
                                              const KuvInSet& dictionaries) const {
  if (view == KuvEeExpressionToolbox::NONE) return false;
  ViewRewriteFinder finder(view);
  // Integration brings each change's reference into the global tree or the
  // criteria trees of the dictionaries, which the view then evaluates.
  for (std::int32_t i = 0; i < m_operations.GetLength(); ++i) {
    const auto* change = KuvEePredefEff::cast(*static_cast<const KuvEeExpressionOperation*>(m_operations.Get(i))->getObject());
    const bool lands = change->getType() == KuvEePredefEff::GLOBAL || !dictionaries.IsEmpty();
    if (lands && finder.rewrites(change)) return true;
  }
  if (finder.rewrites(getGlobalCriteria())) return true;
  for (auto it = getAllModelCriteria().cBegin(); !it.IsEnd(); it.Next())
    if (finder.rewrites(static_cast<const ModelCriteria*>(it.GetVal())->getCriteria())) return true;
  return false;
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
  // Evaluating references to changes in a view expands them, which the node
  // expander will do; until then only views that rewrite nothing go through.
  if (viewRewrites(view, dictionaries))
    KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: KuvEeExpressionToolbox::ComputeView FAILED.");

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
