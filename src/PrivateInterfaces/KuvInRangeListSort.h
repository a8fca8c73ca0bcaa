// The sort shared by the lists of tree and milestone ranges: ascending by
// lower end, by passes that exchange adjacent ranges out of order, so ranges
// that compare equal (or cannot be compared) keep their order.
#pragma once

#include <memory>

#include "KuvInListVal.h"

namespace kuv::detail {

// Range: the class of the elements; before(x, y): x must come before y.
// Every element is checked before anything moves: a list holding something
// else gives E_FAIL with badElement and is left as it was.
template <class Range, class Before>
HRESULT sortRangeList(KuvInListVal& list, const char* badElement, Before before) {
  KuvInTraceClass& channel = Range::traceChannel();
  for (std::int32_t i = 0; i < list.GetLength(); ++i)
    if (Range::cast(*list.Get(i)) == nullptr) {
      KUV_TRACE_ERROR_ON(channel, badElement);
      return E_FAIL;
    }
  for (bool exchanged = true; exchanged;) {
    exchanged = false;
    for (std::int32_t i = 0; i + 1 < list.GetLength(); ++i) {
      const Range& next = *Range::cast(*list.Get(i + 1));
      if (!before(next, *Range::cast(*list.Get(i)))) continue;
      std::unique_ptr<KuvInObjectVal> moved(&next.clone());
      if (FAILED(list.Remove(i + 1))) {
        KUV_TRACE_ERROR_ON(channel, "ERROR: Unable to remove object.");
        return E_FAIL;
      }
      if (FAILED(list.Insert(i, *moved))) {
        KUV_TRACE_ERROR_ON(channel, "ERROR: Unable to insert object.");
        return E_FAIL;
      }
      exchanged = true;
    }
  }
  return S_OK;
}

}  // namespace kuv::detail
