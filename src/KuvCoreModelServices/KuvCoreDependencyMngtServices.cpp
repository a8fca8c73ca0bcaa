#include "KuvCoreDependencyMngtServices.h"

#include <memory>

#include "KuvBinaryExprReader.h"
#include "KuvBinaryExprWriter.h"
#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvEeDateVar.h"
#include "KuvEeGenericExpression.h"
#include "KuvEeVarSpace.h"
#include "KuvInGuid.h"
#include "KuvInSet.h"

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

}  // namespace

HRESULT KuvCoreDependencyMngtServices::GetDefinitionSRDependencies(const KuvEeGenericExpression& expression,
                                                                   const KuvInSet* criteria,
                                                                   KuvInSet& finalDependencies,
                                                                   KuvInSet& dependencies) {
  KUV_TRACE_CALL("GetDefinitionSRDependencies");
  if (FAILED(expression.GetFinalDependencies(finalDependencies)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvEeGenericExpression::GetFinalDependencies FAILED.");
  if (criteria != nullptr)
    for (KuvInSet::const_iterator it = criteria->cBegin(); it.IsValid();) finalDependencies.Put(it.GetGoToNext());
  if (FAILED(expression.GetDependencies(dependencies)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvEeGenericExpression::GetDependencies -> FAILED.");
  return S_OK;
}

HRESULT KuvCoreDependencyMngtServices::SerializeExpressionToBinaryExpr(const KuvEeGenericExpression& expression,
                                                                       const KuvInList& first,
                                                                       const KuvInList& second,
                                                                       KuvBioBuffer*& binary) {
  KUV_TRACE_CALL("SerializeExpressionToBinaryExpr");
  if (binary != nullptr)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Output KuvBioBuffer pointer is not null. Pointed object may be lost.");
  KuvBioBufferOut out;
  if (FAILED(KuvBinaryExprWriter::Write(expression, joined(first, second), out)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvBinaryExprWriter::Write() FAILED.");
  binary = new KuvBioBuffer(out.GetAsPtr(0), out.GetLength(), 1);
  return S_OK;
}

HRESULT KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(const KuvBioBuffer& binary,
                                                                           const KuvInList& first,
                                                                           const KuvInList& second,
                                                                           KuvEeGenericExpression*& expression) {
  KUV_TRACE_CALL("UnserializeExpressionFromBinaryExpr");
  if (expression != nullptr)
    KUV_RETURN_ERROR(E_INVALIDARG,
                     "ERROR: Output KuvEeGenericExpression pointer is not null. Pointed object may be lost.");
  KuvEeGenericExpression* read = nullptr;
  const HRESULT hr = KuvBinaryExprReader::Read(binary.getBytes(), binary.getSize(), joined(first, second), read);
  std::unique_ptr<KuvEeGenericExpression> owned(read);
  if (FAILED(hr) || owned == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvBinaryExprReader::Read returned NULL pointer.");
  expression = owned.release();
  return S_OK;
}

HRESULT KuvCoreDependencyMngtServices::CreateDefinitionDBData(const KuvEeGenericExpression& expression,
                                                              const KuvInSet* criteria, KuvInList& first,
                                                              KuvInList& second, KuvBioBuffer*& binary) {
  KUV_TRACE_CALL("CreateDefinitionDBData");
  if (binary != nullptr)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Output KuvBioBuffer pointer is not null. Pointed object may be lost.");
  first.Clear();
  second.Clear();
  KuvInSet finals;
  KuvInSet all;
  if (FAILED(GetDefinitionSRDependencies(expression, criteria, finals, all)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvCoreDependencyMngtServices::GetDefinitionSRDependencies() FAILED.");
  fill(first, finals, nullptr);
  fill(second, all, &finals);
  if (FAILED(SerializeExpressionToBinaryExpr(expression, first, second, binary))) {
    first.Clear();
    second.Clear();
    KUV_RETURN_ERROR(E_FAIL, "ERROR: KuvCoreDependencyMngtServices::SerializeExpressionToBinaryExpr() FAILED.");
  }
  return S_OK;
}

HRESULT KuvCoreDependencyMngtServices::GenerateVarSpaceWithVolatileUniversalDate(KuvEeVarSpace*& space,
                                                                                 KuvInSet& garbage) {
  KUV_TRACE_CALL("GenerateVarSpaceWithVolatileUniversalDate");
  std::unique_ptr<KuvEeVarSpace> made;
  if (space == nullptr) {
    const unsigned char zero[KuvInGuid::sc_size] = {};
    made = std::make_unique<KuvEeVarSpace>(KuvInString("GLOBAL_VOLATILE_VS"), zero);
  }
  KuvEeVarSpace* target = made != nullptr ? made.get() : space;
  const unsigned char universal[KuvInGuid::sc_size] = {1};
  auto date = std::make_unique<KuvEeDateVar>(KuvInString(), universal);
  if (FAILED(target->addDateVar(date.get()))) KUV_RETURN_ERROR(E_FAIL, "ERROR: addDateVar FAILED.");
  garbage.Put(date.release());
  if (made != nullptr) {
    space = made.release();
    garbage.Put(space);
  }
  return S_OK;
}
