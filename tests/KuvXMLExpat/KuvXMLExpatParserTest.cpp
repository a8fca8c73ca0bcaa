#include "KuvXML.h"
#include "support/KuvTestSupport.h"

namespace {

// Writes every event it receives as one line; answers E_FAIL to the
// failAt-th event (counted from 1) when asked.
class Recorder : public KuvXMLISAXHandler {
public:
  explicit Recorder(int failAt = 0) : m_failAt(failAt) {}

  HRESULT StartDocument() override { return note("begin"); }
  HRESULT StartElement(const KuvInString& name, const KuvInMapVal& attributes) override {
    std::vector<std::string> pairs;
    for (KuvInMapVal::const_iterator it = attributes.cBegin(); !it.IsEnd();) {
      const auto* entry = it.GetEntryGoToNext();
      pairs.push_back(kuv_test::text(*entry->GetKey()) + "=" + kuv_test::text(*entry->GetVal()));
    }
    std::sort(pairs.begin(), pairs.end());
    std::string line = "<" + kuv_test::text(name);
    for (const std::string& pair : pairs) line += " " + pair;
    return note(line + ">");
  }
  HRESULT Characters(const KuvInString& text) override { return note("'" + kuv_test::text(text) + "'"); }
  HRESULT EndElement(const KuvInString& name) override { return note("</" + kuv_test::text(name) + ">"); }
  HRESULT EndDocument() override { return note("end"); }
  HRESULT Error(int line, int column, const KuvInString& message) override {
    return note("error " + position(line, column) + kuv_test::text(message));
  }
  HRESULT FatalError(int line, int column, const KuvInString& message) override {
    note("fatal " + position(line, column) + kuv_test::text(message));
    return E_FAIL;
  }

  std::vector<std::string> events;

private:
  static std::string position(int line, int column) {
    return std::to_string(line) + ":" + std::to_string(column) + " ";
  }
  HRESULT note(const std::string& event) {
    events.push_back(event);
    return static_cast<int>(events.size()) == m_failAt ? static_cast<HRESULT>(0x80070057u) : S_OK;
  }
  int m_failAt;
};

std::vector<std::string> parse(const std::string& document, KuvXMLExpatParser& parser, HRESULT expected,
                               int failAt = 0) {
  Recorder recorder(failAt);
  EXPECT_EQ(expected, parser.ParseBuffer(document.data(), document.size(), recorder)) << document;
  return recorder.events;
}

TEST(KuvXMLExpatParserTest, MapsEventsOneToOneWithoutNamespaceProcessing) {
  KuvXMLExpatParser parser;
  const std::vector<std::string> expected = {
      "begin",
      "<CfgDictionary Name=M&1 xmlns:xsi=urn:xsi xmlns=urn:x xsi:schemaLocation=urn:x d.xsd>",
      "<Series Type=Unit>", "</Series>", "'\n'", "<a>", "'\xC3\xA9t\xC3\xA9 & <more>'", "</a>",
      "</CfgDictionary>", "end"};
  EXPECT_EQ(expected,
            parse("<?xml version='1.0'?>\n"
                  "<CfgDictionary xmlns='urn:x' xmlns:xsi='urn:xsi' "
                  "xsi:schemaLocation='urn:x d.xsd' Name='M&amp;1'>"
                  "<Series Type='Unit'/>\n<a>\xC3\xA9t&#xE9; &amp; <![CDATA[<more>]]></a></CfgDictionary>",
                  parser, S_OK));
}

TEST(KuvXMLExpatParserTest, CharacterDataSplitByTheInputArrivesInOneCall) {
  // Longer than one piece of input, with lines and references that expat
  // reports separately.
  std::string text;
  for (int i = 0; text.size() < 200000; ++i) text += "line " + std::to_string(i) + " &amp; more\n";
  std::string decoded = text;
  for (std::size_t at = decoded.find("&amp;"); at != std::string::npos; at = decoded.find("&amp;", at + 1))
    decoded.replace(at, 5, "&");
  std::istringstream stream("<r>" + text + "</r>");
  KuvXMLExpatParser parser;
  Recorder recorder;
  ASSERT_EQ(S_OK, parser.ParseStream(stream, recorder));
  ASSERT_EQ(5u, recorder.events.size());
  EXPECT_EQ("'" + decoded + "'", recorder.events[2]);
}

TEST(KuvXMLExpatParserTest, AHandlerStopEndsTheParseWithItsCodeAndNoError) {
  KuvXMLExpatParser parser;
  const std::vector<std::string> events =
      parse("<r>\n  <a/>\n  <b/>\n  <c/>\n</r>", parser, static_cast<HRESULT>(0x80070057u), 5);
  const std::vector<std::string> expected = {"begin", "<r>", "'\n  '", "<a>", "</a>"};
  EXPECT_EQ(expected, events);
  EXPECT_EQ(2, parser.GetLine());
  // A failing StartDocument stops before any element.
  EXPECT_EQ(std::vector<std::string>{"begin"}, parse("<r/>", parser, static_cast<HRESULT>(0x80070057u), 1));
}

TEST(KuvXMLExpatParserTest, RefusedDocumentsReachFatalErrorWithTheirPosition) {
  const struct {
    const char* document;
    const char* fatal;
  } cases[] = {
      {"<r>\n  <a></b>\n</r>", "fatal 2:8 mismatched tag"},
      {"<r>\n\xFF</r>", "fatal 2:1 not well-formed (invalid token)"},
      {"", "fatal 1:1 no element found"},
      {"<r a='1' a='2'/>", "fatal 1:10 duplicate attribute"},
      // Billion laughs: expat's amplification limit stays on.
      {"<!DOCTYPE r [<!ENTITY a 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa'>"
       "<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
       "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'>"
       "<!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;'>"
       "<!ENTITY e '&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;'>"
       "<!ENTITY f '&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;'>]><r>&f;</r>",
       "limit on input amplification factor (from DTD and entities) breached"},
  };
  for (const auto& c : cases) {
    KuvXMLExpatParser parser;
    const std::vector<std::string> events = parse(c.document, parser, E_FAIL);
    ASSERT_FALSE(events.empty()) << c.document;
    EXPECT_NE(std::string::npos, events.back().find(c.fatal)) << c.document << " gave " << events.back();
    EXPECT_NE(0, parser.GetLine());
  }
}

TEST(KuvXMLExpatParserTest, ExternalEntitiesAreNeverRead) {
  const std::string path = testing::TempDir() + "kuv_xml_secret.txt";
  std::ofstream(path) << "SECRET";
  for (const std::string& document :
       {"<!DOCTYPE r [<!ENTITY s SYSTEM 'file://" + path + "'>]><r>&s;</r>",
        "<!DOCTYPE r SYSTEM 'file://" + path + "'><r/>",
        "<!DOCTYPE r [<!ENTITY % p SYSTEM 'file://" + path + "'> %p;]><r/>"}) {
    Recorder recorder;
    KuvXMLExpatParser parser;
    parser.ParseBuffer(document.data(), document.size(), recorder);
    for (const std::string& event : recorder.events) EXPECT_EQ(std::string::npos, event.find("SECRET")) << event;
  }
  std::remove(path.c_str());
}

TEST(KuvXMLExpatParserTest, AnUnreadableFileIsRefusedBeforeTheHandlerIsCalled) {
  Recorder recorder;
  KuvXMLExpatParser parser;
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to open file /nonexistent/kuv.xml",
                parser.ParseFile("/nonexistent/kuv.xml", recorder));
  EXPECT_TRUE(recorder.events.empty());
}

}  // namespace
