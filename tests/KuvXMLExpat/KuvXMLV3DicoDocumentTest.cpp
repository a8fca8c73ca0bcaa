#include "KuvXML.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::text;

// One document read through the adapter into a handler that collects
// display texts.
struct Reading {
  KuvEeExpressionContext context;
  KuvXMLV2ModelerContextImpl texts;
  KuvXMLV2ModelerContextImpl* textsPointer = &texts;
  KuvXMLV3ModelDicoSAXHandler handler{context, textsPointer, 1};
  KuvXMLExpatParser parser;
  // The series descriptions handed over, deleted with the reading.
  KuvInSet descriptions{KuvXMLV2EeSerialDescription::sType()};

  ~Reading() { descriptions.DeleteAll(); }
  HRESULT read(const std::string& document) {
    return parser.ParseBuffer(document.data(), document.size(), handler);
  }
  HRESULT created(KuvEeModelDico*& model) {
    KuvXMLV2IModelerContext* collected = nullptr;
    const HRESULT hr = handler.GetCreatedModelDico(model, descriptions, collected);
    EXPECT_EQ(SUCCEEDED(hr) ? &texts : nullptr, collected);
    return hr;
  }
  // The dictionary, registered in the context, which then owns it.
  KuvEeModelDico* take() {
    KuvEeModelDico* model = nullptr;
    EXPECT_EQ(S_OK, created(model));
    if (model != nullptr) {
      EXPECT_EQ(S_OK, context.AddModelDico(model, true));
    }
    return model;
  }
};

std::string uuid(int n) {
  char digits[33];
  std::snprintf(digits, sizeof digits, "00000000000000000000000000%06X", n);
  return digits;
}

// A dictionary document holding body.
std::string dico(const std::string& body) {
  return "<CfgDictionary Uuid='" + uuid(1) + "' Name='M'>\n" + body + "\n</CfgDictionary>";
}

std::string series(const std::string& bounds, int n = 2) {
  return "<Series Type='Unit' Uuid='" + uuid(n) + "' Name='Units' " + bounds + "/>";
}

std::string states(const std::string& elements, const char* type = "ProductState", int n = 3) {
  return std::string("<TreeSeries Type='") + type + "' Uuid='" + uuid(n) + "' Name='States'>" + elements +
         "</TreeSeries>";
}

std::string state(const std::string& attributes, int n, const std::string& children = "") {
  return "<TreeSeriesElement Uuid='" + uuid(n) + "' Name='S' Revision='R" + std::to_string(n) + "' " +
         attributes + ">" + children + "</TreeSeriesElement>";
}

std::string track(const std::string& milestones, int n = 4) {
  return "<MilestonesTrack Uuid='" + uuid(n) + "' Name='Plan' Discipline='Eng'>" + milestones + "</MilestonesTrack>";
}

std::string milestone(const std::string& attributes, int n, const std::string& children = "") {
  return "<Milestone Uuid='" + uuid(n) + "' Name='M" + std::to_string(n) + "' " + attributes + ">" + children +
         "</Milestone>";
}

std::string feature(const char* selection, const std::string& options, int n = 5, const char* name = "F") {
  return std::string("<Feature Uuid='") + uuid(n) + "' Name='" + name + "' Type='ConfigFeature' SelectionType='" +
         selection + "'>" + options + "</Feature>";
}

std::string option(int n, const char* name, const std::string& attributes = "") {
  return "<Feature Uuid='" + uuid(n) + "' Name='" + name + "' " + attributes + "/>";
}

TEST(KuvXMLV3DicoDocumentTest, ReadsTheSampleDictionary) {
  Reading r;
  ASSERT_EQ(S_OK, r.parser.ParseFile(KUV_SAMPLE_DIR "/dictionary.xml", r.handler));
  KuvEeModelDico* model = r.take();
  ASSERT_NE(nullptr, model);
  EXPECT_EQ("5A0D0000000000000000000000000001", text(model->getGuid()));

  const KuvInSerialInterval& units = model->getSeriesVariable(KuvEeSerialVar::UNIT)->getDomain();
  EXPECT_EQ(1, units.getA());
  EXPECT_EQ(2000000000, units.getB());

  const KuvEeTreeSeriesVar* states = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
  ASSERT_NE(nullptr, states);
  const KuvEeTreeSeriesElement* b1 = states->getElement(3);
  ASSERT_NE(nullptr, b1);
  EXPECT_EQ("B.1", text(b1->getRevision()));
  EXPECT_EQ("B", text(b1->getParentTreeSeriesElement()->getRevision()));
  EXPECT_EQ("A", text(states->getRootTreeSeriesElement()->getRevision()));
  EXPECT_EQ(2, states->getRootTreeSeriesElement()->getChildren().GetLength());
  EXPECT_EQ("Plant", text(model->getTreeSeriesVariable(KuvEeSerialVar::TREE_MANUF_PLAN)->getRootElement()->getName()));

  KuvEeDicoObject* engine = nullptr;
  ASSERT_EQ(S_OK, model->getConfigFeature(KuvInString("Engine"), engine));
  ASSERT_NE(nullptr, KuvEeCategory::cast(*engine));
  EXPECT_EQ(3, KuvEeCategory::cast(*engine)->getOptionVars().GetLength());
  KuvEeDicoObject* color = nullptr;
  ASSERT_EQ(S_OK, model->getConfigFeature(KuvInString("Color"), color));
  const KuvEeSelectionVar* paint = KuvEeSelectionVar::cast(*color);
  ASSERT_NE(nullptr, paint);
  EXPECT_NE(nullptr, paint->getValue(KuvInString("Green")));

  KuvEeMilestonesVar* program = nullptr;
  ASSERT_EQ(S_OK, model->getMilestonesTrackDiscipline("Engineering", program));
  KuvEeMilestone* launch = nullptr;
  KuvInTreeEvalIndex launchIndex;
  ASSERT_EQ(S_OK, KuvInTreeEvalIndex::BuildFromString("50-60", launchIndex));
  ASSERT_EQ(S_OK, program->getMilestone(launchIndex, launch));
  EXPECT_EQ("Launch", text(launch->getName()));
  EXPECT_EQ("Concept", text(launch->getParentMilestone()->getName()));

  std::vector<std::string> seriesTexts;
  for (KuvInSet::const_iterator it = r.descriptions.cBegin(); it.IsValid();)
    seriesTexts.push_back(text(*it.GetGoToNext()));
  std::sort(seriesTexts.begin(), seriesTexts.end());
  const std::vector<std::string> expectedSeries = {"SerialDescription( 0: Product states of the body )",
                                                   "SerialDescription( 1: Chassis numbers )",
                                                   "SerialDescription( 2:  )"};
  EXPECT_EQ(expectedSeries, seriesTexts);

  KuvInString displayName;
  EXPECT_EQ(S_OK, r.texts.GetDisplayName(*paint->getValue(KuvInString("Red")), displayName));
  EXPECT_EQ("Rosso & black roof", text(displayName));
  KuvInString revision;
  EXPECT_EQ(S_OK, r.texts.GetFeatureRevision(*engine, revision));
  EXPECT_EQ("3", text(revision));
  KuvInIntHolder order;
  EXPECT_EQ(S_OK, r.texts.GetOptionSequenceOrder(*KuvEeCategory::cast(*engine)->getOptionVar(KuvInString("V8")), order));
  EXPECT_EQ(2u, order.getValue());
  EXPECT_EQ(S_OK, r.texts.GetOptionSequenceOrder(*paint->getValue(KuvInString("Blue")), order));
  EXPECT_EQ(static_cast<std::uint32_t>(-1), order.getValue());
}

TEST(KuvXMLV3DicoDocumentTest, UnitSeriesBoundsComeAsAPair) {
  const struct {
    const char* bounds;
    int low, high;
  } cases[] = {
      {"LowerBound='INFNEG' UpperBound='INFPOS'", -2000000000, 2000000000},
      {"LowerBound='-5' UpperBound='70'", -5, 70},
      {"LowerBound='3'", 0, 2000000000},
      {"UpperBound='3'", 0, 2000000000},
  };
  for (const auto& c : cases) {
    Reading r;
    ASSERT_EQ(S_OK, r.read(dico(series(c.bounds)))) << c.bounds;
    const KuvInSerialInterval& domain = r.take()->getSeriesVariable(KuvEeSerialVar::UNIT)->getDomain();
    EXPECT_EQ(c.low, domain.getA()) << c.bounds;
    EXPECT_EQ(c.high, domain.getB()) << c.bounds;
  }
}

// Each document is refused with the trace and the recorded message given,
// and nothing it built survives (the sanitizer run checks the last part).
TEST(KuvXMLV3DicoDocumentTest, RefusesBadDocumentsWithTheirMessages) {
  const std::string d8 = "[D8] At most one serial of each type is expected in a given dictionary";
  const std::string data = "CFG DATA ERROR";
  const std::string rooted = state("TreeEvalIndex='1-9'", 10);
  const struct {
    std::string document;
    std::string trace;
    std::string message;
    HRESULT code = E_FAIL;  // the GUID conversion answers with its own code
    bool rooted = true;     // whether a dictionary was created before the error
  } cases[] = {
      {dico(series("") + series("", 6)),
       "ERROR: Unable to activate EvolutionSeries on EeModelDico, Series of type Unit is already existing.",
       d8},
      {dico(states(rooted) + states(state("TreeEvalIndex='1-9'", 11), "ProductState", 6)),
       "ERROR: Unable to activate EvolutionTreeSeries on EeModelDico, TreeSeries of type ProductState is "
       "already existing.",
       d8},
      {dico(track(milestone("TreeEvalIndex='1-9'", 10)) + track(milestone("TreeEvalIndex='1-9'", 11), 6)),
       "ERROR: Unable to activate on ModelDico Milestones with discipline Eng",
       "[D9] At most one object of each type is expected in a given dictionary"},
      {dico("<Series Type='Serial' Uuid='" + uuid(2) + "' Name='S'/>"),
       "ERROR: Unexpected type of Series retrieved : Serial", data},
      {dico(states(rooted, "Plan")), "ERROR: Unexpected type of TreeSeries retrieved : Plan", data},
      {dico("<Series Type='Unit' Name='S'/>"), "ERROR: Element Series doesn't have attribute Uuid", data},
      {dico(states("<TreeSeriesElement Uuid='" + uuid(9) + "' Name='S' TreeEvalIndex='1-9'/>")),
       "ERROR: Element TreeSeriesElement doesn't have attribute Revision", data},
      {dico("<Feature Uuid='12' Name='F' Type='ConfigFeature' SelectionType='Single'/>"),
       "ERROR: Unable to convert Uuid 12", data, E_INVALIDARG},
      {"<CfgDictionary Uuid='ZZ' Name='M'/>", "ERROR: Unable to convert Uuid ZZ", data, E_INVALIDARG, false},
      {dico(feature("Single", "<Feature Uuid='" + uuid(6) + "' Name='A'>" + option(7, "B") + "</Feature>")),
       "ERROR: Feature level higher level 2 isn't supported.", data},
      {dico(feature("Some", "")),
       "ERROR : Unexpected value Some for attribute SelectionType into element Feature", data},
      {dico(feature("Single", option(6, "A", "SequenceOrder='0'"))),
       "ERROR: Invalid SequenceNumber 0, must be a positive or null value.", data},
      {dico(feature("Single", option(6, "A", "SequenceOrder='1x'"))),
       "ERROR: Unable to convert to number SequenceOrder 1x", data},
      {dico(states(state("TreeEvalIndex='1-9' SequenceNumber='-1'", 9))),
       "ERROR: Invalid SequenceNumber -1, must be a positive or null value.", data},
      {dico(states(state("TreeEvalIndex='1-9' SequenceNumber='one'", 9))),
       "ERROR: Unable to convert to number SequenceNumber one", data},
      {dico(series("LowerBound='low' UpperBound='9'")), "ERROR: Unable to ConvertToNum LowerBound low", data},
      {dico(series("LowerBound='1' UpperBound='99999999999'")),
       "ERROR: Unable to ConvertToNum UpperBound 99999999999", data},
      {dico(series("LowerBound='INFPOS' UpperBound='9'")), "ERROR: Unable to ConvertToNum LowerBound INFPOS",
       data},
      {dico(states(state("TreeEvalIndex='a-b'", 9))), "ERROR: Unable to create TreeEvalIndex from value a-b",
       data},
      {dico(states(rooted + state("TreeEvalIndex='20-29'", 11))),
       "ERROR: Encountered more than one root TreeSeriesElement", data},
      {dico(states(state("TreeEvalIndex='1-9'", 10, state("TreeEvalIndex='5-20'", 11)))),
       "ERROR: Unable to add child to TreeSeriesElement father.", data},
      {dico(states("")),
       "ERROR: End element TreeSeries encountered but no containing element TreeSeriesElement found.", data},
      {dico(milestone("TreeEvalIndex='1-9'", 9)),
       "ERROR: Encountered element Milestone outside element MilestonesTrack", data},
      {dico(track(milestone("TreeEvalIndex='1-9'", 10, milestone("TreeEvalIndex='0-20'", 11)))),
       "ERROR: Unable to add child to father milestone.", data},
      {dico(track(milestone("TreeEvalIndex='1-9' Date='2026-ab-01T00:00:00'", 10))),
       "ERROR: Unable to parser date value 2026-ab-01T00:00:00", data},
      {dico(track("")),
       "ERROR: End element MilestonesTrack encountered but no containing element Milestone found.", data},
      {dico(feature("Multiple", option(6, "A") + option(7, "A"))),
       "ERROR : Unable to add CatOptionVar to EeCategory.", data},
      {dico(feature("Single", option(6, "A") + option(7, "A"))),
       "ERROR : Unable to add SelectionValue to SelectionVar.", data},
      {dico(feature("Multiple", option(6, "A") + option(6, "B"))),
       "ERROR : CatOptionVar from EeCategory hasn't the same name that from XML Dictionary one.", data},
      {dico(feature("Single", option(6, "A")) + feature("Single", option(7, "B"), 8)),
       "ERROR: Unable to add ConfigFeature to EeModelDico.", data},
      {dico(feature("Single", option(6, "A")) + feature("Multiple", "")),
       "ERROR : Retrieved ConfigFeature isn't a KuvEeCategory.", data},
      {dico(feature("Single", option(6, "A")) + feature("Single", "", 5, "G")),
       "ERROR : SelectionVar from EeExpressionContext hasn't the same name that from XML Dictionary one.",
       data},
      {dico(dico("")), "ERROR: An EeModelDico has already been created.", data},
      {"<Other>" + series("") + "</Other>", "ERROR: EeModelDico hasn't been created.", data, E_FAIL, false},
  };
  for (const auto& c : cases) {
    Reading r;
    EXPECT_TRACES(c.code, c.trace, r.read(c.document));
    KuvXMLV2ParserError error;
    ASSERT_EQ(S_OK, r.handler.GetError(error)) << c.document;
    EXPECT_EQ(1, error.status) << c.document;
    EXPECT_EQ(c.message, text(error.message)) << c.document;
    EXPECT_NE(0, r.parser.GetLine()) << c.document;
    KuvEeModelDico* model = nullptr;
    EXPECT_TRACES(E_FAIL,
                  c.rooted ? "ERROR: An error has been detected: " + c.message
                           : "ERROR: Unable to return a created EeModelDico, no parsing have been done.",
                  r.created(model));
    EXPECT_EQ(nullptr, model);
    EXPECT_TRUE(r.descriptions.IsEmpty());
  }
}

TEST(KuvXMLV3DicoDocumentTest, MalformedDocumentsAreRecordedAsParserErrors) {
  const struct {
    std::string document;
    int line;
    const char* parserText;
  } cases[] = {
      {dico(series("") + "\n<Other>"), 4, "mismatched tag"},
      {dico("<Feature Name='\xC3\x28'/>"), 2, "not well-formed (invalid token)"},
  };
  for (const auto& c : cases) {
    Reading r;
    EXPECT_TRACES(E_FAIL, std::string("Obtained parser error: ") + c.parserText, r.read(c.document));
    KuvXMLV2ParserError error;
    ASSERT_EQ(S_OK, r.handler.GetError(error));
    EXPECT_EQ(0, error.status);
    EXPECT_EQ(c.line, error.line) << c.document;
    EXPECT_EQ("[D0] ERROR: Invalid document structure", text(error.message));
  }
}

TEST(KuvXMLV3DicoDocumentTest, DeepNestingAndHugeValuesAreHarmless) {
  std::string deep;
  for (int i = 0; i < 20000; ++i) deep += "<Other>";
  for (int i = 0; i < 20000; ++i) deep += "</Other>";
  const std::string hugeName(1 << 20, 'n');
  Reading r;
  ASSERT_EQ(S_OK, r.read(dico(deep + feature("Single", option(6, hugeName.c_str())))));
  KuvEeModelDico* model = r.take();
  KuvEeDicoObject* f = nullptr;
  ASSERT_EQ(S_OK, model->getConfigFeature(KuvInString("F"), f));
  EXPECT_NE(nullptr, KuvEeSelectionVar::cast(*f)->getValue(KuvInString(hugeName.c_str())));

  Reading nested;
  std::string features;
  for (int i = 0; i < 5000; ++i) features += "<Feature Uuid='" + uuid(i + 10) + "' Name='F' SelectionType='Single' Type='T'>";
  EXPECT_TRACES(E_FAIL, "ERROR: Feature level higher level 2 isn't supported.", nested.read(dico(features)));
}

}  // namespace
