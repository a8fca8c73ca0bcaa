#include "KuvXMLV2IModelerContext.h"

KUV_DEFINE_TYPE(KuvXMLV2IModelerContext, KuvInObject)

KuvXMLV2IModelerContext::~KuvXMLV2IModelerContext() = default;

HRESULT KuvXMLV2IModelerContext::GetPLMID(const KuvInObject&, KuvInString&) const {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: GetPLMID is not implemented.");
}

HRESULT KuvXMLV2IModelerContext::GetNameForPLMID(const KuvInString&, KuvInString&) const {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: GetNameForPLMID is not implemented.");
}

HRESULT KuvXMLV2IModelerContext::GetProductStateMarketingName(const KuvInObject&, KuvInString&) const {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: GetProductStateMarketingName is not implemented.");
}

HRESULT KuvXMLV2IModelerContext::GetProductStateRevision(const KuvInObject&, KuvInString&) const {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: GetProductStateRevision is not implemented.");
}

HRESULT KuvXMLV2IModelerContext::GetFeatureSequenceOrder(const KuvInObject&, KuvInIntHolder&) const {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: GetFeatureSequenceOrder is not implemented.");
}

HRESULT KuvXMLV2IModelerContext::ComputeSequenceNumber(const KuvInObject&, const KuvInString&, const KuvInString&,
                                                       std::int32_t&) const {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: ComputeSequenceNumber is not implemented.");
}

HRESULT KuvXMLV2IModelerContext::RetrieveSeriesElementIdentification(const KuvInObject&, std::int32_t,
                                                                     KuvInString&, KuvInString&) const {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: RetrieveSeriesElementIdentification is not implemented.");
}

HRESULT KuvXMLV2IModelerContext::RetrieveSeriesElementModelerID(const KuvInObject&, std::int32_t,
                                                                KuvInGuid&) const {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: RetrieveSeriesElementModelerID is not implemented.");
}
