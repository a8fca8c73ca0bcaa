#include "KuvInFastSetVal.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

KUV_DEFINE_TYPE(KuvInFastSetVal, KuvInObject)

using kuv::detail::SetBucket;
using kuv::detail::SetEntry;

namespace {

// The byte counts of the arena formulas; they are those of the nodes.
constexpr std::size_t kBucketSlotBytes = 8;
constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kBucketNodeBytes = 24;
static_assert(sizeof(SetBucket*) == kBucketSlotBytes && sizeof(SetEntry) == kEntryBytes &&
              sizeof(SetBucket) == kBucketNodeBytes);
static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ >= alignof(std::max_align_t));

constexpr std::size_t alignUp(std::size_t n, std::size_t alignment) { return (n + alignment - 1) / alignment * alignment; }

std::uint32_t fastTableSize(std::int32_t capacity, float loadFactor) {
  return static_cast<std::uint32_t>(std::ceil(static_cast<float>(capacity) / loadFactor));
}

std::size_t arenaSizeFor(std::size_t elementSize, std::int32_t capacity, std::uint32_t tableSize) {
  return (elementSize + kEntryBytes) * static_cast<std::size_t>(capacity) +
         static_cast<std::size_t>(tableSize) * (kBucketSlotBytes + kBucketNodeBytes);
}

}  // namespace

KuvInFastSetVal::KuvInFastSetVal(KuvInObjectTypeClass* elementType, std::int32_t elementSize,
                                 std::int32_t capacity, float loadFactor)
    : SetTypeCheck(elementType),
      m_loadFactor(kuv::detail::normalizedLoadFactor(loadFactor)),
      // No value object is smaller than its dispatch pointer.
      m_elementSize(std::max<std::int32_t>(elementSize, sizeof(KuvInObjectVal))) {
  m_arena = makeArena(capacity < 2 ? 8 : capacity);
}

KuvInFastSetVal::KuvInFastSetVal(const KuvInFastSetVal& other, std::int32_t capacity, float loadFactor)
    : KuvInObject(other),
      SetTypeCheck(other.GetElementType()),
      m_loadFactor(kuv::detail::normalizedLoadFactor(loadFactor == 0.0f ? other.m_loadFactor : loadFactor)),
      m_elementSize(other.m_elementSize) {
  if (capacity == 0) capacity = other.GetLength();
  m_arena = makeArena(capacity < 2 ? 8 : capacity);
  other.forEach([this](const KuvInObjectVal& value) { Put(value); });
}

KuvInFastSetVal::~KuvInFastSetVal() { destroyCopies(m_arena); }

KuvInFastSetVal::Arena KuvInFastSetVal::makeArena(std::int32_t capacity) const {
  Arena arena;
  arena.capacity = capacity;
  arena.tableSize = fastTableSize(capacity, m_loadFactor);
  auto elementSize = static_cast<std::size_t>(m_elementSize);
  arena.arenaSize = arenaSizeFor(elementSize, capacity, arena.tableSize);
  // Room for the alignment padding: at most 15 bytes per copy, and no more
  // copies than the accounted bytes allow.
  std::size_t padding = alignof(std::max_align_t) * (arena.arenaSize / (elementSize + kEntryBytes) + 1);
  // Not zero-filled: every byte is written (table by resetArena, slots by
  // place) before it is read, and the arena is often far larger than used.
  arena.block.reset(new std::byte[arena.arenaSize + padding]);
  arena.table = std::launder(reinterpret_cast<SetBucket**>(arena.block.get()));
  resetArena(arena);
  return arena;
}

void KuvInFastSetVal::resetArena(Arena& arena) const {
  std::fill_n(arena.table, arena.tableSize, nullptr);
  arena.first = nullptr;
  arena.count = 0;
  arena.bytesUsed = arena.cursor = arena.tableSize * kBucketSlotBytes;
}

const SetEntry* KuvInFastSetVal::findEntry(const KuvInObjectVal& value, std::uint32_t hash) const {
  const SetBucket* bucket = m_arena.table[hash & (m_arena.tableSize - 1)];
  for (const SetEntry* e = bucket != nullptr ? bucket->first : nullptr; e != nullptr; e = e->next)
    if (static_cast<const KuvInObjectVal&>(*e->element).equals(value)) return e;
  return nullptr;
}

void KuvInFastSetVal::place(Arena& arena, const KuvInObjectVal& value, std::uint32_t hash) const {
  std::byte* block = arena.block.get();
  auto elementSize = static_cast<std::size_t>(m_elementSize);
  std::size_t at = alignUp(arena.cursor, alignof(std::max_align_t));
  KuvInObjectVal& copy = value.clone(block + at);
  arena.cursor = at + alignUp(elementSize, alignof(SetEntry));
  auto* entry = new (block + arena.cursor) SetEntry{nullptr, &copy};
  arena.cursor += kEntryBytes;
  arena.bytesUsed += elementSize + kEntryBytes;

  SetBucket*& slot = arena.table[hash & (arena.tableSize - 1)];
  if (slot == nullptr) {
    slot = new (block + arena.cursor) SetBucket{arena.first, nullptr, entry};
    if (arena.first != nullptr) arena.first->prev = slot;
    arena.first = slot;
    arena.cursor += kBucketNodeBytes;
    arena.bytesUsed += kBucketNodeBytes;
  } else {
    SetEntry* last = slot->first;
    while (last->next != nullptr) last = last->next;
    last->next = entry;
  }
  ++arena.count;
}

void KuvInFastSetVal::resize(bool forPut) {
  auto elementSize = static_cast<std::size_t>(m_elementSize);
  auto count = static_cast<std::size_t>(m_arena.count);
  // Doubling once is the rule. Only when the copies would not fit, with room
  // for the Put that asked for the resize (unused bucket-node room held
  // extra copies, or a new load factor shrank the table), does it double
  // again: the bytes are counted exactly, buckets the copies fill included.
  auto bucketsFilled = [&](std::uint32_t tableSize) {
    std::vector<bool> filled(tableSize);
    std::size_t n = 0;
    forEach([&](const KuvInObjectVal& value) {
      const std::uint32_t i = value.hash() & (tableSize - 1);
      if (!filled[i]) {
        filled[i] = true;
        ++n;
      }
    });
    return n;
  };
  std::int32_t capacity = m_arena.capacity * 2;
  for (;;) {
    std::uint32_t tableSize = fastTableSize(capacity, m_loadFactor);
    std::size_t needed = tableSize * kBucketSlotBytes + count * (elementSize + kEntryBytes) +
                         bucketsFilled(tableSize) * kBucketNodeBytes +
                         (forPut ? kEntryBytes + kBucketNodeBytes + elementSize : 0);
    if (needed <= arenaSizeFor(elementSize, capacity, tableSize)) break;
    capacity *= 2;
  }
  Arena fresh = makeArena(capacity);
  forEach([&](const KuvInObjectVal& value) { place(fresh, value, value.hash()); });
  destroyCopies(m_arena);
  m_arena = std::move(fresh);
  KUV_TRACE_ERROR(
      "ERROR: KuvInFastSetVal is being resized. It will still proceed correctly but performances will be "
      "deteriorated. Please make sure you initialize it with the right size.");
}

void KuvInFastSetVal::destroyCopies(const Arena& arena) {
  for (const SetBucket* b = arena.first; b != nullptr; b = b->next)
    for (const SetEntry* e = b->first; e != nullptr; e = e->next) e->element->~KuvInObject();
}

bool KuvInFastSetVal::Put(const KuvInObjectVal& value) { return Put(&value); }

bool KuvInFastSetVal::Put(const KuvInObjectVal* value) {
  // A value of a larger subclass of the element type would overrun its slot.
  if (refuses(value) ||
      markBadCast(value->dType()->getObjectSize() > static_cast<std::size_t>(m_elementSize)))
    return false;
  if (m_arena.bytesUsed + kEntryBytes + kBucketNodeBytes + static_cast<std::size_t>(m_elementSize) >
      m_arena.arenaSize)
    resize(true);
  std::uint32_t hash = value->hash();
  if (findEntry(*value, hash) != nullptr) return false;
  place(m_arena, *value, hash);
  return true;
}

HRESULT KuvInFastSetVal::PutSet(const KuvInFastSetVal& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  other.forEach([this](const KuvInObjectVal& value) { Put(value); });
  return S_OK;
}

bool KuvInFastSetVal::Find(const KuvInObjectVal& value) const { return Find(&value); }

bool KuvInFastSetVal::Find(const KuvInObjectVal* value) const {
  return !refuses(value) && findEntry(*value, value->hash()) != nullptr;
}

void KuvInFastSetVal::Clear() {
  destroyCopies(m_arena);
  resetArena(m_arena);
}

HRESULT KuvInFastSetVal::Intersect(const KuvInFastSetVal& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  KuvInFastSetVal kept(GetElementType(), m_elementSize, m_arena.capacity, m_loadFactor);
  forEach([&](const KuvInObjectVal& value) {
    if (other.findEntry(value, value.hash()) != nullptr) kept.Put(value);
  });
  std::swap(m_arena, kept.m_arena);
  return S_OK;
}

HRESULT KuvInFastSetVal::Intersect(const KuvInFastSetVal& a, const KuvInFastSetVal& b) {
  if (typeIsNotCompatible(a.GetElementType()) || typeIsNotCompatible(b.GetElementType())) return E_FAIL;
  // Built aside, so that a or b may be this set.
  KuvInFastSetVal result(GetElementType(), m_elementSize, m_arena.capacity, m_loadFactor);
  a.forEach([&](const KuvInObjectVal& value) {
    if (b.findEntry(value, value.hash()) != nullptr && !refuses(&value)) result.Put(value);
  });
  std::swap(m_arena, result.m_arena);
  return S_OK;
}

bool KuvInFastSetVal::IsIncludedIn(const KuvInFastSetVal& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  if (GetLength() > other.GetLength()) return false;
  for (KuvInFastSetVal_const_iterator it = cBegin(); it.IsValid();) {
    const KuvInObjectVal* value = it.GetGoToNext();
    if (other.findEntry(*value, value->hash()) == nullptr) return false;
  }
  return true;
}

bool KuvInFastSetVal::IsIntersect(const KuvInFastSetVal& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  for (KuvInFastSetVal_const_iterator it = cBegin(); it.IsValid();) {
    const KuvInObjectVal* value = it.GetGoToNext();
    if (other.findEntry(*value, value->hash()) != nullptr) return true;
  }
  return false;
}

void KuvInFastSetVal::SetMinCapacity(std::int32_t capacity, float loadFactor) {
  float factor = kuv::detail::isLoadFactorInRange(loadFactor) ? loadFactor : m_loadFactor;
  float needed = std::ceil(static_cast<float>(std::max(capacity, m_arena.count)) / factor);
  if (needed == static_cast<float>(m_arena.tableSize)) return;
  m_loadFactor = factor;
  resize(false);
}

void KuvInFastSetVal::GetStatistics(std::int32_t& count, std::int32_t& threshold, float& loadFactor,
                                    std::uint32_t& tableSize, double& meanChain, std::int32_t& longestChain) const {
  count = GetLength();
  threshold = GetCapacity();
  loadFactor = GetLoadFactor();
  tableSize = GetTableSize();
  kuv::detail::chainStatistics(m_arena.first, meanChain, longestChain);
}

bool KuvInFastSetVal::operator==(const KuvInFastSetVal& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  return GetLength() == other.GetLength() && IsIncludedIn(other);
}

KuvInString KuvInFastSetVal::toString() const {
  if (IsEmpty()) return KuvInString("The set is empty.\n");
  const KuvInObjectTypeClass* type = GetElementType();
  KuvInString text("KuvInFastSetVal[");
  text.Append(KuvInString::FromNum(GetLength()), " ", type != nullptr ? type->getClassName() : "KuvInObject",
              "](object):\t{(");
  forEach([&text](const KuvInObjectVal& value) { text.Append("(", value.toString(), ")\t"); });
  return text.Append("}\n");
}
