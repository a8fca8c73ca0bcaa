// KuvCoreFilteringComparison: the comparisons of KuvFilteringComparison
// straight from stored "FLT" binaries (KuvBioFilter, KuvBioFilterable):
// one int per listed binary, 1, 0, or -1 for a binary that cannot be read
// or holds no normal form for the view, in a new array the caller frees
// with free(). The reference must be readable (E_FAIL otherwise). The
// buffers are read through copies: their cursors do not move.
#pragma once

#include "KuvExpressionView.h"
#include "KuvFilteringComparison.h"

class KuvBioBuffer;
class KuvInList;

class KUV_API KuvCoreFilteringComparison : public KuvInObject {
  KUV_DECLARE_TYPE(KuvCoreFilteringComparison)

public:
  // filterables: a KuvInList of KuvBioBuffer.
  static HRESULT Compare_Filter_To_Filterable(const KuvFilteringComparison::E_COMPARE_TEST_TYPE& test,
                                              const KuvBioBuffer& filter, const KuvInList& filterables,
                                              KuvExpressionView view, int*& results);
  static HRESULT Compare_Filterable_To_Filterable(const KuvFilteringComparison::E_COMPARE_TEST_TYPE& test,
                                                  const KuvBioBuffer& reference, KuvExpressionView referenceView,
                                                  const KuvInList& filterables, KuvExpressionView view,
                                                  int*& results);
};
