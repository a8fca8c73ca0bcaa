#include "KuvBioFlags.h"

#include "KuvBioBasic.h"

void KuvBioFlags::write(KuvBioBufferOut& out, KuvBioConstants::E_IndexSize first,
                        KuvBioConstants::E_IndexSize second) {
  out.PutBack(static_cast<std::uint8_t>(first));
  out.PutBack(static_cast<std::uint8_t>(second));
}

HRESULT KuvBioFlags::read(KuvBioBuffer& in, KuvBioConstants::E_IndexSize& first,
                          KuvBioConstants::E_IndexSize& second) {
  if (!in.isReadValid(2)) return E_FAIL;
  KuvBioConstants::E_IndexSize a = first;
  KuvBioConstants::E_IndexSize b = second;
  if (FAILED(KuvBioBasic::getIndexSizeFromByte(in.getCurrent()[0], a)) ||
      FAILED(KuvBioBasic::getIndexSizeFromByte(in.getCurrent()[1], b)))
    return E_FAIL;
  first = a;
  second = b;
  in.increment(2);
  return S_OK;
}
