// Object binaries come back from a database by the million and a query
// must survive any of them: one fuzzed object under a fixed valid filter
// answers 1, 0 or -1, or fails the query cleanly, never crashes.
#include <Kuv.h>
#include <cstdlib>

#include <cstdint>
#include <vector>

namespace {

// Option 10 of feature 11 selected, over dictionary 1, in the domains
// DWS, Config Change and Engineering Activation, view projected.
std::vector<std::uint8_t> makeFilter() {
  const auto guid = [](unsigned char n) {
    unsigned char bytes[16] = {n};
    bytes[15] = 0xA5;
    return KuvInGuid(bytes);
  };
  KuvFltFilter filter(CFG_EXPRVIEW_PROJECTED, KuvEeFilterExpression::CFG_SELECTIONMODE_150);
  for (KuvDiversityDomain domain :
       {KuvDiversityDomain_DWS, KuvDiversityDomain_ConfigChange, KuvDiversityDomain_EngineeringActivation}) {
    auto* term = new KuvDnfAndTermMap(1);
    term->addDnfLeaf(*new KuvDnfOptionEff(guid(10), guid(11), KuvDnfOptionEff::Selected, false));
    auto* dnf = new KuvDnf(DNF_COND_NONE);
    dnf->addAndTerm(term);
    filter.setDnf(domain, guid(1), dnf);
  }
  KuvBioBufferOut out;
  KuvCompiledBinaryParser::Write(filter, out);
  return std::vector<std::uint8_t>(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  static const std::vector<std::uint8_t> filter = [] {
    for (KuvInTraceClass* channel : {&KuvCompiledBinaryParser::traceChannel(), &KuvBioBuffer::traceChannel(),
                                     &KuvBioDnfReader::traceChannel(), &KuvBioTypedIdsReader::traceChannel(),
                                     &KuvFilteringServices::traceChannel(), &KuvFilterHandler::traceChannel(),
                                     &KuvFltComparisonServices::traceChannel(), &KuvFltFilter::traceChannel(),
                                     &KuvFltDomainEffectivity::traceChannel(), &KuvFltEffectivityView::traceChannel()})
      channel->setFlags(0);
    return makeFilter();
  }();
  const std::uint8_t* binaries[] = {bytes};
  const unsigned int sizes[] = {static_cast<unsigned int>(size)};
  int* results = nullptr;
  const HRESULT hr = KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                                      binaries, sizes, 1, results);
  if (SUCCEEDED(hr) && hr != S_FALSE && (results == nullptr || results[0] < -1 || results[0] > 1)) __builtin_trap();
  if (FAILED(hr) && results != nullptr) __builtin_trap();
  std::free(results);
  return 0;
}
