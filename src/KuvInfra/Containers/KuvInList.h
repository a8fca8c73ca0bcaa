// KuvInList: a dynamic array of pointers to KuvInObjects bound to an element
// type. The list never owns what it points to: only the operations named
// Delete... destroy objects. Identity is pointer identity (Find, ==, hash).
//
// Elements are refused when their dType() is not a kind of the element type
// (the bad-cast flag then says so); a null pointer may be stored and is
// accepted without check. Indices are zero-based; a range (from, to) is
// half-open and valid when 0 <= from < to <= length.
//
//     KuvInList list(KuvInIntHolder::sType());
//     list.PutBack(&a);
//     for (KuvInList::iterator it = list.Begin(); it.IsValid(); it.Next()) ...
//
// The array grows by doubling (from 4) on single insertions, and to at least
// the needed size on bulk insertions; GetCapacity() shows the slots reserved.
#pragma once

#include <cstdint>
#include <memory>

#include "KuvInListSupport.h"
#include "KuvInObjectVal.h"

class KUV_API KuvInList : public KuvInObjectVal, public kuv::detail::ListTypeCheck {
  KUV_DECLARE_TYPE(KuvInList)

public:
  class const_iterator;
  class iterator;

  explicit KuvInList(KuvInObjectTypeClass* elementType = nullptr);
  // Same element type; an array of exactly the other's length.
  KuvInList(const KuvInList& other);
  // The elements from..to of other; an invalid range gives an empty list.
  KuvInList(const KuvInList& other, std::int32_t from, std::int32_t to);
  ~KuvInList() override;
  // Refused (flag set, nothing changed) unless other's element type is a
  // kind of this one; otherwise this list becomes a copy of other.
  KuvInList& operator=(const KuvInList& other);
  // Exchanges the elements (and storage) of two lists of the same element
  // type; E_FAIL, nothing changed, for lists of different types.
  HRESULT SwapElements(KuvInList& other);

  std::int32_t GetLength() const { return m_length; }
  bool IsEmpty() const { return m_length == 0; }
  std::int32_t GetCapacity() const { return m_capacity; }
  // Null when i is out of range.
  KuvInObject* Get(std::int32_t i) const;

  HRESULT PutBack(KuvInObject* obj);
  HRESULT PutFront(KuvInObject* obj);
  // All elements of l in their order, after the compatibility check of l's
  // element type (the elements themselves are not checked again).
  HRESULT PutBackList(const KuvInList& l);
  HRESULT PutFrontList(const KuvInList& l);
  // 0 <= i <= length.
  HRESULT Insert(std::int32_t i, KuvInObject* obj);
  // Every element is checked first: a null element or a refused type
  // inserts nothing. A null array with n = 0 is accepted.
  HRESULT InsertArray(std::int32_t i, KuvInObject* const* array, std::int32_t n);
  HRESULT InsertList(std::int32_t i, const KuvInList& l);
  HRESULT InsertListRange(std::int32_t i, const KuvInList& l, std::int32_t from, std::int32_t to);
  // 0 <= i < length; replaces the pointer.
  HRESULT Set(std::int32_t i, KuvInObject* obj);
  // Take elements out without destroying them.
  HRESULT Remove(std::int32_t i);
  HRESULT RemoveRange(std::int32_t from, std::int32_t to);
  // Destroy the objects, then take them out.
  HRESULT Delete(std::int32_t i);
  HRESULT DeleteRange(std::int32_t from, std::int32_t to);
  // The element taken out, or null when the list is empty.
  KuvInObject* PopBack();
  KuvInObject* PopFront();
  // First index >= start holding obj itself; -1 when there is none, when
  // start is out of range or when obj's type is refused.
  std::int32_t Find(const KuvInObject* obj, std::int32_t start = 0) const;
  // Releases the array; the elements are left alone.
  void Clear();
  void DeleteAll();
  // For lists created with new: destroys every element, then the list.
  void DeleteAllAndThis();
  // Reallocates to exactly n slots; ignored when n < length or n is the
  // current capacity.
  void SetCapacity(std::int32_t n);

  // Compatible element types, same length, same pointers in order.
  bool operator==(const KuvInList& other) const;
  bool operator!=(const KuvInList& other) const { return !(*this == other); }

  // Iterators at index 0 / length - 1, or with no position (-2) when empty.
  iterator Begin();
  iterator Last();
  const_iterator cBegin() const;
  const_iterator cLast() const;

  // "[Empty]", or the elements' texts joined by " | ".
  KuvInString toString() const override;
  // XOR of the byte hashes of the element pointers, up to the first null.
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  // Single insertions double the array (from 4); bulk ones make room for n
  // more elements by the bulk rule. Both then open a gap of n slots at i.
  void openGapForOne(std::int32_t i);
  void openGap(std::int32_t i, std::int32_t n);
  void moveTo(std::int32_t capacity);
  void takeOut(std::int32_t from, std::int32_t to);
  void destroy(std::int32_t from, std::int32_t to);
  // Inserts l's elements from..from+n at i, after the checks of the caller.
  HRESULT insertFrom(std::int32_t i, const KuvInList& l, std::int32_t from, std::int32_t n, bool checkEach);

  std::unique_ptr<KuvInObject*[]> m_elements;
  std::int32_t m_length = 0;
  std::int32_t m_capacity = 0;
};

// A position in a list: an index that may also stand one before the first
// element (-1), one after the last (length) or nowhere (-2, for an empty
// list). The iterator follows the index, so it survives insertions only
// through its own operations.
class KUV_API KuvInList::const_iterator {
public:
  const_iterator(const KuvInList& list, std::int32_t index) : m_list(&list), m_index(index) {}
  virtual ~const_iterator() = default;
  const_iterator(const const_iterator&) = default;
  const_iterator& operator=(const const_iterator&) = default;

  bool IsValid() const { return 0 <= m_index && m_index < m_list->m_length; }
  bool IsEnd() const { return !IsValid(); }
  bool IsBegin() const { return m_index == 0; }
  bool IsLast() const { return m_index == m_list->m_length - 1; }
  std::int32_t GetIndex() const { return m_index; }
  KuvInObject* Get() const { return m_list->Get(m_index); }
  // From -1 .. length - 1 only.
  HRESULT Next();
  // From 0 .. length only.
  HRESULT Prev();
  // The element, then a step; null and no step when there is no element.
  KuvInObject* GetGoToNext();
  KuvInObject* GetGoToPrev();

  bool operator==(const const_iterator& o) const { return m_list == o.m_list && m_index == o.m_index; }
  bool operator!=(const const_iterator& o) const { return !(*this == o); }

protected:
  const KuvInList* m_list;
  std::int32_t m_index;
};

class KUV_API KuvInList::iterator : public KuvInList::const_iterator {
public:
  iterator(KuvInList& list, std::int32_t index) : const_iterator(list, index) {}

  // Inserts before the current element and stays on it (the index moves by
  // one); on an empty list inserts at 0 and the index becomes 1.
  HRESULT Insert(KuvInObject* obj);
  // As Insert, for all of l's elements; the index moves by l's length.
  HRESULT InsertList(const KuvInList& l);
  HRESULT Set(KuvInObject* obj);
  // Take the element out; the index stays (now on the next element) or
  // steps back by one.
  HRESULT RemoveGoToNext();
  HRESULT RemoveGoToPrev();
  // The same, destroying the element.
  HRESULT DeleteGoToNext();
  HRESULT DeleteGoToPrev();
  // Exchanges the current element with the next one (in-place sorts); the
  // index stays. E_FAIL when there is no next element.
  HRESULT SwapWithNext();

private:
  // Only built from a mutable list (Begin, Last, the constructor).
  KuvInList& list() const { return const_cast<KuvInList&>(*m_list); }
  // Where an insertion goes: the index, or 0 for an empty list without
  // position.
  std::int32_t insertionPoint() const;
};
