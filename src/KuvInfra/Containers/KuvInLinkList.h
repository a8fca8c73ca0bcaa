// KuvInLinkList: a doubly linked list of pointers to KuvInObjects bound to an
// element type, with the operations of KuvInList. It never owns what it
// points to: only the operations named Delete... destroy objects.
//
// Index-based operations walk from the nearest of the first node, the last
// node and the node last reached by index, so appending costs nothing per
// element and reading Get(0), Get(1), ... in turn is linear. Iterators keep
// their node, so walking a list with an iterator, and inserting or removing
// there, costs nothing per step either. SetCapacity is accepted and does
// nothing. The text form is the root's (class name and address).
//
//     for (KuvInLinkList::iterator it = list.Begin(); it.IsValid();)
//       if (isObsolete(it.Get())) it.RemoveGoToNext(); else it.Next();
#pragma once

#include <cstdint>

#include "KuvInListSupport.h"
#include "KuvInObjectVal.h"

class KUV_API KuvInLinkList : public KuvInObjectVal, public kuv::detail::ListTypeCheck {
  KUV_DECLARE_TYPE(KuvInLinkList)

public:
  class const_iterator;
  class iterator;

  explicit KuvInLinkList(KuvInObjectTypeClass* elementType = nullptr);
  KuvInLinkList(const KuvInLinkList& other);
  // The elements from..to of other; an invalid range gives an empty list.
  KuvInLinkList(const KuvInLinkList& other, std::int32_t from, std::int32_t to);
  // Frees the nodes; the elements are left alone.
  ~KuvInLinkList() override;
  // Refused (flag set, nothing changed) unless other's element type is a
  // kind of this one; otherwise this list becomes a copy of other.
  KuvInLinkList& operator=(const KuvInLinkList& other);

  std::int32_t GetLength() const { return m_length; }
  bool IsEmpty() const { return m_length == 0; }
  // Null when i is out of range.
  KuvInObject* Get(std::int32_t i) const;

  HRESULT PutBack(KuvInObject* obj);
  HRESULT PutFront(KuvInObject* obj);
  // All elements of l in their order, after the compatibility check of l's
  // element type.
  HRESULT PutBackList(const KuvInLinkList& l);
  HRESULT PutFrontList(const KuvInLinkList& l);
  // 0 <= i <= length.
  HRESULT Insert(std::int32_t i, KuvInObject* obj);
  // Every element is checked first: a null element or a refused type
  // inserts nothing. A null array with n = 0 is accepted.
  HRESULT InsertArray(std::int32_t i, KuvInObject* const* array, std::int32_t n);
  // A list is linked all or nothing: out of memory, std::bad_alloc leaves
  // this list as it was.
  HRESULT InsertList(std::int32_t i, const KuvInLinkList& l);
  HRESULT InsertListRange(std::int32_t i, const KuvInLinkList& l, std::int32_t from, std::int32_t to);
  HRESULT Set(std::int32_t i, KuvInObject* obj);
  // Take elements out without destroying them.
  HRESULT Remove(std::int32_t i);
  HRESULT RemoveRange(std::int32_t from, std::int32_t to);
  // Destroy the objects, then take them out.
  HRESULT Delete(std::int32_t i);
  HRESULT DeleteRange(std::int32_t from, std::int32_t to);
  KuvInObject* PopBack();
  KuvInObject* PopFront();
  // First index >= start holding obj itself; -1 when there is none, when
  // start is out of range or when obj's type is refused.
  std::int32_t Find(const KuvInObject* obj, std::int32_t start = 0) const;
  void Clear();
  void DeleteAll();
  // For lists created with new: destroys every element, then the list.
  void DeleteAllAndThis();
  // Nodes are allocated one by one: nothing to reserve.
  void SetCapacity(std::int32_t) {}

  bool operator==(const KuvInLinkList& other) const;
  bool operator!=(const KuvInLinkList& other) const { return !(*this == other); }

  iterator Begin();
  iterator Last();
  const_iterator cBegin() const;
  const_iterator cLast() const;

  // XOR of the byte hashes of the element pointers, up to the first null.
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  struct Node {
    Node* next;
    Node* prev;
    KuvInObject* element;
  };

  // Null for i == length, so that linking before it appends.
  Node* nodeAt(std::int32_t i) const;
  void forgetCursor() const { m_cursor = nullptr; }
  // Links a new node before `before` (at the end when it is null).
  void linkBefore(Node* before, KuvInObject* obj);
  // Links l's elements from..from+n before `before`; checkEach checks them
  // as InsertArray does.
  HRESULT linkFrom(Node* before, const KuvInLinkList& l, std::int32_t from, std::int32_t n, bool checkEach);
  HRESULT insertFrom(std::int32_t i, const KuvInLinkList& l, std::int32_t from, std::int32_t n, bool checkEach);
  // Unlinks and frees node, returning its element.
  KuvInObject* unlink(Node* node);
  HRESULT removeRange(std::int32_t from, std::int32_t to, bool destroy);

  std::int32_t m_length = 0;
  Node* m_first = nullptr;
  Node* m_last = nullptr;
  // The node last reached by index and its index; null after any change of
  // the chain.
  mutable Node* m_cursor = nullptr;
  mutable std::int32_t m_cursorIndex = 0;
};

// A position in a link list: a node and its index. The index may stand one
// before the first element (-1), one after the last (length) or nowhere (-2,
// for an empty list); the node is null there. An iterator stays valid while
// the list changes only through it.
class KUV_API KuvInLinkList::const_iterator {
public:
  const_iterator(const KuvInLinkList& list, Node* node, std::int32_t index)
      : m_list(&list), m_node(node), m_index(index) {}
  virtual ~const_iterator() = default;
  const_iterator(const const_iterator&) = default;
  const_iterator& operator=(const const_iterator&) = default;

  bool IsValid() const { return 0 <= m_index && m_index < m_list->m_length; }
  bool IsEnd() const { return !IsValid(); }
  bool IsBegin() const { return m_index == 0; }
  bool IsLast() const { return m_index == m_list->m_length - 1; }
  std::int32_t GetIndex() const { return m_index; }
  KuvInObject* Get() const { return IsValid() ? m_node->element : nullptr; }
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
  const KuvInLinkList* m_list;
  Node* m_node;
  std::int32_t m_index;
};

class KUV_API KuvInLinkList::iterator : public KuvInLinkList::const_iterator {
public:
  iterator(KuvInLinkList& list, Node* node, std::int32_t index) : const_iterator(list, node, index) {}

  // Inserts before the current element and stays on it (the index moves by
  // one); on an empty list inserts at 0 and the index becomes 1.
  HRESULT Insert(KuvInObject* obj);
  // As Insert, for all of l's elements; the index moves by l's length.
  HRESULT InsertList(const KuvInLinkList& l);
  HRESULT Set(KuvInObject* obj);
  // Take the element out; the iterator moves to the next element (same
  // index) or to the previous one.
  HRESULT RemoveGoToNext();
  HRESULT RemoveGoToPrev();
  // The same, destroying the element.
  HRESULT DeleteGoToNext();
  HRESULT DeleteGoToPrev();
  // Exchanges the current element with the next one (in-place sorts); the
  // iterator stays. E_FAIL when there is no next element.
  HRESULT SwapWithNext();

private:
  // Only built from a mutable list (Begin, Last, the constructor).
  KuvInLinkList& list() const { return const_cast<KuvInLinkList&>(*m_list); }
  // Where an insertion goes: the index, or 0 for an empty list without
  // position.
  std::int32_t insertionPoint() const;
  HRESULT take(bool destroy, bool goToNext);
};
