// What the tree series and milestones leaves share (internal): the TO bounds
// of a selection that is not single.
#pragma once

#include <cstdint>
#include <memory>

#include "KuvBioBuffer.h"
#include "KuvInTraceClass.h"

namespace kuv::detail {

// A 2-byte count, then that many TO bounds of at least minBoundSize bytes
// each (a count beyond the binary fails before any bound is read), each read
// by readBound(std::unique_ptr<Bound>&). A selection that reads back as
// single would be written as one, so it is refused.
template <class Bound, class Selection, class ReadBound>
HRESULT readToBounds(KuvBioBuffer& in, Selection& selection, std::uint32_t minBoundSize, KuvInTraceClass& channel,
                     ReadBound readBound) {
  std::uint16_t count = 0;
  if (FAILED(in.readUINT16(count))) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: readUINT16 FAILED.");
  if (!in.isReadValid(std::uint64_t{count} * minBoundSize))
    KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: unexpected end of binary");
  for (std::uint16_t i = 0; i < count; ++i) {
    std::unique_ptr<Bound> to;
    HRESULT hr = readBound(to);
    if (FAILED(hr)) return hr;
    hr = selection.addToBound(*to);
    if (FAILED(hr)) return hr;
  }
  if (selection.isSingleSelection()) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: unexpected.");
  return S_OK;
}

}  // namespace kuv::detail
