// A hash map from values to values: the map owns a copy of every key and of
// every value, made with clone() when they are put and destroyed when the
// entry leaves or the map dies.
//
//     KuvInMapVal lengths(KuvInStringChar::sType(), KuvInIntHolder::sType());
//     lengths.Put(KuvInStringChar("abc"), KuvInIntHolder(3));
//     auto* three = static_cast<KuvInIntHolder*>(lengths.Get(KuvInStringChar("abc")));
//
// Everything else is as in KuvInMap (see KuvInHashMap.h: same sizing, same
// iteration order), except that a refused key or value reports nothing
// beyond its E_FAIL and flag, and that values are copies: ContainsValue only
// finds a value obtained from the map itself.
#pragma once

#include <cstdint>

#include "KuvInHashMap.h"

class KUV_API KuvInMapVal : public kuv::detail::HashMap<KuvInMapVal, kuv::detail::HoldsCopies> {
  KUV_DECLARE_TYPE(KuvInMapVal)

public:
  // One key copy and one value copy; equal to another entry whose key and
  // value are both equal.
  class KUV_API entry : public kuv::detail::MapEntry<KuvInMapVal, kuv::detail::HoldsCopies> {
    KUV_DECLARE_TYPE(entry)

  public:
    using MapEntry::MapEntry;
  };

  // Capacity 8, load factor 0.75: 11 buckets, growth after the 8th key.
  KuvInMapVal(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType)
      : HashMap(keyType, valueType, 8, 0.75f) {}
  KuvInMapVal(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType, std::int32_t capacity,
              float loadFactor)
      : HashMap(keyType, valueType, capacity, loadFactor) {}
};
