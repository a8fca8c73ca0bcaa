// KuvEVCClassification: which families and kinds of criteria an expression
// or a subtree uses: variant criteria (exclusive and non-exclusive
// features), evolution criteria (unit series, product states, manufacturing
// plans, milestones, dates used as history), change criteria (predefined
// effectivities), references to inherited effectivities, restrictions, and
// the constants True and False.
//
// It is a record of sixteen one-byte flags; each setter takes the new flag
// value. A few setters and tests cover several flags (setVariant,
// setEvolution, isEvolution...), and the typed ones take a serial external
// type of KuvEeSerialVar (13 units, 12 or 18 product states, 14 or 19
// manufacturing plans):
//
//     KuvEVCClassification c(0);
//     c.setEvolutionType(KuvEeSerialVar::TREE_STATE, 1);
//     c.isEvolution();                          // true
//     c.isEvolutionType(KuvEeSerialVar::STATE); // true: same group
#pragma once

#include <cstdint>

#include "KuvInObjectVal.h"

class KUV_API KuvEVCClassification : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvEVCClassification)

public:
  static constexpr int sc_nbFlags = 16;

  // Every flag takes value.
  explicit KuvEVCClassification(unsigned char value = 0);
  KuvEVCClassification(const KuvEVCClassification& other) = default;
  KuvEVCClassification& operator=(const KuvEVCClassification& other) = default;
  ~KuvEVCClassification() override;

  void clear();

  void setExclusiveFeature(unsigned char value) { m_flags[ExclusiveFeature] = value; }
  void setNonExclusiveFeature(unsigned char value) { m_flags[NonExclusiveFeature] = value; }
  // Both kinds of feature.
  void setVariant(unsigned char value);
  void setChange(unsigned char value) { m_flags[Change] = value; }
  void setInheritedEff(unsigned char value) { m_flags[InheritedEff] = value; }
  void setEffectivity(unsigned char value) { m_flags[InheritedEff] = value; }
  void setTrue(unsigned char value) { m_flags[BoolTrue] = value; }
  void setFalse(unsigned char value) { m_flags[BoolFalse] = value; }
  // E_FAIL, traced, nothing changed, for a type outside 12, 13, 14, 18, 19.
  HRESULT setEvolutionType(std::int32_t type, unsigned char value);
  // Units, product states and manufacturing plans; not milestones nor dates.
  void setEvolution(unsigned char value);
  void setMilestone(unsigned char value) { m_flags[Milestone] = value; }
  void setDate(unsigned char value) { m_flags[Date] = value; }
  void setHistory(unsigned char value) { m_flags[Date] = value; }
  // E_FAIL, traced, nothing changed, for a type outside 12, 13, 14, 18, 19.
  HRESULT setUpperBoundInfinite(std::int32_t type, unsigned char value);
  void setDateUpperBoundInfinite(unsigned char value) { m_flags[DateUpperBoundInfinite] = value; }
  void setRestriction(unsigned char value) { m_flags[Restriction] = value; }

  bool isExclusiveFeature() const { return on(ExclusiveFeature); }
  bool isNonExclusiveFeature() const { return on(NonExclusiveFeature); }
  bool isVariant() const { return on(ExclusiveFeature) || on(NonExclusiveFeature); }
  bool isChange() const { return on(Change); }
  bool isInheritedEff() const { return on(InheritedEff); }
  bool isTrue() const { return on(BoolTrue); }
  bool isFalse() const { return on(BoolFalse); }
  bool isBoolean() const { return on(BoolTrue) || on(BoolFalse); }
  // False for a type outside 12, 13, 14, 18, 19.
  bool isEvolutionType(std::int32_t type) const;
  // Any of units, states, plans, milestones and dates.
  bool isEvolution() const;
  bool isMilestone() const { return on(Milestone); }
  bool isDate() const { return on(Date); }
  bool isHistory() const { return on(Date); }
  // A group that is not used has no finite upper bound: true. False for a
  // type outside 12, 13, 14, 18, 19.
  bool isUpperBoundInfinite(std::int32_t type) const;
  bool isDateUpperBoundInfinite() const { return on(DateUpperBoundInfinite); }
  bool isRestriction() const { return on(Restriction); }

  // All sixteen flags equal; false for any other kind of value.
  bool equals(const KuvInObjectVal& other) const override;
  // The byte hash of the sixteen flags.
  std::uint32_t hash() const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;
  // "KuvEVCClassification( variant:T, excl feature:T, ..., restriction:F )".
  KuvInString toString() const override;

private:
  enum Flag : int {
    ExclusiveFeature = 0,
    NonExclusiveFeature = 1,
    Change = 2,
    InheritedEff = 3,
    BoolTrue = 4,
    BoolFalse = 5,
    UnitEvolution = 6,
    StateEvolution = 7,
    PlanEvolution = 8,
    Milestone = 9,
    Date = 10,
    UnitUpperBoundInfinite = 11,
    StateUpperBoundInfinite = 12,
    PlanUpperBoundInfinite = 13,
    DateUpperBoundInfinite = 14,
    Restriction = 15
  };

  bool on(int flag) const { return m_flags[flag] != 0; }

  unsigned char m_flags[sc_nbFlags];
};
