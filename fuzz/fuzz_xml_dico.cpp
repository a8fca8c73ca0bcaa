// Dictionary documents from other applications, read through the XML
// adapter: the reader must refuse what it cannot use without crashing,
// hanging, leaking or reading out of bounds, and what it hands over must
// register in an expression context and be freed with it.
#include <cstdint>
#include <cstdlib>

#include "KuvXML.h"

namespace {

void silence() {
  // Refusals are expected by the thousand: keep the trace quiet.
  for (KuvInTraceClass* channel :
       {&KuvXMLV3ModelDicoSAXHandler::traceChannel(), &KuvXMLExpatParser::traceChannel(),
        &KuvConversionServices::traceChannel(), &KuvEeModelDico::traceChannel(),
        &KuvEeSelectionVar::traceChannel(), &KuvEeExpressionContext::traceChannel(), &KuvInDate::traceChannel(),
        &KuvInTreeEvalIndex::traceChannel(), &KuvInTreeEvalIndexBound::traceChannel(),
        &KuvEeTreeElementBase::traceChannel(), &KuvEeTreeBaseVar::traceChannel(),
        &KuvXMLV2ModelDicoSAXHandler::traceChannel(), &KuvXMLVarSpaceSAXHandler::traceChannel(),
        &KuvEeVarSpace::traceChannel(), &KuvEeSerialVar::traceChannel(), &KuvInHexaEncodingServices::traceChannel()})
    channel->setFlags(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = (silence(), true);
  (void)quiet;
  KuvEeExpressionContext context;
  KuvXMLV2ModelerContextImpl texts;
  KuvXMLV2ModelerContextImpl* textsPointer = &texts;
  KuvXMLV3ModelDicoSAXHandler handler(context, textsPointer, static_cast<unsigned char>(size % 2));
  KuvXMLExpatParser parser;
  const HRESULT read = parser.ParseBuffer(reinterpret_cast<const char*>(data), size, handler);
  KuvEeModelDico* model = nullptr;
  KuvInSet descriptions(KuvXMLV2EeSerialDescription::sType());
  KuvXMLV2IModelerContext* collected = nullptr;
  const HRESULT handed = handler.GetCreatedModelDico(model, descriptions, collected);
  KuvXMLV2ParserError error;
  // A refused document has its reason recorded and hands nothing over.
  if (FAILED(read) && read != E_OUTOFMEMORY && handler.GetError(error) != S_OK) std::abort();
  if (FAILED(handed) != (model == nullptr)) std::abort();
  descriptions.DeleteAll();
  if (model != nullptr) context.AddModelDico(model, true);

  // The same bytes in the version-2 vocabulary, for both of its readers.
  KuvXMLV2ModelDicoSAXHandler v2(context);
  KuvXMLVarSpaceSAXHandler spaceReader;
  for (KuvXMLISAXHandler* reader : {static_cast<KuvXMLISAXHandler*>(&v2), static_cast<KuvXMLISAXHandler*>(&spaceReader)})
    parser.ParseBuffer(reinterpret_cast<const char*>(data), size, *reader);
  KuvInMapVal byGuid(KuvInGuid::sType(), KuvInString::sType());
  model = nullptr;
  if (SUCCEEDED(v2.GetCreatedModelDico(model, descriptions, byGuid))) context.AddModelDico(model, true);
  descriptions.DeleteAll();
  KuvEeVarSpace* space = nullptr;
  KuvInSet variables(KuvEeDicoObject::sType());
  if (SUCCEEDED(spaceReader.GetCreatedVarSpace(space, variables, byGuid))) {
    delete space;
    variables.DeleteAll();
  }
  return 0;
}
