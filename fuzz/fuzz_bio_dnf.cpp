// Binary normal forms come from databases other programs write: the reader
// and the content analysis must refuse what they cannot use without
// crashing, hanging, leaking or reading out of bounds, and what the reader
// accepts must write, and its bytes read and write again unchanged.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "Kuv.h"

namespace {

void silence() {
  // Refusals are expected by the thousand: keep the trace quiet.
  for (KuvInTraceClass* channel :
       {&KuvBioDnfReader::traceChannel(), &KuvBioDnfSpecCond::traceChannel(), &KuvBioDnfWriter::traceChannel(),
        &KuvBioEff::traceChannel(), &KuvBioOptionEff::traceChannel(), &KuvBioSelectionEff::traceChannel(),
        &KuvBioDateEff::traceChannel(), &KuvBioSerialEff::traceChannel(), &KuvBioMilestonesEff::traceChannel(),
        &KuvBioTreeSeriesEff::traceChannel(), &KuvBioSerialRestrictionEff::traceChannel(),
        &KuvBioDateRestrictionEff::traceChannel(), &KuvBioSelectionRestrictionEff::traceChannel(),
        &KuvBioCategoryOptionRestrictionEff::traceChannel(), &KuvBioCategoryRestrictionEff::traceChannel(),
        &KuvBioEffRestrictionEff::traceChannel(), &KuvBioMilestonesRestrictionEff::traceChannel(),
        &KuvBioTreeSeriesRestrictionEff::traceChannel(), &KuvDnfAndTermMap::traceChannel(),
        &KuvDnfAndTerm::traceChannel(), &KuvInFastSetVal::traceChannel(), &KuvBioBuffer::traceChannel(),
        &KuvBioTypedIdsWriter::traceChannel(), &KuvInDate::traceChannel()})
    channel->setFlags(0);
}

std::string bytes(const KuvBioBufferOut& out) {
  return std::string(reinterpret_cast<const char*>(out.GetAsPtr(0)), out.GetLength());
}

// What was read holds nothing the writer cannot store, and the written
// form is canonical: reading and writing it again changes nothing.
void roundTrip(const KuvDnf& dnf, KuvDnfAndTermFactory::E_Type type) {
  KuvBioBufferOut out;
  if (FAILED(KuvBioDnfWriter::write(dnf, out))) std::abort();
  std::unique_ptr<KuvDnf> again(KuvBioDnfReader::read_0toEND(out.GetAsPtr(0), out.GetLength(), type));
  KuvBioBufferOut outAgain;
  if (again == nullptr || FAILED(KuvBioDnfWriter::write(*again, outAgain)) || bytes(out) != bytes(outAgain))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = (silence(), true);
  (void)quiet;
  if (size > UINT32_MAX) return 0;
  const auto length = static_cast<std::uint32_t>(size);
  for (auto type : {KuvDnfAndTermFactory::List, KuvDnfAndTermFactory::Map}) {
    std::unique_ptr<KuvDnf> dnf(KuvBioDnfReader::read_0toEND(data, length, type));
    if (dnf != nullptr) roundTrip(*dnf, type);
  }
  KuvEVCClassification found;
  KuvBioDnfReader::analyzeEVCContent(data, length, found);
  // The forms without a size trust the header: call them where it is true.
  unsigned int promised = 0;
  if (SUCCEEDED(KuvBioDnfReader::read_0to8(data, length, promised)) && promised == length - 8) {
    std::unique_ptr<KuvDnf> dnf(KuvBioDnfReader::read_0toEND(data, KuvDnfAndTermFactory::List));
    KuvBioDnfReader::analyzeEVCContent(data, found);
  }
  return 0;
}
