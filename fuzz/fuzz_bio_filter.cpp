// Older FLT binaries of filters and filterable objects come from databases
// other programs write: both readers and the content analysis must refuse
// what they cannot use without crashing, hanging, leaking or reading out
// of bounds, leave the cursor where it was when they refuse, and what they
// accept must write back.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "Kuv.h"

namespace {

void silence() {
  // Refusals are expected by the thousand: keep the trace quiet.
  for (KuvInTraceClass* channel :
       {&KuvBioFilter::traceChannel(), &KuvBioFilterable::traceChannel(), &KuvBioDnfReader::traceChannel(),
        &KuvBioDnfSpecCond::traceChannel(), &KuvBioDnfWriter::traceChannel(), &KuvBioEff::traceChannel(),
        &KuvBioOptionEff::traceChannel(), &KuvBioSelectionEff::traceChannel(), &KuvBioDateEff::traceChannel(),
        &KuvBioSerialEff::traceChannel(), &KuvBioMilestonesEff::traceChannel(), &KuvBioTreeSeriesEff::traceChannel(),
        &KuvBioSerialRestrictionEff::traceChannel(), &KuvBioDateRestrictionEff::traceChannel(),
        &KuvBioSelectionRestrictionEff::traceChannel(), &KuvBioCategoryOptionRestrictionEff::traceChannel(),
        &KuvBioCategoryRestrictionEff::traceChannel(), &KuvBioEffRestrictionEff::traceChannel(),
        &KuvBioMilestonesRestrictionEff::traceChannel(), &KuvBioTreeSeriesRestrictionEff::traceChannel(),
        &KuvDnfAndTermMap::traceChannel(), &KuvDnfAndTerm::traceChannel(), &KuvInFastSetVal::traceChannel(),
        &KuvBioBuffer::traceChannel(), &KuvBioTypedIdsWriter::traceChannel(), &KuvInDate::traceChannel()})
    channel->setFlags(0);
}

void expectUnmoved(const KuvBioBuffer& in, HRESULT hr) {
  if (FAILED(hr) && in.getPosition() != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = (silence(), true);
  (void)quiet;
  if (size > UINT32_MAX) return 0;
  const auto length = static_cast<std::uint32_t>(size);
  KuvBioBufferOut out;
  {
    KuvBioBuffer in(data, length, 0);
    KuvFilter* filter = nullptr;
    const HRESULT hr = KuvBioFilter::read(in, filter);
    expectUnmoved(in, hr);
    std::unique_ptr<KuvFilter> owned(filter);
    if (filter != nullptr && FAILED(KuvBioFilter::write(*filter, out))) std::abort();
  }
  KuvInSetVal current(KuvInIntHolder::sType());
  current.Put(KuvInIntHolder(CFG_EXPRVIEW_CURRENT));
  for (int wantedOnly = 0; wantedOnly < 2; ++wantedOnly) {
    KuvBioBuffer in(data, length, 0);
    KuvFilterable* filterable = nullptr;
    const HRESULT hr =
        wantedOnly != 0 ? KuvBioFilterable::read(in, current, filterable) : KuvBioFilterable::read(in, filterable);
    expectUnmoved(in, hr);
    std::unique_ptr<KuvFilterable> owned(filterable);
    if (filterable != nullptr && FAILED(KuvBioFilterable::write(*filterable, out))) std::abort();
  }
  KuvBioBuffer in(data, length, 0);
  KuvEVCClassification found;
  expectUnmoved(in, KuvBioFilterable::analyzeEVCContent(in, current, found));
  return 0;
}
