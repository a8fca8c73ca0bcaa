// Text forms of applying views, selection modes and GUIDs, both ways, with
// the refusals a host may meet.
#include <gtest/gtest.h>

#include <string>

#include "KuvConversionServices.h"
#include "KuvInGuid.h"

namespace {

std::string str(const KuvInString& s) { return s.ConvertToChar(); }

}  // namespace

TEST(KuvConversionServicesTest, ApplyingViewsConvertBothWaysAndRefuseTheRest) {
  const std::pair<KuvExpressionView, const char*> table[] = {{CFG_EXPRVIEW_SOURCE, "CFG_EXPRVIEW_SOURCE"},
                                                             {CFG_EXPRVIEW_CURRENT, "CFG_EXPRVIEW_CURRENT"},
                                                             {CFG_EXPRVIEW_PROJECTED, "CFG_EXPRVIEW_PROJECTED"}};
  for (const auto& [view, name] : table) {
    KuvInString text;
    ASSERT_EQ(S_OK, KuvConversionServices::ConvertApplyingView(view, text));
    EXPECT_EQ(str(text), name);
    KuvExpressionView back = CFG_EXPRVIEW_NONE;
    ASSERT_EQ(S_OK, KuvConversionServices::ConvertApplyingView(text, back));
    EXPECT_EQ(back, view);
  }
  for (int bad : {3, -1, 42}) {
    KuvInString text("stale");
    EXPECT_EQ(E_INVALIDARG, KuvConversionServices::ConvertApplyingView(static_cast<KuvExpressionView>(bad), text));
    EXPECT_TRUE(text.IsEmpty()) << bad;
  }
  for (const char* bad : {"", "SOURCE", "cfg_exprview_source", "CFG_EXPRVIEW_SOURCE "}) {
    KuvExpressionView view = CFG_EXPRVIEW_CURRENT;
    EXPECT_EQ(E_INVALIDARG, KuvConversionServices::ConvertApplyingView(KuvInString(bad), view));
    EXPECT_EQ(view, CFG_EXPRVIEW_NONE) << bad;
  }
}

TEST(KuvConversionServicesTest, SelectionModesConvertBothWaysAndRefuseTheRest) {
  using Mode = KuvEeFilterExpression::SELECTION_MODE;
  const std::pair<Mode, const char*> table[] = {{KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT, "CFG_SELECTIONMODE_STRICT"},
                                                {KuvEeFilterExpression::CFG_SELECTIONMODE_150, "CFG_SELECTIONMODE_150"}};
  for (const auto& [mode, name] : table) {
    KuvInString text;
    ASSERT_EQ(S_OK, KuvConversionServices::ConvertSelectionMode(mode, text));
    EXPECT_EQ(str(text), name);
    Mode back = static_cast<Mode>(-1);
    ASSERT_EQ(S_OK, KuvConversionServices::ConvertSelectionMode(text, back));
    EXPECT_EQ(back, mode);
  }
  KuvInString text("kept");
  EXPECT_EQ(E_INVALIDARG, KuvConversionServices::ConvertSelectionMode(static_cast<Mode>(2), text));
  EXPECT_EQ(E_INVALIDARG, KuvConversionServices::ConvertSelectionMode(static_cast<Mode>(-1), text));
  EXPECT_EQ(str(text), "kept");
  Mode mode = static_cast<Mode>(7);
  for (const char* bad : {"", "CFG_SELECTIONMODE_", "CFG_SELECTIONMODE_151", "STRICT"})
    EXPECT_EQ(E_INVALIDARG, KuvConversionServices::ConvertSelectionMode(KuvInString(bad), mode)) << bad;
  EXPECT_EQ(mode, static_cast<Mode>(7));
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

  struct Bad {
    const char* text;
    HRESULT code;
    const char* message;
  };
  const Bad bad[] = {
      {"", E_INVALIDARG, "ERROR: Length of input Guid String isn't size of a Guid."},
      {"0314253647586978", E_INVALIDARG, "ERROR: Length of input Guid String isn't size of a Guid."},
      {"03142536475869788A9BACBDCEDFF00122", E_INVALIDARG, "ERROR: Length of input Guid String isn't size of a Guid."},
      {"x'142536475869788A9BACBDCEDFF001'", E_INVALIDARG, "ERROR: Length of input Guid String isn't size of a Guid."},
      // A quoted literal of 32 characters holds an odd number of digits.
      {"x'4253647586978A9BACBDCEDFF0010'", E_FAIL, "ERROR: Call to decode_hex() has Failed."},
  };
  for (const Bad& b : bad) {
    KuvInGuid untouched(bytes);
    testing::internal::CaptureStdout();
    EXPECT_EQ(b.code, KuvConversionServices::ConvertStringToGuid(KuvInString(b.text), untouched)) << b.text;
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(b.message), std::string::npos) << b.text << "\n" << out;
    EXPECT_TRUE(untouched == guid) << b.text;
  }
}
