#include "support/KuvTestSupport.h"

TEST(KuvInString, SubStringTakesFromUpToNotIncludingTo) {
  KuvInString s("abcdef");
  struct { int from; int to; const char* expected; } cases[] = {
      {2, 2, ""},        {0, 6, "abcdef"}, {1, 3, "bc"},      {4, 2, ""},
      {5, 99, "f"},      {6, 7, ""},       {-3, 2, "ab"},     {-1, INT_MAX, "abcdef"},
      {INT_MIN, 1, "a"}, {3, INT_MIN, ""},
  };
  for (auto c : cases)
    EXPECT_EQ(s.SubString(c.from, c.to), KuvInString(c.expected)) << c.from << ".." << c.to;
}

TEST(KuvInString, InsertRefusesPositionsOutsideTheString) {
  KuvInString s("ac");
  EXPECT_EQ(s.Insert(-1, "x"), E_FAIL);
  EXPECT_EQ(s.Insert(3, "x"), E_FAIL);
  EXPECT_EQ(s, KuvInString("ac"));
  EXPECT_EQ(s.Insert(1, "b"), S_OK);
  EXPECT_EQ(s.Insert(0, "<"), S_OK);
  EXPECT_EQ(s.Insert(4, ">"), S_OK);
  EXPECT_EQ(s, KuvInString("<abc>"));
}

// Which characters differ only by case is OrbUnicodeString's to say.
TEST(KuvInString, EqualityWithAndWithoutCaseAndByKind) {
  const KuvInString s("Engine");
  EXPECT_TRUE(s.IsEqual("Engine", false));
  EXPECT_FALSE(s.IsEqual("engine", false));
  EXPECT_TRUE(s.IsEqual("engine", true));
  EXPECT_FALSE(s.IsEqual("Engines", true));
  EXPECT_FALSE(KuvInString("5").equals(KuvInStringChar("5")));
  EXPECT_FALSE(KuvInString("5").equals(KuvInIntHolder(5)));
  EXPECT_FALSE(KuvInString("5").equals(KuvInString("5 ")));
  EXPECT_EQ(s.toString(), s);
}

TEST(KuvInString, SearchesForwardBackwardAndAtAPosition) {
  KuvInString s("abcabcab");
  struct { const char* what; int start; int forward; int backward; } cases[] = {
      {"ab", 0, 0, 0},  {"ab", 1, 3, 0},    {"ab", 6, 6, 6},  {"ab", 7, -1, 6},
      {"ab", 99, -1, 6}, {"ab", -5, 0, -1}, {"cab", 0, 2, -1}, {"xyz", 0, -1, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(s.SearchSubString(c.what, c.start), c.forward) << c.what << " from " << c.start;
    EXPECT_EQ(s.SearchSubStringBackward(c.what, c.start), c.backward) << c.what << " from " << c.start;
  }
  EXPECT_EQ(s.SearchSubStringBackward("cab", 5), 5);
  EXPECT_TRUE(s.IsSubStringAt(3, "abc"));
  EXPECT_FALSE(s.IsSubStringAt(1, "abc"));  // a later occurrence does not count
  EXPECT_FALSE(s.IsSubStringAt(-1, "a"));
  EXPECT_FALSE(s.IsSubStringAt(7, "bc"));
}

TEST(KuvInString, ReplaceAllReplaceSubStringAndReplaceRange) {
  KuvInString s("a.b.c");
  EXPECT_EQ(s.ReplaceAll(".", "::"), 2);
  EXPECT_EQ(s, KuvInString("a::b::c"));
  EXPECT_EQ(s.ReplaceAll("?", "!"), 0);
  EXPECT_EQ(s.ReplaceAll("", "!"), 0);
  EXPECT_EQ(s, KuvInString("a::b::c"));
  // Replacements are not rescanned: "aa" -> "a" once per original pair.
  KuvInString twice("aaaa");
  EXPECT_EQ(twice.ReplaceAll("aa", "a"), 2);
  EXPECT_EQ(twice, KuvInString("aa"));

  EXPECT_EQ(s.ReplaceSubString("::", "-"), 1);
  EXPECT_EQ(s, KuvInString("a-b::c"));
  EXPECT_EQ(s.ReplaceSubString("#", "-"), 0);

  KuvInString r("0123456");
  r.ReplaceRange("xy", 2, 3);
  EXPECT_EQ(r, KuvInString("01xy56"));
  r.ReplaceRange("!", 6, 0);
  EXPECT_EQ(r, KuvInString("01xy56!"));
  r.ReplaceRange("tail", 5, 100);
  EXPECT_EQ(r, KuvInString("01xy5tail"));
  EXPECT_EQ(r.ReplaceRange("z", 42, 1), 0);
  EXPECT_EQ(r, KuvInString("01xy5tail"));
}

TEST(KuvInString, NumbersInAndOut) {
  EXPECT_EQ(KuvInString::FromNum(-42), KuvInString("-42"));
  EXPECT_EQ(KuvInString::FromNum(7, "%03d"), KuvInString("007"));
  EXPECT_EQ(KuvInString::FromDouble(2.5, "%.2f"), KuvInString("2.50"));
  EXPECT_EQ(KuvInString::FromNum(7, nullptr), KuvInString());
  EXPECT_EQ(KuvInString::FromDouble(1.0, nullptr), KuvInString());

  KuvInString s("keep");
  EXPECT_LT(s.BuildFromNum(1, nullptr), 0);
  EXPECT_EQ(s, KuvInString("keep"));

  int value = 0;
  EXPECT_EQ(KuvInString("123").ConvertToNum(value), S_OK);
  EXPECT_EQ(value, 123);
  EXPECT_EQ(KuvInString("x").ConvertToNum(value), E_FAIL);
  EXPECT_EQ(value, 123);
}

TEST(KuvInString, EqualTextsHashEqualHoweverBuilt) {
  KuvInString fromUtf8("d\xC3\xA9j\xC3\xA0");
  KuvInString fromUcs2(u"d\u00E9j\u00E0");
  KuvUCChar buffer[] = {u'd', 0xE9, u'j', 0xE0, u'!'};
  KuvInString fromBuffer(buffer, 4);
  KuvInString appended("d");
  appended.Append("\xC3\xA9", "", "j", "\xC3\xA0");
  KuvInString assigned;
  assigned = u"d\u00E9j\u00E0";
  for (const KuvInString* s : {&fromUcs2, &fromBuffer, &appended, &assigned}) {
    EXPECT_EQ(*s, fromUtf8);
    EXPECT_TRUE(s->equals(fromUtf8));
    EXPECT_EQ(s->hash(), fromUtf8.hash());
  }
  EXPECT_EQ(fromUtf8.GetLengthInChar(), 4);
  EXPECT_STREQ(fromBuffer.ConvertToChar(), "d\xC3\xA9j\xC3\xA0");
  EXPECT_NE(KuvInString("ab").hash(), KuvInString("ba").hash());
  EXPECT_EQ(fromBuffer.BuildFromUCChar(nullptr, 1), E_FAIL);
  EXPECT_EQ(fromBuffer.BuildFromUCChar(buffer, 5), S_OK);
  EXPECT_EQ(fromBuffer, KuvInString("d\xC3\xA9j\xC3\xA0!"));
}

TEST(KuvInString, AppendTakesUpToEightPartsAndItself) {
  KuvInString s("0");
  s.Append("1", "2", "3", "4", "5", "6", "7", "8");
  EXPECT_EQ(s, KuvInString("012345678"));
  s.Append(s);
  EXPECT_EQ(s, KuvInString("012345678012345678"));
}

using kuv_test::textsOf;

TEST(KuvInString, SplitKeepsEmptyPieces) {
  using Texts = std::vector<std::string>;
  struct { const char* text; const char* separator; Texts pieces; } cases[] = {
      {"a,,b", ",", {"a", "", "b"}},
      {"abc", ",", {"abc"}},
      {"", ",", {""}},
      {",a,", ",", {"", "a", ""}},
      {"a::b::", "::", {"a", "b", ""}},
      {"aaa", "aa", {"", "a"}},
  };
  for (const auto& c : cases) {
    KuvInListVal list(KuvInString::sType());
    list.PutBack(KuvInString("stale"));
    EXPECT_EQ(KuvInString(c.text).Split(c.separator, list), S_OK) << c.text;
    EXPECT_EQ(textsOf(list), c.pieces) << c.text;
  }
  KuvInListVal numbers(KuvInIntHolder::sType());
  numbers.PutBack(KuvInIntHolder(1));
  EXPECT_EQ(KuvInString("a,b").Split(",", numbers), E_FAIL);
  KuvInListVal list(KuvInString::sType());
  list.PutBack(KuvInString("kept"));
  EXPECT_EQ(KuvInString("a,b").Split("", list), E_FAIL);
  EXPECT_EQ(numbers.GetLength(), 1);
  EXPECT_EQ(textsOf(list), std::vector<std::string>{"kept"});
}
