// Hexadecimal text of a binary, cut at every length and with every
// character replaced by each neighbour of the digit ranges: an even cut
// decodes to the bytes it spells and an odd one is refused with no buffer
// handed out. A character that is no digit is not refused: it counts as
// the nibble 255, so it makes the high nibble F as a first character and
// the whole byte FF as a second.
#include "support/KuvMutations.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Bytes;

HRESULT decode(const std::string& text, Bytes& bytes) {
  KuvBioBuffer* buffer = nullptr;
  HRESULT hr = S_OK;
  kuv_test::captured(
      [&] { hr = KuvConversionServices::ConvertStringToBinary(KuvInString(text.c_str()), buffer); });
  const std::unique_ptr<KuvBioBuffer> owned(buffer);
  EXPECT_TRUE(SUCCEEDED(hr) || buffer == nullptr) << text;
  if (SUCCEEDED(hr)) bytes.assign(buffer->getBytes(), buffer->getBytes() + buffer->getSize());
  return hr;
}

TEST(KuvConversionServicesTest, CutAndDamagedHexText) {
  static const char digits[] = "0123456789ABCDEFabcdef";
  std::string text;
  Bytes spelt;
  for (unsigned i = 0; i < 150; ++i) {
    const unsigned high = (i * 7) % 22;
    const unsigned low = (i * 13 + 5) % 22;
    text += {digits[high], digits[low]};
    spelt.push_back(
        static_cast<std::uint8_t>((high < 16 ? high : high - 6) * 16 + (low < 16 ? low : low - 6)));
  }
  kuv_test::Outcomes outcomes;
  for (std::size_t length = 0; length <= text.size(); ++length) {
    Bytes bytes;
    const HRESULT hr = decode(text.substr(0, length), bytes);
    outcomes.add(hr);
    EXPECT_EQ(length == 0 ? E_INVALIDARG : length % 2 != 0 ? E_FAIL : S_OK, hr) << length;
    // A refused text leaves the bytes empty.
    const auto decoded = static_cast<std::ptrdiff_t>(length % 2 == 0 ? length / 2 : 0);
    EXPECT_EQ(Bytes(spelt.begin(), spelt.begin() + decoded), bytes) << length;
  }
  for (std::size_t i = 0; i < text.size(); ++i)
    for (char other : {'/', ':', '@', 'G', '`', 'g', ' ', '\x7F'}) {
      std::string damaged = text;
      damaged[i] = other;
      Bytes bytes;
      const HRESULT hr = decode(damaged, bytes);
      outcomes.add(hr);
      Bytes expected = spelt;
      expected[i / 2] = i % 2 == 0 ? static_cast<std::uint8_t>(0xF0 | (spelt[i / 2] & 0x0F)) : 0xFF;
      ASSERT_EQ(S_OK, hr) << i << " " << other;
      EXPECT_EQ(expected, bytes) << i << " " << other;
    }
  outcomes.expectWithin({S_OK, E_FAIL, E_INVALIDARG}, "hex");
}

}  // namespace
