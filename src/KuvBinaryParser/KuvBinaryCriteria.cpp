#include "KuvBinaryCriteria.h"

#include "KuvBinaryDatesEff.h"
#include "KuvBinaryExprData.h"
#include "KuvBinaryFeatureEff.h"
#include "KuvEeDateEff.h"
#include "KuvEeOptionEff.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeVarEff.h"

namespace kuv::detail {

namespace {

KuvInTraceClass& channel() { return KuvBinaryExprData::traceChannel(); }

// The leaf's failure, traced once more with the kind that failed.
HRESULT traced(HRESULT hr, const char* failure) {
  if (FAILED(hr)) KUV_TRACE_ERROR_ON(channel(), failure);
  return hr;
}

}  // namespace

HRESULT writeCriterion(const KuvEeVarEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out) {
  if (const KuvEeDateEff* dates = KuvEeDateEff::cast(eff))
    return traced(KuvBinaryDatesEff::write(*dates, data, out), "ERROR: KuvBinaryDatesEff write failed.");
  if (const KuvEeSelectionEff* selection = KuvEeSelectionEff::cast(eff))
    return traced(KuvBinaryFeatureEff::write(*selection, data, out), "ERROR: KuvBinaryFeatureEff::write failed");
  if (const KuvEeOptionEff* option = KuvEeOptionEff::cast(eff))
    return traced(KuvBinaryFeatureEff::write(*option, data, out), "ERROR: KuvBinaryFeatureEff::Write FAILED.");
  KUV_RETURN_ERROR_ON(KuvBinaryExprData::traceChannel(), E_NOTIMPL, "ERROR: To be implemented");
}

HRESULT readCriterion(std::uint8_t nodeType, KuvBioBuffer& in, KuvBinaryExprData& data, bool flag,
                      KuvEeVarEff*& eff) {
  switch (nodeType) {
    case KuvBinaryDatesEff::sc_nodeType: {
      KuvEeDateEff* dates = nullptr;
      const HRESULT hr = KuvBinaryDatesEff::read(in, data, dates);
      eff = dates;
      return hr;
    }
    case KuvBinaryFeatureEff::sc_nodeType:
      return KuvBinaryFeatureEff::read(in, data, flag, eff);
    default:
      KUV_RETURN_ERROR_ON(KuvBinaryExprData::traceChannel(), E_NOTIMPL, "ERROR: To be implemented");
  }
}

}  // namespace kuv::detail
