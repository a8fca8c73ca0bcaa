// The version-2 vocabulary, read into a model dictionary and into a
// variable space.
#include "KuvXML.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::text;

const std::string sc_good =
    "<CfgDictionary Uuid='00000000000000000000000000000001' Name='Bike'>"
    "<Unit Uuid='00000000000000000000000000000002' Name='Frames' Description='Frame numbers'/>"
    "<State Uuid='00000000000000000000000000000003' Name='States'>"
    "<SeriesObject Uuid='00000000000000000000000000000004' Name='S' Revision='A' SequenceNumber='1'/>"
    "<SeriesObject Uuid='00000000000000000000000000000005' Name='S' Revision='B' SequenceNumber='2'/>"
    "</State>"
    "<Characteristic Uuid='00000000000000000000000000000010' Name='Color' IsExclusive='true' Description='Paint'>"
    "<Characteristic Uuid='00000000000000000000000000000011' Name='Red'/>"
    "</Characteristic>"
    "<Characteristic Uuid='00000000000000000000000000000020' Name='Extras' IsExclusive='false'>"
    "<Characteristic Uuid='00000000000000000000000000000021' Name='Rack' Description='Rear rack'/>"
    "</Characteristic>"
    "</CfgDictionary>";

std::string text(const KuvInMapVal& texts, const char* uuid) {
  KuvInGuid guid;
  EXPECT_EQ(S_OK, KuvConversionServices::ConvertStringToGuid(uuid, guid));
  const KuvInObjectVal* value = texts.Get(guid);
  return value != nullptr ? text(*value) : "(none)";
}

TEST(KuvXMLV2DicoDocumentTest, BuildsAModelDictionary) {
  KuvEeExpressionContext context;
  KuvXMLV2ModelDicoSAXHandler handler(context);
  KuvXMLExpatParser parser;
  ASSERT_EQ(S_OK, parser.ParseBuffer(sc_good.data(), sc_good.size(), handler));
  KuvEeModelDico* model = nullptr;
  KuvInSet descriptions(KuvXMLV2EeSerialDescription::sType());
  KuvInMapVal texts(KuvInGuid::sType(), KuvInString::sType());
  ASSERT_EQ(S_OK, handler.GetCreatedModelDico(model, descriptions, texts));
  ASSERT_EQ(S_OK, context.AddModelDico(model, true));
  EXPECT_EQ(2, descriptions.GetLength());
  descriptions.DeleteAll();
  EXPECT_EQ("Frame numbers", text(texts, "00000000000000000000000000000002"));
  EXPECT_EQ("Rear rack", text(texts, "00000000000000000000000000000021"));
  EXPECT_EQ("B", text(model->getSeriesVariable(KuvEeSerialVar::STATE)->getRevision(2)->getRev()));
  EXPECT_NE(nullptr, model->getSeriesVariable(KuvEeSerialVar::UNIT));
  KuvEeDicoObject* color = nullptr;
  ASSERT_EQ(S_OK, model->getConfigFeature(KuvInString("Color"), color));
  EXPECT_NE(nullptr, KuvEeSelectionVar::cast(*color)->getValue(KuvInString("Red")));
  KuvEeDicoObject* extras = nullptr;
  ASSERT_EQ(S_OK, model->getConfigFeature(KuvInString("Extras"), extras));
  EXPECT_NE(nullptr, KuvEeCategory::cast(*extras)->getOptionVar(KuvInString("Rack")));
}

TEST(KuvXMLV2DicoDocumentTest, BuildsAVariableSpaceWhoseVariablesGoToTheCaller) {
  KuvXMLVarSpaceSAXHandler handler;
  KuvXMLExpatParser parser;
  const std::string shortGuids = "<CfgDictionary Uuid='x&apos;0A&apos;' Name='Bike'>" + sc_good.substr(sc_good.find("<Unit"));
  ASSERT_EQ(S_OK, parser.ParseBuffer(shortGuids.data(), shortGuids.size(), handler));
  KuvEeVarSpace* raw = nullptr;
  KuvInSet variables(KuvEeDicoObject::sType());
  KuvInMapVal texts(KuvInGuid::sType(), KuvInString::sType());
  ASSERT_EQ(S_OK, handler.GetCreatedVarSpace(raw, variables, texts));
  const std::unique_ptr<KuvEeVarSpace> space(raw);
  EXPECT_EQ("0A000000000000000000000000000000", text(space->getGuid()));
  EXPECT_EQ(5, variables.GetLength());  // two series, two features, one option
  EXPECT_NE(nullptr, space->getSelectionVar(KuvInString("Color")));
  EXPECT_NE(nullptr, space->getOptionVar(KuvInString("Extras"), KuvInString("Rack")));
  EXPECT_NE(nullptr, space->getSerialVar(KuvInString("States"), KuvEeSerialVar::STATE));
  EXPECT_EQ("Paint", text(texts, "00000000000000000000000000000010"));
  variables.DeleteAll();
}

TEST(KuvXMLV2DicoDocumentTest, RefusesBadDocumentsWithTheirKinds) {
  const std::string root = "<CfgDictionary Uuid='00000000000000000000000000000001' Name='Bike'>";
  const std::string unit = "<Unit Uuid='00000000000000000000000000000002' Name='U'/>";
  const std::string revision =
      "<SeriesObject Uuid='00000000000000000000000000000004' Name='S' Revision='A' SequenceNumber='1'/>";
  const std::string red = "<Characteristic Uuid='00000000000000000000000000000011' Name='Red'/>";
  const struct {
    std::string body;
    const char* message;
  } cases[] = {
      {unit + unit, "[D8] At most one serial of each type is expected in a given dictionary"},
      {"<Unit Uuid='00000000000000000000000000000002' Name='U'>" + revision + "</Unit>",
       "[D4] ERROR: A Series Object must be inside a state or manufacturing plan."},
      {revision, "[D4] ERROR: A Series Object must be inside a state or manufacturing plan."},
      {"<State Uuid='00000000000000000000000000000003' Name='S'><SeriesObject Name='S' Revision='A' "
       "SequenceNumber='1'/></State>",
       "[D6] Series revision is not correct : missing serial or attribute."},
      {"<State Uuid='00000000000000000000000000000003' Name='S'>" + revision + revision + "</State>",
       "[D1] ERROR: Unauthorized usage of a duplicated value for Name or UUID."},
      {"<Characteristic Uuid='00000000000000000000000000000010' Name='C'>" + red + red + "</Characteristic>",
       "[D1] ERROR: Unauthorized usage of a duplicated value for Name or UUID."},
      {"<Characteristic Uuid='00000000000000000000000000000010' Name='C' IsExclusive='true'>" + red + red +
           "</Characteristic>",
       "[D1] ERROR: Unauthorized usage of a duplicated value for Name or UUID."},
      {"<Characteristic Uuid='00000000000000000000000000000010' Name='C'/>"
       "<Characteristic Uuid='00000000000000000000000000000012' Name='C'/>",
       "[D1] ERROR: Unauthorized usage of a duplicated value for Name or UUID."},
      {"<Characteristic Uuid='00000000000000000000000000000010' Name='C'><Characteristic "
       "Uuid='00000000000000000000000000000011' Name='D'>" + red + "</Characteristic></Characteristic>",
       "[D3] ERROR: Only 2 level Characteristics are currently supported: a Characteristic with one or many child "
       "characteristics."},
  };
  for (const auto& c : cases) {
    const std::string document = root + c.body + "</CfgDictionary>";
    KuvEeExpressionContext context;
    KuvXMLV2ModelDicoSAXHandler dicoReader(context);
    KuvXMLVarSpaceSAXHandler spaceReader;
    for (KuvXMLISAXHandler* handler : {static_cast<KuvXMLISAXHandler*>(&dicoReader),
                                       static_cast<KuvXMLISAXHandler*>(&spaceReader)}) {
      KuvXMLExpatParser parser;
      HRESULT read = S_OK;
      kuv_test::captured([&] { read = parser.ParseBuffer(document.data(), document.size(), *handler); });
      EXPECT_EQ(E_FAIL, read) << document;
      KuvXMLV2ParserError error;
      ASSERT_EQ(S_OK, handler->GetError(error)) << document;
      EXPECT_EQ(c.message, text(error.message)) << document;
    }
  }
  KuvXMLVarSpaceSAXHandler spaceReader;
  KuvXMLExpatParser parser;
  const std::string badGuid = "<CfgDictionary Uuid='123' Name='B'/>";
  EXPECT_TRACES(E_FAIL, "ERROR: decode_hex FAILED.", parser.ParseBuffer(badGuid.data(), badGuid.size(), spaceReader));
}

}  // namespace
