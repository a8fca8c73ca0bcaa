#include "KuvPLMModelExprDataMgr.h"

#include "KuvBinaryExprData.h"
#include "KuvEeExpression.h"
#include "KuvEeSerialVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvEeVisitor_BinaryExprDataBuilder.h"
#include "KuvInList.h"
#include "KuvInMap.h"

KUV_DEFINE_TYPE(KuvPLMModelExprDataMgr, KuvInObject)

namespace {

using AddOperation = HRESULT (*)(KuvBinaryExprData&, KuvInObject&);

// The lists the builder fills, the add operation of each, and what a failure
// reports (the five expr criteria lists report alike).
struct Target {
  AddOperation add;
  const char* failure;
};

constexpr const char* sc_criteriaFailure = "ERROR : Unable to add ExprCriteria into dependencies list.";
constexpr Target sc_targets[] = {
    {[](KuvBinaryExprData& d, KuvInObject& o) { return d.addExprCriteria(o); }, sc_criteriaFailure},
    {[](KuvBinaryExprData& d, KuvInObject& o) { return d.addExprCriteriaRule(o); }, sc_criteriaFailure},
    {[](KuvBinaryExprData& d, KuvInObject& o) { return d.addExprCriteriaDefault(o); }, sc_criteriaFailure},
    {[](KuvBinaryExprData& d, KuvInObject& o) { return d.addExprCriteriaDismissed(o); }, sc_criteriaFailure},
    {[](KuvBinaryExprData& d, KuvInObject& o) { return d.addExprCriteriaIncompatible(o); },
     sc_criteriaFailure},
    {[](KuvBinaryExprData& d, KuvInObject& o) { return d.addExprImpactingCriteria(o); },
     "ERROR : Unable to add ExprImpactingCriteria into dependencies list."},
    {[](KuvBinaryExprData& d, KuvInObject& o) { return d.addCriteriaEeModel(o); },
     "ERROR : Unable to add CriteriaEeModel into dependencies list."},
    {[](KuvBinaryExprData& d, KuvInObject& o) { return d.addInheritedEffectivity(o); },
     "ERROR : Unable to add InheritedEffectivity into dependencies list."},
    {[](KuvBinaryExprData& d, KuvInObject& o) { return d.addInheritedEffectivityModel(o); },
     "ERROR : Unable to add InheritedEffectivityModel into dependencies list."},
};

// A revision at an infinite sequence number stands for an open end, which
// binaries write without an index.
bool isInfiniteRevision(const KuvInObject& obj) {
  const KuvEeSerialVarValue* value = KuvEeSerialVarValue::cast(obj);
  if (value == nullptr) return false;
  const auto seqNumber = static_cast<std::int32_t>(value->getSeqNumber());
  return seqNumber == KuvEeSerialVar::sc_infinity || seqNumber == -KuvEeSerialVar::sc_infinity;
}

}  // namespace

KuvPLMModelExprDataMgr::~KuvPLMModelExprDataMgr() = default;

HRESULT KuvPLMModelExprDataMgr::ComputeBinaryExprData(const KuvInMap& expressionsByDomain,
                                                      const KuvEeExpressionContext& context,
                                                      KuvBinaryExprData& data, std::uint8_t flag) {
  KUV_TRACE_CALL("ComputeBinaryExprData");
  if (expressionsByDomain.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  constexpr std::int32_t nbTargets = KuvEeVisitor_BinaryExprDataBuilder::NbDependencies;
  KuvInList found[nbTargets];
  for (KuvInMap::const_iterator it = expressionsByDomain.cBegin(); !it.IsEnd(); it.Next()) {
    const KuvInObject* value = it.GetVal();
    const KuvEeExpression* expression = value != nullptr ? KuvEeExpression::cast(*value) : nullptr;
    if (expression == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : unexpected null pointer from map");
    if (FAILED(KuvEeVisitor_BinaryExprDataBuilder::getBinaryExprDataDependenciesLists(
            *expression, found[0], found[1], found[2], found[3], found[4], found[5], found[6], found[7],
            found[8], flag)))
      KUV_RETURN_ERROR(
          E_FAIL, "ERROR : KuvEeVisitor_BinaryExprDataBuilder::getBinaryExprDataDependenciesLists FAILED");
  }
  for (std::int32_t kind = 0; kind < nbTargets; ++kind) {
    for (std::int32_t i = 0; i < found[kind].GetLength(); ++i) {
      KuvInObject& obj = *found[kind].Get(i);
      if (isInfiniteRevision(obj)) {
        KUV_TRACE_DETAIL("################# 'INF' serial value ignored for pointed dependencies.");
        continue;
      }
      if (FAILED(sc_targets[kind].add(data, obj))) KUV_RETURN_ERROR(E_FAIL, sc_targets[kind].failure);
    }
  }
  if (FAILED(data.createVolatileCriteriaList(context)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR : createVolatileCriteriaList FAILED");
  return S_OK;
}
