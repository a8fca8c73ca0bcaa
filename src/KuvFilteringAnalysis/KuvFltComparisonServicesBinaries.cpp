// KuvFltComparisonServices over compiled binaries: the class is declared
// with the filtering objects, which come before the compiled binary parser
// in the module order, so the overloads that decode binaries live here.
#include <cstdlib>
#include <memory>

#include "KuvCompiledBinaryParser.h"
#include "KuvFltApplicability.h"
#include "KuvFltComparisonServices.h"
#include "KuvFltEffectivity.h"
#include "KuvFltFilter.h"
#include "KuvInList.h"
#include "KuvMallocArray.h"
#include "KuvOutOfMemory.h"

namespace {

KuvInTraceClass& traceChannel() { return KuvFltComparisonServices::traceChannel(); }

// One decoded binary and what it turned out to be.
struct Decoded {
  std::unique_ptr<KuvInObject> object;
  const KuvFltFilter* filter = nullptr;
  const KuvFltEffectivity* effectivity = nullptr;
  const KuvFltApplicability* applicability = nullptr;
};

HRESULT decode(KuvBioBuffer& in, Decoded& out) {
  KuvInObject* object = nullptr;
  const HRESULT hr = KuvCompiledBinaryParser::Read(in, object);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : CompiledBinaryParser::Read FAILED.");
  out.object.reset(object);
  out.filter = KuvFltFilter::cast(*object);
  out.effectivity = KuvFltEffectivity::cast(*object);
  out.applicability = KuvFltApplicability::cast(*object);
  return S_OK;
}

// Both binaries, the second only when the first could be read.
HRESULT decodeBoth(KuvBioBuffer& a, KuvBioBuffer& b, Decoded& first, Decoded& second) {
  const HRESULT hr = decode(a, first);
  return FAILED(hr) ? hr : decode(b, second);
}

// Runs call and, when it fails, puts the cursors of a (and b, when given)
// back where it found them: a refused call leaves the caller's binaries as
// they were.
template <class Call>
HRESULT keepingCursorsOnFailure(KuvBioBuffer& a, KuvBioBuffer* b, Call&& call) {
  const std::uint32_t positions[2] = {a.getPosition(), b != nullptr ? b->getPosition() : 0};
  const HRESULT hr = kuv::detail::unlessOutOfMemory(traceChannel(), static_cast<Call&&>(call));
  if (FAILED(hr)) {
    const auto putBack = [](KuvBioBuffer& buffer, std::uint32_t position) {
      buffer.reset();
      buffer.increment(position);
    };
    putBack(a, positions[0]);
    if (b != nullptr) putBack(*b, positions[1]);
  }
  return hr;
}

HRESULT unexpectedKinds() { KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : unexpected kinds of compiled binaries"); }

HRESULT intersect(const Decoded& a, const Decoded& b, KuvComparisonMode mode, unsigned char& answer) {
  using Services = KuvFltComparisonServices;
  if (a.filter != nullptr && b.effectivity != nullptr)
    return Services::IsIntersect(*a.filter, *b.effectivity, mode, mode, answer, 1);
  if (a.effectivity != nullptr && b.filter != nullptr)
    return Services::IsIntersect(*b.filter, *a.effectivity, mode, mode, answer, 1);
  if (a.effectivity != nullptr && b.effectivity != nullptr)
    return Services::IsIntersect(*a.effectivity, *b.effectivity, mode, mode, answer);
  if (a.filter != nullptr && b.applicability != nullptr)
    return Services::IsIntersect(*a.filter, *b.applicability, mode, answer);
  if (a.applicability != nullptr && b.filter != nullptr)
    return Services::IsIntersect(*b.filter, *a.applicability, mode, answer);
  return unexpectedKinds();
}

HRESULT include(const Decoded& a, const Decoded& b, KuvComparisonMode viewMode, KuvComparisonMode domainMode,
                unsigned char& answer) {
  answer = 0;
  if (a.filter != nullptr && b.filter != nullptr) {
    const HRESULT hr = a.filter->isIncluding(*b.filter);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIncluding FAILED");
    answer = hr == S_OK ? 1 : 0;
    return S_OK;
  }
  if (a.effectivity != nullptr && b.effectivity != nullptr)
    return KuvFltComparisonServices::IsIncluding(*a.effectivity, *b.effectivity, viewMode, domainMode, answer);
  if (a.applicability != nullptr && b.applicability != nullptr)
    return KuvFltComparisonServices::IsIncluding(*a.applicability, *b.applicability, answer);
  return unexpectedKinds();
}

// reference against each listed binary with compare; see the header.
template <class Compare>
HRESULT eachOf(KuvBioBuffer& reference, const KuvInList& binaries, unsigned char*& answers, Compare compare) {
  answers = nullptr;
  Decoded decodedReference;
  HRESULT hr = decode(reference, decodedReference);
  if (FAILED(hr)) return hr;
  const std::int32_t count = binaries.GetLength();
  // A host frees the answers with free().
  kuv::detail::MallocArray<unsigned char> results =
      kuv::detail::allocateArray<unsigned char>(static_cast<std::size_t>(count));
  if (!results) KUV_RETURN_ERROR(E_OUTOFMEMORY, "ERROR: out of memory");
  for (std::int32_t i = 0; i < count; ++i) {
    const KuvInObject* element = binaries.Get(i);
    const KuvBioBuffer* binary = element != nullptr ? KuvBioBuffer::cast(*element) : nullptr;
    if (binary == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : Retrieved element isn't a KuvBioBuffer.");
    // Reading moves a cursor; the list's buffer stays where it is.
    KuvBioBuffer cursor(*binary);
    Decoded other;
    hr = decode(cursor, other);
    if (SUCCEEDED(hr)) hr = compare(decodedReference, other, results.get()[i]);
    if (FAILED(hr)) return hr;
  }
  answers = results.release();
  return S_OK;
}

}  // namespace

HRESULT KuvFltComparisonServices::IsIntersect(KuvBioBuffer& a, KuvBioBuffer& b, KuvComparisonMode mode,
                                              unsigned char& answer) {
  KUV_TRACE_CALL("IsIntersect");
  return keepingCursorsOnFailure(a, &b, [&] {
    answer = 0;
    Decoded first, second;
    HRESULT hr = decodeBoth(a, b, first, second);
    if (FAILED(hr)) return hr;
    return intersect(first, second, mode, answer);
  });
}

HRESULT KuvFltComparisonServices::IsIntersect(KuvBioBuffer& a, KuvBioBuffer& b, KuvDiversityDomain domain,
                                              unsigned char& answer) {
  KUV_TRACE_CALL("IsIntersect");
  return keepingCursorsOnFailure(a, &b, [&] {
    answer = 0;
    Decoded first, second;
    HRESULT hr = decodeBoth(a, b, first, second);
    if (FAILED(hr)) return hr;
    const KuvFltFilter* filter = first.filter != nullptr ? first.filter : second.filter;
    const KuvFltEffectivity* effectivity =
        first.effectivity != nullptr ? first.effectivity : second.effectivity;
    if (filter == nullptr || effectivity == nullptr) return unexpectedKinds();
    const KuvFltDomainFilter* part = filter->getFilterForDomain(domain);
    const KuvFltDomainEffectivity* domainEffectivity = effectivity->getDomainEffectivity(domain);
    if (part == nullptr || domainEffectivity == nullptr) {
      answer = 1;
      return S_OK;
    }
    hr = domainEffectivity->isIntersect(*part, 1, answer);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect FAILED");
    return S_OK;
  });
}

HRESULT KuvFltComparisonServices::IsIntersect(KuvBioBuffer& reference, const KuvInList& binaries,
                                              KuvComparisonMode mode, unsigned char*& answers) {
  KUV_TRACE_CALL("IsIntersect");
  return keepingCursorsOnFailure(reference, nullptr, [&] {
    return eachOf(reference, binaries, answers,
                  [mode](const Decoded& a, const Decoded& b, unsigned char& answer) {
                    return intersect(a, b, mode, answer);
                  });
  });
}

HRESULT KuvFltComparisonServices::IsIncluding(KuvBioBuffer& a, KuvBioBuffer& b, unsigned char& answer,
                                              KuvComparisonMode viewMode, KuvComparisonMode domainMode) {
  KUV_TRACE_CALL("IsIncluding");
  return keepingCursorsOnFailure(a, &b, [&] {
    answer = 0;
    Decoded first, second;
    HRESULT hr = decodeBoth(a, b, first, second);
    if (FAILED(hr)) return hr;
    KUV_TRACE_DETAIL("IsIncluding global with inputs : ", first.object->toString(), " and ",
                     second.object->toString());
    hr = include(first, second, viewMode, domainMode, answer);
    if (FAILED(hr)) return hr;
    KUV_TRACE_DETAIL("Result is: ", static_cast<int>(answer));
    return S_OK;
  });
}

HRESULT KuvFltComparisonServices::IsIncluding(KuvBioBuffer& reference, const KuvInList& binaries,
                                              KuvComparisonMode viewMode, KuvComparisonMode domainMode,
                                              unsigned char*& answers) {
  KUV_TRACE_CALL("IsIncluding");
  return keepingCursorsOnFailure(reference, nullptr, [&] {
    return eachOf(reference, binaries, answers,
                  [viewMode, domainMode](const Decoded& a, const Decoded& b, unsigned char& answer) {
                    return include(a, b, viewMode, domainMode, answer);
                  });
  });
}

HRESULT KuvFltComparisonServices::IsEqual(KuvBioBuffer& a, KuvBioBuffer& b, KuvComparisonMode mode,
                                          unsigned char& answer) {
  KUV_TRACE_CALL("IsEqual");
  return keepingCursorsOnFailure(a, &b, [&] {
    answer = 0;
    Decoded first, second;
    HRESULT hr = decodeBoth(a, b, first, second);
    if (FAILED(hr)) return hr;
    if (first.filter != nullptr && second.filter != nullptr)
      return IsEqual(*first.filter, *second.filter, mode, answer);
    if (first.effectivity != nullptr && second.effectivity != nullptr)
      return IsEqual(*first.effectivity, *second.effectivity, mode, mode, answer);
    if (first.applicability != nullptr && second.applicability != nullptr)
      return IsEqual(*first.applicability, *second.applicability, answer);
    return unexpectedKinds();
  });
}
