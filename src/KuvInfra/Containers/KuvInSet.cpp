#include "KuvInSet.h"

#include <vector>

KUV_DEFINE_TYPE(KuvInSet, KuvInObjectVal)

namespace {

std::uint32_t hashElement(const KuvInObject& element) { return KuvInObject::hashPointer(&element); }
bool sameElement(const KuvInObject& stored, const KuvInObject& probe) { return &stored == &probe; }

}  // namespace

KuvInSet::KuvInSet(KuvInObjectTypeClass* elementType, std::int32_t capacity, float loadFactor)
    : SetTypeCheck(elementType), m_table(hashElement, sameElement, capacity, loadFactor) {}

KuvInSet::KuvInSet(const KuvInSet& other, std::int32_t capacity, float loadFactor)
    : KuvInObjectVal(other),
      SetTypeCheck(other.GetElementType()),
      m_table(hashElement, sameElement, capacity == 0 ? other.GetLength() : capacity,
              loadFactor == 0.0f ? other.GetLoadFactor() : loadFactor) {
  other.m_table.forEach([this](KuvInObject* element) { m_table.add(element); });
}

KuvInSet::~KuvInSet() = default;

bool KuvInSet::Put(KuvInObject* obj) {
  if (refuses(obj)) return false;
  std::uint32_t hash = m_table.hashOf(*obj);
  if (m_table.find(*obj, hash) != nullptr) return false;
  m_table.add(obj, hash);
  return true;
}

HRESULT KuvInSet::PutSet(const KuvInSet& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  other.m_table.forEach([this](KuvInObject* element) { Put(element); });
  return S_OK;
}

bool KuvInSet::Find(const KuvInObject* obj) const { return !refuses(obj) && m_table.find(*obj) != nullptr; }

bool KuvInSet::Remove(const KuvInObject* obj) { return !refuses(obj) && m_table.remove(*obj) != nullptr; }

bool KuvInSet::Delete(KuvInObject* obj) {
  if (!Remove(obj)) return false;
  delete obj;
  return true;
}

HRESULT KuvInSet::RemoveSet(const KuvInSet& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  // A snapshot, so that other may be this set.
  std::vector<KuvInObject*> elements;
  other.m_table.forEach([&elements](KuvInObject* element) { elements.push_back(element); });
  for (KuvInObject* element : elements) Remove(element);
  return S_OK;
}

void KuvInSet::DeleteAll() {
  // Collected first: a destructor must not run while the chain is walked.
  std::vector<KuvInObject*> elements;
  m_table.forEach([&elements](KuvInObject* element) { elements.push_back(element); });
  for (KuvInObject* element : elements) {
    m_table.remove(*element);
    delete element;
  }
  Clear();
}

void KuvInSet::DeleteAllAndThis() {
  DeleteAll();
  delete this;
}

void KuvInSet::Clear() { m_table.reset(12, m_table.loadFactor()); }

HRESULT KuvInSet::Intersect(const KuvInSet& other) {
  if (typeIsNotCompatible(other.GetElementType())) return E_FAIL;
  std::vector<KuvInObject*> missing;
  m_table.forEach([&](KuvInObject* element) {
    if (other.m_table.find(*element) == nullptr) missing.push_back(element);
  });
  for (KuvInObject* element : missing) m_table.remove(*element);
  return S_OK;
}

HRESULT KuvInSet::Intersect(const KuvInSet& a, const KuvInSet& b) {
  if (typeIsNotCompatible(a.GetElementType()) || typeIsNotCompatible(b.GetElementType())) return E_FAIL;
  // Built aside, so that a or b may be this set.
  kuv::detail::SetTable result(hashElement, sameElement, 12, m_table.loadFactor());
  a.m_table.forEach([&](KuvInObject* element) {
    if (b.m_table.find(*element) != nullptr && !refuses(element)) result.add(element);
  });
  m_table.swap(result);
  return S_OK;
}

bool KuvInSet::IsIncludedIn(const KuvInSet& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  if (GetLength() > other.GetLength()) return false;
  return m_table.allOf([&](const KuvInObject* element) { return other.m_table.find(*element) != nullptr; });
}

bool KuvInSet::IsIntersect(const KuvInSet& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  return !m_table.allOf([&](const KuvInObject* element) { return other.m_table.find(*element) == nullptr; });
}

void KuvInSet::SetMinCapacity(std::int32_t capacity, float loadFactor) { m_table.setMinCapacity(capacity, loadFactor); }

KuvInObject** KuvInSet::GetArray() const {
  if (IsEmpty()) return nullptr;
  auto** array = new KuvInObject*[static_cast<std::size_t>(GetLength())];
  KuvInObject** next = array;
  m_table.forEach([&next](KuvInObject* element) { *next++ = element; });
  return array;
}

void KuvInSet::GetStatistics(std::int32_t& count, std::int32_t& threshold, float& loadFactor,
                             std::uint32_t& tableSize, double& meanChain, std::int32_t& longestChain) const {
  count = GetLength();
  threshold = GetThreshold();
  loadFactor = GetLoadFactor();
  tableSize = GetTableSize();
  kuv::detail::chainStatistics(m_table.first(), meanChain, longestChain);
}

bool KuvInSet::operator==(const KuvInSet& other) const {
  if (typeIsNotCompatible(other.GetElementType())) return false;
  return GetLength() == other.GetLength() && IsIncludedIn(other);
}

KuvInString KuvInSet::toString() const {
  KuvInString text("Set(");
  text.Append(KuvInString::FromNum(GetLength()), ")[ ");
  const char* separator = "";
  m_table.forEach([&](KuvInObject* element) {
    text.Append(separator, element->toString());
    separator = ", ";
  });
  return text.Append(" ]");
}

std::uint32_t KuvInSet::hash() const {
  std::uint32_t h = 0;
  m_table.forEach([&](KuvInObject* element) { h ^= BinHashFunc(&element, sizeof element); });
  return h;
}

bool KuvInSet::equals(const KuvInObjectVal& other) const {
  const KuvInSet* set = KuvInSet::cast(other);
  return set != nullptr && *this == *set;
}

KuvInObjectVal& KuvInSet::clone(void* where) const { return cloneOf(*this, where); }
