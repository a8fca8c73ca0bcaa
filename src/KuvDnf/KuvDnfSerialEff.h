// KuvDnfSerialEff: the serial numbers (units, states or manufacturing
// plans, by external type) a serial variable may take, a sorted list of
// serial ranges, plus "no value" when flagged.
//
// With exclusive variables enabled (KuvDnfExclusiveVariables.h) a
// configuration is on one serial variable at a time: leaves on different
// variables, or of different external types neither of which is
// UNDEFINED, do not intersect.
#pragma once

#include "KuvDnfLeaf.h"
#include "KuvInListVal.h"

class KUV_API KuvDnfSerialEff : public KuvDnfVarEff {
  KUV_DECLARE_TYPE(KuvDnfSerialEff)

public:
  // The serial variables' external types.
  enum SerialType : std::int32_t { UNDEFINED = 1, STATE = 12, UNIT = 13, MANUF_PLAN = 14 };

  // intervals: KuvInSerialInterval, sorted; copied.
  KuvDnfSerialEff(const KuvInGuid& variable, const KuvInListVal& intervals, std::int32_t serialType, bool noVar,
                  bool negated);
  KuvDnfSerialEff(const KuvDnfSerialEff& other) = default;
  ~KuvDnfSerialEff() override;

  const KuvInListVal& getIntervals() const { return m_intervals; }
  std::int32_t getSerialType() const { return m_type; }

  using KuvDnfVarEff::isIntersect;
  HRESULT isIntersect(const KuvDnfVarEff& other, unsigned char& out) const override;
  // "KuvDnfSerialEff ( Var=" variable ", Type : " type ", Values : "
  // ("! (" or "(") ["NO VAR "] ranges ") )".
  KuvInString toString() const override;
  KuvDnfLeaf* clone() const override;

protected:
  friend class KuvDnfVarEff;  // dispatches on the kind, not through a slot
  HRESULT isIntersectSame(const KuvDnfVarEff& other, unsigned char& out) const;

private:
  KuvInListVal m_intervals;
  std::int32_t m_type;
};
