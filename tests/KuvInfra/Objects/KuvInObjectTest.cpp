#include "support/KuvTestSupport.h"

TEST(KuvInObjectType, IsaFollowsParentsAndNameHashes) {
  KuvInObjectTypeClass* holder = KuvInIntHolder::sType();
  KuvInObjectTypeClass* val = KuvInObjectVal::sType();
  EXPECT_TRUE(KuvInObjectTypeClass::isa(holder, val));
  EXPECT_FALSE(KuvInObjectTypeClass::isa(val, holder));
  EXPECT_TRUE(KuvInObjectTypeClass::isa(nullptr, nullptr));
  EXPECT_TRUE(KuvInObjectTypeClass::isa(holder, nullptr));
  EXPECT_FALSE(KuvInObjectTypeClass::isa(nullptr, holder));
  // A distinct type class with the same name is the same type for isa...
  KuvInObjectTypeClass twin("KuvInObjectVal", nullptr);
  EXPECT_TRUE(holder->isa(&twin));
  // ...but never for cast, which compares identities.
  KuvInIntHolder five(5);
  EXPECT_EQ(twin.cast(five), nullptr);
  EXPECT_EQ(KuvInObjectVal::sType()->cast(five), &five);
  EXPECT_EQ(KuvInSignedIntHolder::cast(five), nullptr);  // a sibling
}

TEST(KuvInObjectHash, ByteAndIntegerHashesAreBitExact) {
  unsigned char byte128 = 128;
  EXPECT_EQ(KuvInObjectVal::ComputeBinHash(&byte128, 1), 2147483520u);
  EXPECT_EQ(KuvInObjectVal::ComputeBinHash("ab", 0), 0u);
  EXPECT_EQ(KuvInObject::hashUINT32(1), 2938272695u);
  EXPECT_EQ(KuvInObject::hashUINT32(123456789), 3818547749u);
  EXPECT_EQ(KuvInObject::hashUINT32(0), 0u);
  EXPECT_EQ(KuvInObject::hashPointer(nullptr), 0u);
}

TEST(KuvInHolders, EqualityIsByClassAndValue) {
  KuvInIntHolder u5(5), u5b(5), u6(6);
  KuvInSignedIntHolder s5(5);
  EXPECT_TRUE(u5.equals(u5b));
  EXPECT_FALSE(u5.equals(u6));
  EXPECT_FALSE(u5.equals(s5));
  EXPECT_FALSE(s5.equals(u5));
  EXPECT_TRUE(u5 < u6);
  EXPECT_TRUE(KuvInSignedIntHolder(-1) < KuvInSignedIntHolder(0));
  EXPECT_FALSE(KuvInIntHolder(0xFFFFFFFFu) < KuvInIntHolder(0));

  int a = 0, b = 0;
  KuvInObjectPtr pa(&u5), pa2(&u5), pb(&u5b);
  EXPECT_TRUE(pa.equals(pa2));
  EXPECT_FALSE(pa.equals(pb));  // equal contents, different objects
  EXPECT_FALSE(KuvEeInObjectPtrHolder(&u5).equals(pa));
  EXPECT_TRUE(KuvInPtrHolder(&a).equals(KuvInPtrHolder(&a)));
  EXPECT_FALSE(KuvInPtrHolder(&a).equals(KuvInPtrHolder(&b)));
  EXPECT_TRUE(KuvInDoubleHolder(0.0).equals(KuvInDoubleHolder(-0.0)));
  KuvInObjectTypeClass* t = KuvInString::sType();
  EXPECT_TRUE(KuvInObjectTypeVal(&t).equals(KuvInObjectTypeVal(&t)));
  EXPECT_FALSE(KuvInObjectTypeVal(&t).equals(u5));
}

TEST(KuvInHolders, TextForms) {
  struct Case { KuvInString text; const char* expected; } cases[] = {
      {KuvInIntHolder(4294967295u).toString(), "-1"},
      {KuvInIntHolder(2147483648u).toString(), "-2147483648"},
      {KuvInIntHolder(42).toString(), "42"},
      {KuvInSignedIntHolder(-7).toString(), "-7"},
      {KuvInDoubleHolder(2.5).toString(), "2.50"},
      {KuvInDoubleHolder(-0.125).toString(), "-0.12"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.text.ConvertToChar(), c.expected);
}
