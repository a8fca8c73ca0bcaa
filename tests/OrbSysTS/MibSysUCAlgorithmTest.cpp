#include "support/KuvTestSupport.h"

namespace {

struct Utf8Result { std::u16string units; int consumed; };

Utf8Result toUcs2(const std::string& bytes, int capacity = -1) {
  std::vector<KuvUCChar> out(bytes.size() + 1);
  if (capacity < 0) capacity = static_cast<int>(out.size());
  int consumed = -1;
  int n = MibSysUCAlgorithm::ConvertUTF8ToUCS2(bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                               capacity, consumed);
  return {std::u16string(out.data(), static_cast<size_t>(n)), consumed};
}

struct Ucs2Result { std::string bytes; int consumed; };

Ucs2Result toUtf8(const std::u16string& units, int capacity = -1) {
  std::vector<char> out(units.size() * 4 + 1);
  if (capacity < 0) capacity = static_cast<int>(out.size());
  int consumed = -1;
  int n = MibSysUCAlgorithm::ConvertUCS2ToUTF8(units.data(), static_cast<int>(units.size()), out.data(),
                                               capacity, consumed);
  return {std::string(out.data(), static_cast<size_t>(n)), consumed};
}

}  // namespace

// Accepting a common malformed sequence breaks the random-bytes round trip
// below; the table pins where decoding stops and the rare forms.
TEST(MibSysUCAlgorithm, MalformedUtf8StopsBeforeTheBadSequence) {
  struct { const char* name; std::string bytes; int consumed; std::u16string units; } cases[] = {
      {"overlong three-byte", "a\xE0\x80\xAF", 1, u"a"},
      {"truncated two-byte", "ab\xC3", 2, u"ab"},
      {"truncated three-byte", "a\xE2\x82", 1, u"a"},
      {"stray continuation after text", "ab\xBFz", 2, u"ab"},
      {"lead without continuation", "\xC3z", 0, u""},
      {"encoded high surrogate", "x\xED\xA0\x80", 1, u"x"},
      {"encoded low surrogate", "\xED\xBF\xBF", 0, u""},
      {"overlong four-byte", "\xF0\x80\x80\xAF", 0, u""},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0, u""},
  };
  for (const auto& c : cases) {
    Utf8Result r = toUcs2(c.bytes);
    EXPECT_EQ(r.consumed, c.consumed) << c.name;
    EXPECT_EQ(r.units, c.units) << c.name;
  }
}

// Each row's bytes also decode back to the units converted: the edges of
// every length, both ways.
TEST(MibSysUCAlgorithm, EdgesConvertBothWaysAndUnpairedSurrogatesStop) {
  struct { const char* name; std::u16string units; int consumed; std::string bytes; } cases[] = {
      {"pair", u"a\xD83D\xDE00", 3, "a\xF0\x9F\x98\x80"},
      {"high at end", u"a\xD83D", 1, "a"},
      {"high before a letter", u"\xD83Dz", 0, ""},
      {"lone low", u"ab\xDE00", 2, "ab"},
      {"empty", u"", 0, ""},
      {"BMP edge", u"\u007F\u0080\u07FF\u0800\uFFFF", 5, "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
      {"U+10000, U+10FFFF", u"\xD800\xDC00\xDBFF\xDFFF", 4, "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
  };
  for (const auto& c : cases) {
    Ucs2Result r = toUtf8(c.units);
    EXPECT_EQ(r.consumed, c.consumed) << c.name;
    EXPECT_EQ(r.bytes, c.bytes) << c.name;
    EXPECT_EQ(toUcs2(c.bytes).units, c.units.substr(0, static_cast<size_t>(c.consumed))) << c.name;
  }
}

TEST(MibSysUCAlgorithm, ShortOutputLeavesInputUnconsumedWithoutSplittingACharacter) {
  Utf8Result pair = toUcs2("a\xF0\x9F\x98\x80", 2);
  EXPECT_EQ(pair.consumed, 1);
  EXPECT_EQ(pair.units, u"a");
  Ucs2Result euro = toUtf8(u"a\u20AC", 3);
  EXPECT_EQ(euro.consumed, 1);
  EXPECT_EQ(euro.bytes, "a");
}

TEST(MibSysUCAlgorithm, NullOrNegativeInputConvertsNothing) {
  KuvUCChar units[4];
  char bytes[8];
  int consumed = -1;
  EXPECT_EQ(MibSysUCAlgorithm::ConvertUTF8ToUCS2(nullptr, 3, units, 4, consumed), 0);
  EXPECT_EQ(consumed, 0);
  EXPECT_EQ(MibSysUCAlgorithm::ConvertUTF8ToUCS2("abc", -1, units, 4, consumed), 0);
  EXPECT_EQ(MibSysUCAlgorithm::ConvertUTF8ToUCS2("abc", 3, nullptr, 4, consumed), 0);
  EXPECT_EQ(consumed, 0);
  EXPECT_EQ(MibSysUCAlgorithm::ConvertUCS2ToUTF8(nullptr, 3, bytes, 8, consumed), 0);
  EXPECT_EQ(MibSysUCAlgorithm::ConvertUCS2ToUTF8(u"abc", 3, nullptr, 8, consumed), 0);
  EXPECT_EQ(consumed, 0);
}

// Any sequence of valid code points survives UCS-2 -> UTF-8 -> UCS-2.
TEST(MibSysUCAlgorithm, ValidTextRoundTrips) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::uint32_t> pick(0, 0x10FFFF);
  std::uniform_int_distribution<int> length(0, 12);
  for (int round = 0; round < 500; ++round) {
    std::u16string units;
    for (int i = length(random); i > 0; --i) {
      std::uint32_t cp = pick(random);
      if (round % 2 == 0) cp &= 0x7FF;  // favour the short forms half of the time
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;
      if (cp >= 0x10000) {
        units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        units += static_cast<char16_t>(cp);
      }
    }
    Ucs2Result utf8 = toUtf8(units);
    ASSERT_EQ(utf8.consumed, static_cast<int>(units.size()));
    Utf8Result back = toUcs2(utf8.bytes);
    ASSERT_EQ(back.consumed, static_cast<int>(utf8.bytes.size()));
    ASSERT_EQ(back.units, units);
  }
}

// Random bytes: whatever prefix is accepted converts back to the same bytes.
TEST(MibSysUCAlgorithm, AcceptedPrefixOfRandomBytesRoundTrips) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 1000; ++round) {
    std::string bytes;
    for (int i = 0; i < 8; ++i) {
      int b = byte(random);
      if (round % 3 == 0) b |= 0x80;  // only lead and continuation bytes: more multi-byte forms
      bytes += static_cast<char>(b);
    }
    Utf8Result r = toUcs2(bytes);
    ASSERT_GE(r.consumed, 0);
    ASSERT_LE(r.consumed, 8);
    Ucs2Result back = toUtf8(r.units);
    ASSERT_EQ(back.bytes, bytes.substr(0, static_cast<size_t>(r.consumed)));
  }
}
