#include <cctype>

#include "support/KuvTestSupport.h"

namespace {

struct Decoded { int result; std::vector<unsigned char> bytes; };

// decode_hex, or decode_hex_inplace, on a copy of text in a heap block of
// exactly its length (and terminator, in place), so that the sanitizer catches
// any read past it. A refusal hands nothing out and leaves the text as it was.
Decoded decode(const std::string& text, bool inPlace = false) {
  const std::size_t size = text.size() + (inPlace ? 1 : 0);
  auto input = std::make_unique<char[]>(size);
  std::memcpy(input.get(), text.c_str(), size);
  unsigned char* bytes = inPlace ? reinterpret_cast<unsigned char*>(input.get()) : nullptr;
  std::int32_t count = -7;
  const int result = inPlace ? KuvInHexaEncodingServices::decode_hex_inplace(input.get(), count)
                             : KuvInHexaEncodingServices::decode_hex(
                                   input.get(), static_cast<std::int32_t>(text.size()), bytes, count);
  if (result != 0) {
    EXPECT_EQ(count, -7) << text;
    EXPECT_TRUE(inPlace ? std::string(input.get()) == text : bytes == nullptr) << text;
    return {result, {}};
  }
  Decoded d{result, std::vector<unsigned char>(bytes, bytes + count)};
  if (!inPlace) std::free(bytes);
  return d;
}

using Bytes = std::vector<unsigned char>;

}  // namespace

TEST(KuvInHexaEncodingServices, EncodeWritesUpperCaseDigitsHighNibbleFirst) {
  unsigned char bytes[] = {0x01, 0xAB, 0x00, 0xF0};
  char* text = nullptr;
  std::int32_t length = 0;
  ASSERT_EQ(KuvInHexaEncodingServices::encode_hex(bytes, 4, text, length), 0);
  EXPECT_STREQ(text, "01AB00F0");
  EXPECT_EQ(length, 8);
  std::free(text);

  text = nullptr;
  length = -7;
  EXPECT_EQ(KuvInHexaEncodingServices::encode_hex(nullptr, 2, text, length), -1);
  EXPECT_EQ(KuvInHexaEncodingServices::encode_hex(bytes, -1, text, length), -1);
  EXPECT_EQ(KuvInHexaEncodingServices::encode_hex(bytes, 0x40000000, text, length), -1);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(length, -7);
}

// Both decoders on the same texts: decode_hex drops the last character after
// x', decode_hex_inplace stops at the terminator or a quote. Well-formed
// digits, plain or quoted, in either case, are the round trip's.
TEST(KuvInHexaEncodingServices, DecodersRefuseOddCountsAndReadBadDigitsAsF) {
  struct { const char* text; Decoded copied, inPlace; } cases[] = {
      {"x'012", {0, {0x01}}, {-1, {}}},
      {"x'01ab", {-1, {}}, {0, {0x01, 0xAB}}},
      {"x'012'", {-1, {}}, {-1, {}}},
      {"x'01", {-1, {}}, {0, {0x01}}},
      {"x'0'", {-1, {}}, {-1, {}}},
      {"01'23", {-1, {}}, {0, {0x01}}},
      {"''", {0, {0xFF}}, {0, {}}},
      {"G1", {0, {0xF1}}, {0, {0xF1}}},  // a bad high digit counts as F
      {"1G", {0, {0xFF}}, {0, {0xFF}}},  // a bad low digit makes the byte FF
      {"012", {-1, {}}, {-1, {}}},
      {"0", {-1, {}}, {-1, {}}},
      {"x", {-1, {}}, {-1, {}}},
      {"x'", {-1, {}}, {0, {}}},
  };
  for (const auto& c : cases) {
    const Decoded copied = decode(c.text), inPlace = decode(c.text, true);
    EXPECT_EQ(std::tie(copied.result, copied.bytes), std::tie(c.copied.result, c.copied.bytes)) << c.text;
    EXPECT_EQ(std::tie(inPlace.result, inPlace.bytes), std::tie(c.inPlace.result, c.inPlace.bytes)) << c.text;
  }
  unsigned char* bytes = nullptr;
  std::int32_t count = 0;
  EXPECT_EQ(KuvInHexaEncodingServices::decode_hex(nullptr, 2, bytes, count), -1);
  EXPECT_EQ(KuvInHexaEncodingServices::decode_hex("01", -2, bytes, count), -1);
  EXPECT_EQ(KuvInHexaEncodingServices::decode_hex_inplace(nullptr, count), -1);
  // Only length characters are read.
  ASSERT_EQ(KuvInHexaEncodingServices::decode_hex("01AB", 2, bytes, count), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(bytes[0], 0x01);
  std::free(bytes);
}

TEST(KuvInHexaEncodingServices, RandomBytesRoundTripInEveryForm) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 200; ++round) {
    Bytes bytes(static_cast<size_t>(round % 20));
    for (auto& b : bytes) b = static_cast<unsigned char>(byte(random));
    char* text = nullptr;
    std::int32_t length = 0;
    ASSERT_EQ(KuvInHexaEncodingServices::encode_hex(bytes.data(), static_cast<std::int32_t>(bytes.size()),
                                                    text, length),
              0);
    std::string hex(text, static_cast<size_t>(length));
    std::free(text);
    std::string lower = hex;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string& form : {hex, lower, "x'" + hex + "'"}) {
      ASSERT_EQ(decode(form).bytes, bytes) << form;
      ASSERT_EQ(decode(form, true).bytes, bytes) << form;
    }
  }
}

TEST(KuvInHexaEncodingServices, CallTracingShowsInputDigitsAndResult) {
  kuv_test::ScopedFlags calls(KuvInHexaEncodingServices::traceChannel(), 3);
  const std::string out = kuv_test::captured([] {
    decode("x'0a'");
    decode("0A", true);
    unsigned char bytes[] = {0x0A};
    char* text = nullptr;
    std::int32_t length = 0;
    KuvInHexaEncodingServices::encode_hex(bytes, 1, text, length);
    std::free(text);
  });
  for (const char* line : {"decode_hex: x'0a'\n", "strip x' part \n", "char1=48 char2=97\n", "out_length=1\n",
                           "decode_hex_inplace: 0A\n", "no strip\n", "char1=48 char2=65\n",
                           "encode_hex result: 0A\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
  EXPECT_EQ(out.find("<ERROR>"), std::string::npos);
}
