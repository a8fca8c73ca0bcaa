#include "KuvFilteringServices.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "KuvInHexaEncodingServices.h"
#include "KuvInIntHolder.h"
#include "KuvInListVal.h"
#include "KuvMallocArray.h"
#include "KuvOutOfMemory.h"

#include "KuvFltFastPath.h"

KUV_DEFINE_TYPE(KuvFilteringServices, KuvInObject)

namespace {

KuvInTraceClass& traceChannel() { return KuvFilteringServices::traceChannel(); }

struct Bytes {
  kuv::detail::MallocArray<std::uint8_t> bytes;
  unsigned int size = 0;
};

// The bytes a hexadecimal text stands for, worded as the conversion
// services word it.
HRESULT decode(const KuvInString& text, Bytes& out) {
  if (text.IsEmpty()) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Length of input KuvInString is empty.");
  const char* digits = text.ConvertToChar();
  unsigned char* raw = nullptr;
  std::int32_t count = 0;
  if (digits == nullptr ||
      KuvInHexaEncodingServices::decode_hex(digits, static_cast<std::int32_t>(std::strlen(digits)), raw, count) != 0)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Call to decode_hex() has Failed.");
  out.bytes.reset(raw);
  if (out.bytes == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Null pointer on decoded binary.");
  out.size = static_cast<unsigned int>(count);
  return S_OK;
}

}  // namespace

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
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KuvFltFilter* read = nullptr;
    const HRESULT hr =
        KuvFilterHandler::readFilter(filterBinary, filterSize, KuvFilterHandler::Wording::Query, read);
    if (FAILED(hr)) return hr;
    const std::unique_ptr<KuvFltFilter> filter(read);
    // A host frees the answers with free().
    kuv::detail::MallocArray<int> answers = kuv::detail::allocateArray<int>(count);
    if (!answers) KUV_RETURN_ERROR(E_OUTOFMEMORY, "ERROR: out of memory");
    const std::unique_ptr<KuvFltFastPath> fast(KuvFltFastPath::isUsable() ? new KuvFltFastPath(*filter)
                                                                          : nullptr);
    const HRESULT applyHr =
        KuvFilterHandler::applyEach(*filter, fast.get(), binaries, sizes, count, answers.get());
    if (FAILED(applyHr))
      KUV_RETURN_ERROR(applyHr, "ERROR : KuvFltComparisonServices::isIntersect FltEffectivities FAILED.");
    results = answers.release();
    return S_OK;
  });
}

HRESULT KuvFilteringServices::PrepareFilterForContext(const KuvInString& filter, const KuvInListVal& compositionMatrices,
                                                      const KuvInListVal& nbOfCompositionMatrixPerDictionary,
                                                      KuvInString& prepared) {
  KUV_TRACE_CALL("PrepareFilterForContext");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    prepared = KuvInString();
    if (compositionMatrices.GetElementType() != KuvInString::sType())
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: composition matrices should be a list of KuvInString.");
    if (nbOfCompositionMatrixPerDictionary.GetElementType() != KuvInIntHolder::sType())
      KUV_RETURN_ERROR(E_INVALIDARG,
                       "ERROR: numbers of composition matrices should be a list of KuvInIntHolder.");
    Bytes filterBytes;
    HRESULT hr = decode(filter, filterBytes);
    if (FAILED(hr)) return hr;
    const std::int32_t nbMatrices = compositionMatrices.GetLength();
    std::vector<Bytes> matrices(static_cast<std::size_t>(nbMatrices));
    std::vector<const std::uint8_t*> binaries;
    std::vector<unsigned int> sizes;
    for (std::int32_t i = 0; i < nbMatrices; ++i) {
      hr = decode(*KuvInString::cast(*compositionMatrices.Get(i)), matrices[static_cast<std::size_t>(i)]);
      if (FAILED(hr)) return hr;
      binaries.push_back(matrices[static_cast<std::size_t>(i)].bytes.get());
      sizes.push_back(matrices[static_cast<std::size_t>(i)].size);
    }
    std::vector<unsigned int> perDictionary;
    for (std::int32_t i = 0; i < nbOfCompositionMatrixPerDictionary.GetLength(); ++i)
      perDictionary.push_back(KuvInIntHolder::cast(*nbOfCompositionMatrixPerDictionary.Get(i))->getValue());

    const KuvFilterHandler source(filterBytes.bytes.get(), filterBytes.size, 0);
    if (FAILED(source.isValid())) return source.isValid();
    const KuvFilterHandler handler(source, binaries.data(), sizes.data(),
                                   static_cast<unsigned int>(nbMatrices), perDictionary.data(),
                                   static_cast<unsigned int>(perDictionary.size()));
    if (FAILED(handler.isValid())) return handler.isValid();
    const std::uint8_t* raw = nullptr;
    unsigned int size = 0;
    hr = handler.getFilterCompiledBinary(raw, size);
    if (FAILED(hr)) return hr;
    const kuv::detail::MallocArray<const std::uint8_t> written(raw);
    char* text = nullptr;
    std::int32_t length = 0;
    if (KuvInHexaEncodingServices::encode_hex(written.get(), static_cast<std::int32_t>(size), text, length) !=
        0)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Call to KuvInHexaEncodingServices::encode_hex() has failed.");
    const kuv::detail::MallocArray<char> encoded(text);
    if (encoded == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Null pointer on encoded hexa string.");
    prepared = encoded.get();
    return S_OK;
  });
}
