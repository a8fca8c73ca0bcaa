// The handler fed by hand: event orders that no well-formed document
// produces, the error record, hand-over and reuse of the context's
// features.
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::text;
using Attributes = std::initializer_list<std::pair<const char*, const char*>>;

constexpr const char* sc_skip = "ERROR: An error is already logged => SKIP PARSING.";

struct Feeder {
  KuvEeExpressionContext context;
  KuvXMLV2ModelerContextImpl texts;
  KuvXMLV2ModelerContextImpl* textsPointer = &texts;
  KuvXMLV3ModelDicoSAXHandler handler;

  explicit Feeder(unsigned char collect = 1) : handler(context, textsPointer, collect) {
    EXPECT_EQ(S_OK, handler.StartDocument());
  }

  HRESULT start(const char* name, Attributes attributes = {}) {
    KuvInMapVal map(KuvInString::sType(), KuvInString::sType());
    for (const auto& [key, value] : attributes) map.Put(KuvInString(key), KuvInString(value));
    return handler.StartElement(name, map);
  }
  HRESULT end(const char* name) { return handler.EndElement(name); }
  // The built dictionary; these documents have no serial descriptions.
  HRESULT created(KuvEeModelDico*& model) {
    KuvInSet descriptions(KuvXMLV2EeSerialDescription::sType());
    KuvXMLV2IModelerContext* collected = nullptr;
    return handler.GetCreatedModelDico(model, descriptions, collected);
  }
  HRESULT dictionary() { return start("CfgDictionary", {{"Uuid", "0000000000000000000000000000000A"}, {"Name", "M"}}); }
  std::string recorded() {
    KuvXMLV2ParserError error;
    return handler.GetError(error) == S_OK
               ? std::to_string(error.status) + " " + std::to_string(error.line) + ":" +
                     std::to_string(error.column) + " " + text(error.message)
               : "none";
  }
};

TEST(KuvXMLV3ModelDicoSAXHandlerTest, EndsWithoutTheirStartAreDataErrors) {
  const struct {
    std::vector<const char*> starts;
    const char* end;
    const char* trace;
  } cases[] = {
      {{}, "TreeSeriesElement", "ERROR: End element TreeSeriesElement encountered without its start element."},
      {{}, "Milestone", "ERROR: End element Milestone encountered without its start element."},
      {{}, "TreeSeries", "ERROR: End element TreeSeries encountered but all containing elements aren't closed."},
      {{}, "MilestonesTrack", "ERROR: End element MilestonesTrack encountered but all containing elements aren't closed."},
      {{}, "Feature", "ERROR: Encountered an end element Feature but its start element hasn't been found."},
      {{"TreeSeries", "TreeSeriesElement"}, "TreeSeries",
       "ERROR: End element TreeSeries encountered but all containing elements aren't closed."},
      {{"MilestonesTrack", "Milestone"}, "MilestonesTrack",
       "ERROR: End element MilestonesTrack encountered but all containing elements aren't closed."},
  };
  for (const auto& c : cases) {
    Feeder f;
    ASSERT_EQ(S_OK, f.dictionary());
    for (const char* start : c.starts) {
      const std::string name = start;
      if (name == "TreeSeries")
        ASSERT_EQ(S_OK, f.start(start, {{"Type", "ManufPlan"}, {"Uuid", "0000000000000000000000000000000B"},
                                        {"Name", "P"}}));
      else if (name == "MilestonesTrack")
        ASSERT_EQ(S_OK, f.start(start, {{"Uuid", "0000000000000000000000000000000B"}, {"Name", "T"},
                                        {"Discipline", "D"}}));
      else
        ASSERT_EQ(S_OK, f.start(start, {{"Uuid", "0000000000000000000000000000000C"}, {"Name", "E"},
                                        {"Revision", "A"}, {"TreeEvalIndex", "1-9"}}));
    }
    EXPECT_TRACES(E_FAIL, c.trace, f.end(c.end));
    EXPECT_EQ("1 0:0 CFG DATA ERROR", f.recorded()) << c.end;
    EXPECT_TRACES(E_FAIL, sc_skip, f.end("Other"));
    EXPECT_TRACES(E_FAIL, sc_skip, f.start("Other"));
  }
}

TEST(KuvXMLV3ModelDicoSAXHandlerTest, ParserErrorsFollowTheirOrderRules) {
  Feeder f;
  EXPECT_TRACES(E_FAIL, "At line 3, column 4", f.handler.FatalError(3, 4, "first"));
  EXPECT_EQ("0 3:4 [D0] ERROR: Invalid document structure", f.recorded());
  EXPECT_TRACES(E_FAIL, "Obtained parser error: second", f.handler.FatalError(5, 6, "second"));
  EXPECT_EQ("0 3:4 [D0] ERROR: Invalid document structure", f.recorded());
  EXPECT_TRACES(E_FAIL, "Obtained parser error: third", f.handler.Error(7, 8, "third"));
  EXPECT_EQ("0 7:8 [D0] ERROR: Invalid document structure", f.recorded());

  // A data error first: FatalError keeps it, Error replaces it.
  Feeder g;
  EXPECT_EQ(E_FAIL, g.start("Series", {{"Type", "Unit"}}));
  EXPECT_EQ(E_FAIL, g.handler.FatalError(1, 2, "later"));
  EXPECT_EQ("1 0:0 CFG DATA ERROR", g.recorded());
  EXPECT_EQ(E_FAIL, g.handler.Error(1, 2, "later"));
  EXPECT_EQ("0 1:2 [D0] ERROR: Invalid document structure", g.recorded());
  // A clean handler still copies its record: status 2, no position, no text.
  Feeder clean;
  KuvXMLV2ParserError stale;
  ASSERT_EQ(S_OK, g.handler.GetError(stale));
  EXPECT_TRACES(S_FALSE, "ERROR: trying to retrieve XML Parser error but NO ERROR LOGGED.",
                clean.handler.GetError(stale));
  EXPECT_EQ(std::tuple(2, 0, 0, std::string()),
            std::tuple(stale.status, stale.line, stale.column, kuv_test::text(stale.message)));
}

TEST(KuvXMLV3ModelDicoSAXHandlerTest, StartDocumentForgetsTheDictionaryButNotTheError) {
  Feeder f;
  ASSERT_EQ(S_OK, f.dictionary());
  ASSERT_EQ(S_OK, f.start("Feature", {{"Uuid", "00000000000000000000000000000001"}, {"Name", "Color"},
                                      {"Type", "ConfigFeature"}, {"SelectionType", "Single"}}));
  ASSERT_EQ(S_OK, f.start("Feature", {{"Uuid", "00000000000000000000000000000002"}, {"Name", "Red"}}));
  ASSERT_EQ(S_OK, f.handler.StartDocument());
  KuvEeModelDico* model = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to return a created EeModelDico, no parsing have been done.",
                f.created(model));

  ASSERT_EQ(E_FAIL, f.start("Feature", {{"Name", "x"}}));
  ASSERT_EQ(S_OK, f.handler.StartDocument());
  EXPECT_EQ("1 0:0 CFG DATA ERROR", f.recorded());
  EXPECT_TRACES(E_FAIL, sc_skip, f.dictionary());
}

TEST(KuvXMLV3ModelDicoSAXHandlerTest, HandsOverOnlyIntoASetOfDescriptions) {
  for (const unsigned char collect : {0, 1}) {
    Feeder f(collect);
    ASSERT_EQ(S_OK, f.dictionary());
    ASSERT_EQ(S_OK, f.start("Series", {{"Type", "Unit"}, {"Uuid", "0000000000000000000000000000000B"},
                                       {"Name", "U"}, {"Description", "Chassis"}}));
    ASSERT_EQ(S_OK, f.start("Feature", {{"Uuid", "00000000000000000000000000000001"}, {"Name", "Color"},
                                        {"Type", "ConfigFeature"}, {"SelectionType", "Single"},
                                        {"DisplayName", "Paint"}}));
    KuvEeModelDico* model = nullptr;
    KuvInSet wrong(KuvEeModelDico::sType());
    KuvXMLV2IModelerContext* collected = nullptr;
    EXPECT_TRACES(E_FAIL, "ERROR: cast issue, wrong type set on the list.",
                  f.handler.GetCreatedModelDico(model, wrong, collected));
    EXPECT_EQ(nullptr, model);
    KuvInSet descriptions(KuvXMLV2EeSerialDescription::sType());
    ASSERT_EQ(S_OK, f.handler.GetCreatedModelDico(model, descriptions, collected));
    ASSERT_EQ(1, descriptions.GetLength());
    EXPECT_EQ("Chassis", text(KuvXMLV2EeSerialDescription::cast(*descriptions.cBegin().Get())->getDescription()));
    descriptions.DeleteAll();
    EXPECT_EQ(collect != 0 ? &f.texts : nullptr, collected) << int(collect);
    KuvInString paint;
    KuvEeDicoObject* color = nullptr;
    ASSERT_EQ(S_OK, model->getConfigFeature(KuvInString("Color"), color));
    EXPECT_EQ(collect != 0 ? S_OK : S_FALSE, f.texts.GetDisplayName(*color, paint));
    ASSERT_EQ(S_OK, f.context.AddModelDico(model, true));
    // Handed over once: a second call finds nothing.
    EXPECT_EQ(E_FAIL, f.handler.GetCreatedModelDico(model, descriptions, collected));
  }
}

// A category of the context serves the document; options the document adds
// to it leave again when the document is refused, and go to the context
// when it is handed over.
TEST(KuvXMLV3ModelDicoSAXHandlerTest, ReusesTheContextsFeaturesAndRestoresThemOnFailure) {
  const std::string engineUuid = text(kuv_test::Guid(1).guid());
  const std::string v6Uuid = text(kuv_test::Guid(2).guid());
  // Gives the context a category Engine with its option V6, then starts a
  // document reading it as a feature named name.
  KuvEeCategory* category = nullptr;
  auto reading = [&](Feeder& f, const char* name, const char* selection) {
    category = new KuvEeCategory("Engine", kuv_test::Guid(1).data());
    new KuvEeCatOptionVar("V6", kuv_test::Guid(2).data(), category);
    KuvEeDicoObject* engine = category;
    EXPECT_EQ(S_OK, f.context.AddConfigFeature(engine));
    EXPECT_EQ(S_OK, f.dictionary());
    return f.start("Feature", {{"Uuid", engineUuid.c_str()}, {"Name", name}, {"Type", "ConfigFeature"},
                               {"SelectionType", selection}});
  };
  const struct {
    const char* name;
    const char* selection;
    const char* trace;
  } refusals[] = {
      {"Motor", "Multiple", "ERROR : EeCategory from EeExpressionContext hasn't the same name that from XML Dictionary "
                            "one."},
      {"Engine", "Single", "ERROR : Retrieved ConfigFeature isn't a KuvEeSelectionVar."},
  };
  for (const auto& c : refusals) {
    Feeder f;
    EXPECT_TRACES(E_FAIL, c.trace, reading(f, c.name, c.selection));
    EXPECT_EQ("1 0:0 CFG DATA ERROR", f.recorded());
  }

  Feeder refused;
  ASSERT_EQ(S_OK, reading(refused, "Engine", "Multiple"));
  ASSERT_EQ(S_OK, refused.start("Feature", {{"Uuid", v6Uuid.c_str()}, {"Name", "V6"}}));
  ASSERT_EQ(S_OK, refused.end("Feature"));
  ASSERT_EQ(S_OK, refused.start("Feature", {{"Uuid", "00000000000000000000000000000009"}, {"Name", "V8"}}));
  ASSERT_EQ(S_OK, refused.end("Feature"));
  EXPECT_EQ(2, category->getOptionVars().GetLength());
  EXPECT_EQ(E_FAIL, refused.start("Feature", {{"Name", "V12"}}));
  ASSERT_EQ(S_OK, refused.handler.StartDocument());
  EXPECT_EQ(1, category->getOptionVars().GetLength());
  EXPECT_NE(nullptr, category->getOptionVar(KuvInString("V6")));

  Feeder accepted;
  ASSERT_EQ(S_OK, reading(accepted, "Engine", "Multiple"));
  ASSERT_EQ(S_OK, accepted.start("Feature", {{"Uuid", "00000000000000000000000000000009"}, {"Name", "V8"}}));
  KuvEeModelDico* model = nullptr;
  ASSERT_EQ(S_OK, accepted.created(model));
  ASSERT_EQ(S_OK, accepted.context.AddModelDico(model, true));
  const KuvEeCatOptionVar* v8 = category->getOptionVar(KuvInString("V8"));
  ASSERT_NE(nullptr, v8);
  KuvEeDicoObject* registered = nullptr;
  ASSERT_EQ(S_OK, accepted.context.GetConfigFeatureOption(v8->getGuid(), registered));
  EXPECT_EQ(v8, registered);
}

// An option whose GUID the context gives another object refuses the hand-
// over before any option moves: they all leave with the handler.
TEST(KuvXMLV3ModelDicoSAXHandlerTest, AHandOverRefusedChangesNothing) {
  Feeder f;
  auto* category = new KuvEeCategory("Engine", kuv_test::Guid(1).data());
  KuvEeDicoObject* engine = category;
  ASSERT_EQ(S_OK, f.context.AddConfigFeature(engine));
  KuvEeDicoObject* paint = new KuvEeSelectionVar("Paint", kuv_test::Guid(5).data());
  ASSERT_EQ(S_OK, f.context.AddConfigFeature(paint));
  ASSERT_EQ(S_OK, f.dictionary());
  ASSERT_EQ(S_OK, f.start("Feature", {{"Uuid", text(kuv_test::Guid(1).guid()).c_str()},
                                      {"Name", "Engine"},
                                      {"Type", "ConfigFeature"},
                                      {"SelectionType", "Multiple"}}));
  for (const auto& [name, guid] : {std::pair("V8", 2), std::pair("Paint", 5), std::pair("V12", 3)}) {
    ASSERT_EQ(S_OK,
              f.start("Feature", {{"Uuid", text(kuv_test::Guid(guid).guid()).c_str()}, {"Name", name}}));
    ASSERT_EQ(S_OK, f.end("Feature"));
  }
  KuvEeModelDico* model = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to add option Paint to the ConfigFeature of KuvEeExpressionContext.",
                f.created(model));
  EXPECT_EQ(nullptr, model);
  KuvEeDicoObject* option = nullptr;
  EXPECT_EQ(S_FALSE, f.context.GetConfigFeatureOption(kuv_test::Guid(2).guid(), option));
  ASSERT_EQ(S_OK, f.handler.StartDocument());
  EXPECT_EQ(0, category->getOptionVars().GetLength());
}

TEST(KuvXMLV3ModelDicoSAXHandlerTest, TheModelerContextKeepsTheFirstRecordOfAGuid) {
  KuvXMLV2ModelerContextImpl texts;
  KuvEeSelectionVar color("Color", kuv_test::Guid(1).data());
  KuvEeSelectionVar other("Other", kuv_test::Guid(2).data());
  EXPECT_EQ(S_OK, texts.AddFeatureDescriptionInformation(color, "Paint", "Body paint", "2"));
  EXPECT_EQ(S_FALSE, texts.AddFeatureDescriptionInformation(color, "Later", "", ""));
  EXPECT_EQ(S_FALSE, texts.AddOptionDescriptionInformation(texts, "Not a dictionary object", "", KuvInIntHolder(1)));
  EXPECT_EQ(S_OK, texts.AddOptionDescriptionInformation(other, "Option", "Known as an option", KuvInIntHolder(4)));
  KuvInString found("> ");
  EXPECT_EQ(S_OK, texts.GetDisplayName(color, found));
  EXPECT_EQ(S_OK, texts.GetDescription(other, found));
  EXPECT_EQ("> PaintKnown as an option", text(found));
  KuvInIntHolder order;
  EXPECT_EQ(S_FALSE, texts.GetOptionSequenceOrder(color, order));
  EXPECT_EQ(S_FALSE, texts.GetFeatureRevision(other, found));
  EXPECT_EQ(S_OK, texts.GetOptionSequenceOrder(other, order));
  EXPECT_EQ(4u, order.getValue());
  EXPECT_TRACES(E_NOTIMPL, "ERROR: GetPLMID is not implemented.", texts.GetPLMID(color, found));
}

TEST(KuvXMLV3ModelDicoSAXHandlerTest, JsonDictionariesAreNotImplemented) {
  KuvEeExpressionContext context;
  KuvEeModelDico* model = nullptr;
  KuvInString message;
  EXPECT_TRACES(E_NOTIMPL, "ERROR: JSON dictionaries are not supported.",
                KuvJSONModelDicoParser::Read(OrbUnicodeString("{}"), context, model, message));
  EXPECT_EQ(nullptr, model);
}

}  // namespace
