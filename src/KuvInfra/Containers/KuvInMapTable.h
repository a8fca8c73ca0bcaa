// The hash table shared by KuvInMap and KuvInMapVal; not for direct use.
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
//
// Entry is a map's entry class: it owns its key copy in m_key, links through
// m_next, and befriends this template.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>

#include "KuvInObjectVal.h"

namespace kuv::detail {

// A null key or value has no type and is equal only to another null.
inline std::uint32_t hashOrZero(const KuvInObjectVal* value) { return value != nullptr ? value->hash() : 0; }
inline bool sameOrBothNull(const KuvInObjectVal* stored, const KuvInObjectVal* other) {
  return stored != nullptr && other != nullptr ? stored->equals(*other) : stored == other;
}
inline std::unique_ptr<KuvInObjectVal> copyOrNull(const KuvInObjectVal* value) {
  return std::unique_ptr<KuvInObjectVal>(value != nullptr ? &value->clone() : nullptr);
}
inline KuvInObjectTypeClass* typeOrNull(const KuvInObject* object) {
  return object != nullptr ? object->dType() : nullptr;
}
// "[" key "]" (or "NULL_KEY"), " <=>", then the value (or "NULL_VALUE").
inline KuvInString entryText(const KuvInObjectVal* key, const KuvInObject* value) {
  KuvInString text;
  if (key != nullptr)
    text.Append("[", key->toString(), "]");
  else
    text.Append("NULL_KEY");
  return text.Append(" <=>", value != nullptr ? value->toString() : KuvInString("NULL_VALUE"));
}
// Either type accepts the other's elements.
inline bool typesCompatible(const KuvInObjectTypeClass* a, const KuvInObjectTypeClass* b) {
  return KuvInObjectTypeClass::isa(a, b) || KuvInObjectTypeClass::isa(b, a);
}

struct MapSize {
  std::uint32_t tableSize;
  std::int32_t threshold;
  float loadFactor;
};

inline std::int32_t mapThreshold(std::uint32_t tableSize, float loadFactor) {
  return static_cast<std::int32_t>(std::floor(static_cast<float>(tableSize) * loadFactor));
}

inline MapSize mapSizeFor(std::int32_t capacity, float loadFactor) {
  // A request beyond this many buckets is a mistake rather than a plan; the
  // table still doubles past it as entries actually arrive.
  constexpr float maxInitialTableSize = 1 << 22;
  if (!(loadFactor > 0.1f && loadFactor < 2.0f)) loadFactor = 0.75f;
  if (capacity < 2) capacity = 8;
  const float needed = std::fmin(std::ceil(static_cast<float>(capacity) / loadFactor), maxInitialTableSize);
  const auto tableSize = static_cast<std::uint32_t>(needed);
  return {tableSize, mapThreshold(tableSize, loadFactor), loadFactor};
}

template <class Entry>
class MapTable {
public:
  // Where an iterator stands: entry is null past the end.
  struct Position {
    std::uint32_t bucket;
    Entry* entry;
  };

  MapTable(std::int32_t capacity, float loadFactor) { resize(mapSizeFor(capacity, loadFactor)); }

  // Same size and load factor, so the copy iterates in the source's order.
  MapTable(const MapTable& other) {
    resize({other.m_tableSize, other.m_threshold, other.m_loadFactor});
    for (Position p = other.begin(); p.entry != nullptr; other.advance(p)) {
      link(new Entry(*p.entry));
      ++m_count;
    }
  }
  MapTable& operator=(const MapTable&) = delete;
  ~MapTable() { destroyEntries(); }

  std::int32_t count() const { return m_count; }
  std::uint32_t tableSize() const { return m_tableSize; }
  std::int32_t threshold() const { return m_threshold; }
  float loadFactor() const { return m_loadFactor; }

  Entry* find(const KuvInObjectVal* key) const {
    if (m_buckets == nullptr) return nullptr;
    for (Entry* e = m_buckets[indexOf(key)].first; e != nullptr; e = e->m_next)
      if (sameOrBothNull(e->m_key.get(), key)) return e;
    return nullptr;
  }

  // The new entry carries its own key copy, so the caller's key may belong
  // to the entry it replaces.
  // A replaced entry leaves the count as it was, so only a new key can grow
  // the table.
  void put(std::unique_ptr<Entry> entry) {
    take(entry->m_key.get());
    link(entry.release());
    if (++m_count > m_threshold) grow();
  }

  // Unlinks the entry with an equal key; null when there is none.
  std::unique_ptr<Entry> take(const KuvInObjectVal* key) {
    if (m_buckets == nullptr) return nullptr;
    Bucket& bucket = m_buckets[indexOf(key)];
    for (Entry *prev = nullptr, *e = bucket.first; e != nullptr; prev = e, e = e->m_next) {
      if (!sameOrBothNull(e->m_key.get(), key)) continue;
      (prev != nullptr ? prev->m_next : bucket.first) = e->m_next;
      if (bucket.last == e) bucket.last = prev;
      e->m_next = nullptr;
      --m_count;
      return std::unique_ptr<Entry>(e);
    }
    return nullptr;
  }

  void clear() {
    destroyEntries();
    const MapSize size = mapSizeFor(m_threshold, m_loadFactor);
    // The emptied buckets serve again when the size stays.
    if (size.tableSize == m_tableSize) {
      m_threshold = size.threshold;
      m_loadFactor = size.loadFactor;
    } else {
      resize(size);
    }
  }

  Position begin() const { return firstFrom(0); }
  void advance(Position& p) const {
    if (p.entry == nullptr) return;
    p.entry = p.entry->m_next;
    if (p.entry == nullptr) p = firstFrom(p.bucket + 1);
  }
  bool isFirst(const Entry* entry) const { return entry != nullptr && entry == begin().entry; }

  template <class F>
  void forEach(F f) const {
    for (Position p = begin(); p.entry != nullptr; advance(p)) f(*p.entry);
  }

  std::uint32_t hash() const {
    std::uint32_t h = 0;
    forEach([&h](const Entry& e) { h ^= e.hash(); });
    return h;
  }

  // Same count, and each of other's entries equals one of ours.
  bool sameEntries(const MapTable& other) const {
    if (m_count != other.m_count) return false;
    for (Position p = other.begin(); p.entry != nullptr; other.advance(p)) {
      bool found = false;
      for (Position q = begin(); q.entry != nullptr && !found; advance(q)) found = p.entry->equals(*q.entry);
      if (!found) return false;
    }
    return true;
  }

  // header, then each entry's text on its own line.
  KuvInString text(const char* header) const {
    KuvInString out(header);
    out.Append(KuvInString::FromNum(m_count), "]");
    forEach([&out](const Entry& e) { out.Append("\n", e.toString()); });
    return out;
  }

private:
  struct Bucket {
    Entry* first = nullptr;
    Entry* last = nullptr;
  };

  std::uint32_t indexOf(const KuvInObjectVal* key) const { return hashOrZero(key) & (m_tableSize - 1); }

  Position firstFrom(std::uint32_t index) const {
    if (m_buckets == nullptr) return {m_tableSize, nullptr};
    for (; index < m_tableSize; ++index)
      if (m_buckets[index].first != nullptr) return {index, m_buckets[index].first};
    return {m_tableSize, nullptr};
  }

  // Appends to the end of the entry's bucket; the count is the caller's.
  void link(Entry* entry) {
    if (m_buckets == nullptr) m_buckets = std::make_unique<Bucket[]>(m_tableSize);
    Bucket& bucket = m_buckets[indexOf(entry->m_key.get())];
    (bucket.last != nullptr ? bucket.last->m_next : bucket.first) = entry;
    bucket.last = entry;
  }

  void resize(const MapSize& size) {
    m_tableSize = size.tableSize;
    m_threshold = size.threshold;
    m_loadFactor = size.loadFactor;
    // The buckets come with the first entry: many maps stay empty.
    m_buckets.reset();
  }

  void grow() {
    const std::unique_ptr<Bucket[]> old = std::move(m_buckets);
    const std::uint32_t oldSize = m_tableSize;
    resize({oldSize * 2, mapThreshold(oldSize * 2, m_loadFactor), m_loadFactor});
    for (std::uint32_t i = 0; i < oldSize; ++i) {
      for (Entry* e = old[i].first; e != nullptr;) {
        Entry* next = e->m_next;
        e->m_next = nullptr;
        link(e);
        e = next;
      }
    }
  }

  void destroyEntries() {
    for (std::uint32_t i = 0; m_buckets != nullptr && i < m_tableSize; ++i) {
      for (Entry* e = m_buckets[i].first; e != nullptr;) {
        Entry* next = e->m_next;
        delete e;
        e = next;
      }
      m_buckets[i] = Bucket();
    }
    m_count = 0;
  }

  std::unique_ptr<Bucket[]> m_buckets;
  std::uint32_t m_tableSize = 0;
  float m_loadFactor = 0.75f;
  std::int32_t m_count = 0;
  std::int32_t m_threshold = 0;
};

}  // namespace kuv::detail
