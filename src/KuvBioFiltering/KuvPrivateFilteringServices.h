// KuvPrivateFilteringServices: a user's filter prepared for a context with
// composition matrices, before it is applied to objects.
//
//     KuvFltFilter* prepared = nullptr;
//     HRESULT hr = KuvPrivateFilteringServices::prepareFilterForContext(filter, groups, prepared);
//     // prepared: a new filter, the caller's
//
// A composition matrix reads: when the context's configuration meets its
// IF part (dictionary -> form), the dictionaries of its THEN part are
// configured as its THEN forms. The matrices come in groups, one per
// dictionary. What this library makes of them: the prepared filter has the
// view and the selection mode of the input and equals it, except that in
// each domain the input has, group after group (each one seeing what the
// previous ones left):
// - a matrix is selected when, for each dictionary of its IF part, the
//   domain's form for it is absent or meets the IF form
//   (KuvDnf::isIntersect);
// - for each dictionary t of the THEN part of a selected matrix, when every
//   selected matrix of the group names t, the Or of their THEN forms for t
//   becomes the domain's form for t if it had none, else is And-ed with it.
//   A selected matrix without t leaves t unconstrained by the group, and a
//   group without a selected matrix changes nothing.
// The And is taken through trees over one context (KuvEeDnfConvertor)
// rather than by joining terms: a criterion both forms constrain then ends
// in one leaf per term, as the map terms of a compiled binary need when it
// is read back. Such a tree needs the objects the forms name, so a date
// must be the dictionary's own (its GUID) or the context's.
//
// Ownership: the input filter and the matrices stay the caller's; the
// prepared filter is the caller's and stays null on failure.
#pragma once

#include <cstdint>
#include <vector>

#include "KuvFltCompositionMatrix.h"
#include "KuvFltFilter.h"

class KUV_API KuvPrivateFilteringServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPrivateFilteringServices)

public:
  // The matrices of one dictionary, applied together.
  using MatrixGroup = std::vector<const KuvFltCompositionMatrix*>;

  KuvPrivateFilteringServices() = delete;

  // See above. prepared must be null on entry (E_INVALIDARG); a null matrix
  // or form, or a failing And, fails the call.
  static HRESULT prepareFilterForContext(const KuvFltFilter& filter, const std::vector<MatrixGroup>& groups,
                                         KuvFltFilter*& prepared);
  // The same over compiled binaries: group i is the next
  // nbOfCompositionMatrixPerDictionary[i] binaries. A binary that does not
  // read as a composition matrix fails the call (E_FAIL).
  static HRESULT prepareFilterForContext(const KuvFltFilter& filter,
                                         const std::uint8_t* const* matrixBinaries,
                                         const unsigned int* matrixSizes,
                                         const unsigned int* nbOfCompositionMatrixPerDictionary,
                                         unsigned int nbDictionaries, KuvFltFilter*& prepared);
};
