// The two index-width bytes of a binary header, each an E_IndexSize.
#pragma once

#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"

class KUV_API KuvBioFlags {
public:
  static void write(KuvBioBufferOut& out, KuvBioConstants::E_IndexSize first, KuvBioConstants::E_IndexSize second);
  // E_FAIL, nothing read, when two bytes do not remain or either is not a
  // width.
  static HRESULT read(KuvBioBuffer& in, KuvBioConstants::E_IndexSize& first, KuvBioConstants::E_IndexSize& second);
};
