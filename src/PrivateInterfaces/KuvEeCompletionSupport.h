// What the completion of filter terms and its removal share (internal): the
// options of each category, the categories in the order of their names, so
// that the restrictions made from them do not come in the order of where
// the categories live in memory.
#pragma once

#include <map>

#include "KuvEeCategory.h"
#include "KuvEeOptionVar.h"
#include "KuvInSet.h"

namespace kuv::detail {

struct CategoryByName {
  bool operator()(const KuvEeCategory* a, const KuvEeCategory* b) const {
    if (a->getName() < b->getName()) return true;
    return !(b->getName() < a->getName()) && a < b;
  }
};

using OptionsByCategory = std::map<const KuvEeCategory*, KuvInSet, CategoryByName>;

// Puts each option of options that belongs to a category accepted by
// keepCategory into that category's group; false when a group refused one.
template <class KeepCategory>
bool groupByCategory(const KuvInSet& options, OptionsByCategory& groups, KeepCategory keepCategory) {
  for (KuvInSet::const_iterator it = options.cBegin(); it.IsValid();) {
    KuvInObject* option = it.GetGoToNext();
    const KuvEeCatOptionVar* categoryOption = KuvEeCatOptionVar::cast(*option);
    const KuvEeCategory* category = categoryOption != nullptr ? categoryOption->getCategory() : nullptr;
    if (category == nullptr || !keepCategory(category)) continue;
    if (!groups.try_emplace(category, KuvEeOptionVar::sType()).first->second.Put(option)) return false;
  }
  return true;
}

}  // namespace kuv::detail
