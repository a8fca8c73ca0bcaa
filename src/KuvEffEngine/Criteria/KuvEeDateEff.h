// KuvEeDateEff: a constraint on a date variable, a set of date ranges plus,
// possibly, the no-value element.
//
//     KuvEeDateEff eff(&dateVar, KuvEeDateEff::AllFalse);
//     eff.set(KuvInDate(2001, 1, 1, 1, 1, 1), KuvInDate(2001, 12, 31, 24, 60, 60));
//     eff.orNoVar();        // the year 2001, or no date at all
#pragma once

#include "KuvEeIntervalVarEff.h"
#include "KuvInDateInterval.h"

class KuvEeDateVar;

class KUV_API KuvEeDateEff : public kuv::detail::IntervalVarEff<KuvEeDateEff, KuvInDateInterval> {
  KUV_DECLARE_TYPE(KuvEeDateEff)

public:
  KuvEeDateEff(KuvEeDateVar* var, E_SpecialCondition condition);
  KuvEeDateEff(const KuvEeDateEff& other) = default;
  ~KuvEeDateEff() override;

  using IntervalVarEff::set;
  // The positive part becomes [start, end]; E_FAIL, nothing changed, when
  // that range is not valid.
  HRESULT set(const KuvInDate& start, const KuvInDate& end);
  KuvEeDateVar* getOrdVar() const;

  KuvEeVarEff* createVarEffClone() const override;
  HRESULT equals(const KuvEeVarEff* other, bool& equal) const override;
  // "DateEff( " + variable name + "/" + GUID text, then "[ALL_TRUE]",
  // "[ALL_FALSE]", or "! " when negated, "[N]" with the no-value element and
  // the ranges, then " )".
  KuvInString toString() const override;

protected:
  bool isSameKind(const KuvEeVarEff& other) const override;
};
