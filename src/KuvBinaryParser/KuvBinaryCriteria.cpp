#include "KuvBinaryCriteria.h"

#include "KuvBinaryExprData.h"
#include "KuvEeVarEff.h"

namespace kuv::detail {

HRESULT writeCriterion(const KuvEeVarEff&, const KuvBinaryExprData&, KuvBioBufferOut&) {
  KUV_RETURN_ERROR_ON(KuvBinaryExprData::traceChannel(), E_NOTIMPL, "ERROR: To be implemented");
}

HRESULT readCriterion(std::uint8_t, KuvBioBuffer&, KuvBinaryExprData&, bool, KuvEeVarEff*&) {
  KUV_RETURN_ERROR_ON(KuvBinaryExprData::traceChannel(), E_NOTIMPL, "ERROR: To be implemented");
}

}  // namespace kuv::detail
