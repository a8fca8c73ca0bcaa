// KuvDnfSelectionEff: the values an exclusive feature may take, one of a
// set of value GUIDs (hashed, for the filters that test many of them) or,
// with the no-value flag, none. A positive set of two or more values is an
// implicit Or, which getRealDnf splits into one term per value.
#pragma once

#include "KuvDnfLeaf.h"
#include "KuvInFastSetVal.h"

class KUV_API KuvDnfSelectionEff : public KuvDnfVarEff {
  KUV_DECLARE_TYPE(KuvDnfSelectionEff)

public:
  KuvDnfSelectionEff(const KuvInGuid& feature, std::int32_t capacity, bool noVar, bool negated);
  KuvDnfSelectionEff(const KuvDnfSelectionEff& other);
  ~KuvDnfSelectionEff() override;

  const KuvInGuid& getFeature() const { return m_guid; }
  // Adds a value; S_FALSE when it was there already.
  virtual HRESULT putValue(const KuvInGuid& value);
  const KuvInFastSetVal& getValues() const { return m_values; }

  bool hasImplicitOr() const override;
  // One leaf per value, same feature and flags, capacity 1; S_FALSE and
  // nothing added without an implicit Or.
  HRESULT splitIntoElementaryLeafWithoutImplicitOr(KuvInList& list) const override;
  // ["!"] ["NoVar & "] "DnfSelectionEff Feature : " feature
  // ", Selected Options : {" values ", "-separated "}".
  KuvInString toString() const override;
  KuvDnfLeaf* clone() const override;

protected:
  friend class KuvDnfVarEff;  // dispatches on the kind, not through a slot
  HRESULT isIntersectSame(const KuvDnfVarEff& other, unsigned char& out) const;

private:
  KuvInFastSetVal m_values;
};
