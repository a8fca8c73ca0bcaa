#include "KuvEeChangeExpression.h"

#include <memory>

KUV_DEFINE_TYPE(KuvEeChangeExpression, KuvEeMultiModelExpression)

KuvEeChangeExpression::KuvEeChangeExpression() = default;

KuvEeChangeExpression::~KuvEeChangeExpression() = default;

HRESULT KuvEeChangeExpression::clone(const KuvEeChangeExpression& source, KuvEeChangeExpression*& copy) {
  KUV_TRACE_CALL("clone");
  auto result = std::make_unique<KuvEeChangeExpression>();
  if (result->copyCriteriaFrom(source) < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: copy of the criteria FAILED.");
  copy = result.release();
  return S_OK;
}
