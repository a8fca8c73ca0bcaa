#include "support/KuvTestSupport.h"

#include "KuvBinaryParser/KuvBinaryLeafTestSupport.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvXMLExprBuilders.h"

namespace {

using kuv_test::SampleModel;

const std::string sc_declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string rootStart(const std::string& root) {
  return "<" + root +
         " xmlns=\"urn:com:velcorin:config\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xsi:schemaLocation=\"urn:com:velcorin:config " +
         root + ".xsd\">";
}

struct Written {
  HRESULT hr;
  std::string text;
};

Written writeV3(const KuvEeExpression& expression, const KuvXMLV2IModelerContext* texts,
                unsigned char descIds = 0) {
  KuvXMLTextWriter sink;
  // SelectedBy does not wait for the writeSelectedBy flag.
  KuvXMLV3ExprWriter writer(sink, texts, descIds, 0, 1);
  const HRESULT hr = writer.write(expression);
  return {hr, sink.GetText()};
}

// An expression over the sample dictionary alone.
std::string inContext(const std::string& criteria) {
  return "<Expression><Context HolderType=\"Model\" HolderName=\"Roadster\">" + criteria +
         "</Context></Expression>";
}

// What the document holds between the root's start and end tags.
std::string body(const std::string& document, const std::string& root) {
  const std::string head = sc_declaration + rootStart(root);
  const std::string tail = "</" + root + ">";
  if (document.compare(0, head.size(), head) != 0 || document.size() < head.size() + tail.size() ||
      document.compare(document.size() - tail.size(), tail.size(), tail) != 0)
    return "MALFORMED: " + document;
  return document.substr(head.size(), document.size() - head.size() - tail.size());
}

TEST(KuvXMLV2ExprWriterTest, WritesTheSameDocumentWithoutSchemaVersion) {
  SampleModel sample;
  HRESULT hr = E_FAIL;
  const std::string text =
      kuv_test::writeDocument(*kuv_test::effectivity(sample.model, new KuvEeTrue), &sample.texts, 2, &hr);
  ASSERT_EQ(S_OK, hr);
  EXPECT_EQ(inContext("<Boolean>true</Boolean>"), body(text, "CfgEffectivityExpression"));
}

// Each expression with the body the version-3 writer gives it (after
// SchemaVersion).
TEST(KuvXMLV3ExprWriterTest, WritesEachCriterionAndLayoutExactly) {
  SampleModel sample;
  KuvEeModelDico second("Alpha", kuv_test::Guid(77).guid());
  auto* secondModel = &second;
  KuvEeBasicEff inherited("Base", kuv_test::Guid(90).data());
  KuvEePredefEff change("ECO-7", kuv_test::Guid(91).data(), false, KuvEePredefEff::GLOBAL);
  struct Case {
    const char* name;
    std::function<std::unique_ptr<KuvEeExpression>()> build;
    const char* root;
    std::string body;
    bool withoutTexts = false;  // what holds no description needs none
  };
  const Case cases[] = {
      {"filter without restriction: one true Boolean in the selection",
       [&] { return kuv_test::filter(sample.model, 0); }, "CfgFilterExpression",
       "<FilterSelection SelectionMode=\"Strict\"><Boolean>true</Boolean></FilterSelection>", true},
      {"one dictionary, no MultiContextView",
       [&] {
         return kuv_test::effectivity(sample.model, kuv_test::And({kuv_test::optionLeaf(sample.option("V8")),
                                                                   kuv_test::Not(kuv_test::F())}));
       },
       "CfgEffectivityExpression",
       inContext("<AND><Feature Type=\"ConfigFeature\" Name=\"Engine\"><Feature Type=\"ConfigFeature\" "
                 "Name=\"V8\"/>"
                 "</Feature><NOT><Boolean>false</Boolean></NOT></AND>")},
      {"two dictionaries in name order inside MultiContextView, global criteria first",
       [&] {
         auto expression = kuv_test::effectivity(sample.model, new KuvEeFalse, new KuvEeTrue);
         auto* record = new KuvEeMultiModelExpression::ModelCriteria;
         record->setCriteria((new KuvEeTrue)->getNodeRef());
         expression->setModelCriteria(secondModel, record);
         return expression;
       },
       "CfgEffectivityExpression",
       "<Expression><Boolean>true</Boolean><MultiContextView><Context HolderType=\"Model\" "
       "HolderName=\"Alpha\">"
       "<Boolean>true</Boolean></Context><Context HolderType=\"Model\" HolderName=\"Roadster\">"
       "<Boolean>false</Boolean></Context></MultiContextView></Expression>"},
      {"an inherited effectivity under its dictionary; changes as numbered operation handlers",
       [&] {
         auto* tree = new KuvEeOrOp;
         for (KuvEeEffectivity* eff : std::initializer_list<KuvEeEffectivity*>{&change, &inherited, &change})
           tree->addChild(new KuvEeEffLeaf(eff));
         return kuv_test::effectivity(sample.model, tree);
       },
       "CfgEffectivityExpression",
       inContext(
           "<OR><OperationHandler Name=\"ECO-7\" Type=\"Change\" OperationHandlerId=\"0\"/><InheritedEff "
           "HolderType=\"Model\" HolderName=\"Roadster\" FilterableName=\"Base\" FilterableId=\"" +
           std::string(inherited.getGuid().toString().ConvertToChar()) +
           "\"/><OperationHandler Name=\"ECO-7\" Type=\"Change\" OperationHandlerId=\"1\"/></OR>")},
      {"unit ranges: single value, open lower end, excluded upper end",
       [&] {
         return kuv_test::effectivity(sample.model,
                                      kuv_test::unitLeaf(sample.units, {{-2000000000, true, 3, true},
                                                                        {5, true, 5, true},
                                                                        {12, true, 20, false},
                                                                        {30, false, 2000000000, true}}));
       },
       "CfgEffectivityExpression",
       inContext("<Series Type=\"Unit\" Name=\"Roadster\"><Interval><To Value=\"3\" "
                 "IsExcluded=\"false\"/></Interval>"
                 "<SingleValue Value=\"5\"/><Interval><From Value=\"12\" IsExcluded=\"false\"/>"
                 "<To Value=\"20\" IsExcluded=\"true\"/></Interval><Interval><From Value=\"30\" "
                 "IsExcluded=\"true\"/>"
                 "</Interval></Series>")},
      {"selection values in name order with how they were chosen",
       [&] {
         auto* eff = new KuvEeSelectionEff(sample.color, KuvEeSelectionEff::AllFalse);
         eff->add(KuvInString("Red"), KuvCriteriaSelectedBy_UserSelected);
         eff->add(KuvInString("Blue"), KuvCriteriaSelectedBy_DefaultValue);
         eff->add(KuvInString("Green"));
         return kuv_test::effectivity(sample.model, new KuvEeVarEffLeaf(eff));
       },
       "CfgEffectivityExpression",
       inContext(
           "<Feature Type=\"ConfigFeature\" Name=\"Color\"><Feature Type=\"ConfigFeature\" Name=\"Blue\" "
           "SelectedBy=\"Default\"/><Feature Type=\"ConfigFeature\" Name=\"Green\"/><Feature "
           "Type=\"ConfigFeature\" Name=\"Red\" SelectedBy=\"User\"/></Feature>")},
      {"dates: a single instant and a range open at its end",
       [&] {
         KuvInListVal ranges(KuvInDateInterval::sType());
         KuvInDateInterval instant;
         instant.setInterval(KuvInDate(2026, 3, 1, 1, 1, 1), KuvInDate(2026, 3, 1, 1, 1, 1));
         KuvInDate infinity;
         infinity.setInfPos();
         KuvInDateInterval open;
         open.setInterval(KuvInDate(2027, 1, 2, 13, 31, 1), infinity);
         ranges.PutBack(instant);
         ranges.PutBack(open);
         auto* eff = new KuvEeDateEff(sample.date, KuvEeDateEff::AllFalse);
         eff->set(ranges);
         return kuv_test::effectivity(sample.model, new KuvEeVarEffLeaf(eff));
       },
       "CfgEffectivityExpression",
       inContext(
           "<Date><SingleValue Value=\"2026-03-01T00:00:00\"/><Interval><From Value=\"2027-01-02T12:30:00\" "
           "IsExcluded=\"false\"/></Interval></Date>")},
      {"milestones: a single milestone and a tree with its derived dates",
       [&] {
         return kuv_test::effectivity(
             sample.model, new KuvEeVarEffLeaf(kuv_test::milestones(
                               sample.program,
                               {{sample.milestone("Concept"), false, {{sample.milestone("Prototype"), true}}},
                                {sample.milestone("Launch"), true, {}}})));
       },
       "CfgEffectivityExpression",
       inContext("<MilestonesTrack Discipline=\"Engineering\" Name=\"Program\"><Tree><Root Name=\"Concept\" "
                 "DerivedDate=\"2026-01-15T00:00:00\" IsExcluded=\"true\"/><Leaf Name=\"Prototype\" "
                 "DerivedDate=\"2026-06-01T00:00:00\" IsExcluded=\"false\"/></Tree><Single Name=\"Launch\" "
                 "DerivedDate=\"2027-03-01T00:00:00\" "
                 "IsExcluded=\"false\"/></MilestonesTrack>")},
      {"tree series with revisions",
       [&] {
         return kuv_test::effectivity(sample.model, new KuvEeVarEffLeaf(kuv_test::treeSeries(
                                                        sample.states, {{sample.state("C"), true, {}}})));
       },
       "CfgEffectivityExpression",
       inContext("<TreeSeries Type=\"ProductState\" Name=\"Roadster\"><Single Name=\"Body\" Revision=\"C\" "
                 "IsExcluded=\"false\"/></TreeSeries>")},
      {"filter selection in 150% mode lists its criteria",
       [&] {
         auto expression = kuv_test::filter(
             sample.model, 1,
             {new KuvEeOptionEff(sample.option("V6"), KuvEeOptionEff::T, KuvCriteriaSelectedBy_RuleDeduced)});
         expression->setSelectionMode(KuvEeFilterExpression::CFG_SELECTIONMODE_150);
         return expression;
       },
       "CfgFilterExpression",
       "<FilterSelection SelectionMode=\"150%\"><Feature Type=\"ConfigFeature\" Name=\"Engine\"><Feature "
       "Type=\"ConfigFeature\" Name=\"V6\" SelectedBy=\"Rule\"/></Feature></FilterSelection>"},
      {"change expression with global criteria only",
       [&] {
         auto expression = std::make_unique<KuvEeChangeExpression>();
         expression->setGlobalCriteria(kuv_test::optionLeaf(sample.option("Electric"))->getNodeRef());
         return expression;
       },
       "CfgChangeExpression",
       "<Expression><Feature Type=\"ConfigFeature\" Name=\"Engine\"><Feature Type=\"ConfigFeature\" "
       "Name=\"Electric\"/></Feature></Expression>"},
  };
  for (const Case& c : cases) {
    const auto expression = c.build();
    const Written written = writeV3(*expression, c.withoutTexts ? nullptr : &sample.texts);
    EXPECT_EQ(S_OK, written.hr) << c.name;
    EXPECT_EQ("<SchemaVersion>1.1</SchemaVersion>" + c.body, body(written.text, c.root)) << c.name;
  }
}

TEST(KuvXMLV3ExprWriterTest, DescriptionIdentifiersAreTheGuidTexts) {
  SampleModel sample;
  auto expression = kuv_test::effectivity(sample.model, kuv_test::optionLeaf(sample.option("V6")));
  const Written written = writeV3(*expression, &sample.texts, 1);
  ASSERT_EQ(S_OK, written.hr);
  EXPECT_NE(written.text.find("<Feature Type=\"ConfigFeature\" Name=\"Engine\" "
                              "DescId=\"5A0D0000000000000000000000000100\"><Feature Type=\"ConfigFeature\" "
                              "Name=\"V6\" DescId=\"5A0D0000000000000000000000000101\"/>"),
            std::string::npos)
      << written.text;
  EXPECT_TRACES(E_FAIL, "ERROR: Null pointer for description", writeV3(*expression, nullptr, 1).hr);
}

// What the document format cannot hold, and layouts the writer refuses.
TEST(KuvXMLV3ExprWriterTest, RefusesWhatTheFormatCannotHold) {
  SampleModel sample;
  struct Case {
    std::function<std::unique_ptr<KuvEeExpression>()> build;
    HRESULT code;
    const char* trace;
    const KuvXMLV2IModelerContext* texts;
  };
  const Case cases[] = {
      {[&] {
         return kuv_test::effectivity(
             sample.model,
             kuv_test::Or({kuv_test::T(), kuv_test::NotDom(kuv_test::optionLeaf(sample.option("V6")))}));
       },
       E_NOTIMPL, "ERROR: KuvXMLV3ExprWriter::visitNotDomainOp is not implemented.", &sample.texts},
      {[&] {
         auto* restriction = new KuvEeCategoryRestrictionEff;
         KuvInSet items;
         items.Put(sample.engine);
         restriction->setVariables(items);
         return kuv_test::effectivity(nullptr, nullptr, new KuvEeRestrictionEffLeaf(restriction));
       },
       E_NOTIMPL, "UNEXPECTED: Restriction operator (@) not supported on this level.", &sample.texts},
      {[&] {
         auto* leaf = static_cast<KuvEeVarEffLeaf*>(kuv_test::optionLeaf(sample.option("V6")));
         leaf->opNot();
         return kuv_test::effectivity(nullptr, nullptr, leaf);
       },
       E_NOTIMPL, "ERROR: Unable to write a negated, empty or no-value effectivity: ", &sample.texts},
      {[&] {
         return kuv_test::effectivity(
             nullptr, nullptr, kuv_test::unitLeaf(sample.units, {{2000000000, true, 2000000000, true}}));
       },
       E_FAIL, "ERROR: Unable to write value 2000000000", &sample.texts},
      {[&] { return kuv_test::filter(sample.model, 2); }, E_FAIL,
       "ERROR: Unexpected cond for filter selection", nullptr},
      {[&] { return kuv_test::effectivity(sample.model, new KuvEeTrue); }, E_FAIL,
       "ERROR: Null pointer for description", nullptr},
      {[&] { return kuv_test::effectivity(sample.model, nullptr); }, E_FAIL,
       "ERROR: ModelCriteria with no EVCExpression and no inheritedEff.", &sample.texts},
      {[&] { return std::make_unique<KuvEeGenericExpression>((new KuvEeTrue)->getNodeRef()); }, E_FAIL,
       "ERROR: Unexpected type of KuvEeExpression.", &sample.texts},
      {[&] {
         KuvEeNode* tree = new KuvEeTrue;
         for (int i = 0; i < 50000; ++i) tree = kuv_test::Not(tree);
         return kuv_test::effectivity(nullptr, nullptr, tree);
       },
       E_FAIL, "ERROR: expression too deep", &sample.texts},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trace);
    const auto expression = c.build();
    Written written;
    EXPECT_TRACES(c.code, c.trace, (written = writeV3(*expression, c.texts)).hr);
    // The document is started before anything is refused.
    EXPECT_EQ(0u, written.text.rfind(sc_declaration, 0));
  }
}

TEST(KuvXMLTextWriterTest, EscapesMarkupAndKeepsEveryCharacter) {
  KuvXMLTextWriter sink;
  KuvInListVal names(KuvInString::sType());
  KuvInListVal values(KuvInString::sType());
  names.PutBack(KuvInString("Name"));
  values.PutBack(KuvInString("a&b<c>\"d\"\te\nf\xF0\x9F\x98\x80"));
  ASSERT_EQ(S_OK, sink.WriteStartDocument());
  ASSERT_EQ(S_OK, sink.WriteStartElement("Root", &names, &values));
  ASSERT_EQ(S_OK, sink.WriteCharacters("x < y & \xC3\xA9\n"));
  ASSERT_EQ(S_OK, sink.WriteComment("note"));
  ASSERT_EQ(S_OK, sink.WriteStartElement("Empty", nullptr, nullptr));
  ASSERT_EQ(S_OK, sink.WriteEndElement());
  ASSERT_EQ(S_OK, sink.WriteEndElement());
  ASSERT_EQ(S_OK, sink.WriteEndDocument());
  EXPECT_EQ(sc_declaration +
                "<Root Name=\"a&amp;b&lt;c&gt;&quot;d&quot;&#9;e&#10;f\xF0\x9F\x98\x80\">x &lt; y &amp; "
                "\xC3\xA9\n<!--note--><Empty/></Root>",
            sink.GetText());
}

TEST(KuvXMLTextWriterTest, RefusesWhatWouldNotBeWellFormed) {
  // started: the call comes after WriteStartDocument.
  const struct {
    const char* name;
    bool started;
    std::function<HRESULT(KuvXMLTextWriter&)> call;
    HRESULT code;
  } cases[] = {
      {"element before the document", false,
       [](KuvXMLTextWriter& w) { return w.WriteStartElement("A", nullptr, nullptr); }, E_UNEXPECTED},
      {"second root", true,
       [](KuvXMLTextWriter& w) {
         w.WriteStartElement("A", nullptr, nullptr);
         w.WriteEndElement();
         return w.WriteStartElement("B", nullptr, nullptr);
       },
       E_UNEXPECTED},
      {"end without element", true, [](KuvXMLTextWriter& w) { return w.WriteEndElement(); }, E_UNEXPECTED},
      {"document ended with an open element", true,
       [](KuvXMLTextWriter& w) {
         w.WriteStartElement("A", nullptr, nullptr);
         return w.WriteEndDocument();
       },
       E_UNEXPECTED},
      {"control character", true,
       [](KuvXMLTextWriter& w) {
         w.WriteStartElement("A", nullptr, nullptr);
         return w.WriteCharacters("bell\x07");
       },
       E_INVALIDARG},
      {"element name with markup", true,
       [](KuvXMLTextWriter& w) { return w.WriteStartElement("A><B", nullptr, nullptr); }, E_INVALIDARG},
      {"comment holding --", true, [](KuvXMLTextWriter& w) { return w.WriteComment("a--b"); }, E_INVALIDARG},
  };
  for (const auto& c : cases) {
    KuvXMLTextWriter sink;
    if (c.started) {
      ASSERT_EQ(S_OK, sink.WriteStartDocument());
    }
    EXPECT_EQ(c.code, c.call(sink)) << c.name;
  }
}

}  // namespace
