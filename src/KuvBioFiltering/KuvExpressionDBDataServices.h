// KuvExpressionDBDataServices: the compiled binary of an object, made once
// when the object is saved, from its expressions per diversity domain.
//
//     KuvInMap byDomain(KuvInIntHolder::sType(), KuvEeExpression::sType());
//     byDomain.Put(KuvInIntHolder(KuvDiversityDomain_ConfigChange), &effectivity);
//     KuvInSet views(KuvInIntHolder::sType());
//     views.Put(&current);  // a KuvInIntHolder(CFG_EXPRVIEW_CURRENT)
//     KuvBioBufferOut out;
//     HRESULT hr = KuvExpressionDBDataServices::ComputeCompiledBinary(byDomain, out, views, CFG_EXPRVIEW_CURRENT);
//
// The map's keys are KuvInIntHolder domain ids (1..5), its values the
// expressions (not owned), all of one kind, which chooses the object:
// effectivity expressions give a KuvFltEffectivity, filter expressions a
// KuvFltFilter, change expressions a KuvFltApplicability, composition
// matrix expressions a KuvFltCompositionMatrix.
//
// Choices of this library:
// - An effectivity gets one view per KuvInIntHolder of the view set: a copy
//   of the expression brought to that view (transformToView over its own
//   dictionaries; view 3 leaves it as it is), then per dictionary with
//   model criteria the normal form of the global criteria And the
//   dictionary's. Global criteria without any dictionary hold for every
//   dictionary: their form goes under the zero GUID, which filtering meets
//   with the filter's forms of any dictionary (the dictionary flag set);
//   a comparison by dictionary (flag clear) finds no counterpart. An
//   expression with no criteria at all gets no form, so no domain: visible
//   to every filter. An empty set stands for view 3 alone.
// - A filter has the given view and the selection mode of its first
//   domain's expression; each domain holds the expression's normal form
//   under its dictionary's GUID.
// - The views a host asks for by themselves (ComputeEffectivityViews) are
//   the same copies, before any normal form.
// - An applicability holds, for each dictionary of each change expression,
//   its normal form; a composition matrix the normal form of each IF and
//   THEN tree under its dictionary's GUID.
#pragma once

#include "KuvBioBufferOut.h"
#include "KuvExpressionView.h"
#include "KuvFltObject.h"

class KuvFltApplicability;
class KuvFltCompositionMatrix;
class KuvFltEffectivity;
class KuvFltFilter;
class KuvEeEffectivityExpression;
class KuvInList;
class KuvInListVal;
class KuvInMap;
class KuvInSet;

class KUV_API KuvExpressionDBDataServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvExpressionDBDataServices)

public:
  KuvExpressionDBDataServices() = delete;

  // BuildFilteringObject, then KuvCompiledBinaryParser::Write appends the
  // binary to out (unchanged on failure).
  static HRESULT ComputeCompiledBinary(const KuvInMap& expressionsByDomain, KuvBioBufferOut& out,
                                       const KuvInSet& views, KuvExpressionView view);
  // object: null on entry (E_INVALIDARG), then the new object, the
  // caller's; null on failure.
  static HRESULT BuildFilteringObject(const KuvInMap& expressionsByDomain, KuvFltObject*& object,
                                      const KuvInSet& views, KuvExpressionView view);
  static HRESULT BuildFltEffectivity(const KuvInMap& expressionsByDomain, const KuvInSet& views,
                                     KuvFltEffectivity*& effectivity);
  static HRESULT BuildFltFilter(const KuvInMap& expressionsByDomain, KuvExpressionView view, KuvFltFilter*& filter);
  static HRESULT BuildFltApplicability(const KuvInMap& expressionsByDomain, KuvFltApplicability*& applicability);
  static HRESULT BuildFltCompositionMatrix(const KuvInMap& expressionsByDomain, KuvFltCompositionMatrix*& matrix);
  // Appends to viewed, in the order of views (KuvInIntHolder values 0 to 3,
  // repeats kept), a new copy of expression brought to each view, as
  // BuildFltEffectivity does. The copies belong to garbage, where they are
  // put too: the caller deletes what garbage holds, viewed only refers to
  // them. S_FALSE when views is empty. E_INVALIDARG for a view that is not
  // an integer holder or out of range, or a list or set that cannot hold
  // effectivity expressions; E_FAIL when a view fails. On failure viewed and
  // garbage are left as they were.
  static HRESULT ComputeEffectivityViews(const KuvEeEffectivityExpression& expression, const KuvInListVal& views,
                                         KuvInList& viewed, KuvInSet& garbage);
};
