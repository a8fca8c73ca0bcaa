// KuvDnfOptionEff: the states an option may take, a bit set of Selected,
// Rejected and NoVar; the option is the variable, the feature (category)
// is carried along for the dictionary that rebuilds a tree.
#pragma once

#include "KuvDnfLeaf.h"

class KUV_API KuvDnfOptionEff : public KuvDnfVarEff {
  KUV_DECLARE_TYPE(KuvDnfOptionEff)

public:
  enum E_DnfValue : std::uint32_t { Nothing = 0, Selected = 1, Rejected = 2, NoVar = 4, Any = 7 };

  KuvDnfOptionEff(const KuvInGuid& option, const KuvInGuid& feature, std::uint32_t value, bool negated);
  KuvDnfOptionEff(const KuvDnfOptionEff& other) = default;
  ~KuvDnfOptionEff() override;

  const KuvInGuid& getOption() const { return m_guid; }
  const KuvInGuid& getFeature() const { return m_feature; }
  std::uint32_t getValue() const { return m_value; }

  // "Nothing", "Selected", "Rejected", "NoVar", "Any value accepted", or ""
  // for the other combinations.
  static const char* valueText(std::uint32_t value);
  // ["!"] "DnfOptionEff Feature : " feature ", Option : " option ", " state.
  KuvInString toString() const override;
  KuvDnfLeaf* clone() const override;

protected:
  friend class KuvDnfVarEff;  // dispatches on the kind, not through a slot
  HRESULT isIntersectSame(const KuvDnfVarEff& other, unsigned char& out) const;

private:
  KuvInGuid m_feature;
  std::uint32_t m_value;
};
