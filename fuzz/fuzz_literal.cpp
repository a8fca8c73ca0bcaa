// Literal expression text from users and stored data: reading must refuse
// malformed text without crashing, hanging, leaking or reading out of
// bounds, and whatever it accepts must write back into text that reads
// again.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeNode.h"
#include "KuvEeNodeRef.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeVarSpace.h"
#include "KuvLiteralExprReader.h"
#include "KuvLiteralExprWriter.h"

namespace {

const unsigned char* guid(unsigned n) {
  static unsigned char bytes[64][16];
  bytes[n][0] = static_cast<unsigned char>(n);
  bytes[n][15] = 0x5A;
  return bytes[n];
}

struct Model {
  KuvEeVarSpace space{"Space", guid(1)};
  KuvEeCategory engine{"Engine", guid(2)};
  KuvEeCatOptionVar v8{"V8", guid(3), &engine};
  KuvEeSelectionVar color{"Color", guid(4)};
  KuvEeSerialVar units{"Units", guid(5), KuvEeSerialVar::UNIT, nullptr};
  KuvEeSerialVar states{"States", guid(6), KuvEeSerialVar::STATE, nullptr};
  KuvEeDateVar due{"Due", guid(7)};
  KuvEePredefEff eff1{"Eff1", guid(8), true, KuvEePredefEff::GLOBAL};
  KuvLiteralExprReader reader{&space};
  KuvLiteralExprReader displayReader{&space};
  KuvLiteralExprWriter writer;

  Model() {
    color.addValue("Red", guid(9));
    space.addCategory(&engine);
    space.addOptionVar(&v8);
    space.addSelectionVar(&color);
    space.addSerialVar(&units);
    space.addSerialVar(&states);
    space.addDateVar(&due);
    space.addPossibleSourceEff(&eff1);
    reader.setDefaultSyntax();
    KuvLiteralSyntax display;
    display.setDisplaySyntax();
    displayReader.setSyntax(display);
    writer.setDefaultSyntax();
    // Failures are expected by the thousand: keep the trace quiet.
    for (KuvInTraceClass* channel :
         {&KuvLiteralExprReader::traceChannel(), &KuvNpReader::traceChannel(), &KuvPiNameSolver::traceChannel(),
          &KuvPiRestrictionEffReader::traceChannel(), &KuvPiVarEffReader::traceChannel(),
          &KuvLiteralExprWriter::traceChannel(), &KuvNpWriter::traceChannel(), &KuvInTreeParser::traceChannel()})
      channel->setFlags(0);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Model* model = new Model;
  if (size > 8192) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (KuvLiteralExprReader* reader : {&model->reader, &model->displayReader}) {
    KuvInString error;
    std::unique_ptr<KuvEeNodeRef> root(reader->readExpressionSimple(text.c_str(), error, size % 2 == 0));
    if (root == nullptr || reader != &model->reader) continue;
    const KuvInString written = model->writer.write(*root->getNode());
    if (written.IsEmpty()) continue;  // symbol leaves cannot be written
    KuvInString again;
    std::unique_ptr<KuvEeNodeRef> back(model->reader.readExpressionSimple(written, again, size % 2 == 0));
    if (back == nullptr) std::abort();
  }
  return 0;
}
