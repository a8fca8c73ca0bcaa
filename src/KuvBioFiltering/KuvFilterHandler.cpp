#include "KuvFilterHandler.h"

#include <array>
#include <cstdlib>
#include <memory>

#include "KuvBioBuffer.h"
#include "KuvBioDnfLeaves.h"
#include "KuvBioDnfReader.h"
#include "KuvBioTypedGuid.h"
#include "KuvBioTypedIdsReader.h"
#include "KuvCompiledBinaryParser.h"
#include "KuvDnf.h"
#include "KuvFltComparisonServices.h"
#include "KuvFltDomainEffectivity.h"
#include "KuvFltDomainFilter.h"
#include "KuvFltEffectivity.h"
#include "KuvFltEffectivityView.h"
#include "KuvFltFastPath.h"
#include "KuvInListVal.h"
#include "KuvMallocArray.h"
#include "KuvOutOfMemory.h"
#include "KuvPrivateFilteringServices.h"

KUV_DEFINE_TYPE(KuvFilterHandler, KuvInObject)

namespace {

constexpr HRESULT sc_skipped = -1;

}  // namespace

KuvFilterHandler::KuvFilterHandler() = default;

std::span<KuvInTraceClass* const> KuvFilterHandler::filteringTraceChannels() {
  static const std::array channels = {
      &KuvFilterHandler::traceChannel(), &KuvCompiledBinaryParser::traceChannel(),
      &KuvBioBuffer::traceChannel(), &KuvBioTypedIdsReader::traceChannel(), &KuvBioTypedGuid::traceChannel(),
      &KuvBioDnfReader::traceChannel(), &KuvBioDnfSpecCond::traceChannel(), &KuvBioEff::traceChannel(),
      &KuvBioOptionEff::traceChannel(), &KuvBioSelectionEff::traceChannel(), &KuvBioDateEff::traceChannel(),
      &KuvBioSerialEff::traceChannel(), &KuvBioMilestonesEff::traceChannel(),
      &KuvBioTreeSeriesEff::traceChannel(), &KuvBioSerialRestrictionEff::traceChannel(),
      &KuvBioDateRestrictionEff::traceChannel(), &KuvBioSelectionRestrictionEff::traceChannel(),
      &KuvBioCategoryOptionRestrictionEff::traceChannel(), &KuvBioCategoryRestrictionEff::traceChannel(),
      &KuvBioEffRestrictionEff::traceChannel(), &KuvBioMilestonesRestrictionEff::traceChannel(),
      &KuvBioTreeSeriesRestrictionEff::traceChannel(), &KuvFltComparisonServices::traceChannel(),
      &KuvFltFilter::traceChannel(), &KuvFltEffectivity::traceChannel(), &KuvFltDomainFilter::traceChannel(),
      &KuvFltDomainEffectivity::traceChannel(), &KuvFltEffectivityView::traceChannel(),
      &KuvDnf::traceChannel(), &KuvInListVal::traceChannel()};
  return channels;
}

KuvFilterHandler::KuvFilterHandler(const std::uint8_t* filterBinary, unsigned int size, std::uint8_t flag)
    : m_flag(flag) {
  KUV_TRACE_CALL("KuvFilterHandler");
  if (size == 0) {
    KUV_TRACE_ERROR("ERROR: filter binary size cannot be equal to zero.");
    m_status = E_INVALIDARG;
    return;
  }
  m_status = kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    const HRESULT hr = readFilter(filterBinary, size, Wording::Handler, m_filter);
    flatten();
    return hr;
  });
  if (FAILED(m_status)) clear();
}

KuvFilterHandler::KuvFilterHandler(const std::uint8_t* const* filterBinaries, const unsigned int* sizes,
                                   unsigned int count, std::uint8_t flag)
    : m_flag(flag) {
  KUV_TRACE_CALL("KuvFilterHandler");
  if (filterBinaries == nullptr || sizes == nullptr || count == 0) {
    KUV_TRACE_ERROR("ERROR: NULL pointer on input.");
    m_status = E_INVALIDARG;
    return;
  }
  m_status = kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    std::unique_ptr<KuvFltFilter> merged;
    for (unsigned int i = 0; i < count; ++i) {
      KuvFltFilter* read = nullptr;
      const HRESULT hr = readFilter(filterBinaries[i], sizes[i], Wording::Handler, read);
      std::unique_ptr<KuvFltFilter> filter(read);
      if (FAILED(hr)) return hr;
      if (!merged) {
        merged = std::move(filter);
      } else if (const HRESULT mergeHr = merged->MergeWithFilter(*filter); FAILED(mergeHr)) {
        KUV_TRACE_ERROR("ERROR: MergeWithFilter FAILED.");
        return mergeHr;
      }
    }
    m_filter = merged.release();
    flatten();
    return S_OK;
  });
  if (FAILED(m_status)) clear();
}

KuvFilterHandler::KuvFilterHandler(const KuvFilterHandler& other, const std::uint8_t* const* compositionMatrixBinaries,
                                   const unsigned int* compositionMatrixSizes, unsigned int nbCompositionMatrixBinaries,
                                   const unsigned int* nbOfCompositionMatrixPerDictionary, unsigned int nbDictionaries)
    : m_flag(other.m_flag) {
  KUV_TRACE_CALL("KuvFilterHandler");
  if (other.isValid() != S_OK) {
    KUV_TRACE_ERROR("ERROR: input filter handler is invalid");
    m_status = E_INVALIDARG;
    return;
  }
  unsigned long long sum = 0;
  for (unsigned int i = 0; nbOfCompositionMatrixPerDictionary != nullptr && i < nbDictionaries; ++i)
    sum += nbOfCompositionMatrixPerDictionary[i];
  if ((nbCompositionMatrixBinaries != 0 && (compositionMatrixBinaries == nullptr || compositionMatrixSizes == nullptr)) ||
      sum != nbCompositionMatrixBinaries) {
    KUV_TRACE_ERROR("ERROR: problem of coherence for inputs : sum of elements of "
                    "in_arr_NbOfCompositionMatrixPerDictionary should be equal to in_nbCompositionMatrixBinaries");
    m_status = E_INVALIDARG;
    return;
  }
  m_status = kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    const HRESULT hr = KuvPrivateFilteringServices::prepareFilterForContext(
        *other.m_filter, compositionMatrixBinaries, compositionMatrixSizes,
        nbOfCompositionMatrixPerDictionary, nbDictionaries, m_filter);
    if (FAILED(hr))
      KUV_RETURN_ERROR(hr, "ERROR: KuvPrivateFilteringServices::prepareFilterForContext FAILED");
    flatten();
    return S_OK;
  });
  if (FAILED(m_status)) clear();
}

KuvFilterHandler::KuvFilterHandler(const KuvFilterHandler& other) : KuvInObject(other), m_flag(other.m_flag) {
  copyFilter(other);
}

KuvFilterHandler& KuvFilterHandler::operator=(const KuvFilterHandler& other) {
  if (this == &other) return *this;
  clear();
  m_flag = other.m_flag;
  copyFilter(other);
  return *this;
}

KuvFilterHandler::~KuvFilterHandler() { clear(); }

void KuvFilterHandler::copyFilter(const KuvFilterHandler& other) {
  // A copy cannot answer a code: out of memory, it is an invalid handler.
  m_status = kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    m_filter = other.m_filter != nullptr ? other.m_filter->clone() : nullptr;
    flatten();
    return other.m_status;
  });
  if (FAILED(m_status)) clear();
}

void KuvFilterHandler::clear() {
  delete m_fast;
  m_fast = nullptr;
  delete m_filter;
  m_filter = nullptr;
}

void KuvFilterHandler::flatten() {
  delete m_fast;
  m_fast = nullptr;
  if (m_filter != nullptr) m_fast = new KuvFltFastPath(*m_filter);
}

HRESULT KuvFilterHandler::readFilter(const std::uint8_t* bytes, unsigned int size, Wording wording,
                                     KuvFltFilter*& filter) {
  const bool query = wording == Wording::Query;
  if (bytes == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer on input.");
  KuvBioBuffer in(bytes, size, 0);
  KuvInObject* read = nullptr;
  if (FAILED(KuvCompiledBinaryParser::Read(in, read)))
    KUV_RETURN_ERROR(E_FAIL, query ? "ERROR : Compiled Binary Parser :: Read FAILED."
                                   : "ERROR: Compiled Binary Parser :: Read FAILED.");
  std::unique_ptr<KuvInObject> object(read);
  if (!object)
    KUV_RETURN_ERROR(E_FAIL, query ? "ERROR : Read returned a null pointer. Quite unexpected."
                                   : "ERROR: Read returned a null pointer. Quite unexpected.");
  if (!KuvFltFilter::isObjectOfThisType(*object))
    KUV_RETURN_ERROR(E_FAIL, query ? "ERROR : result of read is of unexpected type, cast failed."
                                   : "ERROR: result of read is of unexpected type, cast failed.");
  filter = static_cast<KuvFltFilter*>(object.release());
  return S_OK;
}

HRESULT KuvFilterHandler::readEffectivity(const std::uint8_t* bytes, unsigned int size, bool trace,
                                          KuvFltEffectivity*& effectivity) {
  KuvBioBuffer in(bytes, size, 0);
  KuvInObject* read = nullptr;
  if (FAILED(KuvCompiledBinaryParser::Read(in, read))) {
    if (trace) KUV_TRACE_ERROR("ERROR: Compiled Binary Parser :: Read FAILED.");
    return E_FAIL;
  }
  std::unique_ptr<KuvInObject> object(read);
  if (!object) {
    if (trace) KUV_TRACE_ERROR("ERROR: Read returned a null pointer. Quite unexpected.");
    return E_FAIL;
  }
  if (!KuvFltEffectivity::isObjectOfThisType(*object)) {
    if (trace) KUV_TRACE_ERROR("ERROR: result of read is of unexpected type, cast failed.");
    return E_FAIL;
  }
  effectivity = static_cast<KuvFltEffectivity*>(object.release());
  return S_OK;
}

HRESULT KuvFilterHandler::applyEach(const KuvFltFilter& filter, const KuvFltFastPath* fast,
                                    const std::uint8_t* const* objectBinaries, const unsigned int* sizes,
                                    unsigned int count, int* results) {
  if (fast != nullptr) fast->apply(objectBinaries, sizes, count, results);
  for (unsigned int i = 0; i < count; ++i) {
    if (fast != nullptr && results[i] != KuvFltFastPath::sc_undecided) continue;
    results[i] = sc_skipped;
    KuvFltEffectivity* read = nullptr;
    if (sizes[i] == 0 || objectBinaries[i] == nullptr ||
        FAILED(readEffectivity(objectBinaries[i], sizes[i], false, read)))
      continue;
    const std::unique_ptr<KuvFltEffectivity> effectivity(read);
    unsigned char answer = 0;
    const HRESULT hr = KuvFltComparisonServices::IsIntersect(filter, *effectivity, KuvComparisonMode_All,
                                                             KuvComparisonMode_All, answer, 1);
    if (FAILED(hr)) return hr;
    results[i] = answer != 0 ? 1 : 0;
  }
  return S_OK;
}

HRESULT KuvFilterHandler::Apply(const std::uint8_t* objectBinary, unsigned int size, int& result) const {
  KUV_TRACE_CALL("Apply");
  result = sc_skipped;
  if (size == 0) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: filter binary size cannot be equal to zero.");
  if (objectBinary == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer on input.");
  if (m_status != S_OK || m_filter == nullptr)
    KUV_RETURN_ERROR(FAILED(m_status) ? m_status : E_FAIL, "ERROR: invalid filter handler");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (m_fast != nullptr && KuvFltFastPath::isUsable()) {
      result = m_fast->apply(objectBinary, size);
      if (result != KuvFltFastPath::sc_undecided) return S_OK;
    }
    KuvFltEffectivity* read = nullptr;
    const HRESULT hr = readEffectivity(objectBinary, size, true, read);
    if (FAILED(hr)) return hr;
    const std::unique_ptr<KuvFltEffectivity> effectivity(read);
    unsigned char answer = 0;
    const HRESULT testHr = KuvFltComparisonServices::IsIntersect(
        *m_filter, *effectivity, KuvComparisonMode_All, KuvComparisonMode_All, answer, 1);
    if (FAILED(testHr)) KUV_RETURN_ERROR(testHr, "ERROR: KuvFltComparisonServices::IsIntersect FAILED");
    result = answer != 0 ? 1 : 0;
    return S_OK;
  });
}

HRESULT KuvFilterHandler::Apply(const std::uint8_t* const* objectBinaries, const unsigned int* sizes,
                                unsigned int count, int*& results) const {
  KUV_TRACE_CALL("Apply");
  if (objectBinaries == nullptr && sizes == nullptr && count == 0) {
    KUV_TRACE_DETAIL("no effectivities");
    return S_FALSE;
  }
  if (objectBinaries == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: in_effectivitiesBinaries is NULL");
  if (sizes == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: in_effectivitiesBinariesSizes is NULL");
  if (count == 0) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: in_nbEffectivities is NULL");
  if (results != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: out_results is not NULL");
  if (m_status != S_OK || m_filter == nullptr)
    KUV_RETURN_ERROR(FAILED(m_status) ? m_status : E_FAIL, "ERROR: invalid filter handler");
  // A host frees the answers with free().
  kuv::detail::MallocArray<int> answers = kuv::detail::allocateArray<int>(count);
  if (!answers) KUV_RETURN_ERROR(E_OUTOFMEMORY, "ERROR: out of memory");
  const HRESULT hr = kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    return applyEach(*m_filter, KuvFltFastPath::isUsable() ? m_fast : nullptr, objectBinaries, sizes, count,
                     answers.get());
  });
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: KuvFltComparisonServices::IsIntersect FAILED");
  results = answers.release();
  return S_OK;
}

HRESULT KuvFilterHandler::getFilterCompiledBinary(const std::uint8_t*& bytes, unsigned int& size) const {
  KUV_TRACE_CALL("getFilterCompiledBinary");
  if (bytes != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output parameter should be NULL.");
  if (m_status != S_OK || m_filter == nullptr)
    KUV_RETURN_ERROR(FAILED(m_status) ? m_status : E_FAIL, "ERROR: invalid filter handler");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    auto out = std::make_unique<KuvBioBufferOut>();
    const HRESULT hr = KuvCompiledBinaryParser::Write(*m_filter, *out);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: KuvCompiledBinaryParser::Write FAILED.");
    std::uint32_t length = 0, capacity = 0;
    KuvBioBufferOut* written = out.release();
    const HRESULT keepHr = KuvBioBufferOut::KeepByteAndDeleteObject(written, bytes, length, capacity);
    if (FAILED(keepHr)) return keepHr;
    size = length;
    return S_OK;
  });
}

KuvInString KuvFilterHandler::toString() const {
  KuvInString text("KuvFilterHandler ( status : ");
  KuvInString status;
  status.BuildFromNum(static_cast<std::int32_t>(m_status));
  text.Append(status, " )\n");
  if (m_filter != nullptr) text.Append(m_filter->toString());
  return text;
}
