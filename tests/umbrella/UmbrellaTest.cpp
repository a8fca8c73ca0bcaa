// Compiled as a host would: only the umbrella header, only the public target.
#include <Kuv.h>

#include <gtest/gtest.h>

TEST(Umbrella, EveryPublicClassIsReachableAndHasItsTypeAtLoad) {
  struct {
    KuvInObjectTypeClass* type;
    const char* name;
  } types[] = {
      {KuvInObjectVal::sType(), "KuvInObjectVal"},
      {KuvInIntHolder::sType(), "KuvInIntHolder"},
      {KuvInSignedIntHolder::sType(), "KuvInSignedIntHolder"},
      {KuvInDoubleHolder::sType(), "KuvInDoubleHolder"},
      {KuvInPtrHolder::sType(), "KuvInPtrHolder"},
      {KuvInObjectPtr::sType(), "KuvInObjectPtr"},
      {KuvEeInObjectPtrHolder::sType(), "KuvEeInObjectPtrHolder"},
      {KuvInObjectTypeVal::sType(), "KuvInObjectTypeVal"},
      {KuvInString::sType(), "KuvInString"},
      {KuvInStringChar::sType(), "KuvInStringChar"},
      {KuvInTraceClass::sType(), "KuvInTraceClass"},
      {KuvInTraceMngr::sType(), "KuvInTraceMngr"},
      {KuvInTraceTrigger::sType(), "KuvInTraceTrigger"},
      {KuvInList::sType(), "KuvInList"},
      {KuvInListVal::sType(), "KuvInListVal"},
      {KuvInLinkList::sType(), "KuvInLinkList"},
      {KuvInLinkListVal::sType(), "KuvInLinkListVal"},
      {KuvInSet::sType(), "KuvInSet"},
      {KuvInSetVal::sType(), "KuvInSetVal"},
      {KuvInFastSetVal::sType(), "KuvInFastSetVal"},
      {KuvInMap::sType(), "KuvInMap"},
      {KuvInMapVal::sType(), "KuvInMapVal"},
      {KuvInMap::entry::sType(), "KuvInMap::entry"},
      {KuvInMapVal::entry::sType(), "KuvInMapVal::entry"},
      {KuvInGuid::sType(), "KuvInGuid"},
      {KuvInHexaEncodingServices::sType(), "KuvInHexaEncodingServices"},
      {KuvInStringEncoder::sType(), "KuvInStringEncoder"},
      {KuvInStringUtil::sType(), "KuvInStringUtil"},
      {KuvInCharUtil::sType(), "KuvInCharUtil"},
      {KuvEeExpressionToolbox::sType(), "KuvEeExpressionToolbox"},
      {KuvCoreEncodingsToolbox::sType(), "KuvCoreEncodingsToolbox"},
  };
  for (const auto& t : types) {
    ASSERT_NE(t.type, nullptr) << t.name;
    EXPECT_STREQ(t.type->getClassNameChars(), t.name);
  }
  EXPECT_EQ(KuvInString::sType(), KuvInString::KuvInObject_internal_staticType_owner.m_type);
}

TEST(Umbrella, ResultCodesAreSigned32Bit) {
  static_assert(sizeof(HRESULT) == 4);
  EXPECT_LT(E_FAIL, 0);
  EXPECT_LT(E_INVALIDARG, 0);
  EXPECT_LT(E_NOTIMPL, 0);
  EXPECT_EQ(static_cast<std::uint32_t>(E_FAIL), 0x80004005u);
  EXPECT_EQ(static_cast<std::uint32_t>(E_UNEXPECTED), 0x8000FFFFu);
}
