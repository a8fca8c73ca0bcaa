// What the binary normal form's writer and its leaf codecs must agree on
// (internal): the order in which a set of GUIDs is registered and written,
// the typed-GUID kind of a restriction's variables, and the time of a date
// stored without one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "KuvBioConstants.h"
#include "KuvDnfRestrictionEff.h"

namespace kuv::detail {

// Ascending, so that equal sets give equal bytes whatever order they were
// filled in.
inline std::vector<const KuvInGuid*> sortedGuids(const KuvInFastSetVal& set) {
  std::vector<const KuvInGuid*> guids;
  guids.reserve(static_cast<std::size_t>(set.GetLength()));
  for (auto it = set.cBegin(); it.IsValid();) guids.push_back(static_cast<const KuvInGuid*>(it.GetGoToNext()));
  std::sort(guids.begin(), guids.end(), [](const KuvInGuid* a, const KuvInGuid* b) { return *a < *b; });
  return guids;
}

// Hour, minute and second (fields[2..4]) of a date stored without its
// time: the end of the day for an upper bound, its start otherwise; the
// infinities keep their sentinels (year 20000 upper, year 0 all zero).
inline void completeStoredTime(std::uint16_t year, bool upper, std::uint8_t fields[5]) {
  if (upper) {
    fields[2] = 24;
    fields[3] = 60;
    fields[4] = year == 20000 ? 62 : 61;
  } else if (year != 0) {
    fields[2] = fields[3] = fields[4] = 1;
  }
}

// E_UnknownVarType for a restriction class the format does not know.
inline KuvBioConstants::E_VarType restrictedVarType(const KuvDnfRestrictionEff& leaf) {
  using C = KuvBioConstants;
  if (KuvDnfCategoryOptionRestrictionEff::isObjectOfThisType(leaf)) return C::E_Option;
  if (KuvDnfSerialRestrictionEff::isObjectOfThisType(leaf)) return C::E_SerialVar;
  if (KuvDnfTreeSeriesRestrictionEff::isObjectOfThisType(leaf)) return C::E_TreeSeriesVar;
  if (KuvDnfMilestonesRestrictionEff::isObjectOfThisType(leaf)) return C::E_MilestonesVar;
  if (KuvDnfDateRestrictionEff::isObjectOfThisType(leaf)) return C::E_DateVar;
  if (KuvDnfSelectionRestrictionEff::isObjectOfThisType(leaf)) return C::E_SelectionVar;
  if (KuvDnfCategoryRestrictionEff::isObjectOfThisType(leaf)) return C::E_Category;
  if (KuvDnfEffRestrictionEff::isObjectOfThisType(leaf)) return C::E_Effectivity;
  return C::E_UnknownVarType;
}

}  // namespace kuv::detail
