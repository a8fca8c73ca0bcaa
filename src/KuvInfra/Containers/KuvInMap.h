// A hash map from values to objects: the key is copied into the map, the
// value is a pointer the map does not own.
//
//     KuvInMap channels(KuvInStringChar::sType(), KuvInTraceClass::sType());
//     channels.Put(KuvInStringChar("KuvInMap"), &channel);
//     for (auto it = channels.cBegin(); !it.IsEnd(); it.Next()) use(it.GetKey(), it.GetVal());
//
// Keys are found with hash() and equals(); values are compared by identity.
// Only Delete and DeleteAll destroy value objects. Both types are fixed at
// construction (null accepts everything); a key or value of another kind is
// refused with E_FAIL, sets badKeyCastErr() or badValCastErr(), and prints
// one line on the channel whatever its flags. A null key or value has no
// type, so only an untyped map accepts it.
//
// The iteration order (buckets in index order, each in insertion order) is
// stable for a given sequence of operations: data written in it stays
// readable. See KuvInMapTable.h for the sizing rules. An iterator is valid
// until the map changes (SetVal excepted).
#pragma once

#include <cstdint>

#include "KuvInMapTable.h"
#include "KuvInObjectVal.h"

class KUV_API KuvInMap : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInMap)

public:
  // One key copy and its value pointer; a value in its own right, equal to
  // another entry with an equal key and the very same value object.
  class KUV_API entry : public KuvInObjectVal {
    KUV_DECLARE_TYPE(entry)

  public:
    entry(const KuvInObjectVal* key, KuvInObject* value);
    entry(const entry& other);
    entry& operator=(const entry&) = delete;
    ~entry() override;

    const KuvInObjectVal* GetKey() const { return m_key.get(); }
    KuvInObject* GetVal() const { return m_value; }

    // "[" key "]" (or "NULL_KEY"), " <=>", then the value (or "NULL_VALUE").
    KuvInString toString() const override;
    // Byte hash of the value pointer XOR the key's hash.
    std::uint32_t hash() const override;
    bool equals(const KuvInObjectVal& other) const override;
    KuvInObjectVal& clone(void* where = nullptr) const override;

  private:
    friend class KuvInMap;
    friend class kuv::detail::MapTable<entry>;
    std::unique_ptr<KuvInObjectVal> m_key;
    KuvInObject* m_value;
    entry* m_next = nullptr;
  };

  class KUV_API const_iterator {
  public:
    // The current item, or null past the end.
    const KuvInObjectVal* GetKey() const { return m_pos.entry != nullptr ? m_pos.entry->GetKey() : nullptr; }
    KuvInObject* GetVal() const { return m_pos.entry != nullptr ? m_pos.entry->GetVal() : nullptr; }
    const entry* GetEntry() const { return m_pos.entry; }
    // The current item, then one step on.
    const KuvInObjectVal* GetKeyGoToNext();
    KuvInObject* GetValGoToNext();
    const entry* GetEntryGoToNext();
    // E_FAIL when already past the end.
    HRESULT Next();
    bool IsBegin() const { return m_map->m_table.isFirst(m_pos.entry); }
    bool IsEnd() const { return m_pos.entry == nullptr; }

  protected:
    friend class KuvInMap;
    explicit const_iterator(const KuvInMap& map) : m_map(&map), m_pos(map.m_table.begin()) {}

    const KuvInMap* m_map;
    kuv::detail::MapTable<entry>::Position m_pos;
  };

  class KUV_API iterator : public const_iterator {
  public:
    // Replaces the current entry's value after the value type check; E_FAIL
    // on a refused value or past the end.
    HRESULT SetVal(KuvInObject* value);

  private:
    friend class KuvInMap;
    explicit iterator(KuvInMap& map) : const_iterator(map) {}
  };

  // Capacity 8, load factor 0.75: 11 buckets, growth after the 8th key.
  KuvInMap(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType);
  // A load factor outside (0.1, 2.0) becomes 0.75, a capacity below 2 becomes 8.
  KuvInMap(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType, std::int32_t capacity,
           float loadFactor);
  // Same types and sizing; copies of the keys, the same value pointers.
  KuvInMap(const KuvInMap& other);
  // Types incompatible with ours: flags set, nothing changes. Otherwise our
  // entries go and other's are put in its iteration order.
  KuvInMap& operator=(const KuvInMap& other);
  ~KuvInMap() override;

  // "KuvInMap[" count "]", then each entry's text on its own line.
  KuvInString toString() const override;
  // XOR of the entries' hashes.
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;
  // Compatible types, same count, and each of other's entries equals one of ours.
  bool operator==(const KuvInMap& other) const;
  bool operator!=(const KuvInMap& other) const { return !(*this == other); }

  // Stores a copy of key with value, replacing (and destroying) the entry of
  // an equal key; the new entry goes to the end of its bucket.
  HRESULT Put(const KuvInObjectVal& key, KuvInObject* value) { return Put(&key, value); }
  HRESULT Put(const KuvInObjectVal* key, KuvInObject* value);
  // Put of each of other's entries in its iteration order; E_FAIL when one was refused.
  HRESULT PutAll(const KuvInMap& other);

  KuvInObject* Get(const KuvInObjectVal& key) const { return Get(&key); }
  KuvInObject* Get(const KuvInObjectVal* key) const;
  bool ContainsKey(const KuvInObjectVal& key) const { return ContainsKey(&key); }
  bool ContainsKey(const KuvInObjectVal* key) const { return m_table.find(key) != nullptr; }
  // By identity, never by contents.
  bool ContainsValue(const KuvInObject* value) const;

  // S_OK whether or not the key was there; the value object is left alone.
  HRESULT Remove(const KuvInObjectVal& key) { return Remove(&key); }
  HRESULT Remove(const KuvInObjectVal* key);
  // Remove, then destroy the value object.
  HRESULT Delete(const KuvInObjectVal& key) { return Delete(&key); }
  HRESULT Delete(const KuvInObjectVal* key);
  // Destroys every value object (once, even when several keys share it), then clears.
  void DeleteAll();
  // Destroys the entries and resizes the table for the current threshold.
  void Clear();

  std::int32_t GetLength() const { return m_table.count(); }
  bool IsEmpty() const { return m_table.count() == 0; }
  const_iterator cBegin() const { return const_iterator(*this); }
  iterator Begin() { return iterator(*this); }

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
  // The negation of IsKeyTypeAccepted (IsValueTypeAccepted); sets the flag.
  bool typeKeyIsBad(const KuvInObjectTypeClass* type);
  bool typeValIsBad(const KuvInObjectTypeClass* type);
  // Neither type accepts the other's elements; sets the flag.
  bool typeKeyIsNotCompatible(const KuvInObjectTypeClass* type) const;
  bool typeValIsNotCompatible(const KuvInObjectTypeClass* type) const;

private:
  kuv::detail::MapTable<entry> m_table;
  KuvInObjectTypeClass* m_keyType;
  KuvInObjectTypeClass* m_valueType;
  // Also set by the const comparisons.
  mutable unsigned char m_badKeyCastErr = 0;
  mutable unsigned char m_badValCastErr = 0;
};
