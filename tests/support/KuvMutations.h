// Damaged copies of a valid binary, for readers that must refuse them
// cleanly: every prefix, every single-bit flip, and every byte set to 0x00
// and to 0xFF (where that changes it). Also a tally of the codes met, so a
// test can check them against a reader's documented set in one place, and
// the checks every cursor-based reader owes a damaged binary.
#pragma once

#include <cstddef>

#include "support/KuvTestSupport.h"

namespace kuv_test {

using Bytes = std::vector<std::uint8_t>;

// visit(variant, label) for each damaged copy of valid, label naming the
// damage ("cut 12", "flip 3/5", "set 7=0xFF").
template <class Visit>
void forEachVariant(const Bytes& valid, Visit&& visit) {
  for (std::size_t i = 0; i < valid.size(); ++i)
    visit(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(i)), "cut " + std::to_string(i));
  for (std::size_t i = 0; i < valid.size(); ++i) {
    Bytes variant = valid;
    for (unsigned bit = 0; bit < 8; ++bit) {
      variant[i] = static_cast<std::uint8_t>(valid[i] ^ (1u << bit));
      visit(variant, "flip " + std::to_string(i) + "/" + std::to_string(bit));
    }
    for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
      if (valid[i] == value) continue;
      variant[i] = value;
      visit(variant, "set " + std::to_string(i) + (value == 0 ? "=0x00" : "=0xFF"));
    }
  }
}

// The codes a reader gave, counted; expectWithin fails for any outside the
// documented set and records the counts as the test's "outcomes" property.
class Outcomes {
public:
  void add(HRESULT code) { ++m_counts[code]; }
  void expectWithin(const std::set<HRESULT>& documented, const std::string& reader) const {
    std::ostringstream text;
    text << reader << ":";
    for (const auto& [code, count] : m_counts) {
      text << " 0x" << std::hex << static_cast<std::uint32_t>(code) << std::dec << "x" << count;
      EXPECT_TRUE(documented.count(code))
          << reader << " gave 0x" << std::hex << static_cast<std::uint32_t>(code);
    }
    testing::Test::RecordProperty("outcomes " + reader, text.str());
  }

private:
  std::map<HRESULT, int> m_counts;
};

// Reads bytes from a fresh cursor with read(in, object) and tallies the
// code: a refusal hands out nothing and leaves the cursor where it was;
// what reads is written again with write(object). Traces are silenced.
template <class T, class Read, class Write>
void expectReadOrRefused(const Bytes& bytes, const std::string& label, Outcomes& outcomes, Read&& read,
                         Write&& write) {
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  T* object = nullptr;
  HRESULT hr = S_OK;
  captured([&] { hr = read(in, object); });
  outcomes.add(hr);
  const std::unique_ptr<T> owned(object);
  if (FAILED(hr)) {
    EXPECT_EQ(nullptr, object) << label;
    EXPECT_EQ(0u, in.getPosition()) << label;
    return;
  }
  ASSERT_NE(nullptr, object) << label;
  captured([&] { write(*object); });
}

}  // namespace kuv_test
