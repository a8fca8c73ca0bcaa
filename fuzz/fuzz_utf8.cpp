// UTF-8 and UCS-2 text from a host: conversions must refuse malformed input
// without reading out of bounds, and valid input must round-trip.
#include <Kuv.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  int length = static_cast<int>(size);

  std::vector<KuvUCChar> units(size + 1);
  int consumed = 0;
  int n = MibSysUCAlgorithm::ConvertUTF8ToUCS2(text, length, units.data(), static_cast<int>(units.size()),
                                               consumed);
  if (consumed == length) {
    std::vector<char> back(4 * static_cast<size_t>(n) + 1);
    int backConsumed = 0;
    int m = MibSysUCAlgorithm::ConvertUCS2ToUTF8(units.data(), n, back.data(), static_cast<int>(back.size()),
                                                 backConsumed);
    if (backConsumed != n || m != length || std::memcmp(back.data(), text, size) != 0) std::abort();
  }

  std::string terminated(text, size);
  KuvInString s(terminated.c_str());
  (void)s.ConvertToChar();
  int value = 0;
  (void)s.ConvertToNum(value);

  // The same bytes read as UCS-2 units, paired or not.
  std::vector<KuvUCChar> raw(size / 2);
  if (!raw.empty()) std::memcpy(raw.data(), data, raw.size() * sizeof(KuvUCChar));
  KuvInString wide(raw.data(), static_cast<int>(raw.size()));
  (void)wide.ConvertToChar();
  return 0;
}
