// A hash set of values that lives in one block of memory (the arena), for
// hot paths that must not allocate per element (sets of GUIDs).
//
// The caller gives the size of one stored value object and the expected
// capacity; values of a larger class are refused. The arena is sized once:
//
//     arena size = (element size + 16) * capacity + table size * 32 bytes
//
// where table size = ceiling(capacity / load factor), not a power of two
// (the bucket index is still hash AND (table size - 1)). The arena holds the
// bucket array (table size * 8 bytes), then, as values arrive, each copy
// (element size bytes, made with clone(where)) followed by its 16-byte chain
// entry, and each new 24-byte bucket node. When a Put could overflow it
// (bytes used + 40 + element size > arena size) the capacity doubles and
// every copy moves to a new arena; that is reported as an error trace,
// because the caller sized the set wrongly.
//
// Copies start on alignof(std::max_align_t) boundaries and each slot is
// rounded up to pointer alignment. That padding is physical only: the arena
// size and bytes used above follow the formulas exactly, and the block is
// allocated with enough room beyond them for the padding.
//
// Values leave only through Clear, which destroys the copies in place. Like
// the other sets it iterates along its chain of buckets, newest first.
//
//     KuvInFastSetVal guids(KuvInGuid::sType(), sizeof(KuvInGuid), expectedCount);
//     guids.Put(guid);
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "KuvInObjectVal.h"
#include "KuvInSetSupport.h"

class KUV_API KuvInFastSetVal_const_iterator : public kuv::detail::SetCursor {
public:
  // The set's own copy.
  KuvInObjectVal* Get() const { return static_cast<KuvInObjectVal*>(current()); }
  // The current element, then one step on; null and no move at the end.
  KuvInObjectVal* GetGoToNext() { return static_cast<KuvInObjectVal*>(currentGoToNext()); }

private:
  friend class KuvInFastSetVal;
  using SetCursor::SetCursor;
};

class KUV_API KuvInFastSetVal : public KuvInObject, public kuv::detail::SetTypeCheck {
  KUV_DECLARE_TYPE(KuvInFastSetVal)

public:
  // elementSize must be at least the size of the stored class. A capacity
  // below 2 counts as 8, a load factor outside 0.1..2.0 as 0.75.
  KuvInFastSetVal(KuvInObjectTypeClass* elementType, std::int32_t elementSize, std::int32_t capacity = 8,
                  float loadFactor = 0.75f);
  // Same element type and size; capacity 0 takes other's count and load
  // factor 0 other's. The values are put in other's iteration order.
  KuvInFastSetVal(const KuvInFastSetVal& other, std::int32_t capacity = 0, float loadFactor = 0.0f);
  KuvInFastSetVal& operator=(const KuvInFastSetVal&) = delete;
  ~KuvInFastSetVal() override;

  // False when already present, or refused with the bad-cast flag set: a
  // value not of the element type, or one larger than the element size.
  bool Put(const KuvInObjectVal& value);
  bool Put(const KuvInObjectVal* value);
  HRESULT PutSet(const KuvInFastSetVal& other);
  bool Find(const KuvInObjectVal& value) const;
  bool Find(const KuvInObjectVal* value) const;
  // Destroys the copies in place and starts the arena afresh at the current
  // capacity.
  void Clear();
  // Keeps the values also in other. Values cannot leave the arena one by
  // one, so the kept ones are put again, in iteration order, into a fresh
  // arena of the same capacity.
  HRESULT Intersect(const KuvInFastSetVal& other);
  // Becomes (cleared, then put) the values of a that are in b, in a's order.
  HRESULT Intersect(const KuvInFastSetVal& a, const KuvInFastSetVal& b);
  bool IsIncludedIn(const KuvInFastSetVal& other) const;
  bool IsIntersect(const KuvInFastSetVal& other) const;
  // When ceiling(max(capacity, count) / load factor) differs from the table
  // size, resizes as an overflowing Put does: the current capacity doubles.
  void SetMinCapacity(std::int32_t capacity, float loadFactor);
  // As the other sets; the threshold reported is the capacity, the count the
  // arena is sized for.
  void GetStatistics(std::int32_t& count, std::int32_t& threshold, float& loadFactor, std::uint32_t& tableSize,
                     double& meanChain, std::int32_t& longestChain) const;

  std::int32_t GetLength() const { return m_arena.count; }
  bool IsEmpty() const { return m_arena.count == 0; }
  KuvInFastSetVal_const_iterator cBegin() const { return KuvInFastSetVal_const_iterator(&m_arena.first); }
  std::uint32_t GetTableSize() const { return m_arena.tableSize; }
  float GetLoadFactor() const { return m_loadFactor; }
  std::int32_t GetCapacity() const { return m_arena.capacity; }
  std::int32_t GetElementSize() const { return m_elementSize; }
  std::size_t GetArenaSize() const { return m_arena.arenaSize; }
  std::size_t GetBytesUsed() const { return m_arena.bytesUsed; }

  bool operator==(const KuvInFastSetVal& other) const;
  bool operator!=(const KuvInFastSetVal& other) const { return !(*this == other); }

  // "The set is empty.\n", or "KuvInFastSetVal[" count " " element class
  // "](object):\t{(" then "(" text ")\t" per value, then "}\n".
  KuvInString toString() const override;

private:
  struct Arena {
    std::unique_ptr<std::byte[]> block;
    kuv::detail::SetBucket** table = nullptr;  // the start of block
    kuv::detail::SetBucket* first = nullptr;
    std::uint32_t tableSize = 0;
    std::int32_t count = 0;
    std::int32_t capacity = 0;
    std::size_t arenaSize = 0;
    std::size_t bytesUsed = 0;
    std::size_t cursor = 0;  // physical offset of the free space, padding included
  };

  Arena makeArena(std::int32_t capacity) const;
  void resetArena(Arena& arena) const;
  const kuv::detail::SetEntry* findEntry(const KuvInObjectVal& value, std::uint32_t hash) const;
  void place(Arena& arena, const KuvInObjectVal& value, std::uint32_t hash) const;
  // Moves every copy to a new arena of twice the capacity and reports it.
  void resize(bool forPut);
  static void destroyCopies(const Arena& arena);
  template <class F>
  void forEach(F f) const {
    for (const kuv::detail::SetBucket* b = m_arena.first; b != nullptr; b = b->next)
      for (const kuv::detail::SetEntry* e = b->first; e != nullptr; e = e->next)
        f(static_cast<const KuvInObjectVal&>(*e->element));
  }

  Arena m_arena;
  float m_loadFactor;
  std::int32_t m_elementSize;
};
