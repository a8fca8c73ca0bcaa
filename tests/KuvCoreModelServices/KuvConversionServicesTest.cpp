// Text forms of applying views, selection modes and GUIDs, both ways, with
// the refusals a host may meet.
#include <gtest/gtest.h>

#include <string>

#include "KuvConversionServices.h"
#include "KuvInGuid.h"
#include "support/KuvTestSupport.h"

namespace {

std::string str(const KuvInString& s) { return s.ConvertToChar(); }

}  // namespace

// Every view and mode reads back from its text, which hosts store as it is;
// anything else is refused.
TEST(KuvConversionServicesTest, ViewsAndSelectionModesRoundTripAndRefuseTheRest) {
  using Mode = KuvEeFilterExpression::SELECTION_MODE;
  std::string texts;
  for (auto view : {CFG_EXPRVIEW_SOURCE, CFG_EXPRVIEW_CURRENT, CFG_EXPRVIEW_PROJECTED}) {
    KuvInString text;
    KuvExpressionView back = CFG_EXPRVIEW_NONE;
    ASSERT_EQ(S_OK, KuvConversionServices::ConvertApplyingView(view, text));
    ASSERT_EQ(S_OK, KuvConversionServices::ConvertApplyingView(text, back));
    EXPECT_EQ(back, view);
    texts += str(text) + " ";
  }
  for (auto mode :
       {KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT, KuvEeFilterExpression::CFG_SELECTIONMODE_150}) {
    KuvInString text;
    Mode back = static_cast<Mode>(-1);
    ASSERT_EQ(S_OK, KuvConversionServices::ConvertSelectionMode(mode, text));
    ASSERT_EQ(S_OK, KuvConversionServices::ConvertSelectionMode(text, back));
    EXPECT_EQ(back, mode);
    texts += str(text) + " ";
  }
  EXPECT_EQ(texts, "CFG_EXPRVIEW_SOURCE CFG_EXPRVIEW_CURRENT CFG_EXPRVIEW_PROJECTED CFG_SELECTIONMODE_STRICT "
                   "CFG_SELECTIONMODE_150 ");

  for (int bad : {3, -1}) {
    KuvInString text("stale"), kept("kept");
    EXPECT_EQ(E_INVALIDARG,
              KuvConversionServices::ConvertApplyingView(static_cast<KuvExpressionView>(bad), text));
    EXPECT_TRUE(text.IsEmpty()) << bad;
    EXPECT_EQ(E_INVALIDARG, KuvConversionServices::ConvertSelectionMode(static_cast<Mode>(bad - 1), kept));
    EXPECT_EQ(str(kept), "kept");
  }
  for (const char* bad :
       {"", "SOURCE", "cfg_exprview_source", "CFG_EXPRVIEW_SOURCE ", "CFG_SELECTIONMODE_151"}) {
    KuvExpressionView view = CFG_EXPRVIEW_CURRENT;
    Mode mode = static_cast<Mode>(7);
    EXPECT_EQ(E_INVALIDARG, KuvConversionServices::ConvertApplyingView(KuvInString(bad), view));
    EXPECT_EQ(view, CFG_EXPRVIEW_NONE) << bad;
    EXPECT_EQ(E_INVALIDARG, KuvConversionServices::ConvertSelectionMode(KuvInString(bad), mode));
    EXPECT_EQ(mode, static_cast<Mode>(7));
  }
}

TEST(KuvConversionServicesTest, GuidTextRoundTripsAndRefusesWrongLengths) {
  unsigned char bytes[16];
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<unsigned char>(i * 17 + 3);
  const KuvInGuid guid(bytes);
  KuvInString text;
  ASSERT_EQ(S_OK, KuvConversionServices::ConvertGuidToString(guid, text));
  EXPECT_EQ(str(text), "031425364758697A8B9CADBECFE0F102");
  KuvInGuid back;
  ASSERT_EQ(S_OK, KuvConversionServices::ConvertStringToGuid(text, back));
  EXPECT_TRUE(back == guid);
  ASSERT_EQ(S_OK, KuvConversionServices::ConvertStringToGuid("031425364758697a8b9cadbecfe0f102", back));
  EXPECT_TRUE(back == guid) << "lower-case digits are read too";

  const struct { const char* text; HRESULT code; const char* message;
  } bad[] = {
      {"", E_INVALIDARG, "ERROR: Length of input Guid String isn't size of a Guid."},
      {"03142536475869788A9BACBDCEDFF00122", E_INVALIDARG,
       "ERROR: Length of input Guid String isn't size of a Guid."},
      {"x'142536475869788A9BACBDCEDFF001'", E_INVALIDARG,
       "ERROR: Length of input Guid String isn't size of a Guid."},
      // A quoted literal of 32 characters holds an odd number of digits.
      {"x'4253647586978A9BACBDCEDFF0010'", E_FAIL, "ERROR: Call to decode_hex() has Failed."},
  };
  for (const auto& b : bad) {
    KuvInGuid untouched(bytes);
    EXPECT_TRACES(b.code, b.message,
                  KuvConversionServices::ConvertStringToGuid(KuvInString(b.text), untouched));
    EXPECT_TRUE(untouched == guid) << b.text;
  }
}
