#include "KuvInMapVal.h"

KUV_DEFINE_TYPE(KuvInMapVal, KuvInObjectVal)
KUV_DEFINE_TYPE_NAMED(KuvInMapVal::entry, KuvInObjectVal, "KuvInMapVal::entry")

using kuv::detail::copyOrNull;
using kuv::detail::hashOrZero;
using kuv::detail::sameOrBothNull;
using kuv::detail::typeOrNull;

// ---- entry

KuvInMapVal::entry::entry(const KuvInObjectVal* key, const KuvInObjectVal* value)
    : m_key(copyOrNull(key)), m_value(copyOrNull(value)) {}

KuvInMapVal::entry::entry(const entry& other)
    : KuvInObjectVal(other), m_key(copyOrNull(other.m_key.get())), m_value(copyOrNull(other.m_value.get())) {}

KuvInMapVal::entry::~entry() = default;

KuvInString KuvInMapVal::entry::toString() const {
  return kuv::detail::entryText(m_key.get(), m_value.get());
}

std::uint32_t KuvInMapVal::entry::hash() const { return hashOrZero(m_value.get()) ^ hashOrZero(m_key.get()); }

bool KuvInMapVal::entry::equals(const KuvInObjectVal& other) const {
  const entry* o = cast(other);
  return o != nullptr && sameOrBothNull(m_key.get(), o->m_key.get()) &&
         sameOrBothNull(m_value.get(), o->m_value.get());
}

KuvInObjectVal& KuvInMapVal::entry::clone(void* where) const { return cloneOf(*this, where); }

// ---- iterators

const KuvInObjectVal* KuvInMapVal::const_iterator::GetKeyGoToNext() {
  const KuvInObjectVal* key = GetKey();
  Next();
  return key;
}

KuvInObjectVal* KuvInMapVal::const_iterator::GetValGoToNext() {
  KuvInObjectVal* value = GetVal();
  Next();
  return value;
}

const KuvInMapVal::entry* KuvInMapVal::const_iterator::GetEntryGoToNext() {
  const entry* current = GetEntry();
  Next();
  return current;
}

HRESULT KuvInMapVal::const_iterator::Next() {
  if (m_pos.entry == nullptr) return E_FAIL;
  m_map->m_table.advance(m_pos);
  return S_OK;
}

HRESULT KuvInMapVal::iterator::SetVal(const KuvInObjectVal* value) {
  // Only Begin() of a non-const map makes an iterator.
  auto* map = const_cast<KuvInMapVal*>(m_map);
  if (m_pos.entry == nullptr || map->typeValIsBad(typeOrNull(value))) return E_FAIL;
  // Copy first: value may be the copy being replaced.
  m_pos.entry->m_value = copyOrNull(value);
  return S_OK;
}

// ---- map

KuvInMapVal::KuvInMapVal(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType)
    : KuvInMapVal(keyType, valueType, 8, 0.75f) {}

KuvInMapVal::KuvInMapVal(KuvInObjectTypeClass* keyType, KuvInObjectTypeClass* valueType,
                         std::int32_t capacity, float loadFactor)
    : m_table(capacity, loadFactor), m_keyType(keyType), m_valueType(valueType) {}

KuvInMapVal::KuvInMapVal(const KuvInMapVal& other)
    : KuvInObjectVal(other),
      m_table(other.m_table),
      m_keyType(other.m_keyType),
      m_valueType(other.m_valueType) {}

KuvInMapVal& KuvInMapVal::operator=(const KuvInMapVal& other) {
  if (&other == this) return *this;
  // Both checks run so that both flags tell the truth.
  const bool keysIncompatible = typeKeyIsNotCompatible(other.m_keyType);
  if (typeValIsNotCompatible(other.m_valueType) || keysIncompatible) return *this;
  Clear();
  PutAll(other);
  return *this;
}

KuvInMapVal::~KuvInMapVal() = default;

KuvInString KuvInMapVal::toString() const { return m_table.text("KuvInMapVal["); }

std::uint32_t KuvInMapVal::hash() const { return m_table.hash(); }

bool KuvInMapVal::equals(const KuvInObjectVal& other) const {
  const KuvInMapVal* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& KuvInMapVal::clone(void* where) const { return cloneOf(*this, where); }

bool KuvInMapVal::operator==(const KuvInMapVal& other) const {
  const bool keysIncompatible = typeKeyIsNotCompatible(other.m_keyType);
  if (typeValIsNotCompatible(other.m_valueType) || keysIncompatible) return false;
  return m_table.sameEntries(other.m_table);
}

HRESULT KuvInMapVal::Put(const KuvInObjectVal* key, const KuvInObjectVal* value) {
  if (typeKeyIsBad(typeOrNull(key)) || typeValIsBad(typeOrNull(value))) return E_FAIL;
  m_table.put(std::make_unique<entry>(key, value));
  return S_OK;
}

HRESULT KuvInMapVal::PutAll(const KuvInMapVal& other) {
  // Re-putting our own entries in order would leave every bucket as it is.
  if (&other == this) return S_OK;
  HRESULT result = S_OK;
  other.m_table.forEach([this, &result](const entry& e) {
    if (FAILED(Put(e.GetKey(), e.GetVal()))) result = E_FAIL;
  });
  return result;
}

KuvInObjectVal* KuvInMapVal::Get(const KuvInObjectVal* key) const {
  const entry* e = m_table.find(key);
  return e != nullptr ? e->GetVal() : nullptr;
}

bool KuvInMapVal::ContainsValue(const KuvInObjectVal* value) const {
  for (auto p = m_table.begin(); p.entry != nullptr; m_table.advance(p))
    if (p.entry->GetVal() == value) return true;
  return false;
}

HRESULT KuvInMapVal::Remove(const KuvInObjectVal* key) {
  m_table.take(key);
  return S_OK;
}

void KuvInMapVal::Clear() { m_table.clear(); }

bool KuvInMapVal::IsKeyTypeAccepted(const KuvInObjectTypeClass* type) const {
  return KuvInObjectTypeClass::isa(type, m_keyType) != 0;
}

bool KuvInMapVal::IsValueTypeAccepted(const KuvInObjectTypeClass* type) const {
  return KuvInObjectTypeClass::isa(type, m_valueType) != 0;
}

bool KuvInMapVal::typeKeyIsBad(const KuvInObjectTypeClass* type) {
  m_badKeyCastErr = IsKeyTypeAccepted(type) ? 0 : 1;
  return m_badKeyCastErr != 0;
}

bool KuvInMapVal::typeValIsBad(const KuvInObjectTypeClass* type) {
  m_badValCastErr = IsValueTypeAccepted(type) ? 0 : 1;
  return m_badValCastErr != 0;
}

bool KuvInMapVal::typeKeyIsNotCompatible(const KuvInObjectTypeClass* type) const {
  m_badKeyCastErr = kuv::detail::typesCompatible(type, m_keyType) ? 0 : 1;
  return m_badKeyCastErr != 0;
}

bool KuvInMapVal::typeValIsNotCompatible(const KuvInObjectTypeClass* type) const {
  m_badValCastErr = kuv::detail::typesCompatible(type, m_valueType) ? 0 : 1;
  return m_badValCastErr != 0;
}
