#include "KuvEeSelectionValueDico.h"

#include <memory>
#include <new>

#include "KuvInIntHolder.h"

KUV_DEFINE_TYPE(KuvEeSelectionValueDico, KuvInObject)

namespace {
KuvCriteriaSelectedBy codeOf(const KuvInIntHolder* code) {
  return code != nullptr ? static_cast<KuvCriteriaSelectedBy>(code->getValue()) : KuvCriteriaSelectedBy_None;
}
}  // namespace

KuvEeSelectionValueDico::KuvEeSelectionValueDico()
    : m_values(KuvEeSelectionValue::sType()) {}

KuvEeSelectionValueDico::KuvEeSelectionValueDico(const KuvEeSelectionValueDico& other)
    : KuvInObject(other),
      m_values(other.m_values),
      m_keys(other.m_keys),
      m_index(other.m_index ? std::make_unique<Index>(*other.m_index) : nullptr),
      m_codes(other.m_codes ? std::make_unique<Codes>(*other.m_codes) : nullptr) {}

KuvEeSelectionValueDico::Codes& KuvEeSelectionValueDico::codes() {
  if (m_codes == nullptr) m_codes = std::make_unique<Codes>();
  return *m_codes;
}

KuvEeSelectionValueDico::~KuvEeSelectionValueDico() = default;

KuvEeSelectionValue* KuvEeSelectionValueDico::findName(const KuvInString& name) const {
  if (m_index) return static_cast<KuvEeSelectionValue*>(m_index->byName.Get(name));
  for (const Key& key : m_keys)
    if (key.byName != nullptr && key.name == name) return key.byName;
  return nullptr;
}

KuvEeSelectionValue* KuvEeSelectionValueDico::findGuid(const KuvInGuid& guid) const {
  if (m_index) return static_cast<KuvEeSelectionValue*>(m_index->byGuid.Get(guid));
  for (const Key& key : m_keys)
    if (key.byGuid != nullptr && key.guid == guid) return key.byGuid;
  return nullptr;
}

void KuvEeSelectionValueDico::putKeys(KuvEeSelectionValue* value, bool hasGuid) {
  if (!m_index && m_keys.size() >= sc_scanLimit) {
    // Built aside, so that running out of memory leaves the keys as they were.
    auto index = std::make_unique<Index>();
    for (const Key& key : m_keys) {
      if (key.byName != nullptr) index->byName.Put(key.name, key.byName);
      if (key.byGuid != nullptr) index->byGuid.Put(key.guid, key.byGuid);
    }
    m_index = std::move(index);
    m_keys.clear();
    m_keys.shrink_to_fit();
  }
  if (m_index) {
    m_index->byName.Put(value->getName(), value);
    if (hasGuid) m_index->byGuid.Put(value->getGuid(), value);
    return;
  }
  if (m_keys.empty()) m_keys.reserve(4);
  m_keys.push_back({value->getName(), hasGuid ? value->getGuid() : KuvInGuid(), value, hasGuid ? value : nullptr});
}

void KuvEeSelectionValueDico::dropScannedKey(KuvEeSelectionValue* Key::*slot,
                                             const std::function<bool(const Key&)>& matches) {
  for (auto it = m_keys.begin(); it != m_keys.end(); ++it)
    if ((*it).*slot != nullptr && matches(*it)) {
      (*it).*slot = nullptr;
      if (it->byName == nullptr && it->byGuid == nullptr) m_keys.erase(it);
      return;
    }
}

void KuvEeSelectionValueDico::removeName(const KuvInString& name) {
  if (m_index)
    m_index->byName.Remove(name);
  else
    dropScannedKey(&Key::byName, [&](const Key& key) { return key.name == name; });
}

void KuvEeSelectionValueDico::removeGuid(const KuvInGuid& guid) {
  if (m_index)
    m_index->byGuid.Remove(guid);
  else
    dropScannedKey(&Key::byGuid, [&](const Key& key) { return key.guid == guid; });
}

bool KuvEeSelectionValueDico::add(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy) {
  if (value == nullptr || findName(value->getName()) != nullptr) return false;
  const bool hasGuid = value->getGuid().IsValuated();
  if (hasGuid && findGuid(value->getGuid()) != nullptr) return false;
  if (!m_values.Put(value)) return false;
  try {
    putKeys(value, hasGuid);
    // Absent means none.
    if (selectedBy != KuvCriteriaSelectedBy_None) {
      const KuvInIntHolder code(static_cast<std::uint32_t>(selectedBy));
      if (hasGuid)
        codes().byGuid.Put(value->getGuid(), code);
      else
        codes().byName.Put(value->getName(), code);
    }
  } catch (const std::bad_alloc&) {
    // All or nothing: the value stays its caller's.
    remove(value);
    throw;
  }
  return true;
}

KuvEeSelectionValue* KuvEeSelectionValueDico::get(const KuvInGuid& guid) const {
  return findGuid(guid);
}

KuvEeSelectionValue* KuvEeSelectionValueDico::get(const KuvInString& name) const {
  return findName(name);
}

KuvCriteriaSelectedBy KuvEeSelectionValueDico::getSelectedBy(const KuvEeSelectionValue* value) const {
  if (value == nullptr || !m_values.Find(value)) return KuvCriteriaSelectedBy_None;
  if (value->getGuid().IsValuated()) return getSelectedBy(value->getGuid());
  if (!m_codes) return KuvCriteriaSelectedBy_None;
  return codeOf(static_cast<const KuvInIntHolder*>(m_codes->byName.Get(value->getName())));
}

KuvCriteriaSelectedBy KuvEeSelectionValueDico::getSelectedBy(const KuvInGuid& guid) const {
  if (!guid.IsValuated()) return KuvCriteriaSelectedBy_None;
  if (!m_codes) return KuvCriteriaSelectedBy_None;
  return codeOf(static_cast<const KuvInIntHolder*>(m_codes->byGuid.Get(guid)));
}

HRESULT KuvEeSelectionValueDico::remove(KuvEeSelectionValue* value) {
  if (value == nullptr || !m_values.Find(value)) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unknown value");
  if (findName(value->getName()) == value) {
    removeName(value->getName());
    if (m_codes) m_codes->byName.Remove(value->getName());
  }
  if (value->getGuid().IsValuated() && findGuid(value->getGuid()) == value) {
    removeGuid(value->getGuid());
    if (m_codes) m_codes->byGuid.Remove(value->getGuid());
  }
  m_values.Remove(value);
  return S_OK;
}

void KuvEeSelectionValueDico::clear() {
  m_values.Clear();
  m_keys.clear();
  m_index.reset();
  m_codes.reset();
}

void KuvEeSelectionValueDico::deleteValues() {
  // Without allocating: destructors call this.
  m_keys.clear();
  m_index.reset();
  m_codes.reset();
  m_values.DeleteAll();
}

bool KuvEeSelectionValueDico::equals(const KuvEeSelectionValueDico& other) const {
  if (m_values.GetLength() != other.m_values.GetLength()) return false;
  for (KuvInSet::const_iterator it = m_values.cBegin(); it.IsValid();) {
    const auto* value = static_cast<const KuvEeSelectionValue*>(it.GetGoToNext());
    if (!other.m_values.Find(value) || other.getSelectedBy(value) != getSelectedBy(value)) return false;
  }
  return true;
}
