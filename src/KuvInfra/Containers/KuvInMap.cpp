#include "KuvInMap.h"

#include <algorithm>
#include <vector>

KUV_DEFINE_TYPE(KuvInMap, KuvInObjectVal)
KUV_DEFINE_TYPE_NAMED(KuvInMap::entry, KuvInObjectVal, "KuvInMap::entry")

using kuv::detail::typeOrNull;

// ---- entry

KuvInMap::entry::entry(const KuvInObjectVal* key, KuvInObject* value)
    : m_key(kuv::detail::copyOrNull(key)), m_value(value) {}

KuvInMap::entry::entry(const entry& other)
    : KuvInObjectVal(other), m_key(kuv::detail::copyOrNull(other.m_key.get())), m_value(other.m_value) {}

KuvInMap::entry::~entry() = default;

KuvInString KuvInMap::entry::toString() const { return kuv::detail::entryText(m_key.get(), m_value); }

std::uint32_t KuvInMap::entry::hash() const {
  return BinHashFunc(&m_value, sizeof m_value) ^ kuv::detail::hashOrZero(m_key.get());
}

bool KuvInMap::entry::equals(const KuvInObjectVal& other) const {
  const entry* o = cast(other);
  return o != nullptr && o->m_value == m_value && kuv::detail::sameOrBothNull(m_key.get(), o->m_key.get());
}

KuvInObjectVal& KuvInMap::entry::clone(void* where) const { return cloneOf(*this, where); }

// ---- iterators

const KuvInObjectVal* KuvInMap::const_iterator::GetKeyGoToNext() {
  const KuvInObjectVal* key = GetKey();
  Next();
  return key;
}

KuvInObject* KuvInMap::const_iterator::GetValGoToNext() {
  KuvInObject* value = GetVal();
  Next();
  return value;
}

const KuvInMap::entry* KuvInMap::const_iterator::GetEntryGoToNext() {
  const entry* current = GetEntry();
  Next();
  return current;
}

HRESULT KuvInMap::const_iterator::Next() {
  if (m_pos.entry == nullptr) return E_FAIL;
  m_map->m_table.advance(m_pos);
  return S_OK;
}

HRESULT KuvInMap::iterator::SetVal(KuvInObject* value) {
  // Only Begin() of a non-const map makes an iterator.
  auto* map = const_cast<KuvInMap*>(m_map);
  if (m_pos.entry == nullptr || map->typeValIsBad(typeOrNull(value))) return E_FAIL;
  m_pos.entry->m_value = value;
  return S_OK;
}

// ---- map

KuvInMap::KuvInMap(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType)
    : KuvInMap(keyType, valueType, 8, 0.75f) {}

KuvInMap::KuvInMap(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType, std::int32_t capacity,
                   float loadFactor)
    : m_table(capacity, loadFactor), m_keyType(keyType), m_valueType(valueType) {}

KuvInMap::KuvInMap(const KuvInMap& other)
    : KuvInObjectVal(other),
      m_table(other.m_table),
      m_keyType(other.m_keyType),
      m_valueType(other.m_valueType) {}

KuvInMap& KuvInMap::operator=(const KuvInMap& other) {
  if (&other == this) return *this;
  // Both checks run so that both flags tell the truth.
  const bool keysIncompatible = typeKeyIsNotCompatible(other.m_keyType);
  if (typeValIsNotCompatible(other.m_valueType) || keysIncompatible) return *this;
  Clear();
  PutAll(other);
  return *this;
}

KuvInMap::~KuvInMap() = default;

KuvInString KuvInMap::toString() const { return m_table.text("KuvInMap["); }

std::uint32_t KuvInMap::hash() const { return m_table.hash(); }

bool KuvInMap::equals(const KuvInObjectVal& other) const {
  const KuvInMap* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& KuvInMap::clone(void* where) const { return cloneOf(*this, where); }

bool KuvInMap::operator==(const KuvInMap& other) const {
  const bool keysIncompatible = typeKeyIsNotCompatible(other.m_keyType);
  if (typeValIsNotCompatible(other.m_valueType) || keysIncompatible) return false;
  return m_table.sameEntries(other.m_table);
}

HRESULT KuvInMap::Put(const KuvInObjectVal* key, KuvInObject* value) {
  KUV_TRACE_CALL("Put");
  if (typeKeyIsBad(typeOrNull(key)) || typeValIsBad(typeOrNull(value))) return E_FAIL;
  m_table.put(std::make_unique<entry>(key, value));
  return S_OK;
}

HRESULT KuvInMap::PutAll(const KuvInMap& other) {
  // Re-putting our own entries in order would leave every bucket as it is.
  if (&other == this) return S_OK;
  HRESULT result = S_OK;
  other.m_table.forEach([this, &result](const entry& e) {
    if (FAILED(Put(e.GetKey(), e.GetVal()))) result = E_FAIL;
  });
  return result;
}

KuvInObject* KuvInMap::Get(const KuvInObjectVal* key) const {
  const entry* e = m_table.find(key);
  return e != nullptr ? e->GetVal() : nullptr;
}

bool KuvInMap::ContainsValue(const KuvInObject* value) const {
  for (auto p = m_table.begin(); p.entry != nullptr; m_table.advance(p))
    if (p.entry->GetVal() == value) return true;
  return false;
}

HRESULT KuvInMap::Remove(const KuvInObjectVal* key) {
  m_table.take(key);
  return S_OK;
}

HRESULT KuvInMap::Delete(const KuvInObjectVal* key) {
  if (std::unique_ptr<entry> removed = m_table.take(key)) delete removed->GetVal();
  return S_OK;
}

void KuvInMap::DeleteAll() {
  std::vector<KuvInObject*> values;
  values.reserve(static_cast<std::size_t>(m_table.count()));
  m_table.forEach([&values](const entry& e) { values.push_back(e.GetVal()); });
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  for (KuvInObject* value : values) delete value;
  Clear();
}

void KuvInMap::Clear() { m_table.clear(); }

bool KuvInMap::IsKeyTypeAccepted(const KuvInObjectTypeClass* type) const {
  return KuvInObjectTypeClass::isa(type, m_keyType) != 0;
}

bool KuvInMap::IsValueTypeAccepted(const KuvInObjectTypeClass* type) const {
  return KuvInObjectTypeClass::isa(type, m_valueType) != 0;
}

// A refused key or value is always reported: it usually means a map was
// built with the wrong types, which no channel setting should hide.
bool KuvInMap::typeKeyIsBad(const KuvInObjectTypeClass* type) {
  KUV_TRACE_CALL("typeKeyIsBad");
  m_badKeyCastErr = IsKeyTypeAccepted(type) ? 0 : 1;
  if (m_badKeyCastErr != 0) {
    traceChannel().beginTrace() << "ERROR: typeKeyIsBad => bad type error.";
    traceChannel().endTrace();
  }
  return m_badKeyCastErr != 0;
}

bool KuvInMap::typeValIsBad(const KuvInObjectTypeClass* type) {
  KUV_TRACE_CALL("typeValIsBad");
  m_badValCastErr = IsValueTypeAccepted(type) ? 0 : 1;
  if (m_badValCastErr != 0) {
    traceChannel().beginTrace() << "ERROR: typeValIsBad => bad type error.";
    traceChannel().endTrace();
  }
  return m_badValCastErr != 0;
}

bool KuvInMap::typeKeyIsNotCompatible(const KuvInObjectTypeClass* type) const {
  m_badKeyCastErr = kuv::detail::typesCompatible(type, m_keyType) ? 0 : 1;
  return m_badKeyCastErr != 0;
}

bool KuvInMap::typeValIsNotCompatible(const KuvInObjectTypeClass* type) const {
  m_badValCastErr = kuv::detail::typesCompatible(type, m_valueType) ? 0 : 1;
  return m_badValCastErr != 0;
}
