// KuvDnfTreeSeriesEff: the positions a tree series (of a tree type: 18
// product states, 19 manufacturing plans) may take, a sorted list of tree
// ranges, plus "no value" when flagged.
//
// opAnd, opOr and opCut make this leaf the intersection, union or
// difference with another leaf of the same variable, flags included;
// empty tells whether the result is known to hold no configuration (a
// negated result is never known empty). cutNoVar and orNoVar take the
// no-value state out of the represented set or put it in.
#pragma once

#include "KuvDnfLeaf.h"
#include "KuvInListVal.h"

class KUV_API KuvDnfTreeSeriesEff : public KuvDnfVarEff {
  KUV_DECLARE_TYPE(KuvDnfTreeSeriesEff)

public:
  // intervals: KuvInTreeEvalInterval, sorted; copied.
  KuvDnfTreeSeriesEff(const KuvInGuid& variable, const KuvInListVal& intervals, std::uint32_t treeType, bool noVar,
                      bool negated);
  KuvDnfTreeSeriesEff(const KuvDnfTreeSeriesEff& other) = default;
  ~KuvDnfTreeSeriesEff() override;

  const KuvInListVal& getIntervals() const { return m_intervals; }
  std::uint32_t getTreeType() const { return m_treeType; }

  virtual HRESULT opAnd(const KuvDnfTreeSeriesEff& other, unsigned char& empty);
  virtual HRESULT opOr(const KuvDnfTreeSeriesEff& other, unsigned char& empty);
  virtual HRESULT opCut(const KuvDnfTreeSeriesEff& other, unsigned char& empty);
  void cutNoVar() { m_noVar = m_negated; }
  void orNoVar() { m_noVar = m_negated != 0 ? 0 : 1; }

  // "KuvDnfTreeSeriesEff ( Var=" variable ", Type : " type ", Values : "
  // ("! (" or "(") ["NO VAR "] ranges ") )".
  KuvInString toString() const override;
  KuvDnfLeaf* clone() const override;

protected:
  friend class KuvDnfVarEff;  // dispatches on the kind, not through a slot
  HRESULT isIntersectSame(const KuvDnfVarEff& other, unsigned char& out) const;

private:
  KuvInListVal m_intervals;
  std::uint32_t m_treeType;
};
