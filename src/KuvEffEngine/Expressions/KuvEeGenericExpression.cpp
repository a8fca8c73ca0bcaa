#include "KuvEeGenericExpression.h"

#include "KuvEeNodeCloner.h"
#include "KuvEeNodeSimplifier.h"

KUV_DEFINE_TYPE(KuvEeGenericExpression, KuvEeExpression)

namespace {
constexpr const char* kNoNormalForm = "ERROR: not implemented until normal forms exist";
}

KuvEeGenericExpression::KuvEeGenericExpression(KuvEeNodeRef* tree) : m_tree(tree) {}

KuvEeGenericExpression::~KuvEeGenericExpression() = default;

KuvEeNodeRef* KuvEeGenericExpression::GetNodeRefClone() const {
  KUV_TRACE_CALL("GetNodeRefClone");
  if (m_tree == nullptr) return nullptr;
  KuvEeNodeCloner cloner;
  KuvEeNodeRef* copy = cloner.clone(*m_tree);
  if (copy == nullptr) KUV_TRACE_ERROR("ERROR: NULL pointer");
  return copy;
}

HRESULT KuvEeGenericExpression::SetExpression(KuvEeNodeRef* tree) {
  KUV_TRACE_CALL("SetExpression");
  if (tree != m_tree.get()) m_tree.reset(tree);
  m_list.reset();
  m_mode = CFG_LISTMODE_NONE;
  return S_OK;
}

HRESULT KuvEeGenericExpression::SetExpression(KuvQmSpecList* list, ListMode mode) {
  KUV_TRACE_CALL("SetExpression");
  if (list == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer");
  if (list != m_list.get()) m_list.reset(list);
  m_tree.reset();
  m_mode = mode;
  return S_OK;
}

KuvEeNodeRef* KuvEeGenericExpression::KeepNodeRefAndDeleteObject(KuvEeGenericExpression*& expression) {
  KUV_TRACE_CALL("KeepNodeRefAndDeleteObject");
  if (expression == nullptr) return nullptr;
  KuvEeNodeRef* tree = expression->m_tree.release();
  delete expression;
  expression = nullptr;
  return tree;
}

HRESULT KuvEeGenericExpression::IsEqual(const KuvEeGenericExpression&, bool& equal) const {
  KUV_TRACE_CALL("IsEqual");
  equal = false;
  KUV_RETURN_ERROR(E_NOTIMPL, kNoNormalForm);
}

HRESULT KuvEeGenericExpression::IsIncluding(const KuvEeGenericExpression&, bool& including) const {
  KUV_TRACE_CALL("IsIncluding");
  including = false;
  KUV_RETURN_ERROR(E_NOTIMPL, kNoNormalForm);
}

HRESULT KuvEeGenericExpression::IsIntersect(const KuvEeGenericExpression&, bool& intersect) const {
  KUV_TRACE_CALL("IsIntersect");
  intersect = false;
  KUV_RETURN_ERROR(E_NOTIMPL, kNoNormalForm);
}

HRESULT KuvEeGenericExpression::GetDNF(KuvDnf*& /*dnf*/) const {
  KUV_TRACE_CALL("GetDNF");
  KUV_RETURN_ERROR(E_NOTIMPL, kNoNormalForm);
}

HRESULT KuvEeGenericExpression::GetNotDNF(KuvDnf*& /*dnf*/) const {
  KUV_TRACE_CALL("GetNotDNF");
  KUV_RETURN_ERROR(E_NOTIMPL, kNoNormalForm);
}

HRESULT KuvEeGenericExpression::GetDependencies(KuvInSet& /*criteria*/) const {
  KUV_TRACE_CALL("GetDependencies");
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented until dependency collection exists");
}

HRESULT KuvEeGenericExpression::GetFinalDependencies(KuvInSet& /*criteria*/) const {
  KUV_TRACE_CALL("GetFinalDependencies");
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented until dependency collection exists");
}

HRESULT KuvEeGenericExpression::runConstVisitor(KuvEeNodeVisitor& /*visitor*/) const {
  KUV_TRACE_CALL("runConstVisitor");
  KUV_RETURN_ERROR(E_FAIL, "ERROR: not implemented.");
}

HRESULT KuvEeGenericExpression::simplify() {
  KUV_TRACE_CALL("simplify");
  // A list is no tree: nothing to do.
  if (m_tree == nullptr) return S_FALSE;
  KuvEeNodeSimplifier simplifier;
  HRESULT rc = simplifier.simplify(*m_tree);
  if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: simplify failed");
  return S_OK;
}

KuvInString KuvEeGenericExpression::toString() const {
  KuvInString text("GenericExpression( ");
  if (m_tree != nullptr)
    text.Append(m_tree->toString());
  else if (m_list != nullptr)
    text.Append(m_list->toString());
  else
    text.Append("EMPTY");
  text.Append(" )");
  return text;
}
