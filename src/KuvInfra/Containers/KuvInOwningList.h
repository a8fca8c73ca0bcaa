// The operations of the value lists KuvInListVal and KuvInLinkListVal, which
// are the pointer lists KuvInList and KuvInLinkList holding copies that the
// list owns.
//
// Every element that enters is copied with clone(); the list destroys its
// copies when they leave (Remove, RemoveRange, Set, Clear, the iterator's
// Remove... operations, destruction). Get and the iterators hand out the
// list's own copies; PopBack and PopFront give the copy to the caller.
// Identity is equals() (Find, ==) and hashing uses the elements' hash().
// A null element is refused without touching the bad-cast flag.
//
// The growth of the storage, the index rules and the iterator positions are
// those of the underlying pointer list (see KuvInList.h, KuvInLinkList.h).
#pragma once

#include <cstdint>
#include <memory>

#include "KuvInListSupport.h"
#include "KuvInObjectVal.h"

namespace kuv::detail {

// Items: the pointer list that holds the copies. Self: the value list class,
// for the operations that combine two value lists.
template <class Items, class Self>
class OwningList : public KuvInObjectVal, public ListTypeCheck {
public:
  class const_iterator;
  class iterator;

  ~OwningList() override { Clear(); }

  std::int32_t GetLength() const { return m_items.GetLength(); }
  bool IsEmpty() const { return m_items.IsEmpty(); }
  // The list's own copy, or null when i is out of range.
  KuvInObjectVal* Get(std::int32_t i) const { return owned(m_items.Get(i)); }

  // The stored copy, or null when obj is refused.
  KuvInObjectVal* PutBack(const KuvInObjectVal& obj) { return PutBack(&obj); }
  KuvInObjectVal* PutBack(const KuvInObjectVal* obj);
  HRESULT PutFront(const KuvInObjectVal& obj) { return Insert(0, &obj); }
  HRESULT PutFront(const KuvInObjectVal* obj) { return Insert(0, obj); }
  // Copies of all elements of l, after the compatibility check of l's
  // element type.
  HRESULT PutBackList(const Self& l);
  HRESULT PutFrontList(const Self& l);
  // 0 <= i <= length.
  HRESULT Insert(std::int32_t i, const KuvInObjectVal& obj) { return Insert(i, &obj); }
  HRESULT Insert(std::int32_t i, const KuvInObjectVal* obj);
  // Every element is checked first: a null element or a refused type
  // inserts nothing. A null array with n = 0 is accepted.
  HRESULT InsertArray(std::int32_t i, const KuvInObjectVal* const* array, std::int32_t n);
  HRESULT InsertList(std::int32_t i, const Self& l);
  HRESULT InsertListRange(std::int32_t i, const Self& l, std::int32_t from, std::int32_t to);
  // 0 <= i < length; destroys the old copy and stores a copy of obj.
  HRESULT Set(std::int32_t i, const KuvInObjectVal& obj) { return Set(i, &obj); }
  HRESULT Set(std::int32_t i, const KuvInObjectVal* obj);
  // Destroy the copies.
  HRESULT Remove(std::int32_t i) { return m_items.Delete(i); }
  HRESULT RemoveRange(std::int32_t from, std::int32_t to) { return m_items.DeleteRange(from, to); }
  // The copy taken out, now the caller's; null when the list is empty.
  KuvInObjectVal* PopBack() { return owned(m_items.PopBack()); }
  KuvInObjectVal* PopFront() { return owned(m_items.PopFront()); }
  // First index >= start of an element that equals obj; -1 when there is
  // none, when start is out of range or when obj's type is refused.
  std::int32_t Find(const KuvInObjectVal& obj, std::int32_t start = 0) const;
  std::int32_t Find(const KuvInObjectVal* obj, std::int32_t start = 0) const {
    return obj == nullptr ? -1 : Find(*obj, start);
  }
  // Destroys the copies and releases the storage.
  void Clear() { m_items.DeleteAll(); }
  // For lists created with new.
  void DeleteAllAndThis() { delete this; }
  void SetCapacity(std::int32_t n) { m_items.SetCapacity(n); }
  // Exchanges the copies of two lists of the same element type, without
  // copying; E_FAIL, nothing changed, for lists of different types.
  HRESULT SwapElements(Self& other) {
    if (this->GetElementType() != other.GetElementType()) return E_FAIL;
    return m_items.SwapElements(other.m_items);
  }

  // Compatible element types, same length, elements equal in order.
  bool operator==(const Self& other) const;
  bool operator!=(const Self& other) const { return !(*this == other); }

  iterator Begin() { return iterator(*this, m_items.Begin()); }
  iterator Last() { return iterator(*this, m_items.Last()); }
  const_iterator cBegin() const { return const_iterator(*this, mutableItems().Begin()); }
  const_iterator cLast() const { return const_iterator(*this, mutableItems().Last()); }

  // XOR of the elements' hash() (a value list never holds null).
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

protected:
  explicit OwningList(KuvInObjectTypeClass* elementType) : ListTypeCheck(elementType) {}
  // The elements from..to of other, copied; an invalid range gives an empty
  // list.
  OwningList(const OwningList& other, std::int32_t from, std::int32_t to);
  OwningList(const OwningList& other) : OwningList(other, 0, other.GetLength()) {}
  // Refused (flag set, nothing changed) unless other's element type is a
  // kind of this one; otherwise clears, then appends copies of other's.
  OwningList& operator=(const OwningList& other);

  Items m_items;

private:
  static KuvInObjectVal* owned(KuvInObject* element) { return static_cast<KuvInObjectVal*>(element); }
  // Const iterators are built over the same cursor as mutable ones and
  // never change anything through it.
  Items& mutableItems() const { return const_cast<Items&>(m_items); }
  // A copy of obj (the caller's) when it is accepted, else null.
  KuvInObjectVal* copyOf(const KuvInObjectVal* obj) const {
    return obj == nullptr || typeIsBad(obj->dType()) ? nullptr : &obj->clone();
  }
  // Replaces every pointer of items by a copy of what it points to.
  static void cloneEach(Items& items);
  // Copies of l's elements from..to, in a list that does not own them.
  static Items copiesOf(const OwningList& l, std::int32_t from, std::int32_t to);
  bool refusesAny(const OwningList& l, std::int32_t from, std::int32_t to) const;
  // Hands the copies over to m_items when insert succeeds; deletes them
  // when it fails or runs out of memory.
  template <class Insertion>
  static HRESULT adopt(Items& copies, Insertion insert);
};

// A position in a value list, kept by an iterator over the copies.
template <class Items, class Self>
class OwningList<Items, Self>::const_iterator {
public:
  const_iterator(const OwningList& list, typename Items::iterator at)
      : m_list(const_cast<OwningList*>(&list)), m_at(at) {}
  virtual ~const_iterator() = default;
  const_iterator(const const_iterator&) = default;
  const_iterator& operator=(const const_iterator&) = default;

  bool IsValid() const { return m_at.IsValid(); }
  bool IsEnd() const { return m_at.IsEnd(); }
  bool IsBegin() const { return m_at.IsBegin(); }
  bool IsLast() const { return m_at.IsLast(); }
  std::int32_t GetIndex() const { return m_at.GetIndex(); }
  KuvInObjectVal* Get() const { return owned(m_at.Get()); }
  HRESULT Next() { return m_at.Next(); }
  HRESULT Prev() { return m_at.Prev(); }
  KuvInObjectVal* GetGoToNext() { return owned(m_at.GetGoToNext()); }
  KuvInObjectVal* GetGoToPrev() { return owned(m_at.GetGoToPrev()); }

  bool operator==(const const_iterator& o) const { return m_at == o.m_at; }
  bool operator!=(const const_iterator& o) const { return !(*this == o); }

protected:
  // Mutable only for the derived iterator, which is built from a mutable
  // list.
  OwningList* m_list;
  typename Items::iterator m_at;
};

template <class Items, class Self>
class OwningList<Items, Self>::iterator : public OwningList<Items, Self>::const_iterator {
public:
  iterator(OwningList& list, typename Items::iterator at) : const_iterator(list, at) {}

  // Inserts a copy before the current element and stays on it; on an empty
  // list inserts at 0 and the index becomes 1.
  HRESULT Insert(const KuvInObjectVal& obj) { return Insert(&obj); }
  HRESULT Insert(const KuvInObjectVal* obj);
  // As Insert, for copies of all of l's elements.
  HRESULT InsertList(const Self& l);
  HRESULT Set(const KuvInObjectVal& obj) { return Set(&obj); }
  HRESULT Set(const KuvInObjectVal* obj);
  // Destroy the current copy; the iterator moves to the next element (same
  // index) or to the previous one.
  HRESULT RemoveGoToNext() { return this->m_at.DeleteGoToNext(); }
  HRESULT RemoveGoToPrev() { return this->m_at.DeleteGoToPrev(); }
  // Exchanges the current element with the next one without copying (in-
  // place sorts); E_FAIL when there is no next element.
  HRESULT SwapWithNext() { return this->m_at.SwapWithNext(); }
};

template <class Items, class Self>
OwningList<Items, Self>::OwningList(const OwningList& other, std::int32_t from, std::int32_t to)
    : KuvInObjectVal(), ListTypeCheck(other.GetElementType()), m_items(other.m_items, from, to) {
  cloneEach(m_items);
}

template <class Items, class Self>
OwningList<Items, Self>& OwningList<Items, Self>::operator=(const OwningList& other) {
  if (typeIsBad(other.GetElementType()) || this == &other) return *this;
  Clear();
  Items copies = copiesOf(other, 0, other.GetLength());
  adopt(copies, [&] { return m_items.PutBackList(copies); });
  return *this;
}

template <class Items, class Self>
KuvInObjectVal* OwningList<Items, Self>::PutBack(const KuvInObjectVal* obj) {
  std::unique_ptr<KuvInObjectVal> copy(copyOf(obj));
  if (copy != nullptr) m_items.PutBack(copy.get());
  return copy.release();
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::PutBackList(const Self& l) {
  if (typeIsNotCompatible(l.GetElementType())) return E_FAIL;
  Items copies = copiesOf(l, 0, l.GetLength());
  return adopt(copies, [&] { return m_items.PutBackList(copies); });
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::PutFrontList(const Self& l) {
  if (typeIsNotCompatible(l.GetElementType())) return E_FAIL;
  Items copies = copiesOf(l, 0, l.GetLength());
  return adopt(copies, [&] { return m_items.PutFrontList(copies); });
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::Insert(std::int32_t i, const KuvInObjectVal* obj) {
  if (i < 0 || i > GetLength()) return E_FAIL;
  std::unique_ptr<KuvInObjectVal> copy(copyOf(obj));
  if (copy == nullptr) return E_FAIL;
  const HRESULT hr = m_items.Insert(i, copy.get());
  if (SUCCEEDED(hr)) copy.release();
  return hr;
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::InsertArray(std::int32_t i, const KuvInObjectVal* const* array, std::int32_t n) {
  if (n < 0 || i < 0 || i > GetLength()) return E_FAIL;
  if (n == 0) return S_OK;
  if (array == nullptr) return E_FAIL;
  for (std::int32_t k = 0; k < n; ++k)
    if (array[k] == nullptr || typeIsBad(array[k]->dType())) return E_FAIL;
  Items copies;
  try {
    for (std::int32_t k = 0; k < n; ++k) {
      std::unique_ptr<KuvInObjectVal> copy(&array[k]->clone());
      copies.PutBack(copy.get());
      copy.release();
    }
  } catch (...) {
    copies.DeleteAll();
    throw;
  }
  return adopt(copies, [&] { return m_items.InsertList(i, copies); });
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::InsertList(std::int32_t i, const Self& l) {
  if (i < 0 || i > GetLength() || refusesAny(l, 0, l.GetLength())) return E_FAIL;
  Items copies = copiesOf(l, 0, l.GetLength());
  return adopt(copies, [&] { return m_items.InsertList(i, copies); });
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::InsertListRange(std::int32_t i, const Self& l, std::int32_t from, std::int32_t to) {
  if (!isValidRange(from, to, l.GetLength()) || i < 0 || i > GetLength() || refusesAny(l, from, to))
    return E_FAIL;
  Items copies = copiesOf(l, from, to);
  return adopt(copies, [&] { return m_items.InsertList(i, copies); });
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::Set(std::int32_t i, const KuvInObjectVal* obj) {
  if (i < 0 || i >= GetLength()) return E_FAIL;
  KuvInObjectVal* copy = copyOf(obj);
  if (copy == nullptr) return E_FAIL;
  // Copied before the old one goes: obj may be the old copy itself.
  KuvInObject* old = m_items.Get(i);
  m_items.Set(i, copy);
  delete old;
  return S_OK;
}

template <class Items, class Self>
std::int32_t OwningList<Items, Self>::Find(const KuvInObjectVal& obj, std::int32_t start) const {
  if (typeIsBad(obj.dType()) || start < 0) return -1;
  for (const_iterator it = cBegin(); it.IsValid(); it.Next())
    if (it.GetIndex() >= start && it.Get()->equals(obj)) return it.GetIndex();
  return -1;
}

template <class Items, class Self>
bool OwningList<Items, Self>::operator==(const Self& other) const {
  if (typeIsNotCompatible(other.GetElementType()) || GetLength() != other.GetLength()) return false;
  for (const_iterator a = cBegin(), b = other.cBegin(); a.IsValid(); a.Next(), b.Next())
    if (!a.Get()->equals(*b.Get())) return false;
  return true;
}

template <class Items, class Self>
std::uint32_t OwningList<Items, Self>::hash() const {
  std::uint32_t h = 0;
  for (const_iterator it = cBegin(); it.IsValid(); it.Next()) h ^= it.Get()->hash();
  return h;
}

template <class Items, class Self>
bool OwningList<Items, Self>::equals(const KuvInObjectVal& other) const {
  const Self* list = Self::cast(other);
  return list != nullptr && *this == *list;
}

template <class Items, class Self>
KuvInObjectVal& OwningList<Items, Self>::clone(void* where) const {
  return cloneOf(static_cast<const Self&>(*this), where);
}

template <class Items, class Self>
void OwningList<Items, Self>::cloneEach(Items& items) {
  std::int32_t made = 0;
  try {
    for (typename Items::iterator it = items.Begin(); it.IsValid(); it.Next(), ++made)
      it.Set(&owned(it.Get())->clone());
  } catch (...) {
    // The copies made so far go; the rest are still the source's.
    typename Items::iterator it = items.Begin();
    for (std::int32_t k = 0; k < made; ++k, it.Next()) delete owned(it.Get());
    items.Clear();
    throw;
  }
}

template <class Items, class Self>
Items OwningList<Items, Self>::copiesOf(const OwningList& l, std::int32_t from, std::int32_t to) {
  Items copies(l.m_items, from, to);
  cloneEach(copies);
  return copies;
}

template <class Items, class Self>
bool OwningList<Items, Self>::refusesAny(const OwningList& l, std::int32_t from, std::int32_t to) const {
  for (const_iterator it = l.cBegin(); it.IsValid() && it.GetIndex() < to; it.Next())
    if (it.GetIndex() >= from && typeIsBad(it.Get()->dType())) return true;
  return false;
}

template <class Items, class Self>
template <class Insertion>
HRESULT OwningList<Items, Self>::adopt(Items& copies, Insertion insert) {
  HRESULT hr = E_FAIL;
  try {
    hr = insert();
  } catch (...) {
    copies.DeleteAll();
    throw;
  }
  if (FAILED(hr)) copies.DeleteAll();
  return hr;
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::iterator::Insert(const KuvInObjectVal* obj) {
  std::unique_ptr<KuvInObjectVal> copy(this->m_list->copyOf(obj));
  if (copy == nullptr) return E_FAIL;
  const HRESULT hr = this->m_at.Insert(copy.get());
  if (SUCCEEDED(hr)) copy.release();
  return hr;
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::iterator::InsertList(const Self& l) {
  if (this->m_list->refusesAny(l, 0, l.GetLength())) return E_FAIL;
  Items copies = copiesOf(l, 0, l.GetLength());
  return adopt(copies, [&] { return this->m_at.InsertList(copies); });
}

template <class Items, class Self>
HRESULT OwningList<Items, Self>::iterator::Set(const KuvInObjectVal* obj) {
  if (!this->IsValid()) return E_FAIL;
  KuvInObjectVal* copy = this->m_list->copyOf(obj);
  if (copy == nullptr) return E_FAIL;
  KuvInObject* old = this->m_at.Get();
  this->m_at.Set(copy);
  delete old;
  return S_OK;
}

}  // namespace kuv::detail
