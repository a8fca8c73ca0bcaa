#include "support/KuvTestSupport.h"

TEST(KuvInStringChar, DigitsCountTheMinusSign) {
  struct { int n; int digits; } cases[] = {
      {0, 1}, {9, 1}, {-5, 2}, {-9, 2}, {10, 2}, {99, 2}, {100, 3}, {-100, 4},
      {2147483647, 10}, {-2147483647 - 1, 11}};
  for (auto c : cases) EXPECT_EQ(KuvInStringChar::getDigits(c.n), c.digits) << c.n;
}

TEST(KuvInStringChar, AppendConcatenatesInOrderIncludingItself) {
  KuvInStringChar s("ab");
  s.Append(KuvInStringChar("c"), KuvInStringChar(""), KuvInStringChar("de"));
  EXPECT_STREQ(s.getChars(), "abcde");
  EXPECT_EQ(s.GetLength(), 5);
  s.Append(s);
  EXPECT_STREQ(s.getChars(), "abcdeabcde");
  EXPECT_EQ(s.GetLength(), 10);
}

TEST(KuvInStringChar, BuildFromNumHashAndEquality) {
  KuvInStringChar s("x");
  EXPECT_EQ(s.BuildFromNum(-2147483647 - 1), S_OK);
  EXPECT_STREQ(s.getChars(), "-2147483648");
  EXPECT_EQ(s.GetLength(), 11);
  KuvInStringChar a("abc"), b("abc"), c("abd");
  EXPECT_TRUE(a.equals(b));
  EXPECT_FALSE(a.equals(c));
  EXPECT_EQ(a.hash(), KuvInObjectVal::ComputeBinHash("abc", 3));
  KuvInObjectVal& copy = a.clone();
  EXPECT_TRUE(copy.equals(a));
  delete &copy;
}
