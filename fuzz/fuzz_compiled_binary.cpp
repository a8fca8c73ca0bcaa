// Compiled filtering binaries come back from a database for every object a
// filter is applied to: the reader must refuse any truncated or hostile
// bytes cleanly, and what it accepts must write again.
#include <Kuv.h>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  static const bool silenced = [] {
    for (KuvInTraceClass* channel : {&KuvCompiledBinaryParser::traceChannel(), &KuvBioBuffer::traceChannel(),
                                     &KuvBioDnfReader::traceChannel(), &KuvBioTypedIdsReader::traceChannel()})
      channel->setFlags(0);
    return true;
  }();
  (void)silenced;
  KuvBioBuffer in(bytes, static_cast<std::uint32_t>(size), 0);
  KuvInListVal domains(KuvInIntHolder::sType());
  (void)KuvCompiledBinaryParser::GetValuatedDomains(in, domains);
  KuvInObject* object = nullptr;
  if (FAILED(KuvCompiledBinaryParser::Read(in, object))) return 0;
  KuvBioBufferOut out;
  (void)KuvCompiledBinaryParser::Write(*object, out);
  delete object;
  return 0;
}
