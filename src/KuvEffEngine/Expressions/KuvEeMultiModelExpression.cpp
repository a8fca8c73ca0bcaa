#include "KuvEeMultiModelExpression.h"

#include "KuvEeNormalFormHooks.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "KuvEeAndOp.h"
#include "KuvEeModelDico.h"
#include "KuvEeNode.h"
#include "KuvEeNodeCloner.h"
#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeSimplifier.h"
#include "KuvEeTrue.h"
#include "KuvInIntHolder.h"
#include "KuvInList.h"
#include "KuvInSet.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeMultiModelExpression, KuvEeExpression)
KUV_DEFINE_TYPE_NAMED(KuvEeMultiModelExpression::ModelCriteria, KuvInObject,
                      "KuvEeMultiModelExpression::ModelCriteria")

namespace {


// A copy of tree, or null for no tree; ok is false when a copy failed.
KuvEeNodeRef* cloneOrNull(const KuvEeNodeRef* tree, bool& ok) {
  if (tree == nullptr) return nullptr;
  KuvEeNodeCloner cloner;
  KuvEeNodeRef* copy = cloner.clone(*tree);
  ok = ok && copy != nullptr;
  return copy;
}

HRESULT visitTree(const KuvEeNodeRef* tree, KuvEeNodeVisitor& visitor) {
  return tree != nullptr ? tree->getNode()->acceptVisitor(visitor) : S_OK;
}

}  // namespace

// ModelCriteria

KuvEeMultiModelExpression::ModelCriteria::ModelCriteria(KuvEeNodeRef** inheritedEff,
                                                        KuvEeNodeRef** criteria) {
  if (inheritedEff != nullptr) {
    m_inheritedEff.reset(*inheritedEff);
    *inheritedEff = nullptr;
  }
  if (criteria != nullptr) {
    m_criteria.reset(*criteria);
    *criteria = nullptr;
  }
}

KuvEeMultiModelExpression::ModelCriteria::~ModelCriteria() = default;

HRESULT KuvEeMultiModelExpression::ModelCriteria::clone(ModelCriteria*& copy) const {
  KUV_TRACE_CALL("clone");
  bool ok = true;
  std::unique_ptr<KuvEeNodeRef> inheritedEff(cloneOrNull(m_inheritedEff.get(), ok));
  std::unique_ptr<KuvEeNodeRef> criteria(cloneOrNull(m_criteria.get(), ok));
  if (!ok) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  KuvEeNodeRef* trees[] = {inheritedEff.get(), criteria.get()};
  copy = new ModelCriteria(&trees[0], &trees[1]);
  inheritedEff.release();
  criteria.release();
  return S_OK;
}

void KuvEeMultiModelExpression::ModelCriteria::setInheritedEffCriteria(KuvEeNodeRef* tree) {
  if (tree != m_inheritedEff.get()) m_inheritedEff.reset(tree);
}

void KuvEeMultiModelExpression::ModelCriteria::setCriteria(KuvEeNodeRef* tree) {
  if (tree != m_criteria.get()) m_criteria.reset(tree);
}

KuvInString KuvEeMultiModelExpression::ModelCriteria::toString() const {
  KuvInString text("ModelCriteria( InheritedEff: ");
  text.Append(m_inheritedEff != nullptr ? m_inheritedEff->toString() : KuvInString("NONE"),
              " - Criteria: ", m_criteria != nullptr ? m_criteria->toString() : KuvInString("NONE"), " )");
  return text;
}

// KuvEeMultiModelExpression

KuvEeMultiModelExpression::KuvEeMultiModelExpression()
    : m_models(KuvInObjectPtr::sType(), ModelCriteria::sType()) {}

KuvEeMultiModelExpression::~KuvEeMultiModelExpression() { m_models.DeleteAll(); }

HRESULT KuvEeMultiModelExpression::setGlobalCriteria(KuvEeNodeRef* tree) {
  KUV_TRACE_CALL("setGlobalCriteria");
  if (tree != m_global.get()) m_global.reset(tree);
  return S_OK;
}

HRESULT KuvEeMultiModelExpression::develop() {
  KUV_TRACE_CALL("develop");
  HRESULT rc = forEachTree([](KuvEeNodeRef& tree) { return KuvEeNodeDeveloper().develop(tree); });
  if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: develop failed");
  return S_OK;
}

KuvEeMultiModelExpression::ModelCriteria* KuvEeMultiModelExpression::getModelCriteria(
    const KuvEeModelDico* model) const {
  return static_cast<ModelCriteria*>(m_models.Get(KuvInObjectPtr(const_cast<KuvEeModelDico*>(model))));
}

HRESULT KuvEeMultiModelExpression::setModelCriteria(KuvEeModelDico* model, ModelCriteria*& criteria) {
  KUV_TRACE_CALL("setModelCriteria");
  if (model == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer");
  std::unique_ptr<ModelCriteria> record(criteria != nullptr ? criteria : new (std::nothrow) ModelCriteria());
  if (record == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : input is null");
  const KuvInObjectPtr key(model);
  ModelCriteria* previous = static_cast<ModelCriteria*>(m_models.Get(key));
  if (m_models.Put(key, record.get()) != S_OK) {
    record.release();  // still the caller's
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Put failed");
  }
  if (previous != record.get()) delete previous;
  record.release();
  criteria = nullptr;
  return S_OK;
}

HRESULT KuvEeMultiModelExpression::removeModelCriteria(const KuvEeModelDico* model,
                                                       ModelCriteria*& criteria) {
  KUV_TRACE_CALL("removeModelCriteria");
  criteria = getModelCriteria(model);
  if (criteria == nullptr) return S_FALSE;
  m_models.Remove(KuvInObjectPtr(const_cast<KuvEeModelDico*>(model)));
  return S_OK;
}

HRESULT KuvEeMultiModelExpression::deleteModelCriteria(const KuvEeModelDico* model) {
  KUV_TRACE_CALL("deleteModelCriteria");
  ModelCriteria* criteria = nullptr;
  HRESULT rc = removeModelCriteria(model, criteria);
  delete criteria;
  return rc;
}

HRESULT KuvEeMultiModelExpression::getContextDictionaries(KuvInSet& dictionaries) const {
  KUV_TRACE_CALL("getContextDictionaries");
  for (auto it = m_models.cBegin(); !it.IsEnd(); it.Next()) {
    KuvInObject* model = static_cast<const KuvInObjectPtr*>(it.GetKey())->getObject();
    if (!dictionaries.Put(model) && dictionaries.badCastErr() != 0)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: the set refuses model dictionaries");
  }
  return S_OK;
}

HRESULT KuvEeMultiModelExpression::getOrderedContextDictionaries(KuvInList& dictionaries) const {
  KUV_TRACE_CALL("getOrderedContextDictionaries");
  std::vector<KuvEeModelDico*> models;
  models.reserve(static_cast<std::size_t>(m_models.GetLength()));
  for (auto it = m_models.cBegin(); !it.IsEnd(); it.Next())
    models.push_back(
        static_cast<KuvEeModelDico*>(static_cast<const KuvInObjectPtr*>(it.GetKey())->getObject()));
  std::sort(models.begin(), models.end(), [](const KuvEeModelDico* a, const KuvEeModelDico* b) {
    if (a->getName() != b->getName()) return a->getName() < b->getName();
    return a->getGuid().toString() < b->getGuid().toString();
  });
  for (KuvEeModelDico* model : models)
    if (dictionaries.PutBack(model) != S_OK)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: the list refuses model dictionaries");
  return S_OK;
}

// The model is valid under the global criteria And its record's trees.
HRESULT KuvEeMultiModelExpression::getDNF(const KuvEeModelDico* model, KuvDnf*& dnf) const {
  KUV_TRACE_CALL("getDNF");
  const ModelCriteria* record = getModelCriteria(model);
  const KuvEeNodeRef* trees[] = {m_global.get(), record != nullptr ? record->getInheritedEffCriteria() : nullptr,
                                 record != nullptr ? record->getCriteria() : nullptr};
  return kuv::detail::productDnf(trees, 3, dnf);
}

HRESULT KuvEeMultiModelExpression::takeDNF(const KuvEeModelDico* model, KuvDnf*& dnf) {
  KUV_TRACE_CALL("takeDNF");
  dnf = nullptr;
  std::unique_ptr<KuvEeNodeRef> trees[3];
  if (m_global != nullptr && m_global->getNode() != nullptr) {
    trees[0].reset(KuvEeNodeCloner().clone(*m_global));
    if (!trees[0]) KUV_RETURN_ERROR(E_FAIL, "ERROR: clone failed");
  }
  if (ModelCriteria* record = getModelCriteria(model)) {
    trees[1].reset(record->removeInheritedEffCriteria());
    trees[2].reset(record->removeCriteria());
  }
  return kuv::detail::ownedProductDnf(trees, 3, dnf);
}

HRESULT KuvEeMultiModelExpression::getGlobalCriteriaDNF(KuvDnf*& dnf) const {
  KUV_TRACE_CALL("getGlobalCriteriaDNF");
  return kuv::detail::treeDnf(m_global.get(), false, dnf);
}

HRESULT KuvEeMultiModelExpression::negate() {
  KUV_TRACE_CALL("negate");
  // A dictionary without a record is valid under the global criteria, one
  // with a record under their And with the record's trees. The complement
  // would need global criteria of its own for the dictionaries without a
  // record, which one shared tree cannot hold beside the records.
  if (!m_models.IsEmpty())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: the complement of criteria given per dictionary cannot be written "
                             "beside global criteria shared by every dictionary.");
  KuvEeNodeRef* global = m_global.release();
  KuvEeExpressionOperation::performNegate(global);
  m_global.reset(global);
  return S_OK;
}

// other's meaning for model as getDNF reads it: its global criteria And,
// when model has a record, the record's trees; True when there are none.
KuvEeNodeRef* KuvEeMultiModelExpression::meaningFor(const KuvEeModelDico* model) const {
  const ModelCriteria* record = model != nullptr ? getModelCriteria(model) : nullptr;
  std::vector<KuvEeNode*> parts;
  for (const KuvEeNodeRef* tree : {m_global.get(), record != nullptr ? record->getInheritedEffCriteria() : nullptr,
                                   record != nullptr ? record->getCriteria() : nullptr}) {
    bool ok = true;
    if (KuvEeNodeRef* copy = cloneOrNull(tree, ok)) parts.push_back(copy->getNode());
    if (!ok) {
      for (KuvEeNode* part : parts) delete part->getNodeRef();
      return nullptr;
    }
  }
  if (parts.empty()) return (new KuvEeTrue())->getNodeRef();
  if (parts.size() == 1) return parts.front()->getNodeRef();
  auto* andOp = new KuvEeAndOp();
  for (KuvEeNode* part : parts) kuv::detail::throwIfOutOfMemory(andOp->addChild(part));
  return andOp->getNodeRef();
}

HRESULT KuvEeMultiModelExpression::applyOperation(KuvEeExpressionOperation::OperationKind kind,
                                                  const KuvEeMultiModelExpression& other,
                                                  const KuvInSet& dictionaries) {
  KUV_TRACE_CALL("applyOperation");
  // The operation on a True tree stands for every operand: the kind is
  // refused before anything changes.
  KuvInObject* probe = (new KuvEeTrue())->getNodeRef();
  const HRESULT checked = KuvEeExpressionOperation::check(KuvEeExpressionOperation(kind, probe), nullptr);
  if (checked < 0) KUV_RETURN_ERROR(checked, "ERROR: KuvEeExpressionOperation::performOperation FAILED.");
  std::vector<KuvEeModelDico*> models;
  if (other.hasModelCriteria()) {
    for (auto it = dictionaries.cBegin(); it.IsValid();) {
      KuvEeModelDico* model = KuvEeModelDico::cast(*it.GetGoToNext());
      if (model == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved object isn't a KuvEeModelDico.");
      models.push_back(model);
    }
  } else {
    models.push_back(nullptr);
  }
  for (KuvEeModelDico* model : models) {
    // Built before this expression changes, so that other may be this one.
    KuvInObject* operand = other.meaningFor(model);
    if (operand == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    const KuvEeExpressionOperation operation(kind, operand);
    std::unique_ptr<ModelCriteria> record;
    if (model != nullptr) {
      ModelCriteria* taken = nullptr;
      removeModelCriteria(model, taken);
      record.reset(taken != nullptr ? taken : new ModelCriteria());
    }
    KuvEeNodeRef* tree = record != nullptr ? record->removeCriteria() : m_global.release();
    KuvEeNodeRef* result = nullptr;
    const HRESULT rc = KuvEeExpressionOperation::performOperation(tree, operation, result, nullptr);
    // A failed copy keeps the tree, and the dictionaries done so far stay done.
    if (rc < 0) result = tree;
    if (record == nullptr) {
      m_global.reset(result);
    } else {
      record->setCriteria(result);
      ModelCriteria* handed = record.release();
      if (setModelCriteria(model, handed) < 0) {
        delete handed;
        KUV_RETURN_ERROR(E_FAIL, "ERROR: setModelCriteria FAILED.");
      }
    }
    if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: KuvEeExpressionOperation::performOperation FAILED.");
  }
  return S_OK;
}

std::int32_t KuvEeMultiModelExpression::getMaximumModelCriteriaNumberAllowed() {
  constexpr long kDefault = 10;
  constexpr long kMin = 1;
  constexpr long kMax = 65000;
  const char* value = std::getenv("CFG_MaximumModelCriteriaInEffAllowed");
  if (value == nullptr) return kDefault;
  // As "%d" reads it: blanks, a sign and digits, anything after is ignored.
  char* end = nullptr;
  const long number = std::strtol(value, &end, 10);
  if (end == value) return kDefault;
  return static_cast<std::int32_t>(std::clamp(number, kMin, kMax));
}

HRESULT KuvEeMultiModelExpression::forEachTree(const std::function<HRESULT(KuvEeNodeRef&)>& transform) {
  HRESULT rc = m_global != nullptr ? transform(*m_global) : S_OK;
  for (auto it = m_models.cBegin(); rc >= 0 && !it.IsEnd(); it.Next()) {
    const auto* record = static_cast<const ModelCriteria*>(it.GetVal());
    for (KuvEeNodeRef* tree : {record->getInheritedEffCriteria(), record->getCriteria()})
      if (rc >= 0 && tree != nullptr) rc = transform(*tree);
  }
  return rc;
}

HRESULT KuvEeMultiModelExpression::runConstVisitor(KuvEeNodeVisitor& visitor) const {
  KUV_TRACE_CALL("runConstVisitor");
  HRESULT rc = visitTree(m_global.get(), visitor);
  for (auto it = m_models.cBegin(); rc >= 0 && !it.IsEnd(); it.Next()) {
    const auto* record = static_cast<const ModelCriteria*>(it.GetVal());
    rc = visitTree(record->getInheritedEffCriteria(), visitor);
    if (rc >= 0) rc = visitTree(record->getCriteria(), visitor);
  }
  if (rc < 0) KUV_TRACE_ERROR("ERROR: acceptVisitor failed");
  return rc;
}

HRESULT KuvEeMultiModelExpression::simplify() {
  KUV_TRACE_CALL("simplify");
  HRESULT rc = forEachTree([](KuvEeNodeRef& tree) { return KuvEeNodeSimplifier().simplify(tree); });
  if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: simplify failed");
  return S_OK;
}

KuvInString KuvEeMultiModelExpression::toString() const {
  KuvInString text(dType()->getClassNameChars());
  text.Append("( Global: ", m_global != nullptr ? m_global->toString() : KuvInString("NONE"));
  for (auto it = m_models.cBegin(); !it.IsEnd(); it.Next()) {
    const auto* model =
        static_cast<const KuvEeModelDico*>(static_cast<const KuvInObjectPtr*>(it.GetKey())->getObject());
    text.Append("\n", model->getName(), ": ", it.GetVal()->toString());
  }
  text.Append(" )");
  return text;
}

HRESULT KuvEeMultiModelExpression::copyCriteriaFrom(const KuvEeMultiModelExpression& other) {
  KUV_TRACE_CALL("copyCriteriaFrom");
  m_global.reset();
  m_models.DeleteAll();
  bool ok = true;
  m_global.reset(cloneOrNull(other.m_global.get(), ok));
  for (auto it = other.m_models.cBegin(); ok && !it.IsEnd(); it.Next()) {
    ModelCriteria* made = nullptr;
    ok = static_cast<const ModelCriteria*>(it.GetVal())->clone(made) == S_OK;
    std::unique_ptr<ModelCriteria> copy(made);
    ok = ok && m_models.Put(it.GetKey(), copy.get()) == S_OK;
    if (ok) copy.release();
  }
  if (ok) return S_OK;
  m_global.reset();
  m_models.DeleteAll();
  KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
}
