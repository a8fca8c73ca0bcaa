#include "KuvXMLV2ModelDicoSAXHandler.h"

#include "KuvConversionServices.h"
#include "KuvEeModelDico.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvXMLV2ModelDicoSAXHandler, KuvXMLV2DicoSAXHandlerBase)

KuvXMLV2ModelDicoSAXHandler::KuvXMLV2ModelDicoSAXHandler(KuvEeExpressionContext&)
    : KuvXMLV2DicoSAXHandlerBase(traceChannel()) {}

KuvXMLV2ModelDicoSAXHandler::~KuvXMLV2ModelDicoSAXHandler() { discardRoot(); }

void KuvXMLV2ModelDicoSAXHandler::discardRoot() { m_dico.reset(); }

HRESULT KuvXMLV2ModelDicoSAXHandler::createRoot(const KuvInString& name, const KuvInGuid& guid) {
  m_dico = std::make_unique<KuvEeModelDico>(name, guid);
  return S_OK;
}

HRESULT KuvXMLV2ModelDicoSAXHandler::createSeries(std::int32_t type, const KuvInString&, const KuvInGuid&,
                                                  KuvEeSerialVar*& series) {
  if (m_dico->isEvolutionSeriesEnabled(type)) return S_FALSE;
  if (FAILED(kuv::detail::throwIfOutOfMemory(m_dico->enableEvolutionSeries(type)))) return E_FAIL;
  series = m_dico->getSeriesVariable(type);
  return S_OK;
}

HRESULT KuvXMLV2ModelDicoSAXHandler::addFeature(KuvEeDicoObject& feature) {
  return kuv::detail::throwIfOutOfMemory(m_dico->addConfigFeature(&feature));
}

HRESULT KuvXMLV2ModelDicoSAXHandler::addOption(KuvEeDicoObject&) { return S_OK; }

HRESULT KuvXMLV2ModelDicoSAXHandler::toGuid(const KuvInString& text, KuvInGuid& guid) const {
  const HRESULT hr = KuvConversionServices::ConvertStringToGuid(text, guid);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Unable to convert Uuid ", text);
  return S_OK;
}

HRESULT KuvXMLV2ModelDicoSAXHandler::GetCreatedModelDico(KuvEeModelDico*& dico, KuvInSet& descriptions,
                                                         KuvInMapVal& texts) {
  KUV_TRACE_CALL("GetCreatedModelDico");
  dico = nullptr;
  if (!isClean()) KUV_RETURN_ERROR(E_FAIL, "ERROR: An error has been detected: ", recordedMessage());
  if (m_dico == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to return a created EeModelDico, no parsing have been done.");
  if (const HRESULT hr = handOver(&descriptions, texts, nullptr); FAILED(hr)) return hr;
  dico = m_dico.release();
  return S_OK;
}
