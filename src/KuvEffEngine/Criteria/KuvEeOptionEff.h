// KuvEeOptionEff: a constraint on an option variable, a subset of its three
// states T (selected), F (not selected) and N (no value), held as a 3-bit
// E_Value, with the code telling how the option was chosen.
//
//     KuvEeOptionEff eff(&option, KuvEeOptionEff::T, KuvCriteriaSelectedBy_UserSelected);
//     eff.opNotDom();     // {F}
//     eff.opNot();        // {T, N}
#pragma once

#include "KuvCriteriaSelectedBy.h"
#include "KuvEeVarEff.h"

class KuvEeOptionVar;

class KUV_API KuvEeOptionEff : public KuvEeVarEff {
  KUV_DECLARE_TYPE(KuvEeOptionEff)

public:
  // A set of states: any combination of the three bits.
  enum E_Value : std::uint32_t { T = 1, F = 2, N = 4 };
  // 2 makes the effectivity all-true, any other value all-false.
  enum E_SpecialCondition : std::int32_t { AllFalse = 0, AllTrue = 2 };

  KuvEeOptionEff(KuvEeOptionVar* var, std::uint32_t value,
                 KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None);
  KuvEeOptionEff(KuvEeOptionVar* var, E_SpecialCondition condition);
  KuvEeOptionEff(const KuvEeOptionEff& other) = default;
  ~KuvEeOptionEff() override;

  KuvEeVarEff* createVarEffClone() const override;
  HRESULT equals(const KuvEeVarEff* other, bool& equal) const override;
  bool isNegated() const override { return m_negated != 0; }
  bool getNoVar() const override { return (m_value & N) != 0; }
  // Takes N out of the positive part.
  void switchNoVar() override;

  // The positive part becomes value (its three bits), not negated.
  void set(std::uint32_t value);
  void set(E_SpecialCondition condition);
  // The three bits of the positive part.
  std::uint32_t getValue() const { return m_value; }
  KuvEeOptionVar* getOptionVar() const;
  KuvCriteriaSelectedBy getSelectedBy() const { return m_selectedBy; }
  void setSelectedBy(KuvCriteriaSelectedBy selectedBy) { m_selectedBy = selectedBy; }

  // "OptionEff( ", "! " when negated and not all-true, the option's name
  // (after its category's and "." for a category option), the selected-by
  // text, then "{ALL_TRUE}", "{ALL_FALSE}" or the bits as "TFN" with "_" for
  // those missing, and " )".
  KuvInString toString() const override;

protected:
  bool isSameKind(const KuvEeVarEff& other) const override;
  const char* kindMismatchText() const override;
  HRESULT partAnd(const KuvEeVarEff& other) override;
  HRESULT partCut(const KuvEeVarEff& other) override;
  HRESULT partCutFrom(const KuvEeVarEff& other) override;
  HRESULT partAdd(const KuvEeVarEff& other) override;
  bool isPartEmpty() const override { return m_value == 0; }
  void setNegated(bool negated) override { m_negated = negated ? 1 : 0; }
  void setNoVar(bool noVar) override;

private:
  static std::uint32_t valueOf(const KuvEeVarEff& other);

  std::uint32_t m_value;
  KuvCriteriaSelectedBy m_selectedBy;
  unsigned char m_negated = 0;
};
