#include "KuvEeRule.h"

#include "KuvEeNode.h"
#include "KuvEeNodeCloner.h"
#include "KuvEeNodeSimplifier.h"

KUV_DEFINE_TYPE(KuvEeRule, KuvEeExpression)
KUV_DEFINE_TYPE(KuvEeInclusionRule, KuvEeRule)

namespace {

constexpr const char* kNoNormalForm = "ERROR: not implemented until normal forms exist";

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

HRESULT KuvEeRule::GetInvariantConstraintExpression(KuvEeNodeRef*& /*invariant*/) const {
  KUV_TRACE_CALL("GetInvariantConstraintExpression");
  KUV_RETURN_ERROR(E_NOTIMPL, kNoNormalForm);
}

HRESULT KuvEeRule::GetDNF(KuvDnf*& /*context*/, KuvDnf*& /*constraint*/) const {
  KUV_TRACE_CALL("GetDNF");
  KUV_RETURN_ERROR(E_NOTIMPL, kNoNormalForm);
}

HRESULT KuvEeRule::BuildInvariantConstraintForRule(const KuvEeNodeRef& /*context*/,
                                                   const KuvEeNodeRef& /*constraint*/,
                                                   KuvEeNodeRef*& /*invariant*/) {
  KUV_TRACE_CALL("BuildInvariantConstraintForRule");
  KUV_RETURN_ERROR(E_NOTIMPL, kNoNormalForm);
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
