#include "KuvFltComparisonServices.h"

#include "KuvFltApplicability.h"
#include "KuvFltEffectivity.h"
#include "KuvFltFilter.h"

KUV_DEFINE_TYPE(KuvFltComparisonServices, KuvInObject)

HRESULT KuvFltComparisonServices::IsIntersect(const KuvFltFilter& filter, const KuvFltEffectivity& effectivity,
                                              KuvComparisonMode domainMode, KuvComparisonMode viewMode,
                                              unsigned char& answer, unsigned char dictionaryFlag) {
  answer = 0;
  const HRESULT hr = filter.isIntersect(effectivity, viewMode, domainMode, dictionaryFlag);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect FAILED");
  answer = hr == S_OK ? 1 : 0;
  return S_OK;
}

HRESULT KuvFltComparisonServices::IsIntersect(const KuvFltEffectivity& a, const KuvFltEffectivity& b,
                                              KuvComparisonMode viewMode, KuvComparisonMode domainMode,
                                              unsigned char& answer) {
  KUV_TRACE_CALL("IsIntersect");
  if (traceChannel().isCallOn()) KUV_TRACE_DETAIL("IsIntersect between ", a.toString(), "  and  ", b.toString());
  answer = 0;
  const HRESULT hr = a.isIntersect(b, viewMode, domainMode, answer);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect on effectivities global mode failed.");
  KUV_TRACE_DETAIL("IsIntersect result : ", static_cast<int>(answer));
  return S_OK;
}

HRESULT KuvFltComparisonServices::IsIntersect(const KuvFltFilter& filter, const KuvFltApplicability& applicability,
                                              KuvComparisonMode mode, unsigned char& answer) {
  answer = 0;
  const HRESULT hr = filter.isIntersect(applicability, mode);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect FAILED");
  answer = hr == S_OK ? 1 : 0;
  return S_OK;
}
