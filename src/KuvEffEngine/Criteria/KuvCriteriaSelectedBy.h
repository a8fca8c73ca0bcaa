// KuvCriteriaSelectedBy: how a criterion value came to be chosen in a
// configuration (by the user, deduced by a rule, or by default). Option and
// selection effectivities carry it beside their values and print it.
#pragma once

#include <cstdint>

#include "KuvInTypes.h"

enum KuvCriteriaSelectedBy : std::int32_t {
  KuvCriteriaSelectedBy_None = 0,
  KuvCriteriaSelectedBy_UserSelected = 1,
  KuvCriteriaSelectedBy_RuleDeduced = 2,
  KuvCriteriaSelectedBy_DefaultValue = 3
};

// "(User Selected)", "(Rule Deduced)", "(Default Value)"; "" for none and
// for codes outside the enumeration.
inline const char* KuvCriteriaSelectedByText(KuvCriteriaSelectedBy code) {
  switch (code) {
    case KuvCriteriaSelectedBy_UserSelected:
      return "(User Selected)";
    case KuvCriteriaSelectedBy_RuleDeduced:
      return "(Rule Deduced)";
    case KuvCriteriaSelectedBy_DefaultValue:
      return "(Default Value)";
    default:
      return "";
  }
}
