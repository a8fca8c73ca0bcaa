// KuvEeIExpressionReviewer: the interface of the checks an expression must
// pass before a host accepts it, and three reviewers that refuse one kind
// of content each:
//
// - KuvEeRefuseNotReviewer: a filter expression holding any negation;
//   other kinds of expression are not looked at;
// - KuvEeRefuseEvolutionReviewer: evolution criteria, which have no place
//   in a variant expression;
// - KuvEeRefuseVariantReviewer: variant criteria (features), which have no
//   place in an evolution expression.
//
// A refusal answers sc_refused (0x80090126) with the reason in message.
//
//     KuvEeRefuseEvolutionReviewer reviewer;
//     KuvInString message;
//     if (reviewer.checkExpression(expression, message) == KuvEeIExpressionReviewer::sc_refused) ...
#pragma once

#include "KuvInObject.h"
#include "KuvInString.h"

class KuvEeExpression;

class KUV_API KuvEeIExpressionReviewer : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeIExpressionReviewer)

public:
  static constexpr HRESULT sc_refused = static_cast<HRESULT>(0x80090126u);

  ~KuvEeIExpressionReviewer() override;

  // S_OK (or the code of the walk over the expression) when it is accepted,
  // sc_refused when it is not; a failing walk answers its code.
  virtual HRESULT checkExpression(const KuvEeExpression& expression, KuvInString& message) = 0;

protected:
  KuvEeIExpressionReviewer() = default;
};

// Refuses a filter expression with a Not node or a negated leaf. Other
// expressions, and accepted filters, answer S_OK with message untouched.
class KUV_API KuvEeRefuseNotReviewer : public KuvEeIExpressionReviewer {
  KUV_DECLARE_TYPE(KuvEeRefuseNotReviewer)

public:
  KuvEeRefuseNotReviewer() = default;
  ~KuvEeRefuseNotReviewer() override;

  HRESULT checkExpression(const KuvEeExpression& expression, KuvInString& message) override;
};

// Refuses evolution criteria; an accepted expression gets the message
// "WARNING : nothing is invalidated!".
class KUV_API KuvEeRefuseEvolutionReviewer : public KuvEeIExpressionReviewer {
  KUV_DECLARE_TYPE(KuvEeRefuseEvolutionReviewer)

public:
  KuvEeRefuseEvolutionReviewer() = default;
  ~KuvEeRefuseEvolutionReviewer() override;

  HRESULT checkExpression(const KuvEeExpression& expression, KuvInString& message) override;
};

// Refuses variant criteria; an accepted expression gets the message
// "WARNING : nothing is invalidated!".
class KUV_API KuvEeRefuseVariantReviewer : public KuvEeIExpressionReviewer {
  KUV_DECLARE_TYPE(KuvEeRefuseVariantReviewer)

public:
  KuvEeRefuseVariantReviewer() = default;
  ~KuvEeRefuseVariantReviewer() override;

  HRESULT checkExpression(const KuvEeExpression& expression, KuvInString& message) override;
};
