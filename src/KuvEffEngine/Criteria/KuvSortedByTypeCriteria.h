// KuvSortedByTypeCriteria: criteria sorted by kind, one set per kind, as the
// restriction effectivities (KuvEeRestrictionEff) list them: each set holds
// the dictionary objects a restriction of that kind holds.
//
//     KuvInSet dates(KuvEeDateVar::sType());
//     ...
//     KuvSortedByTypeCriteria criteria{&serials, &treeSeries, &milestones, &dates,
//                                      &selections, &categories, &options, &changes};
//     remover.removeCompletion(root, &criteria);
//
// Ownership: the record only points; the caller owns the eight sets and
// keeps them alive while the record is in use. A record handed to an
// operation must have all eight (isComplete); an empty set stands for "none
// of this kind".
#pragma once

#include "KuvInSet.h"

struct KUV_API KuvSortedByTypeCriteria {
  const KuvInSet* serials = nullptr;          // KuvEeSerialVar
  const KuvInSet* treeSeries = nullptr;       // KuvEeTreeSeriesVar
  const KuvInSet* milestones = nullptr;       // KuvEeMilestonesVar
  const KuvInSet* dates = nullptr;            // KuvEeDateVar
  const KuvInSet* selections = nullptr;       // KuvEeSelectionVar
  const KuvInSet* categories = nullptr;       // KuvEeCategory
  const KuvInSet* categoryOptions = nullptr;  // KuvEeOptionVar (those of a category count)
  const KuvInSet* predefEffs = nullptr;       // KuvEePredefEff

  bool isComplete() const {
    return serials != nullptr && treeSeries != nullptr && milestones != nullptr && dates != nullptr &&
           selections != nullptr && categories != nullptr && categoryOptions != nullptr &&
           predefEffs != nullptr;
  }
};
