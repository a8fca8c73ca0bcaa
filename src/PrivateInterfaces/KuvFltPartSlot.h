// A part of a filter object held in a slot, made on first use (internal).
#pragma once

#include "KuvInTypes.h"

namespace kuv::detail {

// put into the part held at slot, made by make when absent. A part made for
// a call that fails goes again: an empty part would change later answers.
template <class Part, class Make, class Put>
HRESULT putIntoPart(Part*& slot, Make make, Put put) {
  const bool made = slot == nullptr;
  if (made) slot = make();
  const HRESULT hr = put(*slot);
  if (FAILED(hr) && made) {
    delete slot;
    slot = nullptr;
  }
  return hr;
}

}  // namespace kuv::detail
