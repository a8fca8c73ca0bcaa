#include "support/KuvTestSupport.h"

namespace {

using Tag = KuvInTreeParserTag;

using kuv_test::Guid;

// The value tokens with their defaults, the encoder built.
struct Syntax : KuvPiVarEffSyntax {
  Syntax() {
    setDefaultVarEffTokens();
    EXPECT_EQ(S_OK, initVarEffEncoder());
  }
};

// A parser with the tags the value syntaxes need, and a small model.
struct Fixture {
  Syntax syntax;
  KuvPiVarEffTags tags;
  KuvInTreeParser parser;
  KuvEeVarSpace space{"Space", Guid(1).data()};
  KuvEeCategory engine{"Engine", Guid(2).data()};
  KuvEeCatOptionVar v8{"V8", Guid(3).data(), &engine};
  KuvEeBasicOptionVar loose{"Loose", KuvInGuid(Guid(4).data())};
  KuvEeSelectionVar color{"Col,or", Guid(5).data()};
  KuvEeSerialVar units{"Units", Guid(6).data(), KuvEeSerialVar::UNIT, nullptr};
  KuvEeSerialVar twin{"Twin", Guid(7).data(), KuvEeSerialVar::UNDEFINED, nullptr};
  KuvEeDateVar twinDate{"Twin", Guid(8).data()};
  KuvEeDateVar due{"Due", Guid(9).data()};
  KuvEeSerialVar tree{"Tree", Guid(10).data(), KuvEeSerialVar::TREE_STATE, nullptr};

  Fixture() {
    tags.chain = parser.addTag(Tag::E_Chain, ".");
    tags.range = parser.addTag(Tag::E_Range, "[", "]");
    tags.valueSet = parser.addTag(Tag::E_ValueSet, "{", "}");
    tags.selection = parser.addTag(Tag::E_Selection, "{", "}");
    tags.listSeparator = parser.addTag(Tag::E_GroupOp, ",");
    parser.addTag(Tag::E_Prefix, "$");
    parser.addTag(Tag::E_Prefix, "q$");
    parser.addTag(Tag::E_Prefix, "@");
    parser.setStringifiers("'", "'");
    parser.setEscape("\\");
    color.addValue("Red", Guid(20).data());
    space.addCategory(&engine);
    space.addOptionVar(&v8);
    space.addSelectionVar(&color);
    for (KuvEeSerialVar* serial : {&units, &twin}) space.addSerialVar(serial);
    for (KuvEeDateVar* date : {&twinDate, &due}) space.addDateVar(date);
  }

  std::unique_ptr<KuvInTreeParserNode> parse(const char* text) {
    KuvInTreeParserNode* root = nullptr;
    KuvInString error;
    EXPECT_EQ(S_OK, parser.parse(text, root, error)) << text << error.ConvertToChar();
    return std::unique_ptr<KuvInTreeParserNode>(root);
  }

  // The variable effectivity reader reads from text, or null with error.
  template <class Reader>
  std::unique_ptr<KuvEeVarEff> readWith(Reader& reader, const char* text, KuvInString& error) {
    auto node = parse(text);
    KuvPiNameSolver solver(syntax, tags, &space);
    KuvPiSolvedNodeMap solved;
    if (node == nullptr || FAILED(solver.addTreeParserNodeToSolve(*node)) ||
        FAILED(solver.solve(solved, false, false)))
      return nullptr;
    return std::unique_ptr<KuvEeVarEff>(reader.read(*node, solved[node.get()].front(), error));
  }
  std::unique_ptr<KuvEeVarEff> read(const char* text, KuvInString& error) {
    KuvPiVarEffReader reader(syntax, tags);
    return readWith(reader, text, error);
  }
};

TEST(KuvPiValueSyntaxTest, WritersPrintEveryFormOrAnError) {
  Fixture f;
  KuvPiVarEffWriter writer(f.syntax);
  KuvEeSerialEff serial(&f.units, KuvEeSerialEff::AllFalse);
  serial.set(4, false, 10, false);
  EXPECT_STREQ(writer.write(serial).ConvertToChar(), "Units[5,9]");
  serial.set(7, true, 7, true);
  serial.orNoVar();
  serial.opNot();
  EXPECT_STREQ(writer.write(serial).ConvertToChar(), "!Units[7][NOVAR]");

  KuvEeOptionEff loose(&f.loose, KuvEeOptionEff::F | KuvEeOptionEff::N);
  EXPECT_STREQ(writer.write(loose).ConvertToChar(), "Loose{FALSE,NOVAR}");

  KuvEeSelectionEff selection(&f.color, KuvEeSelectionEff::AllTrue);
  EXPECT_STREQ(writer.write(selection).ConvertToChar(), "Col,or{ALL_TRUE}");  // this form is not encoded
  selection.set(KuvInString("Red"));
  EXPECT_STREQ(writer.write(selection).ConvertToChar(), "'Col,or'{Red}");
  KuvPiRestrictionEffWriter restrictions(f.syntax);
  KuvEeSerialRestrictionEff trees;
  KuvInSet treeItems;
  treeItems.Put(&f.tree);
  trees.setVariables(treeItems);
  EXPECT_TRACES(KuvInString(), "ERROR: incorrect serial external type : 18", restrictions.write(trees));

  f.syntax.dateSeparator = "";  // unusable
  KuvPiDateEffWriter dates(f.syntax);
  KuvEeDateEff date(&f.due, KuvEeDateEff::AllTrue);
  EXPECT_TRACES(KuvInString("--ERROR--"), "", dates.write(date));
  // A reader says why in its error text.
  KuvInString error;
  kuv_test::captured([&] { EXPECT_EQ(nullptr, f.read("Due[2001/02/03]", error)); });
  EXPECT_STREQ("Cannot set the date parser up from the syntax for Due\n", error.ConvertToChar());
}

TEST(KuvPiValueSyntaxTest, ADayReadsAsItsFirstToItsLastSecond) {
  Fixture f;
  KuvInString error;
  auto eff = f.read("Due[2001/02/03]", error);
  ASSERT_NE(eff, nullptr) << error.ConvertToChar();
  KuvInListVal ranges(KuvInDateInterval::sType());
  static_cast<KuvEeDateEff&>(*eff).getIntervals(ranges);
  ASSERT_EQ(ranges.GetLength(), 1);
  const auto& day = static_cast<const KuvInDateInterval&>(*ranges.cBegin().Get());
  EXPECT_STREQ(day.getA().toStringForXMLValue().ConvertToChar(), "2001-02-03T00:00:00");
  EXPECT_STREQ(day.getB().toStringForXMLValue().ConvertToChar(), "2001-02-03T23:59:59");
}

// Each kind's reader reads what the dispatcher reads for that kind, and
// nothing of another kind.
TEST(KuvPiValueSyntaxTest, EachKindsReaderReadsItsKindAlone) {
  Fixture f;
  KuvPiOptionEffReader option(f.syntax, f.tags);
  KuvPiSelectionEffReader selection(f.syntax, f.tags);
  KuvPiDateEffReader date(f.syntax, f.tags);
  KuvPiSerialEffReader serial(f.syntax, f.tags);
  KuvPiVarEffWriter writer(f.syntax);
  const char* const texts[] = {"Engine.V8{FALSE,NOVAR}", "'Col,or'{Red}", "Due[2001/02/03]", "Units[1,3][NOVAR]"};
  for (int kind = 0; kind < 4; ++kind) {
    KuvInString error;
    const auto expected = f.read(texts[kind], error);
    ASSERT_NE(expected, nullptr) << texts[kind] << error.ConvertToChar();
    const std::unique_ptr<KuvEeVarEff> read[] = {f.readWith(option, texts[kind], error),
                                                 f.readWith(selection, texts[kind], error),
                                                 f.readWith(date, texts[kind], error),
                                                 f.readWith(serial, texts[kind], error)};
    for (int reader = 0; reader < 4; ++reader) {
      SCOPED_TRACE(testing::Message() << texts[kind] << " by reader " << reader);
      if (reader != kind) {
        EXPECT_EQ(read[reader], nullptr);
        continue;
      }
      ASSERT_NE(read[reader], nullptr);
      EXPECT_STREQ(writer.write(*read[reader]).ConvertToChar(), writer.write(*expected).ConvertToChar());
    }
  }
}

// The forms every literal reads through are the literal reader's tests; here,
// the ties between kinds and the refusals the reader does not show.
TEST(KuvPiValueSyntaxTest, NameSolverClassifiesNamesByForm) {
  Fixture f;
  using Solved = KuvPiSolvedData;
  // E_NotFound: refused, after printing message.
  const struct { const char* text; Solved::E_SolvedType type; const char* message; } cases[] = {
      {"Twin[1]", Solved::E_SerialVar, ""},  // a serial before a date of the same name
      {"@date[Twin]", Solved::E_DateVar, ""},
      // An option needs its category.
      {"Engine", Solved::E_NotFound, "ERROR: nothing follows the name Engine"},
      {"q$Eff", Solved::E_NotFound, "ERROR: Unexpected case"},
      {"@sorts[Units]", Solved::E_NotFound, "ERROR: incorrect restriction type : sorts"},
      {"@unit[Units][Units]", Solved::E_NotFound, "ERROR: unexpected type"},
  };
  for (const auto& c : cases) {
    auto node = f.parse(c.text);
    KuvPiNameSolver solver(f.syntax, f.tags, &f.space);
    KuvPiSolvedNodeMap solved;
    EXPECT_TRACES(
        c.type != Solved::E_NotFound, c.message,
        SUCCEEDED(solver.addTreeParserNodeToSolve(*node)) && SUCCEEDED(solver.solve(solved, false, false)));
    if (c.type != Solved::E_NotFound) {
      EXPECT_EQ(solved[node.get()].front().getType(), c.type) << c.text;
    }
  }
}

TEST(KuvPiValueSyntaxTest, NameSolverLooksEachNameUpOnce) {
  Fixture f;
  auto first = f.parse("@unit[Units,Units]");
  auto second = f.parse("Units[3]");
  auto deferred = f.parse("$Later");
  KuvPiNameSolver solver(f.syntax, f.tags, &f.space);
  for (const auto* node : {first.get(), second.get(), deferred.get()})
    ASSERT_EQ(S_OK, solver.addTreeParserNodeToSolve(*node));
  KuvPiSolvedNodeMap solved;
  ASSERT_EQ(S_OK, solver.solve(solved, true, false, false));
  ASSERT_EQ(solved[first.get()].size(), 2u);
  EXPECT_EQ(solved[first.get()][0].getObject(), &f.units);
  EXPECT_EQ(solved[second.get()][0].getObject(), &f.units);
  EXPECT_EQ(solved[deferred.get()][0].getType(), KuvPiSolvedData::E_NamedEff);
  EXPECT_EQ(solved[deferred.get()][0].getObject(), nullptr);
}

}  // namespace
