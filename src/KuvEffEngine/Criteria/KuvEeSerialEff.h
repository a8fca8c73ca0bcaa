// KuvEeSerialEff: a constraint on a serial variable, a set of serial ranges plus,
// possibly, the no-value element.
//
//     KuvEeSerialEff eff(&units, KuvEeSerialEff::AllFalse);
//     eff.set(5, true, 10, false);   // [5,10[
//     eff.opNot();                    // everything else, no value included
#pragma once

#include "KuvEeIntervalVarEff.h"
#include "KuvInSerialInterval.h"

class KuvEeSerialVar;

class KUV_API KuvEeSerialEff : public kuv::detail::IntervalVarEff<KuvEeSerialEff, KuvInSerialInterval> {
  KUV_DECLARE_TYPE(KuvEeSerialEff)

public:
  KuvEeSerialEff(KuvEeSerialVar* var, E_SpecialCondition condition);
  KuvEeSerialEff(const KuvEeSerialEff& other) = default;
  ~KuvEeSerialEff() override;

  using IntervalVarEff::set;
  // The positive part becomes the range from low to high, each end included
  // or not; E_FAIL, nothing changed, when that range is not valid.
  HRESULT set(std::int32_t low, bool lowClosed, std::int32_t high, bool highClosed);
  KuvEeSerialVar* getOrdVar() const;

  KuvEeVarEff* createVarEffClone() const override;
  HRESULT equals(const KuvEeVarEff* other, bool& equal) const override;
  // "SerialEff( " + variable name + "/" + GUID text, then "[ALL_TRUE]",
  // "[ALL_FALSE]", or "! " when negated, "[N]" with the no-value element and
  // the ranges, then " )".
  KuvInString toString() const override;

protected:
  bool isSameKind(const KuvEeVarEff& other) const override;
};
