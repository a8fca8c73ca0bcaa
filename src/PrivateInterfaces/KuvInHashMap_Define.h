// The operations of the hash map behind KuvInMap and KuvInMapVal (see
// KuvInHashMap.h). Included only by the two maps' sources, each of which
// instantiates the templates for its own class.
#pragma once

#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "KuvInHashMap.h"

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

// ---- entry

template <class Map, class Values>
MapEntry<Map, Values>::MapEntry(const KuvInObjectVal* key, typename Values::Arg value)
    : m_key(copyOrNull(key)) {
  if constexpr (Values::kOwns)
    m_value = copyOrNull(value);
  else
    m_value = value;
}

template <class Map, class Values>
MapEntry<Map, Values>::MapEntry(const MapEntry& other)
    : KuvInObjectVal(other), m_key(copyOrNull(other.m_key.get())) {
  if constexpr (Values::kOwns)
    m_value = copyOrNull(other.m_value.get());
  else
    m_value = other.m_value;
}

template <class Map, class Values>
MapEntry<Map, Values>::~MapEntry() = default;

template <class Map, class Values>
KuvInString MapEntry<Map, Values>::toString() const {
  KuvInString text;
  if (m_key != nullptr)
    text.Append("[", m_key->toString(), "]");
  else
    text.Append("NULL_KEY");
  const Value* value = GetVal();
  return text.Append(" <=>", value != nullptr ? value->toString() : KuvInString("NULL_VALUE"));
}

template <class Map, class Values>
std::uint32_t MapEntry<Map, Values>::hash() const {
  if constexpr (Values::kOwns)
    return hashOrZero(m_value.get()) ^ hashOrZero(m_key.get());
  else
    return BinHashFunc(&m_value, sizeof m_value) ^ hashOrZero(m_key.get());
}

template <class Map, class Values>
bool MapEntry<Map, Values>::equals(const KuvInObjectVal& other) const {
  const MapEntry* o = Map::entry::cast(other);
  if (o == nullptr) return false;
  if constexpr (Values::kOwns)
    return sameOrBothNull(m_key.get(), o->m_key.get()) && sameOrBothNull(m_value.get(), o->m_value.get());
  else
    return o->m_value == m_value && sameOrBothNull(m_key.get(), o->m_key.get());
}

template <class Map, class Values>
KuvInObjectVal& MapEntry<Map, Values>::clone(void* where) const {
  return cloneOf(static_cast<const typename Map::entry&>(*this), where);
}

// ---- table

template <class Entry>
struct MapTable<Entry>::Size {
  std::uint32_t tableSize;
  std::int32_t threshold;
  float loadFactor;

  static std::int32_t thresholdOf(std::uint32_t tableSize, float loadFactor) {
    return static_cast<std::int32_t>(std::floor(static_cast<float>(tableSize) * loadFactor));
  }

  static Size of(std::int32_t capacity, float loadFactor) {
    // A request beyond this many buckets (2 GiB of them) is a mistake rather
    // than a plan; the table still doubles past it as entries actually arrive.
    constexpr float maxInitialTableSize = 1 << 27;
    // Compared in double, as sets do: 0.1f itself is just above 0.1.
    if (!(loadFactor > 0.1 && loadFactor < 2.0)) loadFactor = 0.75f;
    if (capacity < 2) capacity = 8;
    const float needed = std::fmin(std::ceil(static_cast<float>(capacity) / loadFactor), maxInitialTableSize);
    const auto tableSize = static_cast<std::uint32_t>(needed);
    return {tableSize, thresholdOf(tableSize, loadFactor), loadFactor};
  }
};

template <class Entry>
MapTable<Entry>::MapTable(std::int32_t capacity, float loadFactor) {
  resize(Size::of(capacity, loadFactor));
}

template <class Entry>
MapTable<Entry>::MapTable(const MapTable& other) {
  resize({other.m_tableSize, other.m_threshold, other.m_loadFactor});
  try {
    for (Position p = other.begin(); p.entry != nullptr; other.advance(p)) {
      // The entry's clone is of the map's own entry class.
      std::unique_ptr<Entry> copy(static_cast<Entry*>(&p.entry->clone()));
      link(copy.get());
      copy.release();
      ++m_count;
    }
  } catch (...) {
    // No destructor runs for a table that is not built.
    destroyEntries();
    throw;
  }
}

template <class Entry>
MapTable<Entry>::~MapTable() {
  destroyEntries();
}

template <class Entry>
void MapTable<Entry>::swap(MapTable& other) noexcept {
  std::swap(m_buckets, other.m_buckets);
  std::swap(m_tableSize, other.m_tableSize);
  std::swap(m_loadFactor, other.m_loadFactor);
  std::swap(m_count, other.m_count);
  std::swap(m_threshold, other.m_threshold);
}

template <class Entry>
Entry* MapTable<Entry>::find(const KuvInObjectVal* key) const {
  if (m_buckets == nullptr) return nullptr;
  for (Entry* e = m_buckets[indexOf(key)].first; e != nullptr; e = e->m_next)
    if (sameOrBothNull(e->m_key.get(), key)) return e;
  return nullptr;
}

// The new entry carries its own key copy, so the caller's key may belong to
// the entry it replaces. A replaced entry leaves the count as it was, so only
// a new key can grow the table.
template <class Entry>
void MapTable<Entry>::put(std::unique_ptr<Entry> entry) {
  take(entry->m_key.get());
  link(entry.get());
  entry.release();
  if (++m_count <= m_threshold) return;
  // Growing only shortens the chains: a table that cannot grow for want of
  // memory stays valid, and the next new key tries again.
  try {
    grow();
  } catch (const std::bad_alloc&) {
  }
}

template <class Entry>
std::unique_ptr<Entry> MapTable<Entry>::take(const KuvInObjectVal* key) {
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

template <class Entry>
void MapTable<Entry>::clear() {
  destroyEntries();
  const Size size = Size::of(m_threshold, m_loadFactor);
  // The emptied buckets serve again when the size stays.
  if (size.tableSize == m_tableSize) {
    m_threshold = size.threshold;
    m_loadFactor = size.loadFactor;
  } else {
    resize(size);
  }
}

template <class Entry>
typename MapTable<Entry>::Position MapTable<Entry>::begin() const {
  return firstFrom(0);
}

template <class Entry>
void MapTable<Entry>::advance(Position& p) const {
  if (p.entry == nullptr) return;
  p.entry = p.entry->m_next;
  if (p.entry == nullptr) p = firstFrom(p.bucket + 1);
}

template <class Entry>
std::uint32_t MapTable<Entry>::indexOf(const KuvInObjectVal* key) const {
  return hashOrZero(key) & (m_tableSize - 1);
}

template <class Entry>
typename MapTable<Entry>::Position MapTable<Entry>::firstFrom(std::uint32_t index) const {
  if (m_buckets == nullptr) return {m_tableSize, nullptr};
  for (; index < m_tableSize; ++index)
    if (m_buckets[index].first != nullptr) return {index, m_buckets[index].first};
  return {m_tableSize, nullptr};
}

// Appends to the end of the entry's bucket; the count is the caller's.
template <class Entry>
void MapTable<Entry>::link(Entry* entry) {
  if (m_buckets == nullptr) m_buckets = std::make_unique<Bucket[]>(m_tableSize);
  Bucket& bucket = m_buckets[indexOf(entry->m_key.get())];
  (bucket.last != nullptr ? bucket.last->m_next : bucket.first) = entry;
  bucket.last = entry;
}

template <class Entry>
void MapTable<Entry>::resize(const Size& size) {
  m_tableSize = size.tableSize;
  m_threshold = size.threshold;
  m_loadFactor = size.loadFactor;
  // The buckets come with the first entry: many maps stay empty.
  m_buckets.reset();
}

template <class Entry>
void MapTable<Entry>::grow() {
  // Made first, so that running out of memory leaves the table as it was.
  std::unique_ptr<Bucket[]> buckets = std::make_unique<Bucket[]>(m_tableSize * 2);
  const std::unique_ptr<Bucket[]> old = std::move(m_buckets);
  const std::uint32_t oldSize = m_tableSize;
  resize({oldSize * 2, Size::thresholdOf(oldSize * 2, m_loadFactor), m_loadFactor});
  m_buckets = std::move(buckets);
  for (std::uint32_t i = 0; i < oldSize; ++i) {
    for (Entry* e = old[i].first; e != nullptr;) {
      Entry* next = e->m_next;
      e->m_next = nullptr;
      link(e);
      e = next;
    }
  }
}

template <class Entry>
void MapTable<Entry>::destroyEntries() {
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

// ---- iterators

template <class Map, class Values>
HashMap<Map, Values>::const_iterator::const_iterator(const Map& map)
    : m_map(&map), m_pos(static_cast<const HashMap&>(map).m_table.begin()) {}

template <class Map, class Values>
const KuvInObjectVal* HashMap<Map, Values>::const_iterator::GetKeyGoToNext() {
  const KuvInObjectVal* key = GetKey();
  Next();
  return key;
}

template <class Map, class Values>
auto HashMap<Map, Values>::const_iterator::GetValGoToNext() -> Value* {
  Value* value = GetVal();
  Next();
  return value;
}

template <class Map, class Values>
HRESULT HashMap<Map, Values>::const_iterator::Next() {
  if (m_pos.entry == nullptr) return E_FAIL;
  static_cast<const HashMap*>(m_map)->m_table.advance(m_pos);
  return S_OK;
}

template <class Map, class Values>
bool HashMap<Map, Values>::const_iterator::IsBegin() const {
  return m_pos.entry != nullptr && m_pos.entry == static_cast<const HashMap*>(m_map)->m_table.begin().entry;
}

template <class Map, class Values>
HRESULT HashMap<Map, Values>::iterator::SetVal(ValueArg value) {
  // Only Begin() of a non-const map makes an iterator.
  auto* map = const_cast<Map*>(this->m_map);
  Entry* entry = this->m_pos.entry;
  if (entry == nullptr || map->typeValIsBad(typeOrNull(value))) return E_FAIL;
  // Copied first: value may be the copy being replaced.
  if constexpr (kOwnsValues)
    entry->m_value = copyOrNull(value);
  else
    entry->m_value = value;
  return S_OK;
}

// ---- map

template <class Map, class Values>
HashMap<Map, Values>::HashMap(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType,
                              std::int32_t capacity, float loadFactor)
    : m_table(capacity, loadFactor), m_keyType(keyType), m_valueType(valueType) {}

template <class Map, class Values>
HashMap<Map, Values>::HashMap(const HashMap& other)
    : KuvInObjectVal(other),
      m_table(other.m_table),
      m_keyType(other.m_keyType),
      m_valueType(other.m_valueType) {}

template <class Map, class Values>
HashMap<Map, Values>& HashMap<Map, Values>::operator=(const HashMap& other) {
  if (&other == this) return *this;
  // Both checks run so that both flags tell the truth.
  const bool keysIncompatible = typeKeyIsNotCompatible(other.m_keyType);
  if (typeValIsNotCompatible(other.m_valueType) || keysIncompatible) return *this;
  Clear();
  PutAll(other.self());
  return *this;
}

template <class Map, class Values>
HashMap<Map, Values>::~HashMap() = default;

template <class Map, class Values>
KuvInString HashMap<Map, Values>::toString() const {
  KuvInString out(Map::sType()->getClassNameChars());
  out.Append("[", KuvInString::FromNum(m_table.count()), "]");
  m_table.forEach([&out](const Entry& e) { out.Append("\n", e.toString()); });
  return out;
}

template <class Map, class Values>
std::uint32_t HashMap<Map, Values>::hash() const {
  std::uint32_t h = 0;
  m_table.forEach([&h](const Entry& e) { h ^= e.hash(); });
  return h;
}

template <class Map, class Values>
bool HashMap<Map, Values>::equals(const KuvInObjectVal& other) const {
  const Map* o = Map::cast(other);
  return o != nullptr && *this == *o;
}

template <class Map, class Values>
KuvInObjectVal& HashMap<Map, Values>::clone(void* where) const {
  return cloneOf(self(), where);
}

template <class Map, class Values>
bool HashMap<Map, Values>::operator==(const Map& map) const {
  const HashMap& other = map;
  const bool keysIncompatible = typeKeyIsNotCompatible(other.m_keyType);
  if (typeValIsNotCompatible(other.m_valueType) || keysIncompatible) return false;
  if (m_table.count() != other.m_table.count()) return false;
  for (auto p = other.m_table.begin(); p.entry != nullptr; other.m_table.advance(p)) {
    bool found = false;
    for (auto q = m_table.begin(); q.entry != nullptr && !found; m_table.advance(q))
      found = p.entry->equals(*q.entry);
    if (!found) return false;
  }
  return true;
}

template <class Map, class Values>
HRESULT HashMap<Map, Values>::Put(const KuvInObjectVal* key, ValueArg value) {
  std::optional<TraceCallGuard> call;
  if constexpr (kTracesRefusals) call.emplace(Map::traceChannel(), "Put");
  if (typeKeyIsBad(typeOrNull(key)) || typeValIsBad(typeOrNull(value))) return E_FAIL;
  m_table.put(std::make_unique<typename Map::entry>(key, value));
  return S_OK;
}

template <class Map, class Values>
HRESULT HashMap<Map, Values>::PutAll(const Map& other) {
  // Re-putting our own entries in order would leave every bucket as it is.
  if (&other == this) return S_OK;
  HRESULT result = S_OK;
  static_cast<const HashMap&>(other).m_table.forEach([this, &result](const Entry& e) {
    if (FAILED(Put(e.GetKey(), e.GetVal()))) result = E_FAIL;
  });
  return result;
}

template <class Map, class Values>
auto HashMap<Map, Values>::Get(const KuvInObjectVal* key) const -> Value* {
  const Entry* e = m_table.find(key);
  return e != nullptr ? e->GetVal() : nullptr;
}

template <class Map, class Values>
bool HashMap<Map, Values>::ContainsKey(const KuvInObjectVal* key) const {
  return m_table.find(key) != nullptr;
}

template <class Map, class Values>
bool HashMap<Map, Values>::ContainsValue(const Value* value) const {
  for (auto p = m_table.begin(); p.entry != nullptr; m_table.advance(p))
    if (p.entry->GetVal() == value) return true;
  return false;
}

template <class Map, class Values>
HRESULT HashMap<Map, Values>::Remove(const KuvInObjectVal* key) {
  m_table.take(key);
  return S_OK;
}

template <class Map, class Values>
void HashMap<Map, Values>::Clear() {
  m_table.clear();
}

template <class Map, class Values>
bool HashMap<Map, Values>::SwapEntries(Map& other) noexcept {
  HashMap& that = other;
  if (that.m_keyType != m_keyType || that.m_valueType != m_valueType) return false;
  m_table.swap(that.m_table);
  return true;
}

template <class Map, class Values>
bool HashMap<Map, Values>::IsKeyTypeAccepted(const KuvInObjectTypeClass* type) const {
  return KuvInObjectTypeClass::isa(type, m_keyType) != 0;
}

template <class Map, class Values>
bool HashMap<Map, Values>::IsValueTypeAccepted(const KuvInObjectTypeClass* type) const {
  return KuvInObjectTypeClass::isa(type, m_valueType) != 0;
}

// A refused key or value of a tracing map is always reported: it usually
// means a map was built with the wrong types, which no channel setting
// should hide.
template <class Map, class Values>
bool HashMap<Map, Values>::typeIsBad(const KuvInObjectTypeClass* type, KuvInObjectTypeClass* expected,
                                     unsigned char& flag, const char* check) {
  std::optional<TraceCallGuard> call;
  if constexpr (kTracesRefusals) call.emplace(Map::traceChannel(), check);
  flag = KuvInObjectTypeClass::isa(type, expected) != 0 ? 0 : 1;
  if (kTracesRefusals && flag != 0) {
    Map::traceChannel().beginTrace() << "ERROR: " << check << " => bad type error.";
    Map::traceChannel().endTrace();
  }
  return flag != 0;
}

template <class Map, class Values>
bool HashMap<Map, Values>::typeKeyIsBad(const KuvInObjectTypeClass* type) {
  return typeIsBad(type, m_keyType, m_badKeyCastErr, "typeKeyIsBad");
}

template <class Map, class Values>
bool HashMap<Map, Values>::typeValIsBad(const KuvInObjectTypeClass* type) {
  return typeIsBad(type, m_valueType, m_badValCastErr, "typeValIsBad");
}

// Either type accepts the other's elements.
inline bool typesIncompatible(const KuvInObjectTypeClass* a, const KuvInObjectTypeClass* b,
                              unsigned char& flag) {
  flag = KuvInObjectTypeClass::isa(a, b) || KuvInObjectTypeClass::isa(b, a) ? 0 : 1;
  return flag != 0;
}

template <class Map, class Values>
bool HashMap<Map, Values>::typeKeyIsNotCompatible(const KuvInObjectTypeClass* type) const {
  return typesIncompatible(type, m_keyType, m_badKeyCastErr);
}

template <class Map, class Values>
bool HashMap<Map, Values>::typeValIsNotCompatible(const KuvInObjectTypeClass* type) const {
  return typesIncompatible(type, m_valueType, m_badValCastErr);
}

}  // namespace kuv::detail
