#include "KuvInSetVal.h"

#include <memory>
#include <vector>

KUV_DEFINE_TYPE(KuvInSetVal, KuvInObjectVal)

namespace {

const KuvInObjectVal& asValue(const KuvInObject& element) { return static_cast<const KuvInObjectVal&>(element); }

std::uint32_t hashElement(const KuvInObject& element) { return asValue(element).hash(); }
bool sameElement(const KuvInObject& stored, const KuvInObject& probe) {
  return asValue(stored).equals(asValue(probe));
}

// The table holds only copies the set made, which the set owns.
void destroyElements(const kuv::detail::SetTable& table) {
  table.forEach([](KuvInObject* element) { delete element; });
}

}  // namespace

KuvInSetVal::KuvInSetVal(KuvInObjectTypeClass* elementType, std::int32_t capacity, float loadFactor)
    : SetTypeCheck(elementType), m_table(hashElement, sameElement, capacity, loadFactor) {}

KuvInSetVal::KuvInSetVal(const KuvInSetVal& other, std::int32_t capacity, float loadFactor)
    : KuvInObjectVal(other),
      SetTypeCheck(other.GetElementType()),
      m_table(hashElement, sameElement, capacity == 0 ? other.GetLength() : capacity,
              loadFactor == 0.0f ? other.GetLoadFactor() : loadFactor) {
  other.m_table.forEach([this](KuvInObject* element) {
    std::unique_ptr<KuvInObjectVal> copy(&asValue(*element).clone());
    m_table.add(copy.get());
    copy.release();
  });
}

KuvInSetVal::~KuvInSetVal() { destroyElements(m_table); }

bool KuvInSetVal::Put(const KuvInObjectVal& value) { return Put(&value); }

bool KuvInSetVal::Put(const KuvInObjectVal* value) {
  if (refuses(value)) return false;
  std::uint32_t hash = value->hash();
  if (m_table.find(*value, hash) != nullptr) return false;
  std::unique_ptr<KuvInObjectVal> copy(&value->clone());
  m_table.add(copy.get(), hash);
  copy.release();
  return true;
}

HRESULT KuvInSetVal::PutSet(const KuvInSetVal& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  other.m_table.forEach([this](KuvInObject* element) { Put(asValue(*element)); });
  return S_OK;
}

bool KuvInSetVal::Find(const KuvInObjectVal& value) const { return Find(&value); }

bool KuvInSetVal::Find(const KuvInObjectVal* value) const {
  return !refuses(value) && m_table.find(*value) != nullptr;
}

bool KuvInSetVal::Remove(const KuvInObjectVal& value) { return Remove(&value); }

bool KuvInSetVal::Remove(const KuvInObjectVal* value) {
  if (refuses(value)) return false;
  // value may be the very copy being destroyed: it is not used afterwards.
  KuvInObject* copy = m_table.remove(*value);
  delete copy;
  return copy != nullptr;
}

HRESULT KuvInSetVal::RemoveSet(const KuvInSetVal& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  // A snapshot, so that other may be this set.
  std::vector<const KuvInObjectVal*> elements;
  other.m_table.forEach([&elements](KuvInObject* element) { elements.push_back(&asValue(*element)); });
  for (const KuvInObjectVal* element : elements) Remove(element);
  return S_OK;
}

void KuvInSetVal::Clear() {
  destroyElements(m_table);
  m_table.reset(12, m_table.loadFactor());
}

HRESULT KuvInSetVal::Intersect(const KuvInSetVal& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  std::vector<KuvInObject*> missing;
  m_table.forEach([&](KuvInObject* element) {
    if (other.m_table.find(*element) == nullptr) missing.push_back(element);
  });
  for (KuvInObject* element : missing) delete m_table.remove(*element);
  return S_OK;
}

HRESULT KuvInSetVal::Intersect(const KuvInSetVal& a, const KuvInSetVal& b) {
  if (typeIsNotCompatible(a.GetElementType()) || typeIsNotCompatible(b.GetElementType())) return E_FAIL;
  // Built aside, so that a or b may be this set.
  kuv::detail::SetTable result(hashElement, sameElement, 12, m_table.loadFactor());
  a.m_table.forEach([&](KuvInObject* element) {
    if (b.m_table.find(*element) == nullptr || refuses(element)) return;
    std::unique_ptr<KuvInObjectVal> copy(&asValue(*element).clone());
    result.add(copy.get());
    copy.release();
  });
  m_table.swap(result);
  destroyElements(result);
  return S_OK;
}

bool KuvInSetVal::IsIncludedIn(const KuvInSetVal& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  if (GetLength() > other.GetLength()) return false;
  return m_table.allOf([&](const KuvInObject* element) { return other.m_table.find(*element) != nullptr; });
}

bool KuvInSetVal::IsIntersect(const KuvInSetVal& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  return !m_table.allOf([&](const KuvInObject* element) { return other.m_table.find(*element) == nullptr; });
}

void KuvInSetVal::SetMinCapacity(std::int32_t capacity, float loadFactor) {
  m_table.setMinCapacity(capacity, loadFactor);
}

void KuvInSetVal::GetStatistics(std::int32_t& count, std::int32_t& threshold, float& loadFactor,
                                std::uint32_t& tableSize, double& meanChain, std::int32_t& longestChain) const {
  count = GetLength();
  threshold = GetThreshold();
  loadFactor = GetLoadFactor();
  tableSize = GetTableSize();
  kuv::detail::chainStatistics(m_table.first(), meanChain, longestChain);
}

bool KuvInSetVal::operator==(const KuvInSetVal& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  return GetLength() == other.GetLength() && IsIncludedIn(other);
}

std::uint32_t KuvInSetVal::hash() const {
  std::uint32_t h = 0;
  m_table.forEach([&h](KuvInObject* element) { h ^= asValue(*element).hash(); });
  return h;
}

bool KuvInSetVal::equals(const KuvInObjectVal& other) const {
  const KuvInSetVal* set = KuvInSetVal::cast(other);
  return set != nullptr && *this == *set;
}

KuvInObjectVal& KuvInSetVal::clone(void* where) const { return cloneOf(*this, where); }
