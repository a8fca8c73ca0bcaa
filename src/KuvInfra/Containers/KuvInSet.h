// A hash set of object pointers, bound to an element type.
//
// Identity is pointer identity and the set never owns what it holds: only
// Delete, DeleteAll and DeleteAllAndThis destroy elements. Elements of
// another type (and null) are refused: the operation answers false or E_FAIL
// and badCastErr() reads 1.
//
//     KuvInSet nodes(KuvEeNode::sType());
//     nodes.Put(node);
//     for (KuvInSet::const_iterator it = nodes.cBegin(); it.IsValid();) use(it.GetGoToNext());
//
// Iteration follows the bucket chain (see KuvInSetSupport.h); since the hash
// is that of the pointer, the order depends on object addresses.
#pragma once

#include <cstdint>

#include "KuvInObjectVal.h"
#include "KuvInSetSupport.h"

class KUV_API KuvInSet : public KuvInObjectVal, public kuv::detail::SetTypeCheck {
  KUV_DECLARE_TYPE(KuvInSet)

public:
  class KUV_API const_iterator : public kuv::detail::SetCursor {
  public:
    KuvInObject* Get() const { return current(); }
    // The current element, then one step on; null and no move at the end.
    KuvInObject* GetGoToNext() { return currentGoToNext(); }

  private:
    friend class KuvInSet;
    using SetCursor::SetCursor;
  };

  // The table is sized for capacity (below 1: 12) at the load factor (outside
  // 0.1..2.0: 0.75): the smallest power of two, at least 16, holding
  // capacity / load factor buckets.
  explicit KuvInSet(KuvInObjectTypeClass* elementType = nullptr, std::int32_t capacity = 12,
                    float loadFactor = 0.75f);
  // Same element type; capacity 0 takes other's count and load factor 0 other's.
  // The elements are put in other's iteration order.
  KuvInSet(const KuvInSet& other, std::int32_t capacity = 0, float loadFactor = 0.0f);
  KuvInSet& operator=(const KuvInSet&) = delete;
  ~KuvInSet() override;

  // True when added; false when already present or refused.
  bool Put(KuvInObject* obj);
  // Puts each element of other in its iteration order; E_FAIL when the
  // element types are not compatible.
  HRESULT PutSet(const KuvInSet& other);
  bool Find(const KuvInObject* obj) const;
  // Takes obj out without destroying it; true when it was there.
  bool Remove(const KuvInObject* obj);
  // Remove, then destroy obj when it was there.
  bool Delete(KuvInObject* obj);
  HRESULT RemoveSet(const KuvInSet& other);
  // Destroys every element, then resets the table as Clear does.
  void DeleteAll();
  // DeleteAll, then deletes this set, which must have been created with new.
  void DeleteAllAndThis();
  // Empties the set and sizes the table for capacity 12 at the current load factor.
  void Clear();
  // Keeps only the elements also in other.
  HRESULT Intersect(const KuvInSet& other);
  // Becomes (cleared, then put) the elements of a that are in b, in a's order.
  HRESULT Intersect(const KuvInSet& a, const KuvInSet& b);
  bool IsIncludedIn(const KuvInSet& other) const;
  bool IsIntersect(const KuvInSet& other) const;
  // Resizes the table for max(capacity, count) when that changes its size.
  void SetMinCapacity(std::int32_t capacity, float loadFactor);
  // A new array of the elements in iteration order (null when empty); the
  // caller releases it with delete[].
  KuvInObject** GetArray() const;
  // Diagnostics; the chain figures count the entries of each non-empty bucket
  // beyond its first (the mean is NaN when the set is empty).
  void GetStatistics(std::int32_t& count, std::int32_t& threshold, float& loadFactor, std::uint32_t& tableSize,
                     double& meanChain, std::int32_t& longestChain) const;

  std::int32_t GetLength() const { return m_table.count(); }
  bool IsEmpty() const { return m_table.count() == 0; }
  const_iterator cBegin() const { return const_iterator(m_table.head()); }
  std::uint32_t GetTableSize() const { return m_table.tableSize(); }
  std::int32_t GetThreshold() const { return m_table.threshold(); }
  float GetLoadFactor() const { return m_table.loadFactor(); }

  // Compatible element types, same count, and every element in other.
  bool operator==(const KuvInSet& other) const;
  bool operator!=(const KuvInSet& other) const { return !(*this == other); }

  // "Set(" count ")[ " then the elements' texts separated by ", ", then " ]".
  KuvInString toString() const override;
  // XOR over the elements of the byte hash of their pointers.
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  kuv::detail::SetTable m_table;
};
