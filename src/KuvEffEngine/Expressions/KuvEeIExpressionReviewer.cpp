#include "KuvEeIExpressionReviewer.h"

#include "KuvEVCClassification.h"
#include "KuvEeExpression.h"
#include "KuvEeFilterExpression.h"
#include "KuvEeVisitor_GetCriteriaTypes.h"
#include "KuvEeVisitor_GetStructuralStats.h"

KUV_DEFINE_TYPE(KuvEeIExpressionReviewer, KuvInObject)
KUV_DEFINE_TYPE(KuvEeRefuseNotReviewer, KuvEeIExpressionReviewer)
KUV_DEFINE_TYPE(KuvEeRefuseEvolutionReviewer, KuvEeIExpressionReviewer)
KUV_DEFINE_TYPE(KuvEeRefuseVariantReviewer, KuvEeIExpressionReviewer)

namespace {

constexpr const char* sc_nothingInvalidated = "WARNING : nothing is invalidated!";

// The criteria types of expression, checked by refuses; channel reports a
// failing walk.
template <class Refuses>
HRESULT reviewCriteriaTypes(KuvInTraceClass& channel, const KuvEeExpression& expression, KuvInString& message,
                            Refuses refuses, const char* refusal) {
  KuvEeVisitor_GetCriteriaTypes types(0, 0, 0);
  const HRESULT hr = expression.runConstVisitor(types);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR : runConstVisitor FAILED");
  if (refuses(types.getResultClassification())) {
    message = refusal;
    return KuvEeIExpressionReviewer::sc_refused;
  }
  message = sc_nothingInvalidated;
  return hr;
}

}  // namespace

KuvEeIExpressionReviewer::~KuvEeIExpressionReviewer() = default;
KuvEeRefuseNotReviewer::~KuvEeRefuseNotReviewer() = default;
KuvEeRefuseEvolutionReviewer::~KuvEeRefuseEvolutionReviewer() = default;
KuvEeRefuseVariantReviewer::~KuvEeRefuseVariantReviewer() = default;

HRESULT KuvEeRefuseNotReviewer::checkExpression(const KuvEeExpression& expression, KuvInString& message) {
  KUV_TRACE_CALL("checkExpression");
  if (KuvEeFilterExpression::cast(expression) == nullptr) return S_OK;
  KuvEeVisitor_GetStructuralStats stats;
  const HRESULT hr = expression.runConstVisitor(stats);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : runConstVisitor FAILED");
  if (stats.getNbNots() != 0) {
    message = "ERROR : we do not want any negated node. Please remove NOTs of your expression.";
    return sc_refused;
  }
  return S_OK;
}

HRESULT KuvEeRefuseEvolutionReviewer::checkExpression(const KuvEeExpression& expression, KuvInString& message) {
  KUV_TRACE_CALL("checkExpression");
  return reviewCriteriaTypes(
      traceChannel(), expression, message, [](const KuvEVCClassification& c) { return c.isEvolution(); },
      "ERROR : evolution criterias can not be accepted in a variant expression. Please remove evolution from your "
      "expression.");
}

HRESULT KuvEeRefuseVariantReviewer::checkExpression(const KuvEeExpression& expression, KuvInString& message) {
  KUV_TRACE_CALL("checkExpression");
  return reviewCriteriaTypes(
      traceChannel(), expression, message, [](const KuvEVCClassification& c) { return c.isVariant(); },
      "ERROR : variant criterias can not be accepted in an evolution expression. Please remove features from your "
      "expression.");
}
