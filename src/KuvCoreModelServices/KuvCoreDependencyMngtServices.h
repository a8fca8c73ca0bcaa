// KuvCoreDependencyMngtServices: what a host stores for the definition of a
// generic expression: two dependency lists and the binary written against
// them (the first list then the second, as one list of positions), and the
// way back from those to a new expression; and what filtering reads of it,
// one normal form per applying view.
//
//     KuvInList finals(KuvEeDicoObject::sType()), others(KuvEeDicoObject::sType());
//     KuvBioBuffer* binary = nullptr;
//     KuvCoreDependencyMngtServices::CreateDefinitionDBData(expression, nullptr, finals, others, binary);
//     KuvEeGenericExpression* read = nullptr;
//     KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(*binary, finals, others, read);
//
// Every service answers S_OK, E_INVALIDARG for a refused argument or E_FAIL
// for a failed step, with its message on the error trace. Out pointers must
// be null on entry (E_INVALIDARG otherwise) and stay null on failure; what
// they receive is the caller's. The lists refer to the dictionary objects,
// which must outlive what is read against them.
#pragma once

#include "KuvExpressionView.h"
#include "KuvInList.h"
#include "KuvInObject.h"

class KuvBioBuffer;
class KuvEeGenericExpression;
class KuvEeVarSpace;
class KuvInSet;
class KuvInSetVal;

class KUV_API KuvCoreDependencyMngtServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvCoreDependencyMngtServices)

public:
  KuvCoreDependencyMngtServices() = delete;

  // Adds the expression's final dependencies, then its plain ones (see
  // KuvEeGenericExpression::GetDependencies). criteria, when given, holds
  // objects the definition depends on besides its expression; they count as
  // final dependencies.
  static HRESULT GetDefinitionSRDependencies(const KuvEeGenericExpression& expression,
                                             const KuvInSet* criteria, KuvInSet& finalDependencies,
                                             KuvInSet& dependencies);
  // binary: a new buffer owning the bytes of the expression written against
  // first then second.
  static HRESULT SerializeExpressionToBinaryExpr(const KuvEeGenericExpression& expression,
                                                 const KuvInList& first, const KuvInList& second,
                                                 KuvBioBuffer*& binary);
  // expression: a new expression read from binary against first then
  // second.
  static HRESULT UnserializeExpressionFromBinaryExpr(const KuvBioBuffer& binary, const KuvInList& first,
                                                     const KuvInList& second,
                                                     KuvEeGenericExpression*& expression);
  // Fills first with the final dependencies and second with the plain ones
  // that are not final (each list is cleared first and keeps one object
  // once), then writes the binary against them.
  static HRESULT CreateDefinitionDBData(const KuvEeGenericExpression& expression, const KuvInSet* criteria,
                                        KuvInList& first, KuvInList& second, KuvBioBuffer*& binary);
  // binary: a new buffer with what filtering reads of the expression, one
  // normal form per view of views (KuvInIntHolder values 0 to 2, taken in
  // increasing order): for a tree, a filterable holding them all; for a list
  // (a query), which takes exactly one view, a filter in that view (also
  // set into applyingView) with the list's mode as query mode. The variant
  // with a space marks either with the space's GUID. E_INVALIDARG for a view
  // that is not an integer holder.
  static HRESULT CreateEvaluationDBData(const KuvEeGenericExpression& expression, KuvBioBuffer*& binary,
                                        const KuvInSetVal& views, KuvExpressionView& applyingView);
  static HRESULT CreateEvaluationDBData(const KuvEeGenericExpression& expression, const KuvEeVarSpace& space,
                                        KuvBioBuffer*& binary, const KuvInSetVal& views,
                                        KuvExpressionView& applyingView);
  // With space null, a new space "GLOBAL_VOLATILE_VS" (GUID all zero) is
  // made; then a date variable with no name and the universal date GUID is
  // added to it. What is made goes into garbage, which the caller empties
  // and deletes after the space. E_INVALIDARG when garbage refuses either,
  // with nothing changed and space as on entry.
  static HRESULT GenerateVarSpaceWithVolatileUniversalDate(KuvEeVarSpace*& space, KuvInSet& garbage);
};
