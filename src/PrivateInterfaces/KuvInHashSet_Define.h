// The operations of the hash set behind KuvInSet and KuvInSetVal (see
// KuvInHashSet.h). Included only by the two sets' sources, each of which
// instantiates the template for its own class.
#pragma once

#include <memory>
#include <vector>

#include "KuvInHashSet.h"

namespace kuv::detail {

template <class Set, class Elements>
std::uint32_t HashSet<Set, Elements>::hashElement(const KuvInObject& element) {
  if constexpr (kOwnsElements)
    return static_cast<const KuvInObjectVal&>(element).hash();
  else
    return KuvInObject::hashPointer(&element);
}

template <class Set, class Elements>
bool HashSet<Set, Elements>::sameElement(const KuvInObject& stored, const KuvInObject& probe) {
  if constexpr (kOwnsElements)
    return static_cast<const KuvInObjectVal&>(stored).equals(static_cast<const KuvInObjectVal&>(probe));
  else
    return &stored == &probe;
}

template <class Set, class Elements>
void HashSet<Set, Elements>::addTo(SetTable& table, typename Elements::Arg obj, std::uint32_t hash) {
  if constexpr (kOwnsElements) {
    std::unique_ptr<KuvInObjectVal> copy(&obj->clone());
    table.add(copy.get(), hash);
    copy.release();
  } else {
    table.add(obj, hash);
  }
}

template <class Set, class Elements>
void HashSet<Set, Elements>::release(KuvInObject* element) {
  if constexpr (kOwnsElements) delete element;
}

// The table holds only copies the set made, which the set owns.
template <class Set, class Elements>
void HashSet<Set, Elements>::releaseAll(const SetTable& table) {
  if constexpr (kOwnsElements) table.forEach([](KuvInObject* element) { delete element; });
}

template <class Set, class Elements>
HashSet<Set, Elements>::HashSet(KuvInObjectTypeClass* elementType, std::int32_t capacity, float loadFactor)
    : SetTypeCheck(elementType), m_table(hashElement, sameElement, capacity, loadFactor) {}

template <class Set, class Elements>
HashSet<Set, Elements>::HashSet(const HashSet& other, std::int32_t capacity, float loadFactor)
    : KuvInObjectVal(other),
      SetTypeCheck(other.GetElementType()),
      m_table(hashElement, sameElement, capacity == 0 ? other.GetLength() : capacity,
              loadFactor == 0.0f ? other.GetLoadFactor() : loadFactor) {
  // A constructor that throws runs no destructor: the copies made so far
  // are freed here.
  try {
    other.m_table.forEach([this](KuvInObject* element) {
      addTo(m_table, static_cast<Element*>(element), hashElement(*element));
    });
  } catch (...) {
    releaseAll(m_table);
    throw;
  }
}

template <class Set, class Elements>
HashSet<Set, Elements>::~HashSet() {
  releaseAll(m_table);
}

template <class Set, class Elements>
bool HashSet<Set, Elements>::Put(typename Elements::Arg obj) {
  if (refuses(obj)) return false;
  const std::uint32_t hash = hashElement(*obj);
  if (m_table.find(*obj, hash) != nullptr) return false;
  addTo(m_table, obj, hash);
  return true;
}

template <class Set, class Elements>
HRESULT HashSet<Set, Elements>::PutSet(const Set& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  other.m_table.forEach([this](KuvInObject* element) { Put(static_cast<Element*>(element)); });
  return S_OK;
}

template <class Set, class Elements>
bool HashSet<Set, Elements>::Find(const Element* obj) const {
  return !refuses(obj) && m_table.find(*obj) != nullptr;
}

template <class Set, class Elements>
bool HashSet<Set, Elements>::Remove(const Element* obj) {
  if (refuses(obj)) return false;
  // obj may be the very copy being destroyed: it is not used afterwards.
  KuvInObject* removed = m_table.remove(*obj);
  release(removed);
  return removed != nullptr;
}

template <class Set, class Elements>
HRESULT HashSet<Set, Elements>::RemoveSet(const Set& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  // A snapshot, so that other may be this set.
  std::vector<Element*> elements;
  other.m_table.forEach(
      [&elements](KuvInObject* element) { elements.push_back(static_cast<Element*>(element)); });
  for (Element* element : elements) Remove(element);
  return S_OK;
}

template <class Set, class Elements>
bool HashSet<Set, Elements>::SwapElements(Set& other) noexcept {
  if (other.GetElementType() != GetElementType()) return false;
  m_table.swap(static_cast<HashSet&>(other).m_table);
  return true;
}

template <class Set, class Elements>
void HashSet<Set, Elements>::Clear() {
  releaseAll(m_table);
  m_table.reset(12, m_table.loadFactor());
}

template <class Set, class Elements>
HRESULT HashSet<Set, Elements>::Intersect(const Set& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  std::vector<KuvInObject*> missing;
  m_table.forEach([&](KuvInObject* element) {
    if (other.m_table.find(*element) == nullptr) missing.push_back(element);
  });
  for (KuvInObject* element : missing) release(m_table.remove(*element));
  return S_OK;
}

template <class Set, class Elements>
HRESULT HashSet<Set, Elements>::Intersect(const Set& a, const Set& b) {
  if (typeIsNotCompatible(a.GetElementType()) || typeIsNotCompatible(b.GetElementType())) return E_FAIL;
  // Built aside, so that a or b may be this set.
  SetTable result(hashElement, sameElement, 12, m_table.loadFactor());
  a.m_table.forEach([&](KuvInObject* element) {
    if (b.m_table.find(*element) != nullptr && !refuses(element))
      addTo(result, static_cast<Element*>(element), hashElement(*element));
  });
  m_table.swap(result);
  releaseAll(result);
  return S_OK;
}

template <class Set, class Elements>
bool HashSet<Set, Elements>::IsIncludedIn(const Set& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  if (GetLength() > other.GetLength()) return false;
  return m_table.allOf([&](const KuvInObject* element) { return other.m_table.find(*element) != nullptr; });
}

template <class Set, class Elements>
bool HashSet<Set, Elements>::IsIntersect(const Set& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  return !m_table.allOf([&](const KuvInObject* element) { return other.m_table.find(*element) == nullptr; });
}

template <class Set, class Elements>
void HashSet<Set, Elements>::SetMinCapacity(std::int32_t capacity, float loadFactor) {
  m_table.setMinCapacity(capacity, loadFactor);
}

template <class Set, class Elements>
void HashSet<Set, Elements>::GetStatistics(std::int32_t& count, std::int32_t& threshold, float& loadFactor,
                                           std::uint32_t& tableSize, double& meanChain,
                                           std::int32_t& longestChain) const {
  count = GetLength();
  threshold = GetThreshold();
  loadFactor = GetLoadFactor();
  tableSize = GetTableSize();
  chainStatistics(m_table.first(), meanChain, longestChain);
}

template <class Set, class Elements>
bool HashSet<Set, Elements>::operator==(const Set& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  return GetLength() == other.GetLength() && IsIncludedIn(other);
}

template <class Set, class Elements>
std::uint32_t HashSet<Set, Elements>::hash() const {
  std::uint32_t h = 0;
  m_table.forEach([&](KuvInObject* element) {
    if constexpr (kOwnsElements)
      h ^= static_cast<const KuvInObjectVal&>(*element).hash();
    else
      h ^= BinHashFunc(&element, sizeof element);
  });
  return h;
}

template <class Set, class Elements>
bool HashSet<Set, Elements>::equals(const KuvInObjectVal& other) const {
  const Set* set = Set::cast(other);
  return set != nullptr && *this == *set;
}

template <class Set, class Elements>
KuvInObjectVal& HashSet<Set, Elements>::clone(void* where) const {
  return cloneOf(static_cast<const Set&>(*this), where);
}

}  // namespace kuv::detail
