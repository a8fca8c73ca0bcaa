// KuvEeDnfMilestonesEff and KuvEeDnfTreeSeriesEff: constraints on a
// milestone track or a tree series that stand for an effectivity of the
// disjunctive normal form model, to which they refer and whose content and
// flags they report.
//
// That model does not exist yet: no effectivity is related, the flags read
// false, and every operation that needs the related effectivity (equals,
// the combinations with another effectivity of the same variable, opNot,
// opNotDom) answers E_NOTIMPL or, for opNot and switchNoVar, which have no
// result, traces it and changes nothing. Whoever negates a variable
// effectivity asks refusesNegation first and answers E_NOTIMPL itself, so
// that no negation is silently lost. Combining with an effectivity of
// another variable is no merge, as for every kind.
#pragma once

#include "KuvEeVarEff.h"

class KuvEeMilestonesVar;
class KuvEeTreeSeriesVar;

namespace kuv::detail {

class KUV_API DnfTreeEff : public KuvEeVarEff {
public:
  // Whether eff is of these kinds, whose opNot cannot take effect yet.
  static bool refusesNegation(const KuvEeVarEff& eff);

  HRESULT equals(const KuvEeVarEff* other, bool& equal) const override;
  void opNot() override;
  HRESULT opNotDom() override;
  bool isNegated() const override { return false; }
  bool getNoVar() const override { return false; }
  void switchNoVar() override;

protected:
  explicit DnfTreeEff(KuvEeVariable* var) : KuvEeVarEff(var) {}
  DnfTreeEff(const DnfTreeEff&) = default;

  HRESULT partAnd(const KuvEeVarEff& other) override;
  HRESULT partCut(const KuvEeVarEff& other) override;
  HRESULT partCutFrom(const KuvEeVarEff& other) override;
  HRESULT partAdd(const KuvEeVarEff& other) override;
  // Unknown without the related effectivity: never a constant.
  bool isPartEmpty() const override { return false; }
  void setNegated(bool) override {}
  void setNoVar(bool) override {}
};

}  // namespace kuv::detail

class KUV_API KuvEeDnfMilestonesEff : public kuv::detail::DnfTreeEff {
  KUV_DECLARE_TYPE(KuvEeDnfMilestonesEff)

public:
  explicit KuvEeDnfMilestonesEff(KuvEeMilestonesVar* var);
  KuvEeDnfMilestonesEff(const KuvEeDnfMilestonesEff& other) = default;
  ~KuvEeDnfMilestonesEff() override;

  KuvEeVarEff* createVarEffClone() const override;
  // The related effectivity of the normal-form model; null for now.
  KuvInObject* getRelatedDnfMilestonesEff() const { return nullptr; }
  // "DnfMilestonesEff( " + variable name + " )".
  KuvInString toString() const override;

protected:
  bool isSameKind(const KuvEeVarEff& other) const override;
};

class KUV_API KuvEeDnfTreeSeriesEff : public kuv::detail::DnfTreeEff {
  KUV_DECLARE_TYPE(KuvEeDnfTreeSeriesEff)

public:
  explicit KuvEeDnfTreeSeriesEff(KuvEeTreeSeriesVar* var);
  KuvEeDnfTreeSeriesEff(const KuvEeDnfTreeSeriesEff& other) = default;
  ~KuvEeDnfTreeSeriesEff() override;

  KuvEeVarEff* createVarEffClone() const override;
  // The related effectivity of the normal-form model; null for now.
  KuvInObject* getRelatedDnfTreeSeriesEff() const { return nullptr; }
  // "DnfTreeSeriesEff( " + variable name + " )".
  KuvInString toString() const override;

protected:
  bool isSameKind(const KuvEeVarEff& other) const override;
};
