#include "workflows/HostModel.h"

#include "support/KuvTestSupport.h"

namespace kuv_workflow {

HostModel::HostModel()
    : dictionary("Car", kuv_test::Guid(0xE00).guid()), space("Car", kuv_test::Guid(0xE01).data()) {
  // The units of the model are the dictionary's own series, named and
  // identified as the dictionary is.
  EXPECT_EQ(S_OK, dictionary.enableEvolutionSeries(KuvEeSerialVar::UNIT));
  truth.serial.reset(dictionary.getSeriesVariable(KuvEeSerialVar::UNIT));
  EXPECT_EQ(S_OK, space.addCategory(truth.category.get()));
  for (const auto& option : truth.options) EXPECT_EQ(S_OK, space.addOptionVar(option.get()));
  EXPECT_EQ(S_OK, space.addSelectionVar(truth.selection.get()));
  EXPECT_EQ(S_OK, space.addSerialVar(truth.serial.get()));
  EXPECT_EQ(S_OK, space.addDateVar(truth.date.get()));
  for (const auto& eff : truth.effs) EXPECT_EQ(S_OK, space.addPossibleSourceEff(eff.get()));
  EXPECT_EQ(S_OK, space.addPossibleSourceEff(truth.change.get()));
  EXPECT_EQ(S_OK, reader.setDefaultSyntax());
}

HostModel::~HostModel() { (void)truth.serial.release(); }

kuv_test::Tree HostModel::read(const std::string& text) {
  KuvInString error;
  kuv_test::Tree tree(reader.readExpressionSimple(text.c_str(), error, false));
  EXPECT_NE(nullptr, tree) << text << ": " << error.ConvertToChar();
  return tree;
}

kuv_test::TruthTable HostModel::table(const std::string& text) {
  const kuv_test::Tree tree = read(text);
  const std::optional<kuv_test::TruthTable> table = tree ? kuv_test::truthTable(truth, *tree) : std::nullopt;
  EXPECT_TRUE(table.has_value()) << text;
  return table.value_or(kuv_test::TruthTable());
}

std::string TextGenerator::expression(int depth) {
  const int kind = depth >= 3 ? 3 : pick(depth == 0 ? 3 : 6);
  if (kind >= 3 || (kind == 2 && !m_options.groupNegations)) return criterion();
  if (kind == 2) return "!( " + expression(depth + 1) + " )";
  std::string text = "( " + expression(depth + 1);
  for (int i = 0, more = 1 + pick(2); i < more; ++i)
    text += (kind == 0 ? " & " : " | ") + expression(depth + 1);
  return text + " )";
}

std::string TextGenerator::criterion() {
  int variable = pick(m_options.refs == Refs::None ? 4 : 5);
  if (variable == 3 && !m_options.dates) variable = pick(3);
  if (variable == 4) {
    const char* target = m_options.refs == Refs::Change ? "ECO" : pick(2) == 0 ? "Export" : "Winter";
    return std::string(pick(3) == 0 ? "!$" : "$") + target;
  }
  std::string text = selection(variable);
  // Or without a value. An option keeps its one state: the binary
  // expression format stores no other that it can read back.
  const bool noValue = m_options.noValues && pick(4) == 0;
  if (noValue && variable == 1) text.insert(text.size() - 1, ",NOVAR");
  if (noValue && variable >= 2) text += "[NOVAR]";
  return (pick(3) == 0 ? "!" : "") + text;
}

std::string TextGenerator::selection(int variable) {
  static const char* const options[] = {"Diesel", "Petrol", "Electric"};
  static const char* const colours[] = {"Red", "Green", "Blue"};
  static const char* const units[] = {"[1]", "[1,2]", "[2,3]", "[3]", "[2,+oo]", "[1][3]"};
  static const char* const days[] = {"[2001/01/01]", "[2001/01/02]", "[2001/01/01,2001/01/02]"};
  switch (variable) {
    case 0:
      return std::string("Engine.") + options[pick(3)];
    case 1: {
      // One or two of the three colours.
      const int first = pick(3), second = pick(3);
      std::string text = std::string("Colour{") + colours[first];
      if (second != first) text += std::string(",") + colours[second];
      return text + "}";
    }
    case 2:
      return std::string("Car") + units[pick(6)];
    default:
      return std::string("Build") + days[pick(3)];
  }
}

}  // namespace kuv_workflow
