// KuvEeDnfMilestonesEff and KuvEeDnfTreeSeriesEff: constraints on a
// milestone track or a tree series held as an effectivity of the
// disjunctive normal form model (the related effectivity, owned), whose
// ranges and flags they are: negation, the no-value element and the
// combinations with another effectivity of the same kind and variable are
// those of the related effectivity.
//
// Without a related effectivity (which the library's conversions always
// give them, but a caller may leave out) the content is unknown: the flags
// read false, and every operation that needs it (equals, the combinations,
// opNotDom) answers E_UNEXPECTED or, for opNot and switchNoVar, which
// have no result, traces it and changes nothing. Whoever negates a variable
// effectivity asks refusesNegation first and answers E_UNEXPECTED itself, so
// that no negation is silently lost. Combining with an effectivity of another variable is no
// merge, as for every kind.
#pragma once

#include <memory>

#include "KuvDnfMilestonesEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvEeVarEff.h"

class KuvEeMilestonesVar;
class KuvEeTreeSeriesVar;

namespace kuv::detail {

class KUV_API DnfTreeEff : public KuvEeVarEff {
public:
  // eff as one of these kinds, or null.
  static const DnfTreeEff* cast(const KuvEeVarEff& eff);
  // Whether eff is of these kinds without a related effectivity, whose
  // opNot cannot take effect.
  static bool refusesNegation(const KuvEeVarEff& eff);

  HRESULT equals(const KuvEeVarEff* other, bool& equal) const override;
  void opNot() override;
  HRESULT opNotDom() override;
  bool isNegated() const override { return m_related != nullptr && m_related->isNegated(); }
  bool getNoVar() const override { return m_related != nullptr && m_related->getNoVar(); }
  void switchNoVar() override;
  // The related effectivity (the effectivity's), or null.
  const KuvDnfVarEff* getRelated() const { return m_related.get(); }

protected:
  enum class Op { And, Cut, CutFrom, Add };

  DnfTreeEff(KuvEeVariable* var, KuvDnfVarEff* related) : KuvEeVarEff(var), m_related(related) {}
  DnfTreeEff(const DnfTreeEff& other);

  HRESULT partAnd(const KuvEeVarEff& other) override { return part(Op::And, other); }
  HRESULT partCut(const KuvEeVarEff& other) override { return part(Op::Cut, other); }
  HRESULT partCutFrom(const KuvEeVarEff& other) override { return part(Op::CutFrom, other); }
  HRESULT partAdd(const KuvEeVarEff& other) override { return part(Op::Add, other); }
  // Unknown without the related effectivity: never a constant.
  bool isPartEmpty() const override;
  void setNegated(bool negated) override;
  void setNoVar(bool noVar) override;
  // The positive parts of the related effectivity and other (of this
  // kind) combined: a new positive effectivity, or null on failure.
  virtual KuvDnfVarEff* combine(Op op, const KuvDnfVarEff& other) = 0;
  virtual const KuvInListVal* ranges() const = 0;

  std::unique_ptr<KuvDnfVarEff> m_related;

private:
  HRESULT part(Op op, const KuvEeVarEff& other);
};

}  // namespace kuv::detail

class KUV_API KuvEeDnfMilestonesEff : public kuv::detail::DnfTreeEff {
  KUV_DECLARE_TYPE(KuvEeDnfMilestonesEff)

public:
  // Takes related over (null: no content).
  explicit KuvEeDnfMilestonesEff(KuvEeMilestonesVar* var, KuvDnfMilestonesEff* related = nullptr);
  KuvEeDnfMilestonesEff(const KuvEeDnfMilestonesEff& other) = default;
  ~KuvEeDnfMilestonesEff() override;

  KuvEeVarEff* createVarEffClone() const override;
  // The related effectivity of the normal-form model (the effectivity's),
  // or null.
  const KuvDnfMilestonesEff* getRelatedDnfMilestonesEff() const {
    return static_cast<const KuvDnfMilestonesEff*>(m_related.get());
  }
  // "DnfMilestonesEff( " + variable name + " )".
  KuvInString toString() const override;

protected:
  bool isSameKind(const KuvEeVarEff& other) const override;
  KuvDnfVarEff* combine(Op op, const KuvDnfVarEff& other) override;
  const KuvInListVal* ranges() const override;
};

class KUV_API KuvEeDnfTreeSeriesEff : public kuv::detail::DnfTreeEff {
  KUV_DECLARE_TYPE(KuvEeDnfTreeSeriesEff)

public:
  // Takes related over (null: no content).
  explicit KuvEeDnfTreeSeriesEff(KuvEeTreeSeriesVar* var, KuvDnfTreeSeriesEff* related = nullptr);
  KuvEeDnfTreeSeriesEff(const KuvEeDnfTreeSeriesEff& other) = default;
  ~KuvEeDnfTreeSeriesEff() override;

  KuvEeVarEff* createVarEffClone() const override;
  const KuvDnfTreeSeriesEff* getRelatedDnfTreeSeriesEff() const {
    return static_cast<const KuvDnfTreeSeriesEff*>(m_related.get());
  }
  // "DnfTreeSeriesEff( " + variable name + " )".
  KuvInString toString() const override;

protected:
  bool isSameKind(const KuvEeVarEff& other) const override;
  KuvDnfVarEff* combine(Op op, const KuvDnfVarEff& other) override;
  const KuvInListVal* ranges() const override;
};
