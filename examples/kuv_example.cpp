// kuv from a host's side: a small product model, then every expression of
// a text file (examples/sample/expressions.txt unless another file is
// given) read against it, written back for people, classified and
// simplified.
#include <Kuv.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

std::array<unsigned char, 16> guid(unsigned char n) {
  std::array<unsigned char, 16> bytes{};
  bytes[0] = n;
  bytes[15] = 0x4B;
  return bytes;
}

// The product "Bike": an engine category with three options, a colour
// selection, unit serial numbers, a due date and one change.
struct Bike {
  KuvEeVarSpace space{"Bike", guid(1).data()};
  KuvEeCategory engine{"Engine", guid(2).data()};
  KuvEeCatOptionVar v6{"V6", guid(3).data(), &engine};
  KuvEeCatOptionVar v8{"V8", guid(4).data(), &engine};
  KuvEeCatOptionVar electric{"Electric", guid(5).data(), &engine};
  KuvEeSelectionVar color{"Color", guid(6).data()};
  KuvEeSerialVar units{"Units", guid(7).data(), KuvEeSerialVar::UNIT, nullptr};
  KuvEeDateVar due{"Due", guid(8).data()};
  KuvEePredefEff change{"ECO-042", guid(9).data(), true, KuvEePredefEff::GLOBAL};

  Bike() {
    color.addValue("Red", guid(10).data());
    color.addValue("Blue", guid(11).data());
    color.addValue("Green", guid(12).data());
    space.addCategory(&engine);
    for (KuvEeCatOptionVar* option : {&v6, &v8, &electric}) space.addOptionVar(option);
    space.addSelectionVar(&color);
    space.addSerialVar(&units);
    space.addDateVar(&due);
    space.addPossibleSourceEff(&change);
  }
};

std::string families(const KuvEVCClassification& c) {
  std::string text;
  if (c.isVariant()) text += " variant";
  if (c.isEvolution()) text += " evolution";
  if (c.isChange()) text += " change";
  return text.empty() ? " none" : text;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : KUV_EXAMPLE_SAMPLE;
  std::ifstream input(path);
  if (!input) {
    std::fprintf(stderr, "cannot open %s\n", path);
    return 1;
  }

  Bike bike;
  KuvLiteralExprReader reader(&bike.space);
  KuvLiteralExprWriter writer(KuvPiOptionEffWriter::E_Default);
  if (FAILED(reader.setDefaultSyntax()) || FAILED(writer.setDisplaySyntax())) return 1;

  int failures = 0;
  for (std::string line; std::getline(input, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::printf("read:       %s\n", line.c_str());
    KuvInString error;
    std::unique_ptr<KuvEeGenericExpression> expression(reader.readExpression(line.c_str(), error, false));
    if (!expression) {
      // Unknown names are expected in the sample: the reader says why.
      std::printf("refused:    %s\n\n", error.ConvertToChar());
      ++failures;
      continue;
    }
    std::printf("for people: %s\n", writer.write(*expression).ConvertToChar());

    KuvCoreEVC_NodeClassifier classifier;
    KuvEVCClassification classification;
    if (SUCCEEDED(classifier.classify(*expression->GetNodeRef(), classification)))
      std::printf("criteria:  %s\n", families(classification).c_str());

    // Simplification merges criteria on the same variable, folds constants
    // and absorbs negations into the leaves.
    if (SUCCEEDED(expression->simplify()))
      std::printf("simplified: %s\n", writer.write(*expression).ConvertToChar());
    std::printf("\n");
  }
  std::printf("%d expression(s) refused\n", failures);
  return 0;
}
