#include "KuvEeSelectionValueDico.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>

#include "KuvInIntHolder.h"
#include "KuvMixedHash.h"

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

namespace {

// The tables index by the low bits, which the keys' own hashes leave alike
// for keys that differ in a few characters or bytes.
std::uint32_t nameHash(const KuvInString& name) { return kuv::detail::mixedHash(name.hash()); }

std::uint32_t guidHash(const KuvInGuid& guid) {
  return static_cast<std::uint32_t>(KuvInGuid::MixedHash()(guid));
}

}  // namespace

template <class Matches>
std::size_t KuvEeSelectionValueDico::position(Slots Index::*table, std::uint32_t hash,
                                              Matches matches) const {
  if (!isIndexed()) {
    for (std::size_t at = 0; at < m_keys.size(); ++at)
      if (matches(m_keys[at])) return at;
    return sc_none;
  }
  const Slots& slots = (*m_index).*table;
  const std::size_t mask = slots.size() - 1;
  for (std::size_t i = hash & mask; slots[i] != 0; i = (i + 1) & mask)
    if (matches(m_keys[slots[i] - 1])) return slots[i] - 1;
  return sc_none;
}

std::size_t KuvEeSelectionValueDico::namePosition(const KuvInString& name) const {
  return position(&Index::names, isIndexed() ? nameHash(name) : 0,
                  [&](const Key& key) { return key.byName != nullptr && key.name == name; });
}

std::size_t KuvEeSelectionValueDico::guidPosition(const KuvInGuid& guid) const {
  return position(&Index::guids, isIndexed() ? guidHash(guid) : 0,
                  [&](const Key& key) { return key.byGuid != nullptr && key.guid == guid; });
}

KuvEeSelectionValue* KuvEeSelectionValueDico::findName(const KuvInString& name) const {
  const std::size_t at = namePosition(name);
  return at == sc_none ? nullptr : m_keys[at].byName;
}

KuvEeSelectionValue* KuvEeSelectionValueDico::findGuid(const KuvInGuid& guid) const {
  const std::size_t at = guidPosition(guid);
  return at == sc_none ? nullptr : m_keys[at].byGuid;
}

void KuvEeSelectionValueDico::slotIn(Slots& slots, std::uint32_t hash, std::size_t at) {
  const std::size_t mask = slots.size() - 1;
  std::size_t i = hash & mask;
  while (slots[i] != 0) i = (i + 1) & mask;
  slots[i] = static_cast<std::uint32_t>(at + 1);
}

void KuvEeSelectionValueDico::rebuild(std::size_t room) {
  const std::size_t keys = std::max(room, m_keys.size() - (m_index ? m_index->deadKeys : 0));
  // The tables are made before anything changes: out of memory, the keys
  // stay as they were.
  std::unique_ptr<Index> index;
  if (keys > sc_scanLimit) {
    index = std::make_unique<Index>();
    // At most half full until the keys double again.
    index->names.resize(std::bit_ceil(4 * keys));
    index->guids.resize(index->names.size());
  }
  std::erase_if(m_keys, [](const Key& key) { return key.byName == nullptr && key.byGuid == nullptr; });
  for (std::size_t at = 0; at < m_keys.size() && index; ++at) {
    if (m_keys[at].byName != nullptr) slotIn(index->names, nameHash(m_keys[at].name), at);
    if (m_keys[at].byGuid != nullptr) slotIn(index->guids, guidHash(m_keys[at].guid), at);
  }
  m_index = std::move(index);
}

void KuvEeSelectionValueDico::putKeys(KuvEeSelectionValue* value, bool hasGuid) {
  // Made before anything changes, so that running out of memory leaves the
  // keys as they were.
  Key key{value->getName(), hasGuid ? value->getGuid() : KuvInGuid(), value, hasGuid ? value : nullptr};
  if (m_keys.size() == m_keys.capacity()) m_keys.reserve(std::max<std::size_t>(4, 2 * m_keys.size()));
  if (m_keys.size() >= sc_scanLimit && (!m_index || 2 * (m_keys.size() + 1) > m_index->names.size()))
    rebuild(m_keys.size() - (m_index ? m_index->deadKeys : 0) + 1);
  const std::size_t at = m_keys.size();
  m_keys.push_back(std::move(key));
  if (!isIndexed()) return;
  slotIn(m_index->names, nameHash(value->getName()), at);
  if (hasGuid) slotIn(m_index->guids, guidHash(value->getGuid()), at);
}

void KuvEeSelectionValueDico::dropKey(std::size_t at, KuvEeSelectionValue* Key::*slot) {
  if (at == sc_none) return;
  Key& key = m_keys[at];
  key.*slot = nullptr;
  if (key.byName != nullptr || key.byGuid != nullptr) return;
  if (!isIndexed()) {
    m_keys.erase(m_keys.begin() + static_cast<std::ptrdiff_t>(at));
    return;
  }
  if (++m_index->deadKeys <= m_keys.size() / 2) return;
  try {
    rebuild(0);
  } catch (const std::bad_alloc&) {
    // The dead keys only slow lookups down; the next rebuild drops them.
  }
}

void KuvEeSelectionValueDico::removeName(const KuvInString& name) {
  dropKey(namePosition(name), &Key::byName);
}

void KuvEeSelectionValueDico::removeGuid(const KuvInGuid& guid) { dropKey(guidPosition(guid), &Key::byGuid); }

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
