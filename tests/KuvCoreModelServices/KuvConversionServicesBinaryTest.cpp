// Binaries travel through text columns as hexadecimal digits: the text
// round-trips byte for byte, and a refused conversion hands nothing out.
#include <gtest/gtest.h>

#include <memory>

#include "KuvBioBuffer.h"
#include "KuvConversionServices.h"
#include "support/KuvTestSupport.h"

namespace {

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

}  // namespace
