// Text forms of applying views, selection modes, GUIDs and binaries, both
// ways, with the refusals a host may meet.
#include "support/KuvTestSupport.h"

namespace {

std::string str(const KuvInString& s) { return s.ConvertToChar(); }

// The text of value, after checking that it reads back to value.
template <class E, class Convert>
std::string written(E value, Convert convert) {
  KuvInString text;
  E back = static_cast<E>(-1);  // overwritten before it is read
  EXPECT_EQ(S_OK, convert(value, text));
  EXPECT_EQ(S_OK, convert(text, back));
  EXPECT_EQ(back, value);
  return str(text);
}

}  // namespace

// Every view and mode reads back from its text, which hosts store as it is;
// anything else is refused.
TEST(KuvConversionServicesTest, ViewsAndSelectionModesRoundTripAndRefuseTheRest) {
  using Mode = KuvEeFilterExpression::SELECTION_MODE;
  auto view = [](auto&&... a) { return KuvConversionServices::ConvertApplyingView(a...); };
  auto mode = [](auto&&... a) { return KuvConversionServices::ConvertSelectionMode(a...); };
  EXPECT_EQ(written(CFG_EXPRVIEW_SOURCE, view), "CFG_EXPRVIEW_SOURCE");
  EXPECT_EQ(written(CFG_EXPRVIEW_CURRENT, view), "CFG_EXPRVIEW_CURRENT");
  EXPECT_EQ(written(CFG_EXPRVIEW_PROJECTED, view), "CFG_EXPRVIEW_PROJECTED");
  EXPECT_EQ(written(KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT, mode), "CFG_SELECTIONMODE_STRICT");
  EXPECT_EQ(written(KuvEeFilterExpression::CFG_SELECTIONMODE_150, mode), "CFG_SELECTIONMODE_150");

  for (int bad : {3, -1}) {
    KuvInString text("stale"), kept("kept");
    // Passed straight on: an invalid enumerator must not be loaded here.
    EXPECT_EQ(E_INVALIDARG,
              KuvConversionServices::ConvertApplyingView(static_cast<KuvExpressionView>(bad), text));
    EXPECT_TRUE(text.IsEmpty()) << bad;
    EXPECT_EQ(E_INVALIDARG, KuvConversionServices::ConvertSelectionMode(static_cast<Mode>(bad - 1), kept));
    EXPECT_EQ(str(kept), "kept");
  }
  for (const char* bad :
       {"", "SOURCE", "cfg_exprview_source", "CFG_EXPRVIEW_SOURCE ", "CFG_SELECTIONMODE_151"}) {
    KuvExpressionView readView = CFG_EXPRVIEW_CURRENT;
    Mode readMode = static_cast<Mode>(7);
    EXPECT_EQ(E_INVALIDARG, view(KuvInString(bad), readView));
    EXPECT_EQ(readView, CFG_EXPRVIEW_NONE) << bad;
    EXPECT_EQ(E_INVALIDARG, mode(KuvInString(bad), readMode));
    EXPECT_EQ(readMode, static_cast<Mode>(7));
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
      {"x'4253647586978A9BACBDCEDFF0010'", E_FAIL, "ERROR: Null pointer on binary."},
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
