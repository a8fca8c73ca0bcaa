// KuvDnfMilestonesEff: the positions a milestone track may take, a list of
// milestone ranges, plus "no value" when flagged. The operations are those
// of KuvDnfTreeSeriesEff.
//
// Intersection is decided range by range: a positive leaf meets a negated
// one when one of its ranges is not within a single range of the other.
#pragma once

#include "KuvDnfLeaf.h"
#include "KuvInListVal.h"

class KUV_API KuvDnfMilestonesEff : public KuvDnfVarEff {
  KUV_DECLARE_TYPE(KuvDnfMilestonesEff)

public:
  // intervals: KuvInMilestonesEvalInterval; copied.
  KuvDnfMilestonesEff(const KuvInGuid& variable, const KuvInListVal& intervals, bool noVar, bool negated);
  KuvDnfMilestonesEff(const KuvDnfMilestonesEff& other) = default;
  ~KuvDnfMilestonesEff() override;

  const KuvInListVal& getIntervals() const { return m_intervals; }

  virtual HRESULT opAnd(const KuvDnfMilestonesEff& other, unsigned char& empty);
  virtual HRESULT opOr(const KuvDnfMilestonesEff& other, unsigned char& empty);
  virtual HRESULT opCut(const KuvDnfMilestonesEff& other, unsigned char& empty);
  void cutNoVar() { m_noVar = m_negated; }
  void orNoVar() { m_noVar = m_negated != 0 ? 0 : 1; }

  // "KuvDnfMilestonesEff ( Var=" variable ", Values : " ("! (" or "(")
  // ["NO VAR "] ranges ") )".
  KuvInString toString() const override;
  KuvDnfLeaf* clone() const override;

protected:
  friend class KuvDnfVarEff;  // dispatches on the kind, not through a slot
  HRESULT isIntersectSame(const KuvDnfVarEff& other, unsigned char& out) const;

private:
  KuvInListVal m_intervals;
};
