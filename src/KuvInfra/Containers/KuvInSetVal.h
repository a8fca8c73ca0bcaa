// A hash set of values, bound to an element type.
//
// Put stores a heap copy (clone()) that the set owns and destroys when the
// element leaves the set (Remove, RemoveSet, Intersect, Clear) or the set is
// destroyed. Identity is equals() and hashing uses the element's hash(), so
// the iteration order (see KuvInSetSupport.h) is a function of the hash
// values and the sequence of operations only. Elements of another type (and
// null) are refused: the operation answers false or E_FAIL and badCastErr()
// reads 1.
//
//     KuvInSetVal words(KuvInStringChar::sType());
//     words.Put(KuvInStringChar("KuvInMap-None"));
//     bool silent = words.Find(KuvInStringChar("KuvInMap-None"));
#pragma once

#include <cstdint>

#include "KuvInObjectVal.h"
#include "KuvInSetSupport.h"

class KUV_API KuvInSetVal : public KuvInObjectVal, public kuv::detail::SetTypeCheck {
  KUV_DECLARE_TYPE(KuvInSetVal)

public:
  class KUV_API const_iterator : public kuv::detail::SetCursor {
  public:
    // The set's own copy.
    KuvInObjectVal* Get() const { return static_cast<KuvInObjectVal*>(current()); }
    // The current element, then one step on; null and no move at the end.
    KuvInObjectVal* GetGoToNext() { return static_cast<KuvInObjectVal*>(currentGoToNext()); }

  private:
    friend class KuvInSetVal;
    using SetCursor::SetCursor;
  };

  // Sized as KuvInSet: capacity below 1 counts as 12, a load factor outside
  // 0.1..2.0 as 0.75, the table a power of two of at least 16.
  explicit KuvInSetVal(KuvInObjectTypeClass* elementType = nullptr, std::int32_t capacity = 12,
                       float loadFactor = 0.75f);
  // Clones other's elements in its iteration order; capacity 0 takes other's
  // count and load factor 0 other's.
  KuvInSetVal(const KuvInSetVal& other, std::int32_t capacity = 0, float loadFactor = 0.0f);
  KuvInSetVal& operator=(const KuvInSetVal&) = delete;
  ~KuvInSetVal() override;

  // True when a copy was added; false when an equal value is present or
  // the value is refused.
  bool Put(const KuvInObjectVal& value);
  bool Put(const KuvInObjectVal* value);
  HRESULT PutSet(const KuvInSetVal& other);
  bool Find(const KuvInObjectVal& value) const;
  bool Find(const KuvInObjectVal* value) const;
  // Destroys the copy equal to value; true when there was one.
  bool Remove(const KuvInObjectVal& value);
  bool Remove(const KuvInObjectVal* value);
  HRESULT RemoveSet(const KuvInSetVal& other);
  // Destroys every copy and sizes the table for capacity 12 at the current
  // load factor.
  void Clear();
  HRESULT Intersect(const KuvInSetVal& other);
  // Becomes (cleared, then put) the elements of a that are in b, in a's order.
  HRESULT Intersect(const KuvInSetVal& a, const KuvInSetVal& b);
  bool IsIncludedIn(const KuvInSetVal& other) const;
  bool IsIntersect(const KuvInSetVal& other) const;
  void SetMinCapacity(std::int32_t capacity, float loadFactor);
  void GetStatistics(std::int32_t& count, std::int32_t& threshold, float& loadFactor, std::uint32_t& tableSize,
                     double& meanChain, std::int32_t& longestChain) const;

  std::int32_t GetLength() const { return m_table.count(); }
  bool IsEmpty() const { return m_table.count() == 0; }
  const_iterator cBegin() const { return const_iterator(m_table.head()); }
  std::uint32_t GetTableSize() const { return m_table.tableSize(); }
  std::int32_t GetThreshold() const { return m_table.threshold(); }
  float GetLoadFactor() const { return m_table.loadFactor(); }

  bool operator==(const KuvInSetVal& other) const;
  bool operator!=(const KuvInSetVal& other) const { return !(*this == other); }

  // XOR of the elements' hash().
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  kuv::detail::SetTable m_table;
};
