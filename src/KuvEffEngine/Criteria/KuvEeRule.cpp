#include "KuvEeRule.h"

#include "KuvDnf.h"
#include "KuvEeNormalFormHooks.h"

#include "KuvEeNode.h"
#include "KuvEeNodeCloner.h"
#include "KuvEeNodeSimplifier.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeRule, KuvEeExpression)
KUV_DEFINE_TYPE(KuvEeInclusionRule, KuvEeRule)

namespace {

KuvEeNodeRef* cloneOrNull(const KuvEeNodeRef* tree) {
  if (tree == nullptr) return nullptr;
  KuvEeNodeCloner cloner;
  return cloner.clone(*tree);
}

}  // namespace

KuvEeRule::KuvEeRule(KuvEeNodeRef* context, KuvEeNodeRef* constraint)
    : m_context(context), m_constraint(constraint) {}

KuvEeRule::~KuvEeRule() = default;

KuvEeRule::RuleType KuvEeRule::GetRuleType() const { return CFG_RULE_UNKNOWN; }

KuvEeNodeRef* KuvEeRule::GetContextExpressionClone() const { return cloneOrNull(m_context.get()); }

KuvEeNodeRef* KuvEeRule::GetConstraintExpressionClone() const { return cloneOrNull(m_constraint.get()); }

void KuvEeRule::SetContextExpression(KuvEeNodeRef* tree) {
  if (tree != m_context.get()) m_context.reset(tree);
}

void KuvEeRule::SetConstraintExpression(KuvEeNodeRef* tree) {
  if (tree != m_constraint.get()) m_constraint.reset(tree);
}

HRESULT KuvEeRule::GetInvariantConstraintExpression(KuvEeNodeRef*& invariant) const {
  KUV_TRACE_CALL("GetInvariantConstraintExpression");
  invariant = nullptr;
  if (m_context == nullptr || m_constraint == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: a rule needs a context and a constraint");
  return BuildInvariantConstraintForRule(*m_context, *m_constraint, invariant);
}

HRESULT KuvEeRule::GetDNF(KuvDnf*& context, KuvDnf*& constraint) const {
  KUV_TRACE_CALL("GetDNF");
  context = nullptr;
  constraint = nullptr;
  KuvDnf* first = nullptr;
  HRESULT hr = kuv::detail::treeDnf(m_context.get(), false, first);
  if (FAILED(hr)) return hr;
  hr = kuv::detail::treeDnf(m_constraint.get(), false, constraint);
  if (FAILED(hr)) {
    delete first;
    return hr;
  }
  context = first;
  return S_OK;
}

// The rule holds where its context does not, or its constraint does:
// Or(Not(context), constraint), simplified.
HRESULT KuvEeRule::BuildInvariantConstraintForRule(const KuvEeNodeRef& context, const KuvEeNodeRef& constraint,
                                                   KuvEeNodeRef*& invariant) {
  KUV_TRACE_CALL("BuildInvariantConstraintForRule");
  invariant = nullptr;
  std::unique_ptr<KuvEeNodeRef> notContext(cloneOrNull(&context));
  std::unique_ptr<KuvEeNodeRef> then(cloneOrNull(&constraint));
  if (!notContext || !then) KUV_RETURN_ERROR(E_FAIL, "ERROR: clone failed");
  auto* negation = new KuvEeNotOp;
  std::unique_ptr<KuvEeNodeRef> negationRoot(negation->getNodeRef());
  if (FAILED(negation->setChildRef(notContext.get()))) KUV_RETURN_ERROR(E_FAIL, "ERROR: setChildRef failed");
  notContext.release();
  auto* either = new KuvEeOrOp;
  std::unique_ptr<KuvEeNodeRef> root(either->getNodeRef());
  if (FAILED(kuv::detail::throwIfOutOfMemory(either->addChild(negation))))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: addChild failed");
  negationRoot.release();
  if (FAILED(kuv::detail::throwIfOutOfMemory(either->addChild(then->getNode()))))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: addChild failed");
  then.release();
  HRESULT hr = KuvEeNodeSimplifier().simplify(*root);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: simplify failed");
  invariant = root.release();
  return S_OK;
}

HRESULT KuvEeRule::DeleteThisAndKeepInvariantConstraintExpression(KuvEeRule*& rule,
                                                                  KuvEeNodeRef*& invariant) {
  KUV_TRACE_CALL("DeleteThisAndKeepInvariantConstraintExpression");
  if (rule == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer");
  HRESULT rc = rule->GetInvariantConstraintExpression(invariant);
  if (rc < 0) return rc;
  delete rule;
  rule = nullptr;
  return rc;
}

HRESULT KuvEeRule::runConstVisitor(KuvEeNodeVisitor& visitor) const {
  KUV_TRACE_CALL("runConstVisitor");
  HRESULT rc = m_context != nullptr ? m_context->getNode()->acceptVisitor(visitor) : S_OK;
  if (rc >= 0 && m_constraint != nullptr) rc = m_constraint->getNode()->acceptVisitor(visitor);
  if (rc < 0) KUV_TRACE_ERROR("ERROR: acceptVisitor failed");
  return rc;
}

HRESULT KuvEeRule::simplify() {
  KUV_TRACE_CALL("simplify");
  KuvEeNodeSimplifier simplifier;
  for (KuvEeNodeRef* tree : {m_context.get(), m_constraint.get()}) {
    HRESULT rc = tree != nullptr ? simplifier.simplify(*tree) : S_OK;
    if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: simplify failed");
  }
  return S_OK;
}

KuvInString KuvEeRule::toString() const {
  KuvInString text("Rule( Context: ");
  text.Append(m_context != nullptr ? m_context->toString() : KuvInString("NONE"),
              " - Constraint: ", m_constraint != nullptr ? m_constraint->toString() : KuvInString("NONE"),
              " )");
  return text;
}

KuvEeInclusionRule::KuvEeInclusionRule(KuvEeNodeRef* context, KuvEeNodeRef* constraint)
    : KuvEeRule(context, constraint) {}

KuvEeInclusionRule::~KuvEeInclusionRule() = default;

KuvEeRule::RuleType KuvEeInclusionRule::GetRuleType() const { return CFG_RULE_INCLUSION; }
