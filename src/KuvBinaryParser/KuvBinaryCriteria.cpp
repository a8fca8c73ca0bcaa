#include "KuvBinaryCriteria.h"

#include "KuvBinaryEENodeParser.h"
#include "KuvBinaryExprData.h"
#include "KuvBinarySeriesEff.h"
#include "KuvBinaryTreeSeriesEff.h"
#include "KuvEeSerialEff.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeVarEff.h"

namespace kuv::detail {

namespace {

KuvInTraceClass& channel() { return KuvBinaryExprData::traceChannel(); }

// Hands the new effectivity to the caller only when its read succeeded.
template <class Eff, class Read>
HRESULT readInto(KuvEeVarEff*& eff, Read read) {
  Eff* read_ = nullptr;
  const HRESULT hr = read(read_);
  if (SUCCEEDED(hr)) eff = read_;
  return hr;
}

}  // namespace

HRESULT writeCriterion(const KuvEeVarEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out) {
  if (const KuvEeSerialEff* serial = KuvEeSerialEff::cast(eff)) {
    const HRESULT hr = KuvBinarySeriesEff::write(*serial, data, out);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel(), hr, "ERROR: Unable to write SerialEff BinaryExpression.");
    return hr;
  }
  if (const KuvEeTreeSeriesEff* series = KuvEeTreeSeriesEff::cast(eff)) {
    const HRESULT hr = KuvBinaryTreeSeriesEff::write(*series, data, out);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel(), hr, "ERROR: Unable to write TreeSeriesEff BinaryExpression.");
    return hr;
  }
  KUV_RETURN_ERROR_ON(channel(), E_NOTIMPL, "ERROR: To be implemented");
}

HRESULT readCriterion(std::uint8_t nodeType, KuvBioBuffer& in, KuvBinaryExprData& data, bool,
                      KuvEeVarEff*& eff) {
  switch (nodeType) {
    case KuvBinaryEENodeParser::E_SerialUnit:
      return readInto<KuvEeSerialEff>(
          eff, [&](KuvEeSerialEff*& read) { return KuvBinarySeriesEff::read(nodeType, in, data, read); });
    case KuvBinaryEENodeParser::E_SerialOrTreeSeries: {
      bool serial = false;
      const HRESULT hr = KuvBinaryTreeSeriesEff::isAFakeTreeSeries(in, data, serial);
      if (FAILED(hr)) return hr;
      if (serial)
        return readInto<KuvEeSerialEff>(
            eff, [&](KuvEeSerialEff*& read) { return KuvBinarySeriesEff::read(nodeType, in, data, read); });
      return readInto<KuvEeTreeSeriesEff>(
          eff, [&](KuvEeTreeSeriesEff*& read) { return KuvBinaryTreeSeriesEff::read(in, data, read); });
    }
    default:
      KUV_RETURN_ERROR_ON(channel(), E_NOTIMPL, "ERROR: To be implemented");
  }
}

}  // namespace kuv::detail
