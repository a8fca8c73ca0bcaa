#include "support/KuvTestSupport.h"

#include "KuvXMLExprBuilders.h"

namespace {

using kuv_test::SampleModel;

std::string text(const KuvEeExpression* expression) {
  return expression != nullptr ? expression->toString().ConvertToChar() : "NULL";
}

std::string effectivityDocument(const std::string& expression) {
  return "<CfgEffectivityExpression><SchemaVersion>1.1</SchemaVersion><Expression>" + expression +
         "</Expression></CfgEffectivityExpression>";
}

std::string inContext(const std::string& criteria) {
  return effectivityDocument("<Context HolderType='Model' HolderName='Roadster'>" + criteria + "</Context>");
}

std::string engine(const std::string& options) {
  return "<Feature Type='ConfigFeature' Name='Engine'>" + options + "</Feature>";
}

// Choices the writer never meets: several options of one category, a date
// without its time, an inherited-effectivity tree beside the criteria.
TEST(KuvXMLV3ExprSAXHandlerTest, SettlesWhatTheWriterLeavesOpen) {
  SampleModel sample;
  KuvEeBasicEff* namesake = new KuvEeBasicEff("Base", kuv_test::Guid(89).data());
  KuvEeBasicEff* inherited = new KuvEeBasicEff("Base", kuv_test::Guid(90).data());
  KuvInList dicos(KuvEeModelDico::sType());
  dicos.PutBack(sample.model);
  ASSERT_EQ(S_OK, sample.context.AddInheritedEff(namesake, dicos));
  ASSERT_EQ(S_OK, sample.context.AddInheritedEff(inherited, dicos));
  const std::string reference =
      "<InheritedEff HolderType='Model' HolderName='Roadster' FilterableName='Base' "
      "FilterableId='" +
      std::string(inherited->getGuid().toString().ConvertToChar()) + "'/>";
  // The text of the expression holding the trees given.
  const auto expected = [&](KuvEeNode* criteria, KuvEeNode* inheritedTree) {
    return text(kuv_test::effectivity(sample.model, criteria, nullptr, inheritedTree).get());
  };
  auto* day = new KuvEeDateEff(sample.date, KuvEeDateEff::AllFalse);
  day->set(KuvInDate(2026, 3, 1, 1, 1, 1), KuvInDate(2026, 3, 1, 24, 60, 60));
  const struct {
    std::string document;
    std::string expected;
  } cases[] = {
      {inContext(engine("<Feature Name='V6'/><Feature Name='V8'/>")),
       "KuvEeEffectivityExpression( Global: NONE\nRoadster: ModelCriteria( InheritedEff: NONE - Criteria:  "
       "OR  "
       "-/-EeVarEffLeaf : OptionEff( Engine.V6{T__} )\n      \\-EeVarEffLeaf : OptionEff( Engine.V8{T__} ) ) "
       ")"},
      {inContext("<Date><SingleValue Value='2026-03-01'/></Date>"),
       expected(new KuvEeVarEffLeaf(day), nullptr)},
      {inContext("<AND>" + reference + "<Boolean>true</Boolean></AND>"),
       expected(new KuvEeTrue, new KuvEeEffLeaf(inherited, sample.model))},
      // A namesake registered first does not hide the one the GUID names.
      {inContext(reference), expected(nullptr, new KuvEeEffLeaf(inherited, sample.model))},
      {effectivityDocument("<Global><Boolean>false</Boolean></Global>"),
       "KuvEeEffectivityExpression( Global: FALSE )"},
  };
  for (const auto& c : cases) {
    const kuv_test::ExprReading reading = kuv_test::readDocument(sample, c.document);
    EXPECT_EQ(S_OK, reading.generated) << c.document << "\n" << reading.error.message.ConvertToChar();
    EXPECT_EQ(c.expected, text(reading.expression.get())) << c.document;
  }
}

// Refused documents: the recorded message, the trace, the caller's pointer
// left null.
TEST(KuvXMLV3ExprSAXHandlerTest, RefusesBadDocumentsWithTheirMessages) {
  SampleModel sample;
  std::string deep = "<Boolean>true</Boolean>";
  for (int i = 0; i < 2001; ++i) deep = "<NOT>" + deep + "</NOT>";
  const std::string unknownE = "ERROR: ERROR: Unsupported case.";
  const std::string e0 = "[E0] ERROR: unexpected error while parsing.";
  const struct {
    std::string document;
    std::string message;
    const char* trace;
  } cases[] = {
      {inContext("<Maybe/>"), unknownE, "ERROR: Unknown element Maybe"},
      {inContext("<AND Weight='2'/>"), unknownE, "ERROR: Unknown attribute Weight of element AND"},
      {effectivityDocument("<Context/>"), e0, "ERROR: attribute HolderName not found."},
      {effectivityDocument("<Context HolderName='Coupe'/>"), e0,
       "ERROR: Unable to retrieve EeModelDico Coupe"},
      {inContext(engine("<Feature Name='Turbo'/>")),
       "[E1] ERROR: Feature 'Turbo' doesn't exist in the Expression Context.",
       "ERROR: Unable to retrieve option Turbo"},
      {inContext("<Feature Name='Roof'/>"),
       "[E1] ERROR: Feature 'Roof' doesn't exist in the Expression Context.",
       "ERROR: Unable to retrieve Feature Roof"},
      {inContext(engine("<Feature Name='V6' SelectedBy='Maybe'/>")),
       "[E2] ERROR: 'Maybe' is a invalid value for Option criteria 'V6'.",
       "ERROR: Unexpected SelectedBy Maybe"},
      {inContext("<OperationHandler Name='ECO' Type='Change' OperationHandlerId='0'/>"),
       "[E3] ERROR: Usage of Change/Operation criteria in Expressions on input is forbidden.",
       "ERROR: forbidden to use Operation Handlers through XML expression."},
      {inContext("<Series Type='Unit' Name='Roadster'><SingleValue Value='INF'/></Series>"),
       "[E4] ERROR: 'INF' value cannot be used for a SingleValue (in Date/Unit/State criteria).",
       "ERROR: INF value for a SingleValue."},
      {inContext(engine("<Feature Name='V6'><Feature Name='V8'/></Feature>")),
       "[E5] ERROR: Only one level of feature-option is supported.",
       "ERROR: Feature level higher than 2 found."},
      {inContext("<AND><Boolean>true</Boolean></AND>"),
       "[E6] ERROR: AND/OR operator should have at least 2 child nodes.",
       "ERROR: Operator AND with 1 children."},
      {inContext("<InheritedEff FilterableName='Base'/>"),
       "[E7] c 'Id' attribute MANDATORY for Inherited Effectivities is missing.",
       "ERROR: attribute FilterableId not found."},
      {inContext("<NOT><InheritedEff FilterableId='1' FilterableName='Base'/></NOT>"), e0,
       "ERROR: unexpected, last operator should be OR op : we expect a OR between inherited effectivities."},
      {"<CfgFilterExpression><FilterSelection SelectionMode='Strict'><InheritedEff FilterableId='1' "
       "FilterableName='Base'/></FilterSelection></CfgFilterExpression>",
       "[E9] ERROR: Usage of Inherited Effectivities in Query expression is forbidden.",
       "ERROR: Inherited effectivities are forbidden in a filter expression."},
      {inContext("<Series Type='State' Name='Roadster'/>"), unknownE,
       "ERROR:unexpected case. Only 'Unit' Series are valid for now."},
      {"<CfgFilterExpression><FilterSelection "
       "SelectionMode='Strict'><OR/></FilterSelection></CfgFilterExpression>",
       e0, "ERROR: usage of operators forbidden in Query expression."},
      {"<CfgFilterExpression><NOT/></CfgFilterExpression>", e0,
       "ERROR: usage of operators forbidden in Query expression."},
      {"<CfgFilterExpression><FilterSelection SelectionMode='Strict'><Boolean>true</Boolean>" +
           engine("<Feature Name='V6'/>") + "</FilterSelection></CfgFilterExpression>",
       e0, "ERROR: Criteria beside an unrestricted filter."},
      {"<CfgFilterExpression><FilterSelection/></CfgFilterExpression>", e0,
       "ERROR: attribute QUERY MODE not found."},
      {"<CfgFilterExpression><FilterSelection SelectionMode='Strict'>" + engine("<Feature Name='V6'/>") +
           "<Context HolderName='Roadster'/></FilterSelection></CfgFilterExpression>",
       e0, "ERROR : forbidden to use context tag along with global criteria for filter expression"},
      {inContext("<Single Name='Concept'/>"), e0,
       "ERROR: Encountered element Single isn't into a TreeSeries or a MilestonesTrack"},
      {inContext("<MilestonesTrack Discipline='Engineering'><Single Name='Retire'/></MilestonesTrack>"),
       "[E1] ERROR: Milestone 'Retire' doesn't exist in the Expression Context.",
       "ERROR: Unable to retrieve Milestone with name Retire"},
      {inContext(
           "<TreeSeries Type='ProductState' Name='Roadster'><Single Name='Body' Revision='Z'/></TreeSeries>"),
       "[E1] ERROR: State 'Body' doesn't exist in the Expression Context.",
       "ERROR : Unable to retrieve TreeSeriesElement with name Body and revision Z"},
      {inContext("<MilestonesTrack Discipline='Sales'/>"),
       "[E1] ERROR: Milestone 'Sales' doesn't exist in the Expression Context.",
       "ERROR: Unable to retrieve MilestonesVar with Discipline Sales"},
      {inContext("<Series Type='Unit' Name='Roadster'><SingleValue Value='12a'/></Series>"),
       "[E2] ERROR: '12a' is a invalid value for Unit criteria 'Series'.",
       "ERROR: Unable to convert value 12a"},
      {inContext("<Series Type='Unit' Name='Roadster'><Interval><From Value='9'/><To "
                 "Value='3'/></Interval></Series>"),
       "[E2] ERROR: 'Interval' is a invalid value for Unit criteria 'Series'.",
       "ERROR: Invalid interval in Series"},
      {inContext("<Boolean>maybe</Boolean>"),
       "[E2] ERROR: 'maybe' is a invalid value for Boolean criteria 'Boolean'.",
       "ERROR: Unexpected Boolean maybe"},
      {"<CfgChangeExpression><SchemaVersion>2.0</SchemaVersion></CfgChangeExpression>", unknownE,
       "ERROR: Unsupported SchemaVersion 2.0"},
      {inContext("<Boolean>true</Boolean><Boolean>false</Boolean>"), e0,
       "ERROR: Context Roadster holds 2 trees instead of one."},
      {"<Expression/>", e0, "ERROR: Element Expression encountered outside an expression."},
      {inContext(deep), e0, "ERROR: Elements nested deeper than 2000 levels."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trace);
    kuv_test::ExprReading reading;
    const std::string traced =
        kuv_test::captured([&] { reading = kuv_test::readDocument(sample, c.document); });
    EXPECT_NE(traced.find(c.trace), std::string::npos) << traced;
    EXPECT_EQ(E_FAIL, reading.parsed);
    EXPECT_EQ(E_FAIL, reading.generated);
    EXPECT_EQ(nullptr, reading.expression);
    EXPECT_EQ(KuvXMLV2ParserError::sc_dataError, reading.error.status);
    EXPECT_EQ(c.message, reading.error.message.ConvertToChar());
    EXPECT_EQ(1, reading.line);
  }
}

TEST(KuvXMLV3ExprSAXHandlerTest, MalformedDocumentIsAParserErrorWithItsPosition) {
  SampleModel sample;
  kuv_test::ExprReading reading;
  EXPECT_TRACES(E_FAIL, "ERROR: An error has been detected: [D0] ERROR: Invalid document structure",
                (reading = kuv_test::readDocument(sample, "<CfgEffectivityExpression>\n<Expression>\n</AND>"))
                    .generated);
  EXPECT_EQ(E_FAIL, reading.parsed);
  EXPECT_EQ(KuvXMLV2ParserError::sc_parserError, reading.error.status);
  EXPECT_EQ(3, reading.error.line);
  EXPECT_EQ(nullptr, reading.expression);
}

TEST(KuvXMLV3ExprSAXHandlerTest, FillsTheCallersExpressionOfTheSameKindOnly) {
  SampleModel sample;
  KuvEeEffectivityExpression given;
  given.setGlobalCriteria((new KuvEeTrue)->getNodeRef());
  const std::string document = inContext(engine("<Feature Name='V6'/>"));
  kuv_test::ExprReading reading = kuv_test::readDocument(sample, document, 3, 1, 0, &given);
  EXPECT_EQ(S_OK, reading.generated);
  EXPECT_EQ(
      "KuvEeEffectivityExpression( Global: NONE\nRoadster: ModelCriteria( InheritedEff: NONE - Criteria: "
      "EeVarEffLeaf : OptionEff( Engine.V6{T__} ) ) )",
      text(&given));
  KuvEeChangeExpression other;
  EXPECT_TRACES(E_FAIL, "ERROR: The given expression can't receive a document of this kind.",
                (reading = kuv_test::readDocument(sample, document, 3, 1, 0, &other)).generated);
  EXPECT_EQ("KuvEeChangeExpression( Global: NONE )", text(&other));
}

// Skipped elements, however many, do not count towards the nesting limit.
TEST(KuvXMLV2ExprSAXHandlerTest, IgnoresUnknownElementsAndLooseArityWhenTold) {
  SampleModel sample;
  std::string skipped;
  for (int i = 0; i < 2001; ++i)
    skipped += i % 2 ? "<Description>text</Description>" : "<Annotation><AND/></Annotation>";
  const std::string document = inContext(skipped + "<OR><Boolean>true</Boolean></OR>");
  const kuv_test::ExprReading reading = kuv_test::readDocument(sample, document, 2, 0, 1);
  EXPECT_EQ(S_OK, reading.generated) << reading.error.message.ConvertToChar();
  EXPECT_EQ(
      "KuvEeEffectivityExpression( Global: NONE\nRoadster: ModelCriteria( InheritedEff: NONE - Criteria:  OR "
      " "
      "---TRUE ) )",
      text(reading.expression.get()));
}

// Events no well-formed document produces, fed by hand: the elements
// started, then the event refused, which is the end given, else the last
// start, else the expression asked for before any document.
TEST(KuvXMLV3ExprSAXHandlerTest, RefusesEventsOutOfOrder) {
  SampleModel sample;
  const KuvInMapVal none(KuvInString::sType(), KuvInString::sType());
  const struct {
    std::vector<const char*> starts;
    const char* end;
    const char* trace;
  } cases[] = {
      {{"CfgChangeExpression", "Expression"},
       "AND",
       "ERROR: End element AND encountered without its start element."},
      {{"CfgEffectivityExpression", "Expression"},
       "Context",
       "ERROR: End element Context encountered without its start element."},
      {{"CfgChangeExpression", "CfgFilterExpression"},
       nullptr,
       "ERROR: Encountered a second root element CfgFilterExpression"},
      {{"CfgChangeExpression", "Expression", "AND"},
       "CfgChangeExpression",
       "ERROR: End element CfgChangeExpression encountered but all containing elements aren't closed."},
      {{"Unknown", "CfgChangeExpression"}, nullptr, "ERROR: An error is already logged => SKIP PARSING."},
      {{}, nullptr, "ERROR: Unable to return a generated expression, no parsing have been done."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trace);
    KuvXMLV2ExpressionData data;
    KuvEeExpression* expression = nullptr;
    KuvXMLV3ExprSAXHandler handler(sample.context, data, nullptr, expression, 1, 0, 1, 1);
    handler.StartDocument();
    const bool lastStartRefused = c.end == nullptr && !c.starts.empty();
    for (std::size_t i = 0; i + (lastStartRefused ? 1 : 0) < c.starts.size(); ++i)
      handler.StartElement(c.starts[i], none);
    EXPECT_TRACES(E_FAIL, c.trace,
                  c.end != nullptr   ? handler.EndElement(c.end)
                  : lastStartRefused ? handler.StartElement(c.starts.back(), none)
                                     : handler.GetGeneratedExpression());
    EXPECT_EQ(E_FAIL, handler.GetGeneratedExpression());
    EXPECT_EQ(nullptr, expression);
  }
}

}  // namespace
