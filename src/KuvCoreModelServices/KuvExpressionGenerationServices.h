// KuvExpressionGenerationServices: builds expressions from criteria a host
// picked in its dictionaries: a variable effectivity selecting one
// dictionary object, a filter over a model, an effectivity expression.
//
//     KuvEeVarEff* eff = nullptr;
//     KuvExpressionGenerationServices::GenerateVarEffWithDicoObject(red, &model, eff);  // Colour{Red}
//
//     KuvInMap builds(KuvInObjectPtr::sType(), KuvInSetVal::sType());  // model -> unit numbers
//     KuvEeFilterExpression* filter = nullptr;
//     KuvExpressionGenerationServices::GenerateFilterExpression(&model, criteria, builds,
//         KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT, filter);
//
// Criteria are selection values, serial revisions and tree-series elements
// (KuvEeDicoObject). Results belong to the caller; the out pointers must be
// null on entry and stay null on failure. Codes: E_INVALIDARG for a refused
// argument, E_FAIL for a failed step, each with its error traced.
#pragma once

#include "KuvEeFilterExpression.h"
#include "KuvInObject.h"

class KuvEeDicoObject;
class KuvEeEffectivityExpression;
class KuvEeExpressionContext;
class KuvEeModelDico;
class KuvEeVarEff;
class KuvInMap;
class KuvInSet;

class KUV_API KuvExpressionGenerationServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvExpressionGenerationServices)

public:
  KuvExpressionGenerationServices() = delete;

  // The effectivity selecting object alone: the single value of a selection
  // value, [n,n] of a serial revision of sequence number n, the single
  // selection of a tree-series element. The object's variable must be
  // model's (E_INVALIDARG otherwise, and for another kind of object).
  static HRESULT GenerateVarEffWithDicoObject(KuvEeDicoObject* object, KuvEeModelDico* model, KuvEeVarEff*& varEff);

  // A filter of model whose list holds the effectivity of each criterion of
  // criteria (KuvEeDicoObject; several on one variable are united) and, per
  // entry of builds (KuvInObjectPtr of a model -> KuvInSetVal of
  // KuvInIntHolder unit sequence numbers), the unit serial effectivity of
  // those numbers on that model's unit variable. Both empty: E_INVALIDARG.
  static HRESULT GenerateFilterExpression(KuvEeModelDico* model, const KuvInSet& criteria, const KuvInMap& builds,
                                          KuvEeFilterExpression::SELECTION_MODE mode,
                                          KuvEeFilterExpression*& filter);

  // A new effectivity expression requiring every chosen criterion: for each
  // model of context (its main and inherited dictionaries) holding chosen
  // criteria or builds (same shapes as for the filter), the model's criteria
  // tree is the And of one variable-effectivity leaf per variable, the
  // criteria on one variable united as in the filter. No global criteria,
  // no inherited-effectivity trees, no operations. A criterion of no model
  // of context is refused (E_INVALIDARG); both inputs empty likewise.
  static HRESULT GenerateEffectivityExpression(const KuvEeExpressionContext& context, const KuvInSet& criteria,
                                               const KuvInMap& builds, KuvEeEffectivityExpression*& expression);
};
