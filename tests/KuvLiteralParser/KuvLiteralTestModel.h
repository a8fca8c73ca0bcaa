// A small model for the literal syntax tests: categories with options,
// a selection, serial variables of every external type, a date variable
// and named effectivities, all in one variable space.
#pragma once

#include "support/KuvTestSupport.h"

namespace kuv_test {

struct LiteralModel {
  KuvEeVarSpace space{"Space", Guid(1).data()};
  KuvEeCategory engine{"Engine", Guid(2).data()};
  KuvEeCatOptionVar v8{"V8", Guid(3).data(), &engine};
  KuvEeCatOptionVar v6{"V6", Guid(4).data(), &engine};
  // Names holding syntax symbols are quoted by the writer.
  KuvEeCategory paint{"Paint&Shop", Guid(5).data()};
  KuvEeCatOptionVar gloss{"Gloss (1)", Guid(6).data(), &paint};
  KuvEeSelectionVar color{"Color", Guid(7).data()};
  KuvEeSerialVar units{"Units", Guid(8).data(), KuvEeSerialVar::UNIT, nullptr};
  KuvEeSerialVar states{"States", Guid(9).data(), KuvEeSerialVar::STATE, nullptr};
  KuvEeSerialVar plans{"Plans", Guid(10).data(), KuvEeSerialVar::MANUF_PLAN, nullptr};
  KuvEeSerialVar serials{"Serials", Guid(11).data(), KuvEeSerialVar::UNDEFINED, nullptr};
  KuvEeDateVar due{"Due", Guid(12).data()};
  KuvEePredefEff eff1{"Eff1", Guid(13).data(), true, KuvEePredefEff::GLOBAL};
  KuvEePredefEff eff2{"Eff 2|x", Guid(14).data(), true, KuvEePredefEff::GLOBAL};

  LiteralModel() {
    unsigned id = 20;
    for (const char* value : {"Red", "Blue", "Dark,Green"}) color.addValue(value, Guid(id++).data());
    for (KuvEeCategory* category : {&engine, &paint}) space.addCategory(category);
    for (KuvEeCatOptionVar* option : {&v8, &v6, &gloss}) space.addOptionVar(option);
    space.addSelectionVar(&color);
    for (KuvEeSerialVar* serial : {&units, &states, &plans, &serials}) space.addSerialVar(serial);
    space.addDateVar(&due);
    for (KuvEePredefEff* eff : {&eff1, &eff2}) space.addPossibleSourceEff(eff);
  }
};

// The model with a reader and a writer in the default syntax.
struct LiteralFixture {
  LiteralModel model;
  KuvLiteralExprReader reader{&model.space};
  KuvLiteralExprWriter writer;

  LiteralFixture() {
    EXPECT_EQ(S_OK, reader.setDefaultSyntax());
    EXPECT_EQ(S_OK, writer.setDefaultSyntax());
  }
  Tree read(const std::string& text, KuvInString& error, bool flag = false) {
    return Tree(reader.readExpressionSimple(text.c_str(), error, flag));
  }
  // The text read and written back, or why it could not be read.
  std::string rewrite(const std::string& text) {
    KuvInString error;
    Tree tree = read(text, error);
    if (tree == nullptr) return std::string("FAILED: ") + error.ConvertToChar();
    return writer.write(*tree->getNode()).ConvertToChar();
  }
};

}  // namespace kuv_test
