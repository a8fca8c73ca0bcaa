#include "MibSysUCAlgorithm.h"

int MibSysUCAlgorithm::ConvertUTF8ToUCS2(const char* in, int inLength, KuvUCChar* out,
                                         int outCapacity, int& inConsumed) {
  inConsumed = 0;
  if (in == nullptr || out == nullptr || inLength <= 0) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(in);
  int i = 0;
  int written = 0;
  while (i < inLength && written < outCapacity) {
    unsigned char b = bytes[i];
    std::uint32_t cp = 0;
    int extra = 0;
    std::uint32_t min = 0;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F; extra = 1; min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F; extra = 2; min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07; extra = 3; min = 0x10000;
    } else {
      break;  // stray continuation byte or invalid lead byte
    }
    if (i + extra >= inLength) break;  // truncated sequence
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char c = bytes[i + k];
      if ((c & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) break;
    if (cp >= 0x10000) {
      if (written + 2 > outCapacity) break;
      cp -= 0x10000;
      out[written++] = static_cast<KuvUCChar>(0xD800 + (cp >> 10));
      out[written++] = static_cast<KuvUCChar>(0xDC00 + (cp & 0x3FF));
    } else {
      out[written++] = static_cast<KuvUCChar>(cp);
    }
    i += extra + 1;
  }
  inConsumed = i;
  return written;
}

int MibSysUCAlgorithm::ConvertUCS2ToUTF8(const KuvUCChar* in, int inLength, char* out,
                                         int outCapacity, int& inConsumed) {
  inConsumed = 0;
  if (in == nullptr || out == nullptr || inLength <= 0) return 0;
  int i = 0;
  int written = 0;
  while (i < inLength) {
    std::uint32_t cp = in[i];
    int units = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 >= inLength || in[i + 1] < 0xDC00 || in[i + 1] > 0xDFFF) break;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      units = 2;
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      break;
    }
    int need = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    if (written + need > outCapacity) break;
    auto* o = reinterpret_cast<unsigned char*>(out + written);
    switch (need) {
      case 1: o[0] = static_cast<unsigned char>(cp); break;
      case 2:
        o[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        o[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        break;
      case 3:
        o[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        o[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        o[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        break;
      default:
        o[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
        o[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
        o[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        o[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        break;
    }
    written += need;
    i += units;
  }
  inConsumed = i;
  return written;
}
