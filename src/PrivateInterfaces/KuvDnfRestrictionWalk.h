// The variables a normal-form restriction names, registered one by one
// through whatever builds the objects for a tree (a model dictionary and
// its context, or a variable space). Registrar offers category(guid, out),
// selection(guid, out), option(category, guid), date(guid),
// series(guid, type), treeSeries(guid, type), track(guid) and change(guid).
#pragma once

#include "KuvDnfRestrictionEff.h"

class KuvEeCategory;
class KuvEeSelectionVar;

namespace kuv::detail {

template <class Registrar>
HRESULT registerRestricted(Registrar& registrar, const KuvDnfRestrictionEff& restriction) {
  HRESULT hr = S_OK;
  KuvEeCategory* owner = nullptr;
  if (const auto* options = KuvDnfCategoryOptionRestrictionEff::cast(restriction))
    hr = registrar.category(options->getCategory(), owner);
  for (auto it = restriction.getVariables().cBegin(); SUCCEEDED(hr) && it.IsValid(); it.Next()) {
    const KuvInGuid& guid = *static_cast<const KuvInGuid*>(it.Get());
    if (owner != nullptr) {
      hr = registrar.option(*owner, guid);
    } else if (KuvDnfCategoryRestrictionEff::isObjectOfThisType(restriction)) {
      KuvEeCategory* restricted = nullptr;
      hr = registrar.category(guid, restricted);
    } else if (KuvDnfSelectionRestrictionEff::isObjectOfThisType(restriction)) {
      KuvEeSelectionVar* restricted = nullptr;
      hr = registrar.selection(guid, restricted);
    } else if (KuvDnfDateRestrictionEff::isObjectOfThisType(restriction)) {
      hr = registrar.date(guid);
    } else if (const auto* serial = KuvDnfSerialRestrictionEff::cast(restriction)) {
      hr = registrar.series(guid, serial->getSerialType());
    } else if (const auto* trees = KuvDnfTreeSeriesRestrictionEff::cast(restriction)) {
      hr = registrar.treeSeries(guid, trees->getTreeType());
    } else if (KuvDnfMilestonesRestrictionEff::isObjectOfThisType(restriction)) {
      hr = registrar.track(guid);
    } else {
      hr = registrar.change(guid);
    }
  }
  return hr;
}

}  // namespace kuv::detail
