// KuvDnfDateEff: the dates a date variable may take, a sorted list of date
// ranges, plus "no value" when flagged.
#pragma once

#include "KuvDnfLeaf.h"
#include "KuvInListVal.h"

class KUV_API KuvDnfDateEff : public KuvDnfVarEff {
  KUV_DECLARE_TYPE(KuvDnfDateEff)

public:
  // intervals: KuvInDateInterval, sorted; copied.
  KuvDnfDateEff(const KuvInGuid& variable, const KuvInListVal& intervals, bool noVar, bool negated);
  KuvDnfDateEff(const KuvDnfDateEff& other) = default;
  ~KuvDnfDateEff() override;

  const KuvInListVal& getIntervals() const { return m_intervals; }
  // ["!"] "KuvDnfDateEff {" [" NoVar, "] ranges "}".
  KuvInString toString() const override;
  KuvDnfLeaf* clone() const override;

protected:
  friend class KuvDnfVarEff;  // dispatches on the kind, not through a slot
  HRESULT isIntersectSame(const KuvDnfVarEff& other, unsigned char& out) const;

private:
  KuvInListVal m_intervals;
};
