// Text forms of applying views, selection modes, GUIDs and binaries, both
// ways, with the refusals a host may meet.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KuvBioBuffer.h"
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

// Binaries travel through text columns as hexadecimal digits: the text
// round-trips byte for byte, and a refused conversion hands nothing out.
TEST(KuvConversionServicesTest, BinaryTextRoundTrips) {
  const std::uint8_t bytes[] = {0x00, 0x01, 0xAB, 0xFF, 0x7F};
  auto source = std::make_unique<KuvBioBuffer>(bytes, 5, 0);
  source->increment(3);  // the whole array, not what remains
  KuvInString text;
  ASSERT_EQ(S_OK, KuvConversionServices::ConvertBinaryToString(*source, text));
  EXPECT_STREQ("0001ABFF7F", text.ConvertToChar());
  KuvBioBuffer* back = nullptr;
  ASSERT_EQ(S_OK, KuvConversionServices::ConvertStringToBinary(KuvInString("0001abFF7F"), back));
  const std::unique_ptr<KuvBioBuffer> owned(back);
  source.reset();
  EXPECT_TRUE(back->isOwning());
  EXPECT_EQ(0u, back->getPosition());
  EXPECT_EQ("0001ABFF7F", kuv_test::text(*back));
}

TEST(KuvConversionServicesTest, BinaryConversionsRefuse) {
  KuvInString text("stale");
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Null pointer on binary data for the input KuvBioBuffer.",
                KuvConversionServices::ConvertBinaryToString(KuvBioBuffer(), text));
  EXPECT_TRUE(text.IsEmpty());
  KuvBioBuffer existing;
  KuvBioBuffer* out = &existing;
  EXPECT_TRACES(E_INVALIDARG, "Pointed object may be lost.",
                KuvConversionServices::ConvertStringToBinary(KuvInString("00"), out));
  EXPECT_EQ(&existing, out);
  out = nullptr;
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Length of input KuvInString is empty.",
                KuvConversionServices::ConvertStringToBinary(KuvInString(), out));
  EXPECT_TRACES(E_FAIL, "ERROR: Call to decode_hex() has Failed.",
                KuvConversionServices::ConvertStringToBinary(KuvInString("ABC"), out));
  EXPECT_EQ(nullptr, out);
}
