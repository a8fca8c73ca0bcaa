// A hash map from values to values: the map owns a copy of every key and of
// every value, made with clone() when they are put and destroyed when the
// entry leaves or the map dies.
//
//     KuvInMapVal lengths(KuvInStringChar::sType(), KuvInIntHolder::sType());
//     lengths.Put(KuvInStringChar("abc"), KuvInIntHolder(3));
//     auto* three = static_cast<KuvInIntHolder*>(lengths.Get(KuvInStringChar("abc")));
//
// Everything else is as in KuvInMap (same sizing, same iteration order),
// except that a refused key or value reports nothing beyond its E_FAIL and
// flag, and that values are copies: ContainsValue only finds a value obtained
// from the map itself.
#pragma once

#include <cstdint>

#include "KuvInMapTable.h"
#include "KuvInObjectVal.h"

class KUV_API KuvInMapVal : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInMapVal)

public:
  // One key copy and one value copy; equal to another entry whose key and
  // value are both equal.
  class KUV_API entry : public KuvInObjectVal {
    KUV_DECLARE_TYPE(entry)

  public:
    entry(const KuvInObjectVal* key, const KuvInObjectVal* value);
    entry(const entry& other);
    entry& operator=(const entry&) = delete;
    ~entry() override;

    const KuvInObjectVal* GetKey() const { return m_key.get(); }
    KuvInObjectVal* GetVal() const { return m_value.get(); }

    // "[" key "]" (or "NULL_KEY"), " <=>", then the value (or "NULL_VALUE").
    KuvInString toString() const override;
    // The value's hash XOR the key's hash.
    std::uint32_t hash() const override;
    bool equals(const KuvInObjectVal& other) const override;
    KuvInObjectVal& clone(void* where = nullptr) const override;

  private:
    friend class KuvInMapVal;
    friend class kuv::detail::MapTable<entry>;
    std::unique_ptr<KuvInObjectVal> m_key;
    std::unique_ptr<KuvInObjectVal> m_value;
    entry* m_next = nullptr;
  };

  class KUV_API const_iterator {
  public:
    // The current item, or null past the end.
    const KuvInObjectVal* GetKey() const { return m_pos.entry != nullptr ? m_pos.entry->GetKey() : nullptr; }
    KuvInObjectVal* GetVal() const { return m_pos.entry != nullptr ? m_pos.entry->GetVal() : nullptr; }
    const entry* GetEntry() const { return m_pos.entry; }
    // The current item, then one step on.
    const KuvInObjectVal* GetKeyGoToNext();
    KuvInObjectVal* GetValGoToNext();
    const entry* GetEntryGoToNext();
    // E_FAIL when already past the end.
    HRESULT Next();
    bool IsBegin() const { return m_map->m_table.isFirst(m_pos.entry); }
    bool IsEnd() const { return m_pos.entry == nullptr; }

  protected:
    friend class KuvInMapVal;
    explicit const_iterator(const KuvInMapVal& map) : m_map(&map), m_pos(map.m_table.begin()) {}

    const KuvInMapVal* m_map;
    kuv::detail::MapTable<entry>::Position m_pos;
  };

  class KUV_API iterator : public const_iterator {
  public:
    // Replaces the current entry's value by a copy of value after the value
    // type check; E_FAIL on a refused value or past the end.
    HRESULT SetVal(const KuvInObjectVal& value) { return SetVal(&value); }
    HRESULT SetVal(const KuvInObjectVal* value);

  private:
    friend class KuvInMapVal;
    explicit iterator(KuvInMapVal& map) : const_iterator(map) {}
  };

  // Capacity 8, load factor 0.75: 11 buckets, growth after the 8th key.
  KuvInMapVal(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType);
  // A load factor outside (0.1, 2.0) becomes 0.75, a capacity below 2 becomes 8.
  KuvInMapVal(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType, std::int32_t capacity,
              float loadFactor);
  // Same types and sizing; copies of the keys and values.
  KuvInMapVal(const KuvInMapVal& other);
  // Types incompatible with ours: flags set, nothing changes. Otherwise our
  // entries go and other's are put in its iteration order.
  KuvInMapVal& operator=(const KuvInMapVal& other);
  ~KuvInMapVal() override;

  // "KuvInMapVal[" count "]", then each entry's text on its own line.
  KuvInString toString() const override;
  // XOR of the entries' hashes.
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;
  // Compatible types, same count, and each of other's entries equals one of ours.
  bool operator==(const KuvInMapVal& other) const;
  bool operator!=(const KuvInMapVal& other) const { return !(*this == other); }

  // Stores copies of key and value, replacing (and destroying) the entry of
  // an equal key; the new entry goes to the end of its bucket.
  HRESULT Put(const KuvInObjectVal& key, const KuvInObjectVal& value) { return Put(&key, &value); }
  HRESULT Put(const KuvInObjectVal* key, const KuvInObjectVal* value);
  // Put of each of other's entries in its iteration order; E_FAIL when one was refused.
  HRESULT PutAll(const KuvInMapVal& other);

  // The map's own copy, valid until the entry leaves.
  KuvInObjectVal* Get(const KuvInObjectVal& key) const { return Get(&key); }
  KuvInObjectVal* Get(const KuvInObjectVal* key) const;
  bool ContainsKey(const KuvInObjectVal& key) const { return ContainsKey(&key); }
  bool ContainsKey(const KuvInObjectVal* key) const { return m_table.find(key) != nullptr; }
  // By identity: true only for a copy the map holds.
  bool ContainsValue(const KuvInObjectVal* value) const;

  // Destroys the entry's copies; S_OK whether or not the key was there.
  HRESULT Remove(const KuvInObjectVal& key) { return Remove(&key); }
  HRESULT Remove(const KuvInObjectVal* key);
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
