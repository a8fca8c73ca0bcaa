#include "KuvXMLVarSpaceSAXHandler.h"

#include <cstdlib>
#include <cstring>

#include "KuvEeCategory.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeVarSpace.h"
#include "KuvInHexaEncodingServices.h"
#include "KuvMallocArray.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvXMLVarSpaceSAXHandler, KuvXMLV2DicoSAXHandlerBase)

KuvXMLVarSpaceSAXHandler::KuvXMLVarSpaceSAXHandler() : KuvXMLV2DicoSAXHandlerBase(traceChannel()) {}

KuvXMLVarSpaceSAXHandler::~KuvXMLVarSpaceSAXHandler() { discardRoot(); }

void KuvXMLVarSpaceSAXHandler::discardRoot() { m_space.reset(); }

HRESULT KuvXMLVarSpaceSAXHandler::createRoot(const KuvInString& name, const KuvInGuid& guid) {
  m_space = std::make_unique<KuvEeVarSpace>(name, guid.getArray());
  return S_OK;
}

HRESULT KuvXMLVarSpaceSAXHandler::createSeries(std::int32_t type, const KuvInString& name, const KuvInGuid& guid,
                                               KuvEeSerialVar*& series) {
  auto created = std::make_unique<KuvEeSerialVar>(name, guid.getArray(),
                                                  static_cast<KuvEeSerialVar::SerialExternalType>(type), nullptr);
  if (FAILED(kuv::detail::throwIfOutOfMemory(m_space->addSerialVar(created.get())))) return S_FALSE;
  series = created.release();
  own(series);
  return S_OK;
}

HRESULT KuvXMLVarSpaceSAXHandler::addFeature(KuvEeDicoObject& feature) {
  if (auto* variable = KuvEeSelectionVar::cast(feature))
    return SUCCEEDED(kuv::detail::throwIfOutOfMemory(m_space->addSelectionVar(variable))) ? S_OK : S_FALSE;
  return SUCCEEDED(kuv::detail::throwIfOutOfMemory(m_space->addCategory(KuvEeCategory::cast(feature))))
             ? S_OK
             : S_FALSE;
}

HRESULT KuvXMLVarSpaceSAXHandler::addOption(KuvEeDicoObject& option) {
  return SUCCEEDED(kuv::detail::throwIfOutOfMemory(m_space->addOptionVar(KuvEeOptionVar::cast(option))))
             ? S_OK
             : S_FALSE;
}

HRESULT KuvXMLVarSpaceSAXHandler::toGuid(const KuvInString& text, KuvInGuid& guid) const {
  const char* digits = text.ConvertToChar();
  unsigned char* raw = nullptr;
  std::int32_t count = 0;
  const int decoded =
      KuvInHexaEncodingServices::decode_hex(digits, static_cast<std::int32_t>(std::strlen(digits)), raw, count);
  const kuv::detail::MallocArray<unsigned char> bytes(raw);
  if (decoded != 0 || bytes == nullptr || count > KuvInGuid::sc_size)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: decode_hex FAILED.");
  // Shorter identifiers fill the first bytes; the rest stay zero.
  unsigned char full[KuvInGuid::sc_size] = {};
  std::memcpy(full, bytes.get(), static_cast<std::size_t>(count));
  guid.setArray(full);
  return S_OK;
}

HRESULT KuvXMLVarSpaceSAXHandler::GetCreatedVarSpace(KuvEeVarSpace*& space, KuvInSet& variables,
                                                     KuvInMapVal& texts) {
  KUV_TRACE_CALL("GetCreatedVarSpace");
  space = nullptr;
  if (!isClean()) KUV_RETURN_ERROR(E_FAIL, "ERROR: An error has been detected: ", recordedMessage());
  if (m_space == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to return a created EeVarSpace, no parsing have been done.");
  if (const HRESULT hr = handOver(nullptr, texts, &variables); FAILED(hr)) return hr;
  space = m_space.release();
  return S_OK;
}
