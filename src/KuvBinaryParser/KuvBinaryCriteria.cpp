#include "KuvBinaryCriteria.h"

#include "KuvBinaryDatesEff.h"
#include "KuvBinaryExprData.h"
#include "KuvBinaryFeatureEff.h"
#include "KuvBinaryMilestonesEff.h"
#include "KuvBinarySeriesEff.h"
#include "KuvBinaryTreeSeriesEff.h"
#include "KuvEeDateEff.h"
#include "KuvEeOptionEff.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSerialEff.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeVarEff.h"

namespace kuv::detail {

namespace {

KuvInTraceClass& channel() { return KuvBinaryExprData::traceChannel(); }

// The leaf's failure, traced once more with the kind that failed.
HRESULT traced(HRESULT hr, const char* failure) {
  if (FAILED(hr)) KUV_TRACE_ERROR_ON(channel(), failure);
  return hr;
}

// Hands the new effectivity to the caller only when its read succeeded.
template <class Eff, class Read>
HRESULT readInto(KuvEeVarEff*& eff, Read read) {
  Eff* result = nullptr;
  const HRESULT hr = read(result);
  if (SUCCEEDED(hr)) eff = result;
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
  if (const KuvEeSerialEff* serial = KuvEeSerialEff::cast(eff))
    return traced(KuvBinarySeriesEff::write(*serial, data, out), "ERROR: Unable to write SerialEff BinaryExpression.");
  if (const KuvEeTreeSeriesEff* series = KuvEeTreeSeriesEff::cast(eff))
    return traced(KuvBinaryTreeSeriesEff::write(*series, data, out),
                  "ERROR: Unable to write TreeSeriesEff BinaryExpression.");
  if (const KuvEeMilestonesEff* milestones = KuvEeMilestonesEff::cast(eff))
    return traced(KuvBinaryMilestonesEff::write(*milestones, data, out),
                  "ERROR: Unable to write MilestonesEff BinaryExpression.");
  // The normal-form kinds have no leaf encoding.
  KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unexpected type of KuvEeVarEff.");
}

HRESULT readCriterion(std::uint8_t nodeType, KuvBioBuffer& in, KuvBinaryExprData& data, bool flag,
                      KuvEeVarEff*& eff) {
  switch (nodeType) {
    case KuvBinaryDatesEff::sc_nodeType:
      return readInto<KuvEeDateEff>(eff, [&](KuvEeDateEff*& read) { return KuvBinaryDatesEff::read(in, data, read); });
    case KuvBinaryFeatureEff::sc_nodeType:
      return KuvBinaryFeatureEff::read(in, data, flag, eff);
    case KuvBinarySeriesEff::sc_unitNodeType:
      return readInto<KuvEeSerialEff>(
          eff, [&](KuvEeSerialEff*& read) { return KuvBinarySeriesEff::read(nodeType, in, data, read); });
    case KuvBinarySeriesEff::sc_nodeType: {
      bool serial = false;
      const HRESULT hr = KuvBinaryTreeSeriesEff::isAFakeTreeSeries(in, data, serial);
      if (FAILED(hr)) return hr;
      if (serial)
        return readInto<KuvEeSerialEff>(
            eff, [&](KuvEeSerialEff*& read) { return KuvBinarySeriesEff::read(nodeType, in, data, read); });
      return readInto<KuvEeTreeSeriesEff>(
          eff, [&](KuvEeTreeSeriesEff*& read) { return KuvBinaryTreeSeriesEff::read(in, data, read); });
    }
    case KuvBinaryMilestonesEff::sc_nodeType:
      return readInto<KuvEeMilestonesEff>(
          eff, [&](KuvEeMilestonesEff*& read) { return KuvBinaryMilestonesEff::read(in, data, read); });
    default:
      // A list stream hands over whatever type byte it read.
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unexpected NodeType.");
  }
}

}  // namespace kuv::detail
