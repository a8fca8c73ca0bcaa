// Compiled as a host would: only the umbrella header, only the public target.
#include <Kuv.h>

#include <gtest/gtest.h>

TEST(Umbrella, EveryPublicClassIsReachableAndHasItsTypeAtLoad) {
  KuvInObjectTypeClass* types[] = {
      KuvInObjectVal::sType(), KuvInIntHolder::sType(), KuvInString::sType(),
      KuvInStringChar::sType(), KuvInTraceClass::sType()};
  for (KuvInObjectTypeClass* type : types) EXPECT_NE(type, nullptr);
  EXPECT_EQ(KuvInString::sType(), KuvInString::KuvInObject_internal_staticType_owner.m_type);
}
