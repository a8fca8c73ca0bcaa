// KuvFilteringServices: filtering in one call: a compiled filter applied to
// the compiled binaries of many objects, or prepared for a context.
//
//     int* visible = nullptr;
//     HRESULT hr = KuvFilteringServices::ApplyQuery(filter, filterSize, binaries, sizes, count, visible);
//     // visible[i]: 1 passes, 0 does not, -1 unreadable object
//     free(visible);
#pragma once

#include <cstdint>

#include "KuvFilterHandler.h"

class KuvInListVal;

class KUV_API KuvFilteringServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvFilteringServices)

public:
  KuvFilteringServices() = delete;

  // Argument checks, in order, each E_INVALIDARG: a filter size of 0, a
  // null filter, null binaries (S_FALSE, nothing done, when sizes are null
  // and count is 0 too), null sizes, a count of 0, results not null on
  // entry. The filter is read once (E_FAIL when it is not a filter). results
  // becomes a new array of count answers, the caller's, freed with free():
  // 1 the object passes the filter, 0 it does not, -1 its binary is empty or
  // not a readable effectivity. Only a failing intersection test, or memory
  // running out (E_OUTOFMEMORY), fails the call; results is then null.
  static HRESULT ApplyQuery(const std::uint8_t* filterBinary, unsigned int filterSize,
                            const std::uint8_t* const* binaries, const unsigned int* sizes, unsigned int count,
                            int*& results);
  // The context preparation of a filter (KuvPrivateFilteringServices) over
  // texts: filter is a compiled filter as hexadecimal text,
  // compositionMatrices a list of KuvInString, each a compiled composition
  // matrix likewise, and nbOfCompositionMatrixPerDictionary a list of
  // KuvInIntHolder, each dictionary's number of matrices, taken in order.
  // prepared becomes the prepared filter's compiled binary as hexadecimal
  // text, and is empty on failure. E_INVALIDARG for an empty text or a list
  // of another element type; E_FAIL when a text does not decode; the
  // handler's code when the filter or a matrix is refused.
  static HRESULT PrepareFilterForContext(const KuvInString& filter, const KuvInListVal& compositionMatrices,
                                         const KuvInListVal& nbOfCompositionMatrixPerDictionary,
                                         KuvInString& prepared);
};
