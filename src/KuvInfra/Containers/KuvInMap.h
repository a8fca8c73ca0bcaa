// A hash map from values to objects: the key is copied into the map, the
// value is a pointer the map does not own.
//
//     KuvInMap channels(KuvInStringChar::sType(), KuvInTraceClass::sType());
//     channels.Put(KuvInStringChar("KuvInMap"), &channel);
//     for (auto it = channels.cBegin(); !it.IsEnd(); it.Next()) use(it.GetKey(), it.GetVal());
//
// Values are compared by identity. Only Delete and DeleteAll destroy value
// objects. A refused key or value prints one line on the channel whatever
// its flags, and with call tracing on Put and the type checks are traced.
//
// The iteration order (buckets in index order, each in insertion order) is
// stable for a given sequence of operations: data written in it stays
// readable. The operations, the sizing rules and the order are those of
// KuvInHashMap.h.
#pragma once

#include <cstdint>

#include "KuvInHashMap.h"

class KUV_API KuvInMap : public kuv::detail::HashMap<KuvInMap, kuv::detail::HoldsPointers> {
  KUV_DECLARE_TYPE(KuvInMap)

public:
  // One key copy and its value pointer; a value in its own right, equal to
  // another entry with an equal key and the very same value object.
  class KUV_API entry : public kuv::detail::MapEntry<KuvInMap, kuv::detail::HoldsPointers> {
    KUV_DECLARE_TYPE(entry)

  public:
    using MapEntry::MapEntry;
  };

  // Capacity 8, load factor 0.75: 11 buckets, growth after the 8th key.
  KuvInMap(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType)
      : HashMap(keyType, valueType, 8, 0.75f) {}
  KuvInMap(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType, std::int32_t capacity,
           float loadFactor)
      : HashMap(keyType, valueType, capacity, loadFactor) {}

  // Remove, then destroy the value object.
  HRESULT Delete(const KuvInObjectVal& key) { return Delete(&key); }
  HRESULT Delete(const KuvInObjectVal* key);
  // Destroys every value object (once, even when several keys share it), then clears.
  void DeleteAll();
};
