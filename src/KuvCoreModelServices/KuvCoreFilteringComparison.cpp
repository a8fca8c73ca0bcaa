#include "KuvCoreFilteringComparison.h"

KUV_DEFINE_TYPE(KuvCoreFilteringComparison, KuvInObject)

HRESULT KuvCoreFilteringComparison::Compare_Filter_To_Filterable(const KuvFilteringComparison::E_COMPARE_TEST_TYPE&,
                                                                 const KuvBioBuffer&, const KuvInList&,
                                                                 KuvExpressionView, int*& results) {
  results = nullptr;
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented until compiled binaries can be read");
}

HRESULT KuvCoreFilteringComparison::Compare_Filterable_To_Filterable(
    const KuvFilteringComparison::E_COMPARE_TEST_TYPE&, const KuvBioBuffer&, KuvExpressionView, const KuvInList&,
    KuvExpressionView, int*& results) {
  results = nullptr;
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented until compiled binaries can be read");
}
