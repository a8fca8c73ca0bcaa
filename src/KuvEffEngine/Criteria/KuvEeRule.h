// KuvEeRule and KuvEeInclusionRule: a rule of a product model: where the
// context expression holds, the constraint expression must hold too. An
// inclusion rule is the one kind the stored formats accept.
//
//     KuvEeInclusionRule rule(context, constraint);  // both trees adopted
//     KuvEeNodeRef* copy = rule.GetConstraintExpressionClone();  // caller's
//
// Ownership: the rule owns both trees.
#pragma once

#include <cstdint>
#include <memory>

#include "KuvEeExpression.h"
#include "KuvEeNodeRef.h"

class KUV_API KuvEeRule : public KuvEeExpression {
  KUV_DECLARE_TYPE(KuvEeRule)

public:
  enum RuleType : std::int32_t { CFG_RULE_UNKNOWN = 0, CFG_RULE_INCLUSION = 1 };

  // Takes both trees over; either may be null.
  KuvEeRule(KuvEeNodeRef* context, KuvEeNodeRef* constraint);
  ~KuvEeRule() override;

  virtual RuleType GetRuleType() const;
  // The trees, still owned by the rule, or null.
  KuvEeNodeRef* GetContextExpression() const { return m_context.get(); }
  KuvEeNodeRef* GetConstraintExpression() const { return m_constraint.get(); }
  // Copies owned by the caller; null without a tree or when a copy fails.
  KuvEeNodeRef* GetContextExpressionClone() const;
  KuvEeNodeRef* GetConstraintExpressionClone() const;
  // Take tree over, deleting the previous one (the same tree is kept).
  void SetContextExpression(KuvEeNodeRef* tree);
  void SetConstraintExpression(KuvEeNodeRef* tree);

  // invariant: a new tree, the caller's, that holds wherever the rule is
  // respected; null on entry
  // and on failure.
  HRESULT GetInvariantConstraintExpression(KuvEeNodeRef*& invariant) const;
  // The normal forms of both trees, the caller's; null on entry and on
  // failure.
  HRESULT GetDNF(KuvDnf*& context, KuvDnf*& constraint) const;
  // invariant: as GetInvariantConstraintExpression, for two given trees.
  static HRESULT BuildInvariantConstraintForRule(const KuvEeNodeRef& context, const KuvEeNodeRef& constraint,
                                                 KuvEeNodeRef*& invariant);
  // Deletes the rule, clears the caller's pointer and hands over the
  // invariant constraint; on failure the rule is kept.
  static HRESULT DeleteThisAndKeepInvariantConstraintExpression(KuvEeRule*& rule, KuvEeNodeRef*& invariant);

  // The context tree, then the constraint tree.
  HRESULT runConstVisitor(KuvEeNodeVisitor& visitor) const override;
  // Simplifies the context tree, then the constraint tree.
  HRESULT simplify() override;

  // "Rule( Context: " tree or "NONE" " - Constraint: " tree or "NONE" " )".
  KuvInString toString() const override;

private:
  std::unique_ptr<KuvEeNodeRef> m_context;
  std::unique_ptr<KuvEeNodeRef> m_constraint;
};

class KUV_API KuvEeInclusionRule : public KuvEeRule {
  KUV_DECLARE_TYPE(KuvEeInclusionRule)

public:
  KuvEeInclusionRule(KuvEeNodeRef* context, KuvEeNodeRef* constraint);
  ~KuvEeInclusionRule() override;

  RuleType GetRuleType() const override;
};
