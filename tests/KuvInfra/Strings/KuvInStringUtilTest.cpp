#include "support/KuvTestSupport.h"

namespace {

// Converts an exactly sized copy of input and checks what comes back: a
// terminated, counted buffer to free, or null and a zero count.
template <class Out, class In, class Convert>
void expectConverted(const std::basic_string<In>& input, Convert convert, HRESULT result,
                     const std::basic_string<Out>& expected) {
  std::vector<In> copy(input.c_str(), input.c_str() + input.size() + 1);
  Out placeholder{};
  Out* output = &placeholder;  // must be overwritten
  std::int32_t count = -1;
  EXPECT_EQ(convert(copy.data(), static_cast<std::int32_t>(input.size()), output, count), result);
  if (result != S_OK) {
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(count, 0);
    return;
  }
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(std::basic_string<Out>(output, static_cast<size_t>(count)), expected);
  EXPECT_EQ(output[count], Out{});
  std::free(output);
}

}  // namespace

// Which sequences are malformed is MibSysUCAlgorithm's to say.
TEST(KuvInStringUtil, ConversionsGiveATerminatedBufferOrNothing) {
  const auto toUcs2 = &KuvInStringUtil::ConvertUTF8ToUCS2;
  expectConverted(std::string("a\xF0\x9F\x98\x80"), toUcs2, S_OK, std::u16string(u"a\xD83D\xDE00"));
  expectConverted(std::string(), toUcs2, S_OK, std::u16string());
  expectConverted(std::string("ab\xE2\x82"), toUcs2, E_FAIL, std::u16string());
  const auto toUtf8 = &KuvInStringUtil::ConvertUCS2ToUTF8;
  expectConverted(std::u16string(u"\xD83D\xDE00!"), toUtf8, S_OK, std::string("\xF0\x9F\x98\x80!"));
  expectConverted(std::u16string(), toUtf8, S_OK, std::string());
  expectConverted(std::u16string(u"a\xD83D"), toUtf8, E_FAIL, std::string());

  KuvUCChar* buffer = nullptr;
  std::int32_t count = -1;
  EXPECT_EQ(KuvInStringUtil::ConvertUTF8ToUCS2(nullptr, 1, buffer, count), E_FAIL);
  EXPECT_EQ(KuvInStringUtil::ConvertUTF8ToUCS2("a", -1, buffer, count), E_FAIL);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(count, 0);
  char* text = nullptr;
  EXPECT_EQ(KuvInStringUtil::ConvertUCS2ToUTF8(u"a", 0x20000000, text, count), E_FAIL);
  EXPECT_EQ(KuvInStringUtil::ConvertUCS2ToUTF8(nullptr, 1, text, count), E_FAIL);
  EXPECT_EQ(text, nullptr);
}

// The string form stops at every separator with an empty token; the char
// form skips separators and hands back no token when none is left.
TEST(KuvInStringUtil, GetNextStringStopsAtSeparatorsTheCharFormSkipsThem) {
  struct Step { std::int32_t length; const char* token; std::int32_t next; };
  struct { const char* text; std::int32_t from; Step string, chars; } steps[] = {
      {"  a \tb\n", 0, {0, nullptr, 1}, {1, "a", 4}},
      {"  a \tb\n", 2, {1, "a", 4}, {1, "a", 4}},
      {"  a \tb\n", 4, {0, nullptr, 5}, {1, "b", 7}},
      {"  a \tb\n", 5, {1, "b", 7}, {1, "b", 7}},
      {"  a \tb\n", 7, {0, nullptr, 7}, {0, nullptr, 7}},
      {"word", 0, {4, "word", 4}, {4, "word", 4}},
      {"a  \t", 1, {0, nullptr, 2}, {0, nullptr, 4}},  // only separators left: moves to the end
      {"abc", -1, {0, nullptr, -1}, {0, nullptr, -1}},
      {"abc", 3, {0, nullptr, 3}, {0, nullptr, 3}},
      {"abc", 1000, {0, nullptr, 1000}, {0, nullptr, 1000}},  // far past the terminator: nothing read
      {"", 0, {0, nullptr, 0}, {0, nullptr, 0}},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(testing::Message() << s.text << " @" << s.from);
    std::int32_t position = s.from;
    KuvInString token("previous");
    EXPECT_EQ(KuvInStringUtil::getNextString(s.text, position, token), s.string.length);
    EXPECT_EQ(token, KuvInString(s.string.token != nullptr ? s.string.token : ""));
    EXPECT_EQ(position, s.string.next);

    std::vector<char> input(s.text, s.text + std::strlen(s.text) + 1);  // exactly sized, for the sanitizer
    position = s.from;
    char placeholder = 0;
    char* chars = &placeholder;  // must be overwritten
    EXPECT_EQ(KuvInCharUtil::getNextString(input.data(), position, chars), s.chars.length);
    if (s.chars.token == nullptr) {
      EXPECT_EQ(chars, nullptr);
    } else {
      ASSERT_NE(chars, nullptr);
      EXPECT_STREQ(chars, s.chars.token);
      std::free(chars);
    }
    EXPECT_EQ(position, s.chars.next);
  }
  std::int32_t position = 0;
  char* token = nullptr;
  EXPECT_EQ(KuvInCharUtil::getNextString(nullptr, position, token), 0);
}

using kuv_test::textsOf;

TEST(KuvInStringUtil, SplitAroundSpacesKeepsOnlyNonEmptyRuns) {
  using Texts = std::vector<std::string>;
  struct { const char* text; Texts runs; } cases[] = {
      {"  a \tb\n", {"a", "b"}},
      {"", {}},
      {" \t\n ", {}},
      {"one", {"one"}},
      {"x\r y", {"x\r", "y"}},  // a carriage return is part of a run
  };
  for (const auto& c : cases) {
    KuvInListVal strings(KuvInString::sType());
    strings.PutBack(KuvInString("stale"));
    EXPECT_EQ(KuvInStringUtil::splitAroundSpaces(c.text, strings), S_OK) << c.text;
    EXPECT_EQ(textsOf(strings), c.runs) << c.text;

    KuvInListVal chars(KuvInStringChar::sType());
    chars.PutBack(KuvInStringChar("stale"));
    EXPECT_EQ(KuvInCharUtil::splitAroundSpaces(c.text, chars), S_OK) << c.text;
    EXPECT_EQ(textsOf(chars), c.runs) << c.text;
    for (std::int32_t i = 0; i < chars.GetLength(); ++i)
      EXPECT_NE(KuvInStringChar::cast(*chars.Get(i)), nullptr);
  }
  KuvInListVal wrong(KuvInStringChar::sType());
  wrong.PutBack(KuvInStringChar("kept"));
  EXPECT_EQ(KuvInStringUtil::splitAroundSpaces("a b", wrong), E_FAIL);
  KuvInListVal alsoWrong(KuvInString::sType());
  EXPECT_EQ(KuvInCharUtil::splitAroundSpaces("a b", alsoWrong), E_FAIL);
  EXPECT_EQ(textsOf(wrong), std::vector<std::string>{"kept"});
}

// An exchange sort of neighbours is stable: it agrees with std::stable_sort.
TEST(KuvInStringUtil, SortStringListAgreesWithAStableSortBySortCompare) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> letter(0, 3), length(0, 3), count(0, 12);
  const char letters[] = {'a', 'A', 'b', 'B'};
  for (int round = 0; round < 200; ++round) {
    KuvInLinkListVal list(KuvInString::sType());
    std::vector<KuvInString> model;
    for (int n = count(random); n > 0; --n) {
      std::string word;
      for (int k = length(random); k > 0; --k) word += letters[letter(random)];
      list.PutBack(KuvInString(word.c_str()));
      model.emplace_back(word.c_str());
    }
    std::vector<const KuvInObjectVal*> copies;
    for (std::int32_t i = 0; i < list.GetLength(); ++i) copies.push_back(list.Get(i));
    ASSERT_EQ(KuvInStringUtil::sortStringList(list), S_OK);
    std::stable_sort(model.begin(), model.end(),
                     [](const KuvInString& a, const KuvInString& b) { return a.SortCompare(b) < 0; });
    ASSERT_EQ(list.GetLength(), static_cast<std::int32_t>(model.size()));
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      ASSERT_EQ(*KuvInString::cast(*list.Get(i)), model[static_cast<size_t>(i)]) << round;
      // Moved, not copied: every stored copy is still one of the originals.
      ASSERT_NE(std::find(copies.begin(), copies.end(), list.Get(i)), copies.end());
    }
  }
}

// Empty and one-string lists are the random test's.
TEST(KuvInStringUtil, SortStringListRefusesAnythingButStrings) {
  KuvInLinkListVal numbers(KuvInIntHolder::sType());
  numbers.PutBack(KuvInIntHolder(2));
  numbers.PutBack(KuvInIntHolder(1));
  EXPECT_EQ(KuvInStringUtil::sortStringList(numbers), E_FAIL);

  KuvInLinkListVal mixed;  // accepts everything, so holds a number among strings
  mixed.PutBack(KuvInString("b"));
  mixed.PutBack(KuvInString("a"));
  mixed.PutBack(KuvInIntHolder(1));
  EXPECT_EQ(KuvInStringUtil::sortStringList(mixed), E_FAIL);
  EXPECT_EQ(*KuvInString::cast(*mixed.Get(0)), KuvInString("b"));
}
