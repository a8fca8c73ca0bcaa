// The hash map behind KuvInMap and KuvInMapVal, which differ only in how they
// hold their values; not for direct use. The operations are defined once, in
// a private header, and built into the library for the two maps alone.
//
// The table's layout is part of the maps' contract, because stored data is
// written in their iteration order:
//   - table size = ceiling(capacity / load factor) in 32-bit float, NOT
//     rounded to a power of two; threshold = floor(table size * load factor);
//   - an entry lives in bucket key.hash() AND (table size - 1), so with a
//     size such as 11 only the buckets 0, 2, 8 and 10 are ever used;
//   - iteration walks the buckets in index order and each bucket in
//     insertion order; re-putting a key moves its entry to its bucket's end;
//   - when the count passes the threshold the size doubles (11, 22, 44...)
//     and the entries are re-linked in the old iteration order.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include "KuvInElementTypeCheck.h"
#include "KuvInObjectVal.h"

namespace kuv::detail {

template <class Entry>
class MapTable;
template <class Map, class Values>
class HashMap;

// One entry of Map (Map::entry derives from it): an owned key copy and the
// value as Values holds it. A value in its own right, equal to another entry
// of Map whose key is equal and whose value is the same object (or, for
// copies, equal).
template <class Map, class Values>
class KUV_API MapEntry : public KuvInObjectVal {
  using Value = typename Values::Element;

public:
  MapEntry(const KuvInObjectVal* key, typename Values::Arg value);
  MapEntry(const MapEntry& other);
  MapEntry& operator=(const MapEntry&) = delete;
  ~MapEntry() override;

  const KuvInObjectVal* GetKey() const { return m_key.get(); }
  Value* GetVal() const {
    if constexpr (Values::kOwns)
      return m_value.get();
    else
      return m_value;
  }

  // "[" key "]" (or "NULL_KEY"), " <=>", then the value (or "NULL_VALUE").
  KuvInString toString() const override;
  // The value's hash (the byte hash of the pointer, for pointers) XOR the
  // key's hash.
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  friend class MapTable<MapEntry>;
  friend class HashMap<Map, Values>;
  std::unique_ptr<KuvInObjectVal> m_key;
  std::conditional_t<Values::kOwns, std::unique_ptr<KuvInObjectVal>, KuvInObject*> m_value;
  MapEntry* m_next = nullptr;
};

// The buckets, each a list of entries linked through m_next. The table owns
// its entries.
template <class Entry>
class KUV_API MapTable {
public:
  // Where an iterator stands: entry is null past the end.
  struct Position {
    std::uint32_t bucket;
    Entry* entry;
  };

  MapTable(std::int32_t capacity, float loadFactor);
  // Same size and load factor, so the copy iterates in the source's order.
  MapTable(const MapTable& other);
  MapTable& operator=(const MapTable&) = delete;
  ~MapTable();

  std::int32_t count() const { return m_count; }
  std::uint32_t tableSize() const { return m_tableSize; }
  std::int32_t threshold() const { return m_threshold; }
  float loadFactor() const { return m_loadFactor; }

  Entry* find(const KuvInObjectVal* key) const;
  // Takes out the entry of an equal key, then appends entry to its bucket.
  void put(std::unique_ptr<Entry> entry);
  // Unlinks the entry with an equal key; null when there is none.
  std::unique_ptr<Entry> take(const KuvInObjectVal* key);
  // Destroys the entries and resizes for the current threshold.
  void clear();
  void swap(MapTable& other) noexcept;
  Position begin() const;
  void advance(Position& p) const;
  template <class F>
  void forEach(F f) const {
    for (Position p = begin(); p.entry != nullptr; advance(p)) f(*p.entry);
  }

private:
  struct Bucket {
    Entry* first = nullptr;
    Entry* last = nullptr;
  };
  struct Size;

  std::uint32_t indexOf(const KuvInObjectVal* key) const;
  Position firstFrom(std::uint32_t index) const;
  void link(Entry* entry);
  void resize(const Size& size);
  void grow();
  void destroyEntries();

  std::unique_ptr<Bucket[]> m_buckets;
  std::uint32_t m_tableSize = 0;
  float m_loadFactor = 0.75f;
  std::int32_t m_count = 0;
  std::int32_t m_threshold = 0;
};

// Map is the public class (KuvInMap, KuvInMapVal), which derives from this
// and declares its entry class, its type and its own operations.
//
// Keys are found with hash() and equals(). Both types are fixed at
// construction (null accepts everything); a key or value of another kind is
// refused with E_FAIL and sets badKeyCastErr() or badValCastErr(). A null
// key or value has no type, so only an untyped map accepts it. An iterator
// is valid until the map changes (SetVal excepted).
template <class Map, class Values>
class KUV_API HashMap : public KuvInObjectVal {
  using Entry = MapEntry<Map, Values>;
  using Value = typename Values::Element;
  using ValueArg = typename Values::Arg;
  static constexpr bool kOwnsValues = Values::kOwns;
  // KuvInMap reports a refused key or value; KuvInMapVal is silent.
  static constexpr bool kTracesRefusals = !kOwnsValues;

public:
  class const_iterator {
  public:
    // The current item, or null past the end.
    const KuvInObjectVal* GetKey() const { return m_pos.entry != nullptr ? m_pos.entry->GetKey() : nullptr; }
    Value* GetVal() const { return m_pos.entry != nullptr ? m_pos.entry->GetVal() : nullptr; }
    // A const Map::entry*.
    const auto* GetEntry() const { return static_cast<const typename Map::entry*>(m_pos.entry); }
    // The current item, then one step on.
    const KuvInObjectVal* GetKeyGoToNext();
    Value* GetValGoToNext();
    const auto* GetEntryGoToNext() {
      const auto* current = GetEntry();
      Next();
      return current;
    }
    // E_FAIL when already past the end.
    HRESULT Next();
    bool IsBegin() const;
    bool IsEnd() const { return m_pos.entry == nullptr; }

  protected:
    friend class HashMap;
    explicit const_iterator(const Map& map);

    const Map* m_map;
    typename MapTable<Entry>::Position m_pos;
  };

  class iterator : public const_iterator {
  public:
    // Replaces the current entry's value (by a copy of value, for copies)
    // after the value type check; E_FAIL on a refused value or past the end.
    HRESULT SetVal(ValueArg value);
    template <bool Owns = kOwnsValues>
      requires Owns
    HRESULT SetVal(const KuvInObjectVal& value) { return SetVal(&value); }

  private:
    friend class HashMap;
    explicit iterator(Map& map) : const_iterator(map) {}
  };

  ~HashMap() override;

  // Map's name, "[", count, "]", then each entry's text on its own line.
  KuvInString toString() const override;
  // XOR of the entries' hashes.
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;
  // Compatible types, same count, and each of other's entries equals one of ours.
  bool operator==(const Map& other) const;
  bool operator!=(const Map& other) const { return !(*this == other); }

  // Stores a copy of key with value (or a copy of it), replacing (and
  // destroying) the entry of an equal key; the new entry goes to the end of
  // its bucket.
  template <bool Owns = kOwnsValues>
    requires(!Owns)
  HRESULT Put(const KuvInObjectVal& key, ValueArg value) { return Put(&key, value); }
  template <bool Owns = kOwnsValues>
    requires Owns
  HRESULT Put(const KuvInObjectVal& key, const KuvInObjectVal& value) {
    return Put(&key, &value);
  }
  HRESULT Put(const KuvInObjectVal* key, ValueArg value);
  // Put of each of other's entries in its iteration order; E_FAIL when one was refused.
  HRESULT PutAll(const Map& other);

  // A copied value is the map's own, valid until the entry leaves.
  Value* Get(const KuvInObjectVal& key) const { return Get(&key); }
  Value* Get(const KuvInObjectVal* key) const;
  bool ContainsKey(const KuvInObjectVal& key) const { return ContainsKey(&key); }
  bool ContainsKey(const KuvInObjectVal* key) const;
  // By identity, never by contents: a copied value is found only when it
  // was obtained from the map itself.
  bool ContainsValue(const Value* value) const;

  // Destroys the entry (a pointer value is left alone); S_OK whether or not
  // the key was there.
  HRESULT Remove(const KuvInObjectVal& key) { return Remove(&key); }
  HRESULT Remove(const KuvInObjectVal* key);
  // Destroys the entries and resizes the table for the current threshold.
  void Clear();
  // Exchanges entries and table with other, a map of the same key and value
  // types, allocating nothing: a map filled aside takes over at once. False,
  // and nothing changes, for other types.
  bool SwapEntries(Map& other) noexcept;

  std::int32_t GetLength() const { return m_table.count(); }
  bool IsEmpty() const { return m_table.count() == 0; }
  const_iterator cBegin() const { return const_iterator(self()); }
  iterator Begin() { return iterator(self()); }

  KuvInObjectTypeClass* GetKeyType() const { return m_keyType; }
  KuvInObjectTypeClass* GetValueType() const { return m_valueType; }
  bool IsKeyTypeAccepted(const KuvInObjectTypeClass* type) const;
  bool IsValueTypeAccepted(const KuvInObjectTypeClass* type) const;
  // 1 when the last check of a key (value) type failed, 0 when it passed.
  unsigned char badKeyCastErr() const { return m_badKeyCastErr; }
  unsigned char badValCastErr() const { return m_badValCastErr; }

  // Sizing, for diagnostics.
  std::uint32_t GetTableSize() const { return m_table.tableSize(); }
  std::int32_t GetThreshold() const { return m_table.threshold(); }
  float GetLoadFactor() const { return m_table.loadFactor(); }

protected:
  // A load factor outside (0.1, 2.0) becomes 0.75, a capacity below 2 becomes 8.
  HashMap(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType, std::int32_t capacity,
          float loadFactor);
  // Same types and sizing; copies of the keys (and of copied values).
  HashMap(const HashMap& other);
  // Types incompatible with ours: flags set, nothing changes. Otherwise our
  // entries go and other's are put in its iteration order.
  HashMap& operator=(const HashMap& other);

  // The negation of IsKeyTypeAccepted (IsValueTypeAccepted); sets the flag.
  bool typeKeyIsBad(const KuvInObjectTypeClass* type);
  bool typeValIsBad(const KuvInObjectTypeClass* type);
  // Neither type accepts the other's elements; sets the flag.
  bool typeKeyIsNotCompatible(const KuvInObjectTypeClass* type) const;
  bool typeValIsNotCompatible(const KuvInObjectTypeClass* type) const;

private:
  friend Map;
  // Only ever a Map.
  Map& self() { return static_cast<Map&>(*this); }
  const Map& self() const { return static_cast<const Map&>(*this); }
  bool typeIsBad(const KuvInObjectTypeClass* type, KuvInObjectTypeClass* expected, unsigned char& flag,
                 const char* check);

  MapTable<Entry> m_table;
  KuvInObjectTypeClass* m_keyType;
  KuvInObjectTypeClass* m_valueType;
  // Also set by the const comparisons.
  mutable unsigned char m_badKeyCastErr = 0;
  mutable unsigned char m_badValCastErr = 0;
};

}  // namespace kuv::detail
