#include "KuvInSetSupport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <utility>

namespace kuv::detail {

namespace {
constexpr std::uint32_t kMinTableSize = 16;
constexpr std::uint32_t kMaxTableSize = 0x80000000u;
}  // namespace

bool isLoadFactorInRange(float loadFactor) { return loadFactor > 0.1 && loadFactor < 2.0; }

float normalizedLoadFactor(float loadFactor) { return isLoadFactorInRange(loadFactor) ? loadFactor : 0.75f; }

std::uint32_t setTableSize(std::int32_t capacity, float loadFactor) {
  if (capacity < 1) capacity = 12;
  float needed = std::ceil(static_cast<float>(capacity) / normalizedLoadFactor(loadFactor));
  std::uint32_t size = kMinTableSize;
  while (static_cast<float>(size) < needed && size < kMaxTableSize) size <<= 1;
  return size;
}

std::int32_t setThreshold(std::uint32_t tableSize, float loadFactor) {
  double threshold = std::floor(static_cast<float>(tableSize) * loadFactor);
  // A table that cannot double any more must never try to.
  if (tableSize >= kMaxTableSize || threshold >= std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(threshold);
}

void chainStatistics(const SetBucket* first, double& meanChain, std::int32_t& longestChain) {
  std::int64_t buckets = 0, extra = 0;
  longestChain = 0;
  for (const SetBucket* b = first; b != nullptr; b = b->next) {
    std::int32_t beyondFirst = -1;
    for (const SetEntry* e = b->first; e != nullptr; e = e->next) ++beyondFirst;
    ++buckets;
    extra += beyondFirst;
    longestChain = std::max(longestChain, beyondFirst);
  }
  meanChain = buckets == 0 ? std::numeric_limits<double>::quiet_NaN()
                           : static_cast<double>(extra) / static_cast<double>(buckets);
}

HRESULT SetCursor::Next() {
  if (m_entry == nullptr) return E_FAIL;
  m_entry = m_entry->next;
  if (m_entry == nullptr) {
    m_bucket = m_bucket->next;
    if (m_bucket != nullptr) m_entry = m_bucket->first;
  }
  return S_OK;
}

SetTable::SetTable(HashFn hash, SameFn same, std::int32_t capacity, float loadFactor)
    : m_hash(hash), m_same(same) {
  reset(capacity, loadFactor);
}

SetTable::~SetTable() { freeNodes(); }

void SetTable::freeNodes() {
  for (SetBucket* b = m_first; b != nullptr;) {
    for (SetEntry* e = b->first; e != nullptr;) delete std::exchange(e, e->next);
    delete std::exchange(b, b->next);
  }
  m_first = nullptr;
  m_count = 0;
}

KuvInObject* SetTable::find(const KuvInObject& probe, std::uint32_t hash) const {
  const SetBucket* b = m_table[hash & (m_tableSize - 1)];
  for (const SetEntry* e = b != nullptr ? b->first : nullptr; e != nullptr; e = e->next)
    if (m_same(*e->element, probe)) return e->element;
  return nullptr;
}

void SetTable::link(SetEntry* entry, std::uint32_t hash) {
  SetBucket*& slot = m_table[hash & (m_tableSize - 1)];
  if (slot == nullptr) {
    slot = new SetBucket{m_first, nullptr, entry};
    if (m_first != nullptr) m_first->prev = slot;
    m_first = slot;
    return;
  }
  SetEntry* last = slot->first;
  while (last->next != nullptr) last = last->next;
  last->next = entry;
}

void SetTable::add(KuvInObject* element, std::uint32_t hash) {
  std::unique_ptr<SetEntry> entry(new SetEntry{nullptr, element});
  link(entry.get(), hash);
  entry.release();
  if (++m_count <= m_threshold) return;
  // Growing only shortens the chains: a table that cannot grow for want of
  // memory stays valid, and the next add tries again.
  try {
    rebuild(m_tableSize * 2, m_loadFactor);
  } catch (const std::bad_alloc&) {
  }
}

KuvInObject* SetTable::remove(const KuvInObject& probe) {
  SetBucket*& slot = m_table[m_hash(probe) & (m_tableSize - 1)];
  if (slot == nullptr) return nullptr;
  for (SetEntry** pos = &slot->first; *pos != nullptr; pos = &(*pos)->next) {
    SetEntry* entry = *pos;
    if (!m_same(*entry->element, probe)) continue;
    *pos = entry->next;
    KuvInObject* element = entry->element;
    delete entry;
    --m_count;
    if (slot->first == nullptr) {
      SetBucket* bucket = slot;
      if (bucket->prev != nullptr) bucket->prev->next = bucket->next;
      else m_first = bucket->next;
      if (bucket->next != nullptr) bucket->next->prev = bucket->prev;
      slot = nullptr;
      delete bucket;
    }
    return element;
  }
  return nullptr;
}

void SetTable::reset(std::int32_t capacity, float loadFactor) {
  const float normalized = normalizedLoadFactor(loadFactor);
  const std::uint32_t tableSize = setTableSize(capacity, normalized);
  // A table of the same size only needs emptying; another is made before
  // anything changes, so that running out of memory leaves the set as it was.
  std::unique_ptr<SetBucket*[]> table;
  if (m_table == nullptr || tableSize != m_tableSize) table.reset(new SetBucket*[tableSize]());
  freeNodes();
  m_loadFactor = normalized;
  m_threshold = setThreshold(tableSize, normalized);
  if (table == nullptr) {
    std::fill_n(m_table.get(), m_tableSize, nullptr);
    return;
  }
  m_tableSize = tableSize;
  m_table = std::move(table);
}

void SetTable::rebuild(std::uint32_t tableSize, float loadFactor) {
  std::unique_ptr<SetBucket*[]> table(new SetBucket*[tableSize]());
  // Every new bucket is made, in the order the moves meet them, before any
  // entry moves: running out of memory leaves the table as it was.
  SetBucket* first = nullptr;
  try {
    for (const SetBucket* b = m_first; b != nullptr; b = b->next)
      for (const SetEntry* e = b->first; e != nullptr; e = e->next) {
        SetBucket*& slot = table[m_hash(*e->element) & (tableSize - 1)];
        if (slot != nullptr) continue;
        slot = new SetBucket{first, nullptr, nullptr};
        if (first != nullptr) first->prev = slot;
        first = slot;
      }
  } catch (...) {
    while (first != nullptr) delete std::exchange(first, first->next);
    throw;
  }
  SetBucket* old = std::exchange(m_first, first);
  m_table = std::move(table);
  m_tableSize = tableSize;
  m_loadFactor = loadFactor;
  m_threshold = setThreshold(tableSize, loadFactor);
  // The entries move to the new buckets, each to the end of its chain.
  while (old != nullptr) {
    for (SetEntry* e = old->first; e != nullptr;) {
      SetEntry* entry = std::exchange(e, e->next);
      entry->next = nullptr;
      SetEntry** end = &m_table[m_hash(*entry->element) & (m_tableSize - 1)]->first;
      while (*end != nullptr) end = &(*end)->next;
      *end = entry;
    }
    delete std::exchange(old, old->next);
  }
}

void SetTable::setMinCapacity(std::int32_t capacity, float loadFactor) {
  float factor = isLoadFactorInRange(loadFactor) ? loadFactor : m_loadFactor;
  std::uint32_t size = setTableSize(std::max(capacity, m_count), factor);
  // An out-of-range factor sizes with the current one, yet the rebuilt table
  // takes 0.75, as at construction.
  if (size != m_tableSize) rebuild(size, normalizedLoadFactor(loadFactor));
}

void SetTable::swap(SetTable& other) noexcept {
  std::swap(m_hash, other.m_hash);
  std::swap(m_same, other.m_same);
  std::swap(m_table, other.m_table);
  std::swap(m_tableSize, other.m_tableSize);
  std::swap(m_first, other.m_first);
  std::swap(m_count, other.m_count);
  std::swap(m_threshold, other.m_threshold);
  std::swap(m_loadFactor, other.m_loadFactor);
}

}  // namespace kuv::detail
