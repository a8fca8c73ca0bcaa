#include "KuvFilteringServices.h"

#include <memory>

#include "KuvFltFastPath.h"

KUV_DEFINE_TYPE(KuvFilteringServices, KuvInObject)

HRESULT KuvFilteringServices::ApplyQuery(const std::uint8_t* filterBinary, unsigned int filterSize,
                                         const std::uint8_t* const* binaries, const unsigned int* sizes,
                                         unsigned int count, int*& results) {
  KUV_TRACE_CALL("ApplyQuery");
  if (filterSize == 0) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: filter binary size cannot be equal to zero.");
  if (filterBinary == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer on input.");
  if (binaries == nullptr) {
    if (sizes == nullptr && count == 0) return S_FALSE;
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer on input.");
  }
  if (sizes == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer on input.");
  if (count == 0) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: in_nbEff cannot be NULL if Eff binaries are provided.");
  if (results != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: out_results output parameter should be NULL.");

  KuvFltFilter* read = nullptr;
  const HRESULT hr =
      KuvFilterHandler::readFilter(filterBinary, filterSize, KuvFilterHandler::Wording::Query, read);
  if (FAILED(hr)) return hr;
  const std::unique_ptr<KuvFltFilter> filter(read);
  std::unique_ptr<int[]> answers(new int[count]);
  const std::unique_ptr<KuvFltFastPath> fast(KuvFltFastPath::isUsable() ? new KuvFltFastPath(*filter) : nullptr);
  const HRESULT applyHr = KuvFilterHandler::applyEach(*filter, fast.get(), binaries, sizes, count, answers.get());
  if (FAILED(applyHr))
    KUV_RETURN_ERROR(applyHr, "ERROR : KuvFltComparisonServices::isIntersect FltEffectivities FAILED.");
  results = answers.release();
  return S_OK;
}

HRESULT KuvFilteringServices::PrepareFilterForContext(const KuvInString&, const KuvInListVal&, const KuvInListVal&,
                                                      KuvInString&) {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: preparing a filter for a context is not implemented");
}
