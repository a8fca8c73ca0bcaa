#include "KuvInList.h"

#include <algorithm>
#include <utility>

using kuv::detail::isValidRange;
using kuv::detail::kNoPosition;

KUV_DEFINE_TYPE(KuvInList, KuvInObjectVal)

KuvInList::KuvInList(KuvInObjectTypeClass* elementType) : ListTypeCheck(elementType) {}

// An empty other gives the invalid range (0, 0), hence an empty copy too.
KuvInList::KuvInList(const KuvInList& other) : KuvInList(other, 0, other.m_length) {}

KuvInList::KuvInList(const KuvInList& other, std::int32_t from, std::int32_t to)
    : KuvInObjectVal(), ListTypeCheck(other.GetElementType()) {
  if (!isValidRange(from, to, other.m_length)) return;
  m_capacity = m_length = to - from;
  m_elements = std::make_unique<KuvInObject*[]>(m_capacity);
  std::copy(other.m_elements.get() + from, other.m_elements.get() + to, m_elements.get());
}

KuvInList::~KuvInList() = default;

HRESULT KuvInList::SwapElements(KuvInList& other) {
  if (GetElementType() != other.GetElementType()) return E_FAIL;
  std::swap(m_elements, other.m_elements);
  std::swap(m_length, other.m_length);
  std::swap(m_capacity, other.m_capacity);
  return S_OK;
}

KuvInList& KuvInList::operator=(const KuvInList& other) {
  if (typeIsBad(other.GetElementType()) || this == &other) return *this;
  Clear();
  openGap(0, other.m_length);
  std::copy_n(other.m_elements.get(), other.m_length, m_elements.get());
  return *this;
}

KuvInObject* KuvInList::Get(std::int32_t i) const { return 0 <= i && i < m_length ? m_elements[i] : nullptr; }

HRESULT KuvInList::PutBack(KuvInObject* obj) { return Insert(m_length, obj); }

HRESULT KuvInList::PutFront(KuvInObject* obj) { return Insert(0, obj); }

HRESULT KuvInList::PutBackList(const KuvInList& l) {
  if (typeIsNotCompatible(l.GetElementType())) return E_FAIL;
  return insertFrom(m_length, l, 0, l.m_length, false);
}

HRESULT KuvInList::PutFrontList(const KuvInList& l) {
  if (typeIsNotCompatible(l.GetElementType())) return E_FAIL;
  return insertFrom(0, l, 0, l.m_length, false);
}

HRESULT KuvInList::Insert(std::int32_t i, KuvInObject* obj) {
  if (i < 0 || i > m_length || refuses(obj)) return E_FAIL;
  openGapForOne(i);
  m_elements[i] = obj;
  return S_OK;
}

HRESULT KuvInList::InsertArray(std::int32_t i, KuvInObject* const* array, std::int32_t n) {
  if (n < 0 || i < 0 || i > m_length) return E_FAIL;
  if (n == 0) return S_OK;
  if (array == nullptr) return E_FAIL;
  for (std::int32_t k = 0; k < n; ++k)
    if (array[k] == nullptr || typeIsBad(array[k]->dType())) return E_FAIL;
  openGap(i, n);
  std::copy_n(array, n, m_elements.get() + i);
  return S_OK;
}

HRESULT KuvInList::InsertList(std::int32_t i, const KuvInList& l) { return insertFrom(i, l, 0, l.m_length, true); }

HRESULT KuvInList::InsertListRange(std::int32_t i, const KuvInList& l, std::int32_t from, std::int32_t to) {
  if (!isValidRange(from, to, l.m_length)) return E_FAIL;
  return insertFrom(i, l, from, to - from, true);
}

HRESULT KuvInList::insertFrom(std::int32_t i, const KuvInList& l, std::int32_t from, std::int32_t n, bool checkEach) {
  // Growing would free the very array the elements are read from.
  if (&l == this) return insertFrom(i, KuvInList(l), from, n, checkEach);
  if (checkEach) return InsertArray(i, l.m_elements.get() + from, n);
  openGap(i, n);
  std::copy_n(l.m_elements.get() + from, n, m_elements.get() + i);
  return S_OK;
}

HRESULT KuvInList::Set(std::int32_t i, KuvInObject* obj) {
  if (i < 0 || i >= m_length || refuses(obj)) return E_FAIL;
  m_elements[i] = obj;
  return S_OK;
}

HRESULT KuvInList::Remove(std::int32_t i) { return RemoveRange(i, i + 1); }

HRESULT KuvInList::RemoveRange(std::int32_t from, std::int32_t to) {
  if (!isValidRange(from, to, m_length)) return E_FAIL;
  takeOut(from, to);
  return S_OK;
}

HRESULT KuvInList::Delete(std::int32_t i) { return DeleteRange(i, i + 1); }

HRESULT KuvInList::DeleteRange(std::int32_t from, std::int32_t to) {
  if (!isValidRange(from, to, m_length)) return E_FAIL;
  destroy(from, to);
  takeOut(from, to);
  return S_OK;
}

KuvInObject* KuvInList::PopBack() { return m_length == 0 ? nullptr : m_elements[--m_length]; }

KuvInObject* KuvInList::PopFront() {
  if (m_length == 0) return nullptr;
  KuvInObject* first = m_elements[0];
  takeOut(0, 1);
  return first;
}

std::int32_t KuvInList::Find(const KuvInObject* obj, std::int32_t start) const {
  if (refuses(obj) || start < 0) return -1;
  for (std::int32_t k = start; k < m_length; ++k)
    if (m_elements[k] == obj) return k;
  return -1;
}

void KuvInList::Clear() {
  m_elements.reset();
  m_length = m_capacity = 0;
}

void KuvInList::DeleteAll() {
  destroy(0, m_length);
  Clear();
}

void KuvInList::DeleteAllAndThis() {
  DeleteAll();
  delete this;
}

void KuvInList::SetCapacity(std::int32_t n) {
  if (n < m_length || n == m_capacity) return;
  if (n == 0)
    Clear();
  else
    moveTo(n);
}

bool KuvInList::operator==(const KuvInList& other) const {
  if (typeIsNotCompatible(other.GetElementType()) || m_length != other.m_length) return false;
  return std::equal(m_elements.get(), m_elements.get() + m_length, other.m_elements.get());
}

KuvInList::iterator KuvInList::Begin() { return iterator(*this, m_length == 0 ? kNoPosition : 0); }

KuvInList::iterator KuvInList::Last() { return iterator(*this, m_length == 0 ? kNoPosition : m_length - 1); }

KuvInList::const_iterator KuvInList::cBegin() const {
  return const_iterator(*this, m_length == 0 ? kNoPosition : 0);
}

KuvInList::const_iterator KuvInList::cLast() const {
  return const_iterator(*this, m_length == 0 ? kNoPosition : m_length - 1);
}

KuvInString KuvInList::toString() const {
  if (m_length == 0) return KuvInString("[Empty]");
  KuvInString text;
  for (std::int32_t k = 0; k < m_length; ++k) {
    if (k > 0) text.Append(" | ");
    text.Append(m_elements[k] != nullptr ? m_elements[k]->toString() : KuvInString("NULL"));
  }
  return text;
}

std::uint32_t KuvInList::hash() const {
  std::uint32_t h = 0;
  for (std::int32_t k = 0; k < m_length && m_elements[k] != nullptr; ++k) {
    const KuvInObject* p = m_elements[k];
    h ^= BinHashFunc(&p, sizeof p);
  }
  return h;
}

bool KuvInList::equals(const KuvInObjectVal& other) const {
  const KuvInList* list = cast(other);
  return list != nullptr && *this == *list;
}

KuvInObjectVal& KuvInList::clone(void* where) const { return cloneOf(*this, where); }

void KuvInList::openGapForOne(std::int32_t i) {
  if (m_length == m_capacity) moveTo(m_capacity == 0 ? 4 : 2 * m_capacity);
  KuvInObject** e = m_elements.get();
  std::copy_backward(e + i, e + m_length, e + m_length + 1);
  ++m_length;
}

void KuvInList::openGap(std::int32_t i, std::int32_t n) {
  if (n == 0) return;
  std::int32_t needed = m_length + n;
  if (needed >= m_capacity) {
    if (m_capacity == 0)
      moveTo(needed < 5 ? 4 : needed);
    else
      moveTo(std::max(2 * m_capacity, needed));
  }
  KuvInObject** e = m_elements.get();
  std::copy_backward(e + i, e + m_length, e + needed);
  m_length = needed;
}

void KuvInList::moveTo(std::int32_t capacity) {
  auto elements = std::make_unique<KuvInObject*[]>(capacity);
  std::copy_n(m_elements.get(), m_length, elements.get());
  m_elements = std::move(elements);
  m_capacity = capacity;
}

void KuvInList::takeOut(std::int32_t from, std::int32_t to) {
  KuvInObject** e = m_elements.get();
  std::copy(e + to, e + m_length, e + from);
  m_length -= to - from;
}

void KuvInList::destroy(std::int32_t from, std::int32_t to) {
  for (std::int32_t k = from; k < to; ++k) delete m_elements[k];
}

HRESULT KuvInList::const_iterator::Next() {
  if (m_index < -1 || m_index > m_list->m_length - 1) return E_FAIL;
  ++m_index;
  return S_OK;
}

HRESULT KuvInList::const_iterator::Prev() {
  if (m_index < 0 || m_index > m_list->m_length) return E_FAIL;
  --m_index;
  return S_OK;
}

KuvInObject* KuvInList::const_iterator::GetGoToNext() {
  if (!IsValid()) return nullptr;
  return m_list->m_elements[m_index++];
}

KuvInObject* KuvInList::const_iterator::GetGoToPrev() {
  if (!IsValid()) return nullptr;
  return m_list->m_elements[m_index--];
}

std::int32_t KuvInList::iterator::insertionPoint() const {
  return m_index == kNoPosition && m_list->IsEmpty() ? 0 : m_index;
}

HRESULT KuvInList::iterator::Insert(KuvInObject* obj) {
  std::int32_t at = insertionPoint();
  HRESULT hr = list().Insert(at, obj);
  if (SUCCEEDED(hr)) m_index = at + 1;
  return hr;
}

HRESULT KuvInList::iterator::InsertList(const KuvInList& l) {
  std::int32_t at = insertionPoint();
  std::int32_t n = l.m_length;
  HRESULT hr = list().InsertList(at, l);
  if (SUCCEEDED(hr)) m_index = at + n;
  return hr;
}

HRESULT KuvInList::iterator::Set(KuvInObject* obj) { return list().Set(m_index, obj); }

HRESULT KuvInList::iterator::RemoveGoToNext() { return list().Remove(m_index); }

HRESULT KuvInList::iterator::RemoveGoToPrev() {
  HRESULT hr = list().Remove(m_index);
  if (SUCCEEDED(hr)) --m_index;
  return hr;
}

HRESULT KuvInList::iterator::DeleteGoToNext() { return list().Delete(m_index); }

HRESULT KuvInList::iterator::DeleteGoToPrev() {
  HRESULT hr = list().Delete(m_index);
  if (SUCCEEDED(hr)) --m_index;
  return hr;
}

HRESULT KuvInList::iterator::SwapWithNext() {
  if (m_index < 0 || m_index >= m_list->m_length - 1) return E_FAIL;
  std::swap(list().m_elements[m_index], list().m_elements[m_index + 1]);
  return S_OK;
}
