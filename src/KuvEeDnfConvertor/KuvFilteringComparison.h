// KuvFilteringComparison: one reference normal form against a list of
// them, in one call: for each listed form one result byte (1 true, 0
// false) in a new array the caller frees with free().
//
// The exclusive-variables switch is set for the call (0 when the
// environment defines "CFG_ENABLE_EXCLUSIVES_VARIABLES", otherwise the
// negation of exclusive) and restored on every way out.
#pragma once

#include "KuvDnf.h"

class KuvFilter;
class KuvFilterable;
class KuvInList;

class KUV_API KuvFilteringComparison : public KuvInObject {
  KUV_DECLARE_TYPE(KuvFilteringComparison)

public:
  // 0 equality, 1 intersection, 2 each listed form included in the
  // reference.
  enum E_COMPARE_TEST_TYPE : std::int32_t { CompareEqual = 0, CompareIntersect = 1, CompareIncluded = 2 };

  // dnfs: a KuvInList of KuvDnf. E_FAIL for an empty list.
  static HRESULT Compare_DNF_To_DNF(const E_COMPARE_TEST_TYPE& test, const KuvDnf& reference, const KuvInList& dnfs,
                                    unsigned char*& results, unsigned char exclusive);
  // The same on the filter's normal form and each filterable's (a KuvInList
  // of KuvFilterable) for view; exclusive variables are honoured. E_FAIL
  // when a form is missing. Defined beside the filter objects (KuvFiltering),
  // which this module comes before.
  static HRESULT Compare_Filter_To_Filterable(const E_COMPARE_TEST_TYPE& test, const KuvFilter& filter,
                                              const KuvInList& filterables, unsigned int& view,
                                              unsigned char*& results);
  // The reference's form for referenceView against each listed one's for
  // view.
  static HRESULT Compare_Filterable_To_Filterable(const E_COMPARE_TEST_TYPE& test, const KuvFilterable& reference,
                                                  unsigned int& referenceView, const KuvInList& filterables,
                                                  unsigned int& view, unsigned char*& results);
};
