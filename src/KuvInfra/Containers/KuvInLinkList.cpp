#include "KuvInLinkList.h"

#include <cstdlib>
#include <utility>

using kuv::detail::isValidRange;
using kuv::detail::kNoPosition;

KUV_DEFINE_TYPE(KuvInLinkList, KuvInObjectVal)

KuvInLinkList::KuvInLinkList(KuvInObjectTypeClass* elementType) : ListTypeCheck(elementType) {}

// An empty other gives the invalid range (0, 0), hence an empty copy too.
KuvInLinkList::KuvInLinkList(const KuvInLinkList& other) : KuvInLinkList(other, 0, other.m_length) {}

KuvInLinkList::KuvInLinkList(const KuvInLinkList& other, std::int32_t from, std::int32_t to)
    : KuvInObjectVal(), ListTypeCheck(other.GetElementType()) {
  if (isValidRange(from, to, other.m_length)) linkFrom(nullptr, other, from, to - from, false);
}

KuvInLinkList::~KuvInLinkList() { Clear(); }

KuvInLinkList& KuvInLinkList::operator=(const KuvInLinkList& other) {
  if (typeIsBad(other.GetElementType()) || this == &other) return *this;
  Clear();
  linkFrom(nullptr, other, 0, other.m_length, false);
  return *this;
}

KuvInObject* KuvInLinkList::Get(std::int32_t i) const {
  return 0 <= i && i < m_length ? nodeAt(i)->element : nullptr;
}

HRESULT KuvInLinkList::PutBack(KuvInObject* obj) { return Insert(m_length, obj); }

HRESULT KuvInLinkList::PutFront(KuvInObject* obj) { return Insert(0, obj); }

HRESULT KuvInLinkList::PutBackList(const KuvInLinkList& l) {
  if (typeIsNotCompatible(l.GetElementType())) return E_FAIL;
  return linkFrom(nullptr, l, 0, l.m_length, false);
}

HRESULT KuvInLinkList::PutFrontList(const KuvInLinkList& l) {
  if (typeIsNotCompatible(l.GetElementType())) return E_FAIL;
  return linkFrom(m_first, l, 0, l.m_length, false);
}

HRESULT KuvInLinkList::Insert(std::int32_t i, KuvInObject* obj) {
  if (i < 0 || i > m_length || refuses(obj)) return E_FAIL;
  linkBefore(nodeAt(i), obj);
  return S_OK;
}

HRESULT KuvInLinkList::InsertArray(std::int32_t i, KuvInObject* const* array, std::int32_t n) {
  if (n < 0 || i < 0 || i > m_length) return E_FAIL;
  if (n == 0) return S_OK;
  if (array == nullptr) return E_FAIL;
  for (std::int32_t k = 0; k < n; ++k)
    if (array[k] == nullptr || typeIsBad(array[k]->dType())) return E_FAIL;
  Node* before = nodeAt(i);
  for (std::int32_t k = 0; k < n; ++k) linkBefore(before, array[k]);
  return S_OK;
}

HRESULT KuvInLinkList::InsertList(std::int32_t i, const KuvInLinkList& l) {
  return insertFrom(i, l, 0, l.m_length, true);
}

HRESULT KuvInLinkList::InsertListRange(std::int32_t i, const KuvInLinkList& l, std::int32_t from, std::int32_t to) {
  if (!isValidRange(from, to, l.m_length)) return E_FAIL;
  return insertFrom(i, l, from, to - from, true);
}

HRESULT KuvInLinkList::Set(std::int32_t i, KuvInObject* obj) {
  if (i < 0 || i >= m_length || refuses(obj)) return E_FAIL;
  nodeAt(i)->element = obj;
  return S_OK;
}

HRESULT KuvInLinkList::Remove(std::int32_t i) { return removeRange(i, i + 1, false); }

HRESULT KuvInLinkList::RemoveRange(std::int32_t from, std::int32_t to) { return removeRange(from, to, false); }

HRESULT KuvInLinkList::Delete(std::int32_t i) { return removeRange(i, i + 1, true); }

HRESULT KuvInLinkList::DeleteRange(std::int32_t from, std::int32_t to) { return removeRange(from, to, true); }

KuvInObject* KuvInLinkList::PopBack() { return m_last == nullptr ? nullptr : unlink(m_last); }

KuvInObject* KuvInLinkList::PopFront() { return m_first == nullptr ? nullptr : unlink(m_first); }

std::int32_t KuvInLinkList::Find(const KuvInObject* obj, std::int32_t start) const {
  if (refuses(obj) || start < 0 || start >= m_length) return -1;
  std::int32_t k = start;
  for (const Node* node = nodeAt(start); node != nullptr; node = node->next, ++k)
    if (node->element == obj) return k;
  return -1;
}

void KuvInLinkList::Clear() {
  for (Node* node = m_first; node != nullptr;) delete std::exchange(node, node->next);
  m_first = m_last = nullptr;
  m_length = 0;
  forgetCursor();
}

void KuvInLinkList::DeleteAll() {
  for (Node* node = m_first; node != nullptr; node = node->next) delete node->element;
  Clear();
}

void KuvInLinkList::DeleteAllAndThis() {
  DeleteAll();
  delete this;
}

bool KuvInLinkList::operator==(const KuvInLinkList& other) const {
  if (typeIsNotCompatible(other.GetElementType()) || m_length != other.m_length) return false;
  for (const Node *a = m_first, *b = other.m_first; a != nullptr; a = a->next, b = b->next)
    if (a->element != b->element) return false;
  return true;
}

KuvInLinkList::iterator KuvInLinkList::Begin() { return iterator(*this, m_first, m_length == 0 ? kNoPosition : 0); }

KuvInLinkList::iterator KuvInLinkList::Last() {
  return iterator(*this, m_last, m_length == 0 ? kNoPosition : m_length - 1);
}

KuvInLinkList::const_iterator KuvInLinkList::cBegin() const {
  return const_iterator(*this, m_first, m_length == 0 ? kNoPosition : 0);
}

KuvInLinkList::const_iterator KuvInLinkList::cLast() const {
  return const_iterator(*this, m_last, m_length == 0 ? kNoPosition : m_length - 1);
}

std::uint32_t KuvInLinkList::hash() const {
  std::uint32_t h = 0;
  for (const Node* node = m_first; node != nullptr && node->element != nullptr; node = node->next) {
    const KuvInObject* p = node->element;
    h ^= BinHashFunc(&p, sizeof p);
  }
  return h;
}

bool KuvInLinkList::equals(const KuvInObjectVal& other) const {
  const KuvInLinkList* list = cast(other);
  return list != nullptr && *this == *list;
}

KuvInObjectVal& KuvInLinkList::clone(void* where) const { return cloneOf(*this, where); }

KuvInLinkList::Node* KuvInLinkList::nodeAt(std::int32_t i) const {
  if (i >= m_length) return nullptr;
  Node* node = m_first;
  std::int32_t at = 0;
  if (m_length - 1 - i < i) {
    node = m_last;
    at = m_length - 1;
  }
  if (m_cursor != nullptr && std::abs(m_cursorIndex - i) < std::abs(at - i)) {
    node = m_cursor;
    at = m_cursorIndex;
  }
  for (; at < i; ++at) node = node->next;
  for (; at > i; --at) node = node->prev;
  m_cursor = node;
  m_cursorIndex = i;
  return node;
}

void KuvInLinkList::linkBefore(Node* before, KuvInObject* obj) {
  Node* prev = before != nullptr ? before->prev : m_last;
  Node* node = new Node{before, prev, obj};
  (prev != nullptr ? prev->next : m_first) = node;
  (before != nullptr ? before->prev : m_last) = node;
  ++m_length;
  forgetCursor();
}

HRESULT KuvInLinkList::linkFrom(Node* before, const KuvInLinkList& l, std::int32_t from, std::int32_t n,
                                bool checkEach) {
  // Linking into the list being read would show the walk its own new nodes.
  if (&l == this) return linkFrom(before, KuvInLinkList(l), from, n, checkEach);
  const Node* source = l.nodeAt(from);
  if (checkEach) {
    const Node* node = source;
    for (std::int32_t k = 0; k < n; ++k, node = node->next)
      if (node->element == nullptr || typeIsBad(node->element->dType())) return E_FAIL;
  }
  // All or nothing: out of memory half way, the nodes linked so far go again.
  std::int32_t linked = 0;
  try {
    for (; linked < n; ++linked, source = source->next) linkBefore(before, source->element);
  } catch (...) {
    for (; linked > 0; --linked) unlink(before != nullptr ? before->prev : m_last);
    throw;
  }
  return S_OK;
}

HRESULT KuvInLinkList::insertFrom(std::int32_t i, const KuvInLinkList& l, std::int32_t from, std::int32_t n,
                                  bool checkEach) {
  if (i < 0 || i > m_length) return E_FAIL;
  return linkFrom(nodeAt(i), l, from, n, checkEach);
}

KuvInObject* KuvInLinkList::unlink(Node* node) {
  (node->prev != nullptr ? node->prev->next : m_first) = node->next;
  (node->next != nullptr ? node->next->prev : m_last) = node->prev;
  KuvInObject* element = node->element;
  delete node;
  --m_length;
  forgetCursor();
  return element;
}

HRESULT KuvInLinkList::removeRange(std::int32_t from, std::int32_t to, bool destroy) {
  if (!isValidRange(from, to, m_length)) return E_FAIL;
  Node* node = nodeAt(from);
  for (std::int32_t k = from; k < to; ++k) {
    KuvInObject* element = unlink(std::exchange(node, node->next));
    if (destroy) delete element;
  }
  return S_OK;
}

HRESULT KuvInLinkList::const_iterator::Next() {
  if (m_index < -1 || m_index > m_list->m_length - 1) return E_FAIL;
  m_node = m_index == -1 ? m_list->m_first : m_node->next;
  ++m_index;
  return S_OK;
}

HRESULT KuvInLinkList::const_iterator::Prev() {
  if (m_index < 0 || m_index > m_list->m_length) return E_FAIL;
  m_node = m_index == m_list->m_length ? m_list->m_last : m_node->prev;
  --m_index;
  return S_OK;
}

KuvInObject* KuvInLinkList::const_iterator::GetGoToNext() {
  if (!IsValid()) return nullptr;
  KuvInObject* element = m_node->element;
  m_node = m_node->next;
  ++m_index;
  return element;
}

KuvInObject* KuvInLinkList::const_iterator::GetGoToPrev() {
  if (!IsValid()) return nullptr;
  KuvInObject* element = m_node->element;
  m_node = m_node->prev;
  --m_index;
  return element;
}

std::int32_t KuvInLinkList::iterator::insertionPoint() const {
  return m_index == kNoPosition && m_list->IsEmpty() ? 0 : m_index;
}

HRESULT KuvInLinkList::iterator::Insert(KuvInObject* obj) {
  std::int32_t at = insertionPoint();
  if (at < 0 || at > m_list->m_length || list().refuses(obj)) return E_FAIL;
  list().linkBefore(m_node, obj);
  m_index = at + 1;
  return S_OK;
}

HRESULT KuvInLinkList::iterator::InsertList(const KuvInLinkList& l) {
  std::int32_t at = insertionPoint();
  std::int32_t n = l.m_length;
  if (at < 0 || at > m_list->m_length || FAILED(list().linkFrom(m_node, l, 0, n, true))) return E_FAIL;
  m_index = at + n;
  return S_OK;
}

HRESULT KuvInLinkList::iterator::Set(KuvInObject* obj) {
  if (!IsValid() || list().refuses(obj)) return E_FAIL;
  m_node->element = obj;
  return S_OK;
}

HRESULT KuvInLinkList::iterator::RemoveGoToNext() { return take(false, true); }

HRESULT KuvInLinkList::iterator::RemoveGoToPrev() { return take(false, false); }

HRESULT KuvInLinkList::iterator::DeleteGoToNext() { return take(true, true); }

HRESULT KuvInLinkList::iterator::DeleteGoToPrev() { return take(true, false); }

HRESULT KuvInLinkList::iterator::take(bool destroy, bool goToNext) {
  if (!IsValid()) return E_FAIL;
  Node* node = std::exchange(m_node, goToNext ? m_node->next : m_node->prev);
  KuvInObject* element = list().unlink(node);
  if (destroy) delete element;
  if (!goToNext) --m_index;
  return S_OK;
}

HRESULT KuvInLinkList::iterator::SwapWithNext() {
  if (!IsValid() || m_node->next == nullptr) return E_FAIL;
  std::swap(m_node->element, m_node->next->element);
  return S_OK;
}
