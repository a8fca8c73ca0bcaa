// Platform layer: UTF-8 <-> UCS-2 conversion of the host's system library,
// written over the standard library for hosts that do not provide one.
//
// Both conversions are strict: malformed UTF-8 (overlong forms, surrogate
// code points, truncated sequences, stray continuation bytes) and unpaired
// UTF-16 surrogates stop the conversion. Code points beyond the Basic
// Multilingual Plane travel as surrogate pairs. The caller learns of it because input is left unconsumed.
#pragma once

#include "KuvInTypes.h"

class KUV_API MibSysUCAlgorithm {
public:
  // Converts up to inLength bytes of UTF-8 into out (room for outCapacity
  // units). Returns the number of units written; inConsumed tells how many
  // input bytes were consumed, which is inLength only on full success.
  static int ConvertUTF8ToUCS2(const char* in, int inLength, KuvUCChar* out, int outCapacity,
                               int& inConsumed);

  // Converts up to inLength UCS-2 units into UTF-8 (room for outCapacity
  // bytes). A valid surrogate pair is encoded as one four-byte sequence.
  static int ConvertUCS2ToUTF8(const KuvUCChar* in, int inLength, char* out, int outCapacity,
                               int& inConsumed);
};
