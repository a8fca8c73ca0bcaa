// What the workflow programs share: a host's product model, written in the
// literal syntax, and random effectivity texts over it.
//
// The model is the engine tests' one (TruthModel), whose brute-force truth
// tables are the oracle: its variables are registered in a model dictionary
// and a variable space, as a host registers its own; its units are the
// dictionary's unit series (named Car, as the dictionary), through which
// binaries find them. The dictionary owns that series.
#pragma once

#include "KuvEffEngine/TruthTable.h"
#include "support/KuvTestSupport.h"

namespace kuv_workflow {

struct HostModel {
  HostModel();
  ~HostModel();
  HostModel(const HostModel&) = delete;
  HostModel& operator=(const HostModel&) = delete;

  // The tree text means; fails the test (null) when it cannot be read.
  kuv_test::Tree read(const std::string& text);
  // The truth table of text, read as an expression.
  kuv_test::TruthTable table(const std::string& text);

  KuvEeModelDico dictionary;
  kuv_test::TruthModel truth;
  KuvEeVarSpace space;
  KuvLiteralExprReader reader{&space};
};

// Effectivity texts over the model's options (Engine.Diesel, Petrol,
// Electric), colours (Colour: Red, Green, Blue), units 1 to 3 (Car), the
// two build days (Build) and, when asked, the named effectivities $Export
// and $Winter or the change $ECO. No criterion is empty or full on its own.
class TextGenerator {
public:
  enum class Refs { None, Named, Change };
  struct Options {
    Refs refs = Refs::None;
    // Criteria without a value (NOVAR); the binary expression format has
    // no place for them.
    bool noValues = true;
    // Negations of groups, !( ... ), besides those of criteria.
    bool groupNegations = true;
    // Criteria on the build date.
    bool dates = true;
  };

  TextGenerator(std::uint32_t seed, Options options) : m_random(seed), m_options(options) {}
  std::string expression(int depth = 0);
  // One criterion, never negated, never without a value: what a user
  // selects in a filter.
  std::string selection(int variable);

private:
  std::string criterion();
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

  std::mt19937 m_random;
  Options m_options;
};

}  // namespace kuv_workflow
