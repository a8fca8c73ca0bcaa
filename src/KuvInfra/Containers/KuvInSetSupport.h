// What the three hash sets (KuvInSet, KuvInSetVal, KuvInFastSetVal) share:
// the bucket and entry nodes, the iteration cursor, the sizing rule, the
// element-type check and the chain table of the two heap-node sets.
//
// A set keeps a table of bucket pointers indexed by hash AND (table size - 1).
// A bucket node exists only while its bucket holds elements; the non-empty
// buckets form a doubly linked chain, newest bucket at the head, and each
// bucket lists its entries in insertion order. Iteration walks that chain,
// so the order is a deterministic function of the hash values and the
// sequence of operations; stored binaries rely on it. A rebuild re-inserts
// in the old iteration order, each newly filled bucket going to the head.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "KuvInElementTypeCheck.h"

namespace kuv::detail {

struct SetEntry {
  SetEntry* next;
  KuvInObject* element;
};

struct SetBucket {
  SetBucket* next;
  SetBucket* prev;
  SetEntry* first;
};

// 0.1 < load factor < 2.0 is used as given (compared in double precision);
// anything else becomes 0.75.
float normalizedLoadFactor(float loadFactor);
bool isLoadFactorInRange(float loadFactor);
// The power-of-two table size (at least 16) for a capacity: capacity below 1
// counts as 12; the size doubles until it reaches ceiling(capacity / load
// factor), the division in float.
std::uint32_t setTableSize(std::int32_t capacity, float loadFactor);
// floor(table size * load factor), saturated to the int32 range.
std::int32_t setThreshold(std::uint32_t tableSize, float loadFactor);

// For each non-empty bucket, the entries beyond its first: the mean over the
// non-empty buckets (NaN when there are none) and the maximum.
void chainStatistics(const SetBucket* first, double& meanChain, std::int32_t& longestChain);

// A set never holds null: it has no type to check and no text.
class SetTypeCheck : public ElementTypeCheck {
protected:
  using ElementTypeCheck::ElementTypeCheck;
  bool refuses(const KuvInObject* obj) const {
    return obj != nullptr ? typeIsBad(obj->dType()) : markBadCast(true);
  }
};

// The position of a set iterator: a bucket of the chain and an entry of it.
// It refers to the set's chain head, so it is valid only while the set is
// not changed.
class KUV_API SetCursor {
public:
  bool IsValid() const { return m_entry != nullptr; }
  bool IsEnd() const { return m_entry == nullptr; }
  bool IsBegin() const { return m_entry != nullptr && m_entry == (*m_head)->first; }
  // E_FAIL when already past the end.
  HRESULT Next();

protected:
  explicit SetCursor(SetBucket* const* head)
      : m_head(head), m_bucket(*head), m_entry(m_bucket != nullptr ? m_bucket->first : nullptr) {}

  KuvInObject* current() const { return m_entry != nullptr ? m_entry->element : nullptr; }
  KuvInObject* currentGoToNext() {
    KuvInObject* element = current();
    Next();
    return element;
  }

private:
  SetBucket* const* m_head;
  SetBucket* m_bucket;
  SetEntry* m_entry;
};

// The chain table of KuvInSet and KuvInSetVal: bucket and entry nodes on the
// heap, elements held by pointer. The table never owns the elements; the set
// that uses it decides what identity and hashing mean.
class SetTable {
public:
  using HashFn = std::uint32_t (*)(const KuvInObject& element);
  using SameFn = bool (*)(const KuvInObject& stored, const KuvInObject& probe);

  SetTable(HashFn hash, SameFn same, std::int32_t capacity, float loadFactor);
  ~SetTable();
  SetTable(const SetTable&) = delete;
  SetTable& operator=(const SetTable&) = delete;

  // The stored element the probe matches, or null.
  KuvInObject* find(const KuvInObject& probe, std::uint32_t hash) const;
  KuvInObject* find(const KuvInObject& probe) const { return find(probe, m_hash(probe)); }
  // Appends an element known to be absent; doubles the table when the count
  // passes the threshold.
  void add(KuvInObject* element, std::uint32_t hash);
  // Unlinks the stored element the probe matches and returns it, or null.
  KuvInObject* remove(const KuvInObject& probe);
  // Drops every node (never the elements) and sizes the table for capacity.
  void reset(std::int32_t capacity, float loadFactor);
  // Re-inserts every element, in iteration order, into a table of tableSize
  // buckets at the given load factor.
  void rebuild(std::uint32_t tableSize, float loadFactor);
  // Rebuilds for max(capacity, count) when that changes the table size; a
  // load factor out of range sizes with the current one and is kept as 0.75.
  void setMinCapacity(std::int32_t capacity, float loadFactor);
  void swap(SetTable& other) noexcept;
  // Empties the table without allocating and hands over each element in
  // iteration order, once it has left the table: destructors call this.
  template <class F>
  void takeEach(F each) {
    SetBucket* b = std::exchange(m_first, nullptr);
    m_count = 0;
    std::fill_n(m_table.get(), m_tableSize, nullptr);
    while (b != nullptr) {
      for (SetEntry* e = b->first; e != nullptr;) {
        KuvInObject* element = e->element;
        delete std::exchange(e, e->next);
        each(element);
      }
      delete std::exchange(b, b->next);
    }
  }

  template <class F>
  void forEach(F f) const {
    for (const SetBucket* b = m_first; b != nullptr; b = b->next)
      for (const SetEntry* e = b->first; e != nullptr; e = e->next) f(e->element);
  }
  // True when pred holds for every element; stops at the first that fails.
  template <class P>
  bool allOf(P pred) const {
    for (const SetBucket* b = m_first; b != nullptr; b = b->next)
      for (const SetEntry* e = b->first; e != nullptr; e = e->next)
        if (!pred(e->element)) return false;
    return true;
  }

  SetBucket* const* head() const { return &m_first; }
  const SetBucket* first() const { return m_first; }
  std::int32_t count() const { return m_count; }
  std::uint32_t tableSize() const { return m_tableSize; }
  std::int32_t threshold() const { return m_threshold; }
  float loadFactor() const { return m_loadFactor; }

private:
  void link(SetEntry* entry, std::uint32_t hash);
  void freeNodes();

  HashFn m_hash;
  SameFn m_same;
  std::unique_ptr<SetBucket*[]> m_table;
  std::uint32_t m_tableSize = 0;
  SetBucket* m_first = nullptr;
  std::int32_t m_count = 0;
  std::int32_t m_threshold = 0;
  float m_loadFactor = 0.75f;
};

}  // namespace kuv::detail
