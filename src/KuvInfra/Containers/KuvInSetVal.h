// A hash set of values, bound to an element type.
//
// Put stores a heap copy (clone()) that the set owns and destroys when the
// element leaves the set (Remove, RemoveSet, Intersect, Clear) or the set is
// destroyed. Identity is equals() and hashing uses the element's hash(), so
// the iteration order is a function of the hash values and the sequence of
// operations only. The operations and the sizing rule are those of
// KuvInHashSet.h; the text is the root's.
//
//     KuvInSetVal words(KuvInStringChar::sType());
//     words.Put(KuvInStringChar("KuvInMap-None"));
//     bool silent = words.Find(KuvInStringChar("KuvInMap-None"));
#pragma once

#include <cstdint>

#include "KuvInHashSet.h"

class KUV_API KuvInSetVal : public kuv::detail::HashSet<KuvInSetVal, kuv::detail::HoldsCopies> {
  KUV_DECLARE_TYPE(KuvInSetVal)

public:
  explicit KuvInSetVal(KuvInObjectTypeClass* elementType = nullptr, std::int32_t capacity = 12,
                       float loadFactor = 0.75f)
      : HashSet(elementType, capacity, loadFactor) {}
  KuvInSetVal(const KuvInSetVal& other, std::int32_t capacity = 0, float loadFactor = 0.0f)
      : HashSet(other, capacity, loadFactor) {}
};
