#include "KuvFltComparisonServices.h"

#include <memory>

#include "KuvEeDnfComparisonServices.h"
#include "KuvEeDnfProduct.h"
#include "KuvFltApplicability.h"
#include "KuvFltEffectivity.h"
#include "KuvFltFilter.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvFltComparisonServices, KuvInObject)

namespace {

KuvInTraceClass& traceChannel() { return KuvFltComparisonServices::traceChannel(); }

// Whether a and b hold the same configurations: neither meets the other's
// negation (a plain one: no domain, no modeler).
HRESULT sameConfigurations(const KuvDnf& a, const KuvDnf& b, const KuvInGuid& dictionary, bool& same) {
  const unsigned char plain = 0;
  kuv::detail::DnfNegation notA, notB;
  notA.terms.reset(kuv::detail::notDnf(a, dictionary, plain, nullptr, &notA.factors));
  notB.terms.reset(kuv::detail::notDnf(b, dictionary, plain, nullptr, &notB.factors));
  if (!notA.isMade() || !notB.isMade()) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  unsigned char aMeets = 0, bMeets = 0;
  HRESULT hr = notB.isIntersectedBy(a, aMeets);
  if (SUCCEEDED(hr)) hr = notA.isIntersectedBy(b, bMeets);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect between DNFs FAILED.");
  same = aMeets == 0 && bMeets == 0;
  return S_OK;
}

}  // namespace

HRESULT KuvFltComparisonServices::IsIntersect(const KuvFltFilter& filter, const KuvFltEffectivity& effectivity,
                                              KuvComparisonMode domainMode, KuvComparisonMode viewMode,
                                              unsigned char& answer, unsigned char dictionaryFlag) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    answer = 0;
    const HRESULT hr = filter.isIntersect(effectivity, viewMode, domainMode, dictionaryFlag);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect FAILED");
    answer = hr == S_OK ? 1 : 0;
    return S_OK;
  });
}

HRESULT KuvFltComparisonServices::IsIntersect(const KuvFltEffectivity& a, const KuvFltEffectivity& b,
                                              KuvComparisonMode viewMode, KuvComparisonMode domainMode,
                                              unsigned char& answer, unsigned char dictionaryFlag) {
  KUV_TRACE_CALL("IsIntersect");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KUV_TRACE_DETAIL("IsIntersect between ", a.toString(), "  and  ", b.toString());
    answer = 0;
    const HRESULT hr = a.isIntersect(b, viewMode, domainMode, answer, dictionaryFlag);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect on effectivities global mode failed.");
    KUV_TRACE_DETAIL("IsIntersect result : ", static_cast<int>(answer));
    return S_OK;
  });
}

HRESULT KuvFltComparisonServices::IsIntersect(const KuvFltFilter& filter, const KuvFltApplicability& applicability,
                                              KuvComparisonMode mode, unsigned char& answer) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    answer = 0;
    const HRESULT hr = filter.isIntersect(applicability, mode);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect FAILED");
    answer = hr == S_OK ? 1 : 0;
    return S_OK;
  });
}

HRESULT KuvFltComparisonServices::IsEqual(const KuvFltFilter& a, const KuvFltFilter& b, KuvComparisonMode mode,
                                          unsigned char& answer) {
  KUV_TRACE_CALL("IsEqual");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    // Only All combines with And; any other nonzero mode starts from true too.
    const bool all = mode == KuvComparisonMode_All;
    bool equal = mode != KuvComparisonMode_Any;
    answer = 0;
    if (a.getView() != b.getView() || a.getSelectionMode() != b.getSelectionMode()) return S_OK;
    for (int d = 1; d <= KuvFltFilter::sc_maxDomain; ++d) {
      const KuvFltDomainFilter* mine = a.getFilterForDomain(d);
      const KuvFltDomainFilter* theirs = b.getFilterForDomain(d);
      if (mine == nullptr) {
        if (theirs != nullptr && all) equal = false;
        continue;
      }
      bool domainEqual = theirs != nullptr;
      if (domainEqual) {
        for (const auto& e : mine->dnfs().entries()) {
          const KuvDnf* other = theirs->getDnf(e.dictionary);
          if (other == nullptr) {
            domainEqual = false;
            break;
          }
          const HRESULT hr = sameConfigurations(*e.dnf, *other, e.dictionary, domainEqual);
          if (FAILED(hr)) return hr;
        }
      }
      equal = all ? equal && domainEqual : equal || domainEqual;
    }
    answer = equal ? 1 : 0;
    return S_OK;
  });
}

HRESULT KuvFltComparisonServices::IsIncluding(const KuvFltEffectivity& a, const KuvFltEffectivity& b,
                                              KuvComparisonMode, KuvComparisonMode, unsigned char& answer,
                                              unsigned char) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    answer = 0;
    const HRESULT hr = a.isIncluding(b, answer);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIncluding on effectivities FAILED.");
    return S_OK;
  });
}

HRESULT KuvFltComparisonServices::IsEqual(const KuvFltEffectivity& a, const KuvFltEffectivity& b, KuvComparisonMode,
                                          KuvComparisonMode, unsigned char& answer) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    answer = 0;
    const HRESULT hr = a.isEqual(b, answer);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isEqual on effectivities FAILED.");
    return S_OK;
  });
}

HRESULT KuvFltComparisonServices::IsIncluding(const KuvFltApplicability& a, const KuvFltApplicability& b,
                                              unsigned char& answer) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    answer = 0;
    for (const auto& e : a.criteria().entries()) {
      const HRESULT hr =
          KuvEeDnfComparisonServices::IsAIncludingB(e.dnf, b.getCriteria(e.dictionary), e.dictionary);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : IsIncluding of DNFs FAILED.");
      if (hr != S_OK) return S_OK;
    }
    answer = 1;
    return S_OK;
  });
}

HRESULT KuvFltComparisonServices::IsEqual(const KuvFltApplicability& a, const KuvFltApplicability& b,
                                          unsigned char& answer) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    answer = 0;
    if (a.getNbCriteria() != b.getNbCriteria()) return S_OK;
    for (const auto& e : a.criteria().entries()) {
      const KuvDnf* other = b.getCriteria(e.dictionary);
      bool same = false;
      if (other != nullptr) {
        const HRESULT hr = sameConfigurations(*e.dnf, *other, e.dictionary, same);
        if (FAILED(hr)) return hr;
      }
      if (!same) return S_OK;
    }
    answer = 1;
    return S_OK;
  });
}
