#include "support/KuvTestSupport.h"

// Compare: 2 identical, 1 equal but for case, 0 different. SortCompare
// ignores case first and breaks ties by it (order: the sign of a against b).
TEST(OrbUnicodeString, CompareAndSortCompareTellCaseOnlyDifferences) {
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  struct { const char* a; const char* b; int compare, order; } cases[] = {
      {"abc", "abc", 2, 0},
      {"", "", 2, 0},
      {"abc", "ABC", 1, 1},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", 1, 1},  // été / ÉTÉ
      {"\xCE\xB1", "\xCE\x91", 1, 1},                       // Greek alpha
      {"\xD0\xB6", "\xD0\x96", 1, 1},                       // Cyrillic zhe
      {"\xC3\xBF", "\xC5\xB8", 1, -1},                      // ÿ / Ÿ
      {"abc", "abd", 0, -1},
      {"abc", "ab", 0, 1},
      {"a", "", 0, 1},
      {"[", "{", 0, -1},           // 0x5B and 0x7B differ by 32 but are not letters
      {"apple", "Banana", 0, -1},  // the plain operator< would put "B" first
      {"ABC", "abd", 0, -1},
  };
  for (const auto& c : cases) {
    const OrbUnicodeString a(c.a), b(c.b);
    EXPECT_EQ(a.Compare(b), c.compare) << c.a << " / " << c.b;
    EXPECT_EQ(b.Compare(a), c.compare) << c.b << " / " << c.a;
    EXPECT_EQ(sign(a.SortCompare(b)), c.order) << c.a << " / " << c.b;
    EXPECT_EQ(sign(b.SortCompare(a)), -c.order) << c.b << " / " << c.a;
  }
}

TEST(OrbUnicodeString, ConvertToNumRefusesWhatDoesNotFitAnInt) {
  struct { const char* text; int result; int value; } cases[] = {
      {"42", 1, 42},
      {"  7", 1, 7},
      {"12abc", 1, 12},
      {"2147483647", 1, 2147483647},
      {"-2147483648", 1, -2147483647 - 1},
      {"2147483648", 0, -99},
      {"-2147483649", 0, -99},
      {"99999999999999999999999", 0, -99},
      {"abc", 0, -99},
  };
  for (const auto& c : cases) {
    int value = -99;
    EXPECT_EQ(OrbUnicodeString(c.text).ConvertToNum(value, "%d"), c.result) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  int hex = 0;
  EXPECT_EQ(OrbUnicodeString("ff").ConvertToNum(hex, "%x"), 1);
  EXPECT_EQ(hex, 255);
  EXPECT_EQ(OrbUnicodeString("1").ConvertToNum(hex, nullptr), 0);
}

TEST(OrbUnicodeString, MalformedEightBitInputBecomesReplacementCharacters) {
  OrbUnicodeString s("a\xC3(b\x80");
  EXPECT_EQ(s.units(), std::u16string(u"a\uFFFD(b\uFFFD"));
  EXPECT_STREQ(s.ConvertToChar(), "a\xEF\xBF\xBD(b\xEF\xBF\xBD");
  OrbUnicodeString lone(std::u16string(u"x\xD800y"));
  EXPECT_STREQ(lone.ConvertToChar(), "x\xEF\xBF\xBDy");
}

TEST(OrbUnicodeString, EightBitViewFollowsEveryChange) {
  OrbUnicodeString s("ab");
  EXPECT_STREQ(s.ConvertToChar(), "ab");
  s.Append(OrbUnicodeString("\xE2\x82\xAC"));
  EXPECT_STREQ(s.ConvertToChar(), "ab\xE2\x82\xAC");
  EXPECT_EQ(s.GetLengthInChar(), 3);
  EXPECT_EQ(s.GetLengthInByte(), 6);
  s.Insert(0, OrbUnicodeString("<"));
  EXPECT_STREQ(s.ConvertToChar(), "<ab\xE2\x82\xAC");
  s.Remove(1, 2);
  EXPECT_STREQ(s.ConvertToChar(), "<\xE2\x82\xAC");
  s.ReplaceAll(OrbUnicodeString("<"), OrbUnicodeString("[["));
  EXPECT_STREQ(s.ConvertToChar(), "[[\xE2\x82\xAC");
  s = "z";
  EXPECT_STREQ(s.ConvertToChar(), "z");
  OrbUnicodeString copy(s);
  copy.BuildFromNum(12, "%d");
  EXPECT_STREQ(copy.ConvertToChar(), "12");
  EXPECT_STREQ(s.ConvertToChar(), "z");
}

TEST(OrbUnicodeString, OutOfRangePositionsAreClampedOrRefused) {
  OrbUnicodeString s("hello");
  EXPECT_EQ(s.SubString(3, 100).units(), u"lo");
  EXPECT_EQ(s.SubString(9, 1).units(), u"");
  EXPECT_EQ(s.SubString(1, -1).units(), u"");
  EXPECT_EQ(s.Insert(6, OrbUnicodeString("x")), 0);
  EXPECT_EQ(s.Insert(-1, OrbUnicodeString("x")), 0);
  EXPECT_EQ(s.ReplaceSubString(6, 1, OrbUnicodeString("x")), 0);
  EXPECT_EQ(s.ReplaceSubString(2, -1, OrbUnicodeString("x")), 0);
  s.Remove(7, 1);
  s.Remove(-1, 1);
  EXPECT_EQ(s.units(), u"hello");
  EXPECT_EQ(s.SearchSubString(OrbUnicodeString("l"), 99), -1);
  EXPECT_EQ(s.SearchSubString(OrbUnicodeString("l"), -1, false), -1);
  EXPECT_EQ(s.SearchSubString(OrbUnicodeString("l"), 99, false), 3);
  EXPECT_EQ(s.ReplaceAll(OrbUnicodeString(""), OrbUnicodeString("x")), 0);
  EXPECT_EQ(s.BuildFromUCChar(nullptr, 2), 0);
  EXPECT_EQ(s.BuildFromUCChar(u"ab", -1), 0);
  EXPECT_EQ(s.units(), u"hello");
}
