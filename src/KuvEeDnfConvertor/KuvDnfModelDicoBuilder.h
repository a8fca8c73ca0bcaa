// KuvDnfModelDicoBuilder: creates in a model dictionary and its expression
// context the dictionary objects a normal form names (features and
// options, selection variables and values, serial series, the date, the
// predefined effectivities, restricted variables), so that the form can be
// turned back into a tree. Objects already known (same GUID) are reused.
// New objects are named by the modeler access, or by their GUID.
//
// Ownership: what buildMD creates goes where the engine's adders put it:
// categories, options, selection variables and predefined effectivities
// to the context (AddConfigFeature, AddConfigFeatureOption, AddChangeRef),
// selection values to their variable, series, tree series, date variables
// and milestone tracks to their model, models met through serial leaves to
// the context. Nothing is the caller's, and a failure leaves what was
// already registered in place.
#pragma once

#include "KuvInObject.h"

#include "KuvDnf.h"

class KuvEeExpressionContext;
class KuvEeModelDico;
class KuvIDictionaryModelerAccess;

class KUV_API KuvDnfModelDicoBuilder : public KuvInObject {
  KUV_DECLARE_TYPE(KuvDnfModelDicoBuilder)

public:
  static HRESULT buildMD(const KuvDnf& dnf, KuvEeModelDico& model, KuvEeExpressionContext& context,
                         const KuvIDictionaryModelerAccess* access);
  // The access's name for guid, or, without access or name, the GUID's 16
  // bytes as 32 upper-case hexadecimal digits.
  static HRESULT createName(const KuvInGuid& guid, const KuvIDictionaryModelerAccess* access, KuvInString& name);
};
