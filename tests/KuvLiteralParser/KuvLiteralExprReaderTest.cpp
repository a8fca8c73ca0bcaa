#include "KuvLiteralTestModel.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Tree;

using Fixture = kuv_test::LiteralFixture;

TEST(KuvLiteralExprReaderTest, ReadsEveryFormAndWritesItBack) {
  Fixture f;
  const struct { const char* text; const char* written; } cases[] = {
      {"Engine.V8", "Engine.V8"},
      {"!Engine.V8", "!Engine.V8"},
      {"Engine.V8{FALSE,NOVAR}", "Engine.V8{FALSE,NOVAR}"},
      {"Engine.V8{ALL_TRUE}", "Engine.V8{ALL_TRUE}"},
      {"Engine.V8{TRUE}", "Engine.V8"},
      {"'Paint&Shop'.'Gloss (1)'", "'Paint&Shop'.'Gloss (1)'"},
      {"Color{Red,NOVAR}", "Color{Red,NOVAR}"},
      {"!Color{'Dark,Green'}", "!Color{'Dark,Green'}"},
      {"Color{ALL_FALSE}", "Color{ALL_FALSE}"},
      {"Units[1,10][15][20,+oo]", "Units[1,10][15][20,+oo]"},
      {"Units[NOVAR]", "Units[NOVAR]"},
      {"Due[2001/02/03]", "Due[2001/02/03,2001/02/03]"},
      {"Due[2001/01/01,2001/12/31][NOVAR]", "Due[2001/01/01,2001/12/31][NOVAR]"},
      {"Due[ALL_TRUE]", "Due[ALL_TRUE]"},
      {"$Eff1", "$Eff1"},
      {"!$Eff1", "!$Eff1"},
      {"$Eff1{ALL_TRUE}", "$Eff1{ALL_TRUE}"},
      {"$'Eff 2|x'", "$'Eff 2|x'"},
      {"@unit[Units]", "@unit[Units]"},
      {"!@state[States]", "!@state[States]"},
      {"@mplan[Plans]", "@mplan[Plans]"},
      {"@serial[Serials]", "@serial[Serials]"},
      {"@date[Due]", "@date[Due]"},
      {"@specification[Color]", "@specification[Color]"},
      {"@category[Engine]", "@category[Engine]"},
      {"@option[Engine][V8]", "@option[Engine][V8]"},
      {"@namedEff[Eff1]", "@namedEff[Eff1]"},
      {"TRUE | FALSE", "TRUE | FALSE"},
      {"Engine.V8 & Engine.V6 | $Eff1", "Engine.V8 & Engine.V6 | $Eff1"},
      {"Engine.V8&(Engine.V6|$Eff1)", "Engine.V8 & ( Engine.V6 | $Eff1 )"},
      {"!(Engine.V8 | $Eff1)", "!( Engine.V8 | $Eff1 )"},
      {"~( Units[1,5] | $Eff1 )", "~( Units[1,5] | $Eff1 )"},
      {"!!TRUE", "!!TRUE"},
      {"((Engine.V8))", "Engine.V8"},
  };
  for (const auto& c : cases) EXPECT_EQ(f.rewrite(c.text), c.written) << c.text;
}

TEST(KuvLiteralExprReaderTest, UnknownNamedEffectivitiesBecomeSymbolsOnlyWhenAsked) {
  Fixture f;
  KuvInString error;
  EXPECT_TRACES(nullptr, "ERROR: no type for Nobody", f.read("$Nobody", error));
  Tree tree = f.read("$Nobody", error, true);
  ASSERT_NE(tree, nullptr);
  EXPECT_TRUE(KuvEeEffSymbolLeaf::isObjectOfThisType(*tree->getNode()));
  EXPECT_EQ(f.model.space.getEffSymbols().GetLength(), 1);
  tree.reset();
  EXPECT_EQ(f.model.space.getEffSymbols().GetLength(), 0);
}

TEST(KuvLiteralExprReaderTest, HostileTextFailsWithAReasonAndLeavesNothing) {
  Fixture f;
  const std::string deep = std::string(20000, '(') + "Engine.V8" + std::string(20000, ')');
  const std::string nots = std::string(40000, '!') + "Engine.V8";
  std::string wide = "Engine.V8";
  for (int i = 0; i < 1500; ++i) wide += " | Engine.V8";
  // reason: a part of the error text.
  const struct { std::string text; const char* reason; } cases[] = {
      {"(Engine.V8 | $Eff1", "no closing bracket found\n"},
      {"Engine.V8 &", "nothing found after operator &"},
      {"Engine.V8 $Eff1", "parse has finished before end of string, at index : 10, near : \" $E\""},
      {"Engine", "names cannot be solved"},
      {"Engine.V12", "<V12> is not an option of category <Engine>"},
      {"Engine.V8{MAYBE}", "<MAYBE> allowed values are : <TRUE,FALSE,NOVAR,ALL_TRUE,ALL_FALSE>"},
      {"Engine.V8[1]", "Operator <{> (or nothing) is expected after Engine.V8"},
      {"Color{Pink}", "<Pink> is not part of selection <Color> values : "},
      {"Units[99999999999]", "Cannot parse serial <99999999999>"},
      {"Units[5,1]", "Interval [5,1] is not a valid interval"},
      {"Units[1,2,3]", "An interval cannot have more than 2 limits"},
      {"Units[ALL_TRUE][1]", "<ALL_TRUE> is only allowed if there is only one interval in Units effectivity"},
      {"Due[2001/13/45]", "Cannot parse date <2001/13/45>"},
      {"Nobody[1]", "names cannot be solved"},
      {"q$Eff1", "names cannot be solved"},
      {"@bogus[Units]", "names cannot be solved"},
      {"@option[Engine]", "names cannot be solved"},
      {"()", "unexpected construct"},
      {"[1,2]", "unexpected construct"},
      {"Engine.V8 ; Engine.V6", "unexpected construct"},
      {"'Engine.V8", "empty string found"},
      {"Engine.V8 & 'x\\", "empty string found"},
      {"$", "empty string found after prefix"},
      {"\xE2\x82\xAC\xE2\x82\xAC", "names cannot be solved"},
      {deep, "expression nested too deeply"},
      {nots, "expression nested too deeply"},
      {wide + " & Nobody.x", "names cannot be solved"},
  };
  for (const auto& c : cases) {
    KuvInString error;
    EXPECT_TRACES(nullptr, "", f.read(c.text, error));
    EXPECT_NE(std::string(error.ConvertToChar()).find(c.reason), std::string::npos)
        << c.text.substr(0, 60) << " gave: " << error.ConvertToChar();
  }
  KuvInString error;
  EXPECT_NE(f.read(wide, error), nullptr);  // wide is fine, only deep is refused
  // Each bracket level is three levels of the parser's tree: the names are
  // still gathered at the deepest the parser takes.
  std::string nested = "Engine.V8";
  for (int i = 0; i < KuvInTreeParser::sc_maxDepth - 1; ++i) nested = "Engine.V8 | Engine.V6 & (" + nested + ")";
  EXPECT_NE(f.read(nested, error), nullptr) << error.ConvertToChar();
}

TEST(KuvLiteralExprReaderTest, NoSyntaxNoRead) {
  kuv_test::LiteralModel model;
  KuvLiteralExprReader reader(&model.space);
  KuvInString error;
  EXPECT_TRACES(nullptr, "Syntax IS NOT SET.", reader.readExpressionSimple("Engine.V8", error, false));
  // A syntax whose tokens clash is refused, and the one set before stays.
  KuvLiteralSyntax clash;
  clash.setDefaultSyntax();
  clash.andSymbol = clash.orSymbol;
  ASSERT_EQ(S_OK, reader.setDefaultSyntax());
  EXPECT_TRACES(E_FAIL, "ERROR: setSyntax failed", reader.setSyntax(clash));
  ASSERT_NE(reader.getSyntax(), nullptr);
  EXPECT_NE(Tree(reader.readExpressionSimple("Engine.V8 & $Eff1", error, false)), nullptr);
}

}  // namespace
