// Expression documents from other applications, read through the XML
// adapter against the sample dictionary: the readers must refuse what they
// cannot use without crashing, hanging, leaking or reading out of bounds,
// leave nothing to the caller when they refuse, and whatever they accept
// must write back into a document that reads back to the same document.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KuvXML.h"

namespace {

void silence() {
  // Refusals are expected by the thousand: keep the trace quiet.
  for (KuvInTraceClass* channel :
       {&KuvXMLV3ExprSAXHandler::traceChannel(), &KuvXMLV2ExprSAXHandler::traceChannel(),
        &KuvXMLV3ExprWriter::traceChannel(), &KuvXMLV2ExprWriter::traceChannel(), &KuvXMLTextWriter::traceChannel(),
        &KuvXMLV3ModelDicoSAXHandler::traceChannel(), &KuvXMLExpatParser::traceChannel(),
        &KuvEeModelDico::traceChannel(), &KuvEeExpressionContext::traceChannel(), &KuvInDate::traceChannel(),
        &KuvEeSelectionEff::traceChannel(), &KuvEeTreeBaseEff::traceChannel(), &KuvEeSerialEff::traceChannel(),
        &KuvEeDateEff::traceChannel(), &KuvQmSpecList::traceChannel(), &KuvEeTreeSelection::traceChannel(),
        &KuvEeMultiModelExpression::traceChannel(), &KuvEeCompositionMatrixExpression::traceChannel(),
        &KuvInSerialInterval::traceChannel(), &KuvInDateInterval::traceChannel()})
    channel->setFlags(0);
}

// The sample dictionary, read once: the readers only look names up in it.
struct Sample {
  KuvEeExpressionContext context;
  KuvXMLV2ModelerContextImpl texts;

  Sample() {
    KuvXMLV2ModelerContextImpl* collect = &texts;
    KuvXMLV3ModelDicoSAXHandler handler(context, collect, 1);
    if (FAILED(KuvXMLExpatParser().ParseFile(KUV_SAMPLE_DIR "/dictionary.xml", handler))) std::abort();
    KuvEeModelDico* model = nullptr;
    KuvInSet descriptions(KuvXMLV2EeSerialDescription::sType());
    KuvXMLV2IModelerContext* collected = nullptr;
    if (FAILED(handler.GetCreatedModelDico(model, descriptions, collected))) std::abort();
    descriptions.DeleteAll();
    context.AddModelDico(model, true);
    context.ActivateDate();
  }
};

// The expression the bytes give, or null; the caller's pointer stays null
// whenever the reader refuses.
KuvEeExpression* read(Sample& sample, const char* bytes, std::size_t size, unsigned flags) {
  KuvXMLV2ExpressionData data;
  KuvEeExpression* expression = nullptr;
  KuvXMLExpatParser parser;
  HRESULT generated = E_FAIL;
  if (flags & 1) {
    KuvXMLV3ExprSAXHandler handler(sample.context, data, &sample.texts, expression, (flags >> 1) & 1,
                                   (flags >> 2) & 1, 1, (flags >> 3) & 1);
    const HRESULT parsed = parser.ParseBuffer(bytes, size, handler);
    KuvXMLV2ParserError error;
    if (FAILED(parsed) && parsed != E_OUTOFMEMORY && handler.GetError(error) != S_OK) std::abort();
    generated = handler.GetGeneratedExpression();
  } else {
    KuvXMLV2ExprSAXHandler handler(sample.context, data, &sample.texts, expression, (flags >> 1) & 1,
                                   (flags >> 2) & 1);
    parser.ParseBuffer(bytes, size, handler);
    generated = handler.GetGeneratedExpression();
  }
  if (FAILED(generated) != (expression == nullptr)) std::abort();
  return expression;
}

HRESULT write(const KuvEeExpression& expression, const Sample& sample, std::string& text) {
  KuvXMLTextWriter sink;
  const HRESULT hr = KuvXMLV3ExprWriter(sink, &sample.texts, 1, 1, 1).write(expression);
  text = sink.GetText();
  return hr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = (silence(), true);
  (void)quiet;
  static Sample sample;
  const unsigned flags = size > 0 ? data[size - 1] : 0;
  KuvEeExpression* expression = read(sample, reinterpret_cast<const char*>(data), size, flags);
  if (expression == nullptr) return 0;
  std::string first;
  const HRESULT written = write(*expression, sample, first);
  delete expression;
  // Some readings are not expressible as documents (nothing selected, a
  // composition matrix); they are refused, never written wrong.
  if (FAILED(written)) {
    if (written != E_NOTIMPL && written != E_FAIL) std::abort();
    return 0;
  }
  KuvEeExpression* again = read(sample, first.data(), first.size(), 1 | 8);
  if (again == nullptr) std::abort();
  std::string second;
  if (FAILED(write(*again, sample, second)) || second != first) std::abort();
  delete again;
  return 0;
}
