// The older "FLT" binaries: a filter (KuvBioFilter) or a filterable object
// (KuvBioFilterable), each holding binary normal forms (KuvBioDnfReader.h)
// whole, header included. Integers are big-endian.
//
//   width  filter                          filterable
//   3      "FLT"                           "FLT"
//   1      version, 1 or 2                 2 with a variable space, else 1
//   1      0                               1
//   16     version 2: variable space GUID  version 2: variable space GUID
//   1      version 2: query mode, 2 for
//          list mode 1, 3 for list mode 2
//   4      applying view (0 to 3)          number V of views
//   ...    DNF length (4), the DNF         per view: applying view (4) and
//                                          DNF length (4); then the V DNFs
//                                          in the same order
//
// The filterable's table of lengths lets a reader decode the views it
// wants and step over the others, and the content analysis classify the
// wanted views from their typed-GUID tables alone.
//
// Readers read from the buffer's cursor and leave it after the binary;
// on failure (E_FAIL, traced) the cursor is where it was and the out
// pointer stays null. Normal forms are read with map terms. What is read
// is new and the caller's. Writers clear out first; on failure out is
// empty.
#pragma once

#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvFilter.h"
#include "KuvFilterable.h"

class KuvEVCClassification;
class KuvInSetVal;

class KUV_API KuvBioFilter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBioFilter)

public:
  KuvBioFilter() = delete;

  static HRESULT write(const KuvFilter& filter, KuvBioBufferOut& out);
  static HRESULT read(KuvBioBuffer& in, KuvFilter*& filter);
};

class KUV_API KuvBioFilterable : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBioFilterable)

public:
  KuvBioFilterable() = delete;

  static HRESULT write(const KuvFilterable& filterable, KuvBioBufferOut& out);
  // Every view.
  static HRESULT read(KuvBioBuffer& in, KuvFilterable*& filterable);
  // The views whose KuvExpressionView is in wanted (a set of
  // KuvInIntHolder), in stored order; the others are stepped over.
  static HRESULT read(KuvBioBuffer& in, const KuvInSetVal& wanted, KuvFilterable*& filterable);
  // Adds to out what the wanted views' normal forms use (see
  // KuvBioDnfReader::analyzeEVCContent); out is unchanged on failure.
  static HRESULT analyzeEVCContent(KuvBioBuffer& in, const KuvInSetVal& wanted, KuvEVCClassification& out);
};
