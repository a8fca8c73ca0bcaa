#include "KuvCoreFilteringComparison.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "KuvBioBuffer.h"
#include "KuvBioFilter.h"
#include "KuvInIntHolder.h"
#include "KuvInList.h"
#include "KuvInSetVal.h"
#include "KuvMallocArray.h"

KUV_DEFINE_TYPE(KuvCoreFilteringComparison, KuvInObject)

namespace {

using Test = KuvFilteringComparison::E_COMPARE_TEST_TYPE;

KuvInTraceClass& traceChannel() { return KuvCoreFilteringComparison::traceChannel(); }

// Reads from a copy: the caller's buffers are const and keep their cursor.
std::unique_ptr<KuvFilterable> readFilterable(const KuvBioBuffer& stored, KuvExpressionView view) {
  KuvBioBuffer in(stored);
  KuvInSetVal wanted(KuvInIntHolder::sType());
  wanted.Put(KuvInIntHolder(static_cast<std::uint32_t>(view)));
  KuvFilterable* filterable = nullptr;
  if (FAILED(KuvBioFilterable::read(in, wanted, filterable))) return nullptr;
  return std::unique_ptr<KuvFilterable>(filterable);
}

// One int per listed binary: compareWith's answer for the filterable it
// holds, or -1 when it cannot be read or holds no form for view.
// compareWith(filterables, answers) is the comparison of the objects.
template <class CompareWith>
HRESULT compareEach(const Test& test, const KuvInList& binaries, KuvExpressionView view, int*& results,
                    CompareWith compareWith) {
  results = nullptr;
  if (test != KuvFilteringComparison::CompareEqual && test != KuvFilteringComparison::CompareIntersect &&
      test != KuvFilteringComparison::CompareIncluded)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: UNEXPECTED.");
  const std::int32_t n = binaries.GetLength();
  if (n == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Empty input list.");
  kuv::detail::MallocArray<int> out = kuv::detail::allocateArray<int>(static_cast<std::size_t>(n));
  if (!out) KUV_RETURN_ERROR(E_OUTOFMEMORY, "ERROR: out of memory");
  // The readable objects go to one comparison, so the reference's negation
  // is built once for the whole list.
  std::vector<std::unique_ptr<KuvFilterable>> read;
  std::vector<std::int32_t> positions;
  KuvInList readable(KuvFilterable::sType());
  for (std::int32_t i = 0; i < n; ++i) {
    out.get()[i] = -1;
    const KuvInObject* object = binaries.Get(i);
    const KuvBioBuffer* binary = object != nullptr ? KuvBioBuffer::cast(*object) : nullptr;
    std::unique_ptr<KuvFilterable> filterable = binary != nullptr ? readFilterable(*binary, view) : nullptr;
    if (!filterable || filterable->getDnf(view) == nullptr) continue;
    readable.PutBack(filterable.get());
    positions.push_back(i);
    read.push_back(std::move(filterable));
  }
  if (view < CFG_EXPRVIEW_SOURCE || view > CFG_EXPRVIEW_NONE)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: ConvertExpressionView_Enum_To_Id FAILED.");
  if (!positions.empty()) {
    unsigned char* answers = nullptr;
    const HRESULT hr = compareWith(readable, answers);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Compare_Filterable_To_Filterable FAILED.");
    for (std::size_t k = 0; k < positions.size(); ++k) out.get()[positions[k]] = answers[k];
    std::free(answers);
  }
  results = out.release();
  return S_OK;
}

}  // namespace

HRESULT KuvCoreFilteringComparison::Compare_Filter_To_Filterable(const Test& test, const KuvBioBuffer& filter,
                                                                 const KuvInList& filterables,
                                                                 KuvExpressionView view, int*& results) {
  KUV_TRACE_CALL("Compare_Filter_To_Filterable");
  results = nullptr;
  KuvBioBuffer in(filter);
  KuvFilter* read = nullptr;
  if (FAILED(KuvBioFilter::read(in, read))) KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvBioFilter::read FAILED.");
  const std::unique_ptr<KuvFilter> reference(read);
  if (reference->getDnf() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  return compareEach(test, filterables, view, results, [&](const KuvInList& objects, unsigned char*& answers) {
    auto objectView = static_cast<unsigned int>(view);
    return KuvFilteringComparison::Compare_Filter_To_Filterable(test, *reference, objects, objectView, answers);
  });
}

HRESULT KuvCoreFilteringComparison::Compare_Filterable_To_Filterable(const Test& test, const KuvBioBuffer& reference,
                                                                     KuvExpressionView referenceView,
                                                                     const KuvInList& filterables,
                                                                     KuvExpressionView view, int*& results) {
  KUV_TRACE_CALL("Compare_Filterable_To_Filterable");
  results = nullptr;
  const std::unique_ptr<KuvFilterable> read = readFilterable(reference, referenceView);
  if (!read || read->getDnf(referenceView) == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvBioFilterable::read FAILED.");
  return compareEach(test, filterables, view, results, [&](const KuvInList& objects, unsigned char*& answers) {
    auto ownView = static_cast<unsigned int>(referenceView);
    auto objectView = static_cast<unsigned int>(view);
    return KuvFilteringComparison::Compare_Filterable_To_Filterable(test, *read, ownView, objects, objectView,
                                                                    answers);
  });
}
