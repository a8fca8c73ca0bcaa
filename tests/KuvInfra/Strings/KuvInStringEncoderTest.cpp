#include "support/KuvTestSupport.h"

namespace {

KuvInStringEncoder quoting(const char* open, const char* close, const char* escape) {
  KuvInStringEncoder encoder;
  encoder.setStringifier(open, close);
  encoder.setEscape(escape);
  return encoder;
}

}  // namespace

TEST(KuvInStringEncoder, MultiCharacterClosingIsEscapedBeforeItsLastCharacter) {
  struct { const char* text; const char* encoded; } cases[] = {
      {"x]]y", "[[x]\\]y]]"},
      {"a\\]]", "[[a\\\\]\\]]]"},
      {"]]]]", "[[]\\]]\\]]]"},
      {"]", "[[]]]"},  // half a closing stringifier needs nothing
  };
  KuvInStringEncoder encoder = quoting("[[", "]]", "\\");
  for (const auto& c : cases) EXPECT_EQ(encoder.forceEncode(c.text), KuvInString(c.encoded)) << c.text;
  // Without an escape the text is only wrapped.
  EXPECT_EQ(quoting("<", ">", "").forceEncode("a>b"), KuvInString("<a>b>"));
}

TEST(KuvInStringEncoder, EncodesOnlyWhenASymbolOccurs) {
  KuvInStringEncoder encoder = quoting("'", "'", "\\");
  EXPECT_EQ(encoder.addSymbol(" "), S_OK);
  EXPECT_EQ(encoder.addSymbol("and"), S_OK);
  EXPECT_EQ(encoder.addSymbol("and"), E_FAIL);
  EXPECT_EQ(encoder.addSymbol(""), E_FAIL);
  EXPECT_EQ(encoder.addSymbol("\u2265="), S_OK);  // a symbol beyond ASCII
  struct { const char* text; bool needed;
  } cases[] = {
      {"Engine", false}, {"V8 Engine", true}, {"Band", true},      {"AND", false},
      {"", false},       {"it's", false},     {"x\u2265=1", true}, {"x\u2265\u2264=1", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(encoder.isEncodeNeeded(c.text), c.needed) << c.text;
    EXPECT_EQ(encoder.encode(c.text), c.needed ? encoder.forceEncode(c.text) : KuvInString(c.text)) << c.text;
  }
  EXPECT_EQ(encoder.encode("it's big"), KuvInString("'it\\'s big'"));

  encoder.clear();
  EXPECT_FALSE(encoder.isEncodeNeeded("V8 Engine"));
  EXPECT_EQ(encoder.forceEncode("a'b\\"), KuvInString("a'b\\"));
  EXPECT_EQ(encoder.addSymbol("and"), S_OK);
}

// With a one-character quote and a distinct escape the encoding is
// unambiguous: reading escape pairs back gives the original text, so escapes
// and quotes inside are escaped and the text is wrapped.
TEST(KuvInStringEncoder, QuotedTextDecodesBackToTheOriginal) {
  KuvInStringEncoder encoder = quoting("\"", "\"", "\\");
  std::mt19937 random(11);
  std::uniform_int_distribution<int> pick(0, 2);
  const char alphabet[] = {'a', '"', '\\'};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (int i = round % 9; i > 0; --i) text += alphabet[pick(random)];
    std::string encoded = encoder.forceEncode(text.c_str()).ConvertToChar();
    ASSERT_GE(encoded.size(), 2u);
    ASSERT_EQ(encoded.front(), '"');
    ASSERT_EQ(encoded.back(), '"');
    std::string decoded;
    for (size_t i = 1; i + 1 < encoded.size(); ++i) {
      bool escaped = encoded[i] == '\\';
      if (escaped) ++i;  // an escape always has a follower inside the quotes
      ASSERT_LT(i + 1, encoded.size()) << encoded;
      ASSERT_TRUE(escaped || encoded[i] != '"') << "unescaped quote in " << encoded;
      decoded += encoded[i];
    }
    ASSERT_EQ(decoded, text) << encoded;
  }
}
