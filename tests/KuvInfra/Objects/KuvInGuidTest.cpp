#include "support/KuvTestSupport.h"

namespace {

KuvInGuid guidOf(std::initializer_list<unsigned char> prefix) {
  unsigned char bytes[16] = {};
  int i = 0;
  for (unsigned char b : prefix) bytes[i++] = b;
  return KuvInGuid(bytes);
}

}  // namespace

TEST(KuvInGuid, TextIsUpperCaseHexInMemoryOrderAndTheZeroGuidIsNotValuated) {
  unsigned char bytes[16] = {0x00, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD,
                             0xEF, 0x10, 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54};
  EXPECT_EQ(KuvInGuid(bytes).toString(), KuvInString("000123456789ABCDEF10FEDCBA987654"));
  KuvInGuid zero;
  EXPECT_FALSE(zero.IsValuated());
  EXPECT_EQ(zero.toString(), KuvInString("00000000000000000000000000000000"));
  EXPECT_EQ(KuvInGuid(nullptr), zero);
  EXPECT_TRUE(guidOf({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}).IsValuated());
}

TEST(KuvInGuid, HashIsTheXorOfLittleEndianWords) {
  unsigned char bytes[16] = {0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0x01, 0, 0, 0, 0, 0xFF};
  KuvInGuid g(bytes);
  EXPECT_EQ(g.hash(), 0x12345678u ^ 0x00010000u ^ 0xFF000000u);
  EXPECT_EQ(KuvInGuid().hash(), 0u);
}

// Ordering is by unsigned bytes from the first, so it agrees with the texts
// (bytes above 0x7F included).
TEST(KuvInGuid, OrderAndEqualityAgreeWithTheTexts) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> byte(0, 3);  // few values: equal prefixes are common
  for (int round = 0; round < 500; ++round) {
    unsigned char a[16], b[16];
    for (int i = 0; i < 16; ++i) {
      a[i] = static_cast<unsigned char>(byte(random) * 0x55);
      b[i] = i < round % 17 ? a[i] : static_cast<unsigned char>(byte(random) * 0x55);
    }
    KuvInGuid ga(a), gb(b);
    KuvInString ta = ga.toString(), tb = gb.toString();
    ASSERT_EQ(ga == gb, ta == tb);
    ASSERT_EQ(ga != gb, ta != tb);
    ASSERT_EQ(ga < gb, ta < tb);
    ASSERT_EQ(ga <= gb, ta <= tb);
    if (ga == gb) {
      ASSERT_EQ(ga.hash(), gb.hash());
    }
  }
}

TEST(KuvInGuid, CopiesAndValueOperations) {
  KuvInGuid a = guidOf({1, 2, 3});
  KuvInGuid b = a;
  b.setArray(nullptr);  // refused, unchanged
  EXPECT_EQ(b, a);
  EXPECT_FALSE(a.equals(KuvInIntHolder(1)));
  std::unique_ptr<KuvInObjectVal> copy(&a.clone());
  EXPECT_TRUE(copy->equals(a));
}
