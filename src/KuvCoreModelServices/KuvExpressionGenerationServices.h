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

  // A new effectivity expression requiring every chosen criterion, the
  // least a host can refine: each criterion's model is looked up among the
  // context's main, then inherited dictionaries (E_INVALIDARG when none has
  // it); builds are as for the filter. Each model with criteria or builds
  // gets a criteria tree that is an And (even of one leaf) of one
  // variable-effectivity leaf per variable, criteria on one variable united
  // as in the filter. No global criteria, no inherited-effectivity trees, no
  // operations. Both inputs empty: E_INVALIDARG.
  static HRESULT GenerateEffectivityExpression(const KuvEeExpressionContext& context, const KuvInSet& criteria,
                                               const KuvInMap& builds, KuvEeEffectivityExpression*& expression);
};
