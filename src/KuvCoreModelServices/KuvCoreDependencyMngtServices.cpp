#include "KuvCoreDependencyMngtServices.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "KuvBinaryExprReader.h"
#include "KuvBinaryExprWriter.h"
#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvBioFilter.h"
#include "KuvDnf.h"
#include "KuvEeDateVar.h"
#include "KuvEeExpressionToolbox.h"
#include "KuvEeGenericExpression.h"
#include "KuvEeVarSpace.h"
#include "KuvFilter.h"
#include "KuvFilterable.h"
#include "KuvInGuid.h"
#include "KuvInIntHolder.h"
#include "KuvInSet.h"
#include "KuvInSetVal.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvCoreDependencyMngtServices, KuvInObject)

namespace {

KuvInList joined(const KuvInList& first, const KuvInList& second) {
  KuvInList all;
  all.PutBackList(first);
  all.PutBackList(second);
  return all;
}

void fill(KuvInList& list, const KuvInSet& set, const KuvInSet* skipped) {
  for (KuvInSet::const_iterator it = set.cBegin(); it.IsValid();) {
    KuvInObject* obj = it.GetGoToNext();
    if (skipped == nullptr || !skipped->Find(obj)) list.PutBack(obj);
  }
}

KuvInTraceClass& channel() { return KuvCoreDependencyMngtServices::traceChannel(); }

// The normal form of expression in view; null on failure (traced). A list
// has no tree to bring to a view: its criteria stand as they are.
std::unique_ptr<KuvDnf> dnfInView(const KuvEeGenericExpression& expression, KuvExpressionView view) {
  std::unique_ptr<KuvEeGenericExpression> copy;
  if (!expression.IsList()) {
    copy = std::make_unique<KuvEeGenericExpression>(expression.GetNodeRefClone());
    if (FAILED(KuvEeExpressionToolbox::ComputeView(
            *copy, static_cast<KuvEeExpressionToolbox::ExpressionView>(view), 0))) {
      KUV_TRACE_ERROR_ON(channel(), "ERROR: ComputeView.");
      return nullptr;
    }
  }
  KuvDnf* dnf = nullptr;
  const HRESULT hr = (copy != nullptr ? *copy : expression).GetDNF(dnf);
  std::unique_ptr<KuvDnf> owned(dnf);
  if (FAILED(hr) || owned == nullptr) {
    KUV_TRACE_ERROR_ON(channel(), "ERROR: GetDNF failed");
    return nullptr;
  }
  return owned;
}

HRESULT evaluationData(const KuvEeGenericExpression& expression, const KuvEeVarSpace* space,
                       KuvBioBuffer*& binary, const KuvInSetVal& views, KuvExpressionView& applyingView) {
  if (binary != nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_INVALIDARG,
                        "ERROR: Output KuvBioBuffer pointer is not null. Pointed object may be lost.");
  std::vector<std::int32_t> wanted;
  for (KuvInSetVal::const_iterator it = views.cBegin(); it.IsValid();) {
    const KuvInObject* view = it.GetGoToNext();
    const KuvInIntHolder* number = view != nullptr ? KuvInIntHolder::cast(*view) : nullptr;
    if (number == nullptr)
      KUV_RETURN_ERROR_ON(channel(), E_INVALIDARG, "ERROR: view identifiers should be KuvInIntHolder");
    wanted.push_back(number->getValue());
  }
  std::sort(wanted.begin(), wanted.end());
  std::vector<std::unique_ptr<KuvFilteringView>> made;
  for (const std::int32_t view : wanted) {
    std::unique_ptr<KuvDnf> dnf = dnfInView(expression, static_cast<KuvExpressionView>(view));
    if (dnf == nullptr) return E_FAIL;
    made.push_back(std::make_unique<KuvFilteringView>(static_cast<KuvExpressionView>(view), dnf.release()));
  }
  const KuvInGuid varSpace = space != nullptr ? space->getGuid() : KuvInGuid();
  KuvBioBufferOut out;
  HRESULT written = S_OK;
  if (expression.IsList()) {
    if (made.size() != 1)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL,
                          "ERROR: we should have one and only one filtering view for a query");
    const KuvExpressionView view = made[0]->getView();
    const KuvFilter filter(view, new KuvDnf(*made[0]->getDnf()), expression.GetMode(), varSpace);
    written = KuvBioFilter::write(filter, out);
    if (SUCCEEDED(written)) applyingView = view;
  } else {
    KuvFilterable filterable(varSpace);
    for (auto& view : made) filterable.addView(view.release());
    written = KuvBioFilterable::write(filterable, out);
  }
  if (FAILED(written)) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: write failed");
  binary = new KuvBioBuffer(out.GetAsPtr(0), out.GetLength(), 1);
  return S_OK;
}

}  // namespace

HRESULT KuvCoreDependencyMngtServices::CreateEvaluationDBData(const KuvEeGenericExpression& expression,
                                                              KuvBioBuffer*& binary, const KuvInSetVal& views,
                                                              KuvExpressionView& applyingView) {
  KUV_TRACE_CALL("CreateEvaluationDBData");
  return kuv::detail::unlessOutOfMemory(
      traceChannel(), [&] { return evaluationData(expression, nullptr, binary, views, applyingView); });
}

HRESULT KuvCoreDependencyMngtServices::CreateEvaluationDBData(const KuvEeGenericExpression& expression,
                                                              const KuvEeVarSpace& space,
                                                              KuvBioBuffer*& binary, const KuvInSetVal& views,
                                                              KuvExpressionView& applyingView) {
  KUV_TRACE_CALL("CreateEvaluationDBData");
  return kuv::detail::unlessOutOfMemory(
      traceChannel(), [&] { return evaluationData(expression, &space, binary, views, applyingView); });
}

HRESULT KuvCoreDependencyMngtServices::GetDefinitionSRDependencies(const KuvEeGenericExpression& expression,
                                                                   const KuvInSet* criteria,
                                                                   KuvInSet& finalDependencies,
                                                                   KuvInSet& dependencies) {
  KUV_TRACE_CALL("GetDefinitionSRDependencies");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (FAILED(expression.GetFinalDependencies(finalDependencies)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvEeGenericExpression::GetFinalDependencies FAILED.");
    if (criteria != nullptr)
      for (KuvInSet::const_iterator it = criteria->cBegin(); it.IsValid();)
        finalDependencies.Put(it.GetGoToNext());
    if (FAILED(expression.GetDependencies(dependencies)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvEeGenericExpression::GetDependencies -> FAILED.");
    return S_OK;
  });
}

HRESULT KuvCoreDependencyMngtServices::SerializeExpressionToBinaryExpr(
    const KuvEeGenericExpression& expression, const KuvInList& first, const KuvInList& second,
    KuvBioBuffer*& binary) {
  KUV_TRACE_CALL("SerializeExpressionToBinaryExpr");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (binary != nullptr)
      KUV_RETURN_ERROR(E_INVALIDARG,
                       "ERROR: Output KuvBioBuffer pointer is not null. Pointed object may be lost.");
    KuvBioBufferOut out;
    if (FAILED(KuvBinaryExprWriter::Write(expression, joined(first, second), out)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvBinaryExprWriter::Write() FAILED.");
    binary = new KuvBioBuffer(out.GetAsPtr(0), out.GetLength(), 1);
    return S_OK;
  });
}

HRESULT KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(
    const KuvBioBuffer& binary, const KuvInList& first, const KuvInList& second,
    KuvEeGenericExpression*& expression) {
  KUV_TRACE_CALL("UnserializeExpressionFromBinaryExpr");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (expression != nullptr)
      KUV_RETURN_ERROR(
          E_INVALIDARG,
          "ERROR: Output KuvEeGenericExpression pointer is not null. Pointed object may be lost.");
    KuvEeGenericExpression* read = nullptr;
    const HRESULT hr =
        KuvBinaryExprReader::Read(binary.getBytes(), binary.getSize(), joined(first, second), read);
    std::unique_ptr<KuvEeGenericExpression> owned(read);
    if (FAILED(hr) || owned == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvBinaryExprReader::Read returned NULL pointer.");
    expression = owned.release();
    return S_OK;
  });
}

HRESULT KuvCoreDependencyMngtServices::CreateDefinitionDBData(const KuvEeGenericExpression& expression,
                                                              const KuvInSet* criteria, KuvInList& first,
                                                              KuvInList& second, KuvBioBuffer*& binary) {
  KUV_TRACE_CALL("CreateDefinitionDBData");
  if (binary != nullptr)
    KUV_RETURN_ERROR(E_INVALIDARG,
                     "ERROR: Output KuvBioBuffer pointer is not null. Pointed object may be lost.");
  first.Clear();
  second.Clear();
  // Out of memory, the lists are left empty as after any failure.
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        KuvInSet finals;
        KuvInSet all;
        if (FAILED(GetDefinitionSRDependencies(expression, criteria, finals, all)))
          KUV_RETURN_ERROR(E_FAIL,
                           "ERROR: KuvCoreDependencyMngtServices::GetDefinitionSRDependencies() FAILED.");
        fill(first, finals, nullptr);
        fill(second, all, &finals);
        if (FAILED(SerializeExpressionToBinaryExpr(expression, first, second, binary))) {
          first.Clear();
          second.Clear();
          KUV_RETURN_ERROR(E_FAIL,
                           "ERROR: KuvCoreDependencyMngtServices::SerializeExpressionToBinaryExpr() FAILED.");
        }
        return S_OK;
      },
      kuv::detail::emptying(first, second));
}

HRESULT KuvCoreDependencyMngtServices::GenerateVarSpaceWithVolatileUniversalDate(KuvEeVarSpace*& space,
                                                                                 KuvInSet& garbage) {
  KUV_TRACE_CALL("GenerateVarSpaceWithVolatileUniversalDate");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    std::unique_ptr<KuvEeVarSpace> made;
    if (space == nullptr) {
      const unsigned char zero[KuvInGuid::sc_size] = {};
      made = std::make_unique<KuvEeVarSpace>(KuvInString("GLOBAL_VOLATILE_VS"), zero);
    }
    KuvEeVarSpace* target = made != nullptr ? made.get() : space;
    const unsigned char universal[KuvInGuid::sc_size] = {1};
    auto date = std::make_unique<KuvEeDateVar>(KuvInString(), universal);
    // The garbage must take everything before the space is touched: the space
    // cannot give a date variable back.
    if (!garbage.Put(date.get()))
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: the garbage set refuses the date variable.");
    if (made != nullptr && !garbage.Put(made.get())) {
      garbage.Remove(date.get());
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: the garbage set refuses the variable space.");
    }
    if (FAILED(kuv::detail::throwIfOutOfMemory(target->addDateVar(date.get())))) {
      garbage.Remove(date.get());
      if (made != nullptr) garbage.Remove(made.get());
      KUV_RETURN_ERROR(E_FAIL, "ERROR: addDateVar FAILED.");
    }
    date.release();
    if (made != nullptr) space = made.release();
    return S_OK;
  });
}
