// What the four list classes (KuvInList, KuvInListVal, KuvInLinkList,
// KuvInLinkListVal) share: their type check and the index rules.
#pragma once

#include <cstdint>

#include "KuvInElementTypeCheck.h"

namespace kuv::detail {

// A pointer list may hold null, which has no type to check.
class ListTypeCheck : public ElementTypeCheck {
protected:
  using ElementTypeCheck::ElementTypeCheck;
  bool refuses(const KuvInObject* obj) const { return obj != nullptr && typeIsBad(obj->dType()); }
};

// The index of a list iterator that has no position (the iterator of an
// empty list).
inline constexpr std::int32_t kNoPosition = -2;

// A half-open range (from, to) of a sequence of length elements is valid when
// 0 <= from < to <= length.
constexpr bool isValidRange(std::int32_t from, std::int32_t to, std::int32_t length) {
  return 0 <= from && from < to && to <= length;
}

}  // namespace kuv::detail
