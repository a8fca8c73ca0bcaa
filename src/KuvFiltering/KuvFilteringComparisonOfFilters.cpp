// KuvFilteringComparison's overloads on filters and filterables: the class
// is declared with the normal-form comparisons, which come before the
// filter objects in the module order, so these live here.
#include "KuvFilter.h"
#include "KuvFilterable.h"
#include "KuvFilteringComparison.h"
#include "KuvInList.h"

namespace {

KuvInTraceClass& traceChannel() { return KuvFilteringComparison::traceChannel(); }

// The normal forms of the listed filterables for view, in list order.
HRESULT formsOf(const KuvInList& filterables, unsigned int view, KuvInList& forms) {
  for (std::int32_t i = 0; i < filterables.GetLength(); ++i) {
    const KuvInObject* object = filterables.Get(i);
    const KuvFilterable* filterable = object != nullptr ? KuvFilterable::cast(*object) : nullptr;
    if (filterable == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved element isn't a KuvFilterable.");
    const KuvDnf* dnf = filterable->getDnf(static_cast<KuvExpressionView>(view));
    if (dnf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: getDnf() returned NULL pointer");
    // The list only lends the forms to the comparison, which reads them.
    forms.PutBack(const_cast<KuvDnf*>(dnf));
  }
  return S_OK;
}

HRESULT compare(const KuvFilteringComparison::E_COMPARE_TEST_TYPE& test, const KuvDnf* reference,
                const KuvInList& filterables, unsigned int view, unsigned char*& results) {
  results = nullptr;
  if (reference == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: getDnf() returned NULL pointer");
  KuvInList forms(KuvDnf::sType());
  const HRESULT hr = formsOf(filterables, view, forms);
  if (FAILED(hr)) return hr;
  // Exclusive serial variables are off here unless the environment turns them on.
  return KuvFilteringComparison::Compare_DNF_To_DNF(test, *reference, forms, results, 0);
}

}  // namespace

HRESULT KuvFilteringComparison::Compare_Filter_To_Filterable(const E_COMPARE_TEST_TYPE& test, const KuvFilter& filter,
                                                             const KuvInList& filterables, unsigned int& view,
                                                             unsigned char*& results) {
  KUV_TRACE_CALL("Compare_Filter_To_Filterable");
  return compare(test, filter.getDnf(), filterables, view, results);
}

HRESULT KuvFilteringComparison::Compare_Filterable_To_Filterable(const E_COMPARE_TEST_TYPE& test,
                                                                 const KuvFilterable& reference,
                                                                 unsigned int& referenceView,
                                                                 const KuvInList& filterables, unsigned int& view,
                                                                 unsigned char*& results) {
  KUV_TRACE_CALL("Compare_Filterable_To_Filterable");
  return compare(test, reference.getDnf(static_cast<KuvExpressionView>(referenceView)), filterables, view, results);
}
