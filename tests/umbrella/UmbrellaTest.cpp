// Compiled as a host would: only the umbrella header, only the public target.
// Linking proves that every class named here is exported.
#include <Kuv.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <type_traits>

namespace {

// Read while this program loads, after the library has loaded.
KuvInObjectTypeClass* const kStringTypeAtLoad = KuvInString::sType();

TEST(Umbrella, EveryPublicClassIsExportedAndNamedOnce) {
  KuvInObjectTypeClass* const types[] = {
      KuvInObjectVal::sType(),         KuvInIntHolder::sType(),           KuvInSignedIntHolder::sType(),
      KuvInDoubleHolder::sType(),      KuvInPtrHolder::sType(),           KuvInObjectPtr::sType(),
      KuvEeInObjectPtrHolder::sType(), KuvInObjectTypeVal::sType(),       KuvInString::sType(),
      KuvInStringChar::sType(),        KuvInTraceClass::sType(),          KuvInTraceMngr::sType(),
      KuvInTraceTrigger::sType(),      KuvInList::sType(),                KuvInListVal::sType(),
      KuvInLinkList::sType(),          KuvInLinkListVal::sType(),         KuvInSet::sType(),
      KuvInSetVal::sType(),            KuvInFastSetVal::sType(),          KuvInMap::sType(),
      KuvInMapVal::sType(),            KuvInMap::entry::sType(),          KuvInMapVal::entry::sType(),
      KuvInGuid::sType(),              KuvInHexaEncodingServices::sType(), KuvInStringEncoder::sType(),
      KuvInStringUtil::sType(),        KuvInCharUtil::sType(),            KuvEeExpressionToolbox::sType(),
      KuvCoreEncodingsToolbox::sType(),
  };
  std::set<std::string> names;
  for (KuvInObjectTypeClass* type : types) names.insert(type->getClassNameChars());
  EXPECT_EQ(names.size(), std::size(types));
  EXPECT_EQ(kStringTypeAtLoad, KuvInString::sType());
}

TEST(Umbrella, ResultCodesAreSigned32Bit) {
  static_assert(sizeof(HRESULT) == 4 && std::is_signed_v<HRESULT>);
  EXPECT_EQ(static_cast<std::uint32_t>(E_FAIL), 0x80004005u);
  EXPECT_EQ(static_cast<std::uint32_t>(E_UNEXPECTED), 0x8000FFFFu);
  EXPECT_EQ(static_cast<std::uint32_t>(E_INVALIDARG), 0x80070057u);
  EXPECT_EQ(static_cast<std::uint32_t>(E_NOTIMPL), 0x80004001u);
}

}  // namespace
