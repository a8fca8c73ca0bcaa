#include "KuvConversionServices.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "KuvBioBuffer.h"
#include "KuvInGuid.h"
#include "KuvInHexaEncodingServices.h"
#include "KuvMallocArray.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvConversionServices, KuvInObject)

namespace {

constexpr const char* sc_viewTexts[] = {"CFG_EXPRVIEW_SOURCE", "CFG_EXPRVIEW_CURRENT", "CFG_EXPRVIEW_PROJECTED"};
constexpr const char* sc_selectionModeTexts[] = {"CFG_SELECTIONMODE_STRICT", "CFG_SELECTIONMODE_150"};

// The index of text in texts, or -1.
template <std::size_t N>
int indexOf(const char* const (&texts)[N], const KuvInString& text) {
  for (std::size_t i = 0; i < N; ++i)
    if (text == KuvInString(texts[i])) return static_cast<int>(i);
  return -1;
}

// The bytes text's hexadecimal digits stand for; false when they do not
// decode.
bool decodeDigits(const KuvInString& text, kuv::detail::MallocArray<unsigned char>& bytes, std::int32_t& count) {
  const char* digits = text.ConvertToChar();
  unsigned char* raw = nullptr;
  if (digits == nullptr ||
      KuvInHexaEncodingServices::decode_hex(digits, static_cast<std::int32_t>(std::strlen(digits)), raw, count) != 0)
    return false;
  bytes.reset(raw);
  return true;
}

}  // namespace

HRESULT KuvConversionServices::ConvertApplyingView(KuvExpressionView view, KuvInString& text) {
  if (view < CFG_EXPRVIEW_SOURCE || view > CFG_EXPRVIEW_PROJECTED) {
    text = KuvInString();
    return E_INVALIDARG;
  }
  text = sc_viewTexts[view];
  return S_OK;
}

HRESULT KuvConversionServices::ConvertApplyingView(const KuvInString& text, KuvExpressionView& view) {
  const int index = indexOf(sc_viewTexts, text);
  if (index < 0) {
    view = CFG_EXPRVIEW_NONE;
    return E_INVALIDARG;
  }
  view = static_cast<KuvExpressionView>(index);
  return S_OK;
}

HRESULT KuvConversionServices::ConvertSelectionMode(KuvEeFilterExpression::SELECTION_MODE mode, KuvInString& text) {
  if (mode < KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT || mode > KuvEeFilterExpression::CFG_SELECTIONMODE_150)
    return E_INVALIDARG;
  text = sc_selectionModeTexts[mode];
  return S_OK;
}

HRESULT KuvConversionServices::ConvertSelectionMode(const KuvInString& text,
                                                    KuvEeFilterExpression::SELECTION_MODE& mode) {
  const int index = indexOf(sc_selectionModeTexts, text);
  if (index < 0) return E_INVALIDARG;
  mode = static_cast<KuvEeFilterExpression::SELECTION_MODE>(index);
  return S_OK;
}

HRESULT KuvConversionServices::ConvertGuidToString(const KuvInGuid& guid, KuvInString& text) {
  KUV_TRACE_CALL("ConvertGuidToString");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    text = KuvInString();
    char* raw = nullptr;
    std::int32_t length = 0;
    if (KuvInHexaEncodingServices::encode_hex(guid.getArray(), KuvInGuid::sc_size, raw, length) != 0)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Call to KuvInHexaEncodingServices::encode_hex() has failed.");
    const kuv::detail::MallocArray<char> encoded(raw);
    if (encoded == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Null pointer on encoded hexa string.");
    if (length != 2 * KuvInGuid::sc_size)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Length of encoded string isn't size of a Guid.");
    text = encoded.get();
    return S_OK;
  });
}

HRESULT KuvConversionServices::ConvertStringToGuid(const KuvInString& text, KuvInGuid& guid) {
  KUV_TRACE_CALL("ConvertStringToGuid");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (text.GetLengthInChar() != 2 * KuvInGuid::sc_size)
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Length of input Guid String isn't size of a Guid.");
    kuv::detail::MallocArray<unsigned char> bytes;
    std::int32_t count = 0;
    // Digits that do not decode leave no binary: that is what is reported.
    if (!decodeDigits(text, bytes, count) || bytes == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Null pointer on binary.");
    if (count != KuvInGuid::sc_size) KUV_RETURN_ERROR(E_FAIL, "ERROR: Size of returned binary is invalid.");
    guid.setArray(bytes.get());
    return S_OK;
  });
}

HRESULT KuvConversionServices::ConvertBinaryToString(const KuvBioBuffer& buffer, KuvInString& text) {
  KUV_TRACE_CALL("ConvertBinaryToString");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    text = KuvInString();
    if (buffer.getBytes() == nullptr)
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Null pointer on binary data for the input KuvBioBuffer.");
    char* raw = nullptr;
    std::int32_t length = 0;
    if (KuvInHexaEncodingServices::encode_hex(buffer.getBytes(), static_cast<std::int32_t>(buffer.getSize()),
                                              raw, length) != 0)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Call to KuvInHexaEncodingServices::encode_hex() has failed.");
    const kuv::detail::MallocArray<char> encoded(raw);
    if (encoded == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Null pointer on encoded hexa string.");
    text = encoded.get();
    return S_OK;
  });
}

HRESULT KuvConversionServices::ConvertStringToBinary(const KuvInString& text, KuvBioBuffer*& buffer) {
  KUV_TRACE_CALL("ConvertStringToBinary");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (buffer != nullptr)
      KUV_RETURN_ERROR(E_INVALIDARG,
                       "ERROR: Output KuvBioBuffer pointer is not null. Pointed object may be lost.");
    if (text.IsEmpty()) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Length of input KuvInString is empty.");
    kuv::detail::MallocArray<unsigned char> bytes;
    std::int32_t count = 0;
    if (!decodeDigits(text, bytes, count))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Call to decode_hex() has Failed.");
    if (bytes == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Null pointer on decoded binary.");
    buffer = new KuvBioBuffer(bytes.get(), static_cast<std::uint32_t>(count), 1);
    return S_OK;
  });
}
