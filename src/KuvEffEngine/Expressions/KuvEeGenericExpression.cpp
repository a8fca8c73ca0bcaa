#include "KuvEeGenericExpression.h"

#include <memory>

#include "KuvDnf.h"
#include "KuvEeNormalFormHooks.h"

#include "KuvEeNodeCloner.h"
#include "KuvEeNodeSimplifier.h"

KUV_DEFINE_TYPE(KuvEeGenericExpression, KuvEeExpression)

namespace {
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

namespace {

// The normal form of an expression (of its negation): its tree, or its list
// taken as the And of its criteria.
HRESULT dnfOf(const KuvEeGenericExpression& expression, bool negated, std::unique_ptr<KuvDnf>& dnf) {
  KuvDnf* made = nullptr;
  HRESULT hr = S_OK;
  if (expression.IsList()) {
    KuvEeNodeRef* tree = nullptr;
    hr = kuv::detail::listTree(*expression.GetList(), tree);
    const std::unique_ptr<KuvEeNodeRef> owned(tree);
    if (SUCCEEDED(hr)) hr = kuv::detail::treeDnf(owned.get(), negated, made);
  } else {
    hr = kuv::detail::treeDnf(expression.GetNodeRef(), negated, made);
  }
  dnf.reset(made);
  return hr;
}

HRESULT ask(const KuvEeGenericExpression& a, const KuvEeGenericExpression& b, kuv::detail::DnfQuestion question,
            bool& answer) {
  answer = false;
  std::unique_ptr<KuvDnf> dnfA, dnfB;
  HRESULT hr = dnfOf(a, false, dnfA);
  if (SUCCEEDED(hr)) hr = dnfOf(b, false, dnfB);
  if (SUCCEEDED(hr)) hr = kuv::detail::askDnfs(*dnfA, *dnfB, question, answer);
  return hr;
}

}  // namespace

HRESULT KuvEeGenericExpression::IsEqual(const KuvEeGenericExpression& other, bool& equal) const {
  KUV_TRACE_CALL("IsEqual");
  return ask(*this, other, kuv::detail::DnfQuestion::Equal, equal);
}

HRESULT KuvEeGenericExpression::IsIncluding(const KuvEeGenericExpression& other, bool& including) const {
  KUV_TRACE_CALL("IsIncluding");
  return ask(*this, other, kuv::detail::DnfQuestion::Includes, including);
}

HRESULT KuvEeGenericExpression::IsIntersect(const KuvEeGenericExpression& other, bool& intersect) const {
  KUV_TRACE_CALL("IsIntersect");
  return ask(*this, other, kuv::detail::DnfQuestion::Intersect, intersect);
}

HRESULT KuvEeGenericExpression::GetDNF(KuvDnf*& dnf) const {
  KUV_TRACE_CALL("GetDNF");
  std::unique_ptr<KuvDnf> made;
  HRESULT hr = dnfOf(*this, false, made);
  dnf = made.release();
  return hr;
}

HRESULT KuvEeGenericExpression::GetNotDNF(KuvDnf*& dnf) const {
  KUV_TRACE_CALL("GetNotDNF");
  std::unique_ptr<KuvDnf> made;
  HRESULT hr = dnfOf(*this, true, made);
  dnf = made.release();
  return hr;
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
