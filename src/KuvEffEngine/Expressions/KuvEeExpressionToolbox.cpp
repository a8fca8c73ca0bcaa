#include "KuvEeExpressionToolbox.h"

#include "KuvEeGenericExpression.h"
#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeEVCFPatternChecker.h"
#include "KuvEeNodeExpander.h"
#include "KuvEeNodeNotRemover.h"
#include "KuvEeNodeSimplifier.h"

KUV_DEFINE_TYPE(KuvEeExpressionToolbox, KuvInObject)

namespace {

// Runs work on the part of tree that the pattern checker finds.
template <class Work>
HRESULT onPart(KuvEeNodeRef& tree, Work work) {
  KuvInTraceClass& channel = KuvEeExpressionToolbox::traceChannel();
  KuvEeNodeEVCFPatternChecker checker;
  unsigned char compatible = 0;
  KuvEeNodeRef* part = nullptr;
  HRESULT hr = checker.checkPatternToFindEVCPart(tree, compatible, part);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: checkPatternToFindEVCPart FAILED.");
  if (compatible == 0) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: expression not compatible with the pattern.");
  return part != nullptr ? work(*part) : S_OK;
}

}  // namespace

HRESULT KuvEeExpressionToolbox::Simplify(KuvEeExpression& expression, unsigned char active) {
  KUV_TRACE_CALL("Simplify");
  if (active == 0) return S_OK;
  auto* generic = KuvEeGenericExpression::cast(expression);
  if (generic == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected case.");
  if (generic->IsList()) return S_FALSE;
  if (generic->GetNodeRef() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  return onPart(*generic->GetNodeRef(), [](KuvEeNodeRef& part) {
    const HRESULT hr = KuvEeNodeSimplifier().simplify(part);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(traceChannel(), hr, "ERROR: simplify failed");
    return hr;
  });
}

HRESULT KuvEeExpressionToolbox::RemoveNot_And_Develop(KuvEeNodeRef& tree, unsigned char active) {
  KUV_TRACE_CALL("RemoveNot_And_Develop");
  if (active == 0) return S_OK;
  return onPart(tree, [](KuvEeNodeRef& part) {
    HRESULT hr = KuvEeNodeNotRemover(1).removeNots(part, KuvEeNodeNotRemover::RemNots_None);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(traceChannel(), hr, "ERROR: removeNots failed");
    hr = KuvEeNodeDeveloper().develop(part);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(traceChannel(), hr, "ERROR: develop failed");
    return hr;
  });
}

HRESULT KuvEeExpressionToolbox::ComputeView(KuvEeNodeRef& tree, ExpressionView view, unsigned char flag,
                                            KuvEeModelDico* dictionary) {
  KUV_TRACE_CALL("ComputeView");
  using E = KuvEeNodeExpander;
  // Each view's mode, without and with references to basic effectivities.
  std::int32_t mode = 0;
  switch (view) {
    case NONE:
      return S_OK;
    case SOURCE:
      mode = E::EXPAND_NONE;
      break;
    case CURRENT:
      mode = E::EXPAND_OFFICIALIZED;
      break;
    case PROJECTED:
      mode = E::EXPAND_PREDEF;
      break;
    default:
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected value");
  }
  if (flag != 0) mode |= E::EXPAND_BASIC;
  const HRESULT hr = KuvEeNodeExpander().expand(tree, static_cast<E::E_Expand>(mode), nullptr, dictionary);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: expand failed");
  return hr;
}

HRESULT KuvEeExpressionToolbox::ComputeView(KuvEeGenericExpression& expression, ExpressionView view,
                                            unsigned char flag) {
  KUV_TRACE_CALL("ComputeView");
  if (expression.IsList()) return S_OK;
  if (expression.GetNodeRef() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  return ComputeView(*expression.GetNodeRef(), view, flag, nullptr);
}
