// The hash set behind KuvInSet and KuvInSetVal, which differ only in what
// they hold; not for direct use. The operations are defined once, in a
// private header, and built into the library for the two sets alone.
//
// The table is sized for a capacity (below 1: 12) at a load factor (outside
// 0.1..2.0: 0.75): the smallest power of two, at least 16, holding capacity /
// load factor buckets. Iteration follows the bucket chain (see
// KuvInSetSupport.h). Elements of another type (and null) are refused: the
// operation answers false or E_FAIL and badCastErr() reads 1.
#pragma once

#include <cstdint>

#include "KuvInObjectVal.h"
#include "KuvInSetSupport.h"

namespace kuv::detail {

// Set is the public class (KuvInSet, KuvInSetVal), which derives from this
// and declares its type and its own operations.
template <class Set, class Elements>
class KUV_API HashSet : public KuvInObjectVal, public SetTypeCheck {
  using Element = typename Elements::Element;
  static constexpr bool kOwnsElements = Elements::kOwns;

public:
  class const_iterator : public SetCursor {
  public:
    // A copy is the set's own.
    Element* Get() const { return static_cast<Element*>(current()); }
    // The current element, then one step on; null and no move at the end.
    Element* GetGoToNext() { return static_cast<Element*>(currentGoToNext()); }

  private:
    friend class HashSet;
    using SetCursor::SetCursor;
  };

  HashSet& operator=(const HashSet&) = delete;
  ~HashSet() override;

  // True when added (a copy, for copies); false when already present or
  // refused.
  bool Put(typename Elements::Arg obj);
  template <bool Owns = kOwnsElements>
    requires Owns
  bool Put(const KuvInObjectVal& value) { return Put(&value); }
  // Puts each element of other in its iteration order; E_FAIL when the
  // element types are not compatible.
  HRESULT PutSet(const Set& other);
  bool Find(const Element* obj) const;
  template <bool Owns = kOwnsElements>
    requires Owns
  bool Find(const KuvInObjectVal& value) const { return Find(&value); }
  // Takes obj out (destroying the set's copy, for copies; never a pointed-to
  // object); true when it was there.
  bool Remove(const Element* obj);
  template <bool Owns = kOwnsElements>
    requires Owns
  bool Remove(const KuvInObjectVal& value) { return Remove(&value); }
  HRESULT RemoveSet(const Set& other);
  // Empties the set (destroying copies) and sizes the table for capacity 12
  // at the current load factor.
  void Clear();
  // Exchanges elements and table with other, a set of the same element type,
  // allocating nothing: a set filled aside takes over at once. False, and
  // nothing changes, for another element type.
  bool SwapElements(Set& other) noexcept;
  // Keeps only the elements also in other.
  HRESULT Intersect(const Set& other);
  // Becomes (cleared, then put) the elements of a that are in b, in a's order.
  HRESULT Intersect(const Set& a, const Set& b);
  bool IsIncludedIn(const Set& other) const;
  bool IsIntersect(const Set& other) const;
  // Resizes the table for max(capacity, count) when that changes its size; a
  // load factor outside 0.1..2.0 sizes with the current one and leaves 0.75.
  void SetMinCapacity(std::int32_t capacity, float loadFactor);
  // Diagnostics; the chain figures count the entries of each non-empty bucket
  // beyond its first (the mean is NaN when the set is empty).
  void GetStatistics(std::int32_t& count, std::int32_t& threshold, float& loadFactor,
                     std::uint32_t& tableSize, double& meanChain, std::int32_t& longestChain) const;

  std::int32_t GetLength() const { return m_table.count(); }
  bool IsEmpty() const { return m_table.count() == 0; }
  const_iterator cBegin() const { return const_iterator(m_table.head()); }
  std::uint32_t GetTableSize() const { return m_table.tableSize(); }
  std::int32_t GetThreshold() const { return m_table.threshold(); }
  float GetLoadFactor() const { return m_table.loadFactor(); }

  // Compatible element types, same count, and every element in other.
  bool operator==(const Set& other) const;
  bool operator!=(const Set& other) const { return !(*this == other); }

  // XOR over the elements of their hash() (copies) or of the byte hash of
  // their pointers.
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

protected:
  HashSet(KuvInObjectTypeClass* elementType, std::int32_t capacity, float loadFactor);
  // Same element type; capacity 0 takes other's count and load factor 0
  // other's. The elements (copies of them) are put in other's iteration order.
  HashSet(const HashSet& other, std::int32_t capacity, float loadFactor);

private:
  friend Set;
  static std::uint32_t hashElement(const KuvInObject& element);
  static bool sameElement(const KuvInObject& stored, const KuvInObject& probe);
  // Adds obj, known to be absent, to table: obj itself, or a copy of it.
  static void addTo(SetTable& table, typename Elements::Arg obj, std::uint32_t hash);
  // Destroys the copies that left the set; pointed-to objects stay.
  static void release(KuvInObject* element);
  static void releaseAll(const SetTable& table);

  SetTable m_table;
};

}  // namespace kuv::detail
