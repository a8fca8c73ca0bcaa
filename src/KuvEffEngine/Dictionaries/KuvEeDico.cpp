#include "KuvEeDico.h"

#include <memory>
#include <new>

KUV_DEFINE_TYPE(KuvEeDico, KuvInObject)

namespace {
const KuvInString& nameAttribute() {
  static const KuvInString attribute("name");
  return attribute;
}
}  // namespace

KuvEeDico::KuvEeDico(E_Mapping mapping, E_NameCriteria nameCriteria)
    : m_objects(KuvEeDicoObject::sType()),
      m_keys(KuvInString::sType(), KuvEeDicoObject::sType()),
      m_mapping(mapping),
      m_nameCriteria(nameCriteria) {}

KuvEeDico::~KuvEeDico() = default;

KuvInString KuvEeDico::createKey(const KuvInString& attribute, const KuvInString& value) {
  KuvInString key("{");
  // Appended apart from the return, so that the key is not copied.
  key.Append(attribute, "}=", value);
  return key;
}

bool KuvEeDico::add(KuvEeDicoObject* object) { return addWithKey(object, nullptr); }

bool KuvEeDico::add(KuvEeDicoObject* object, const KuvInString& attribute, const KuvInString& value) {
  if (attribute.IsEmpty() || value.IsEmpty()) return false;
  const KuvInString key = createKey(attribute, value);
  return addWithKey(object, &key);
}

bool KuvEeDico::addWithKey(KuvEeDicoObject* object, const KuvInString* attributeKey) {
  if (object == nullptr || m_objects.Find(object)) return false;
  const KuvInString& name = object->getName();
  if (m_nameCriteria == NAME_REQUIRED && name.IsEmpty()) return false;
  // An empty name, where allowed, is a key like any other: a second unnamed
  // object is refused. An unset GUID is no key.
  const bool byName = (m_mapping & MAP_BY_NAME) != 0;
  const bool byGuid = (m_mapping & MAP_BY_GUID) != 0 && object->getGuid().IsValuated();
  const KuvInString key = createKey(nameAttribute(), name);
  if (byName && m_keys.ContainsKey(key)) return false;
  if (byGuid && m_guids.contains(object->getGuid())) return false;
  if (!m_objects.Put(object)) return false;
  // A taken attribute key passes to the newcomer, as any map key does; it
  // is put last, so that a failure before it leaves the old one in place.
  try {
    if (byName) m_keys.Put(key, object);
    if (byGuid) m_guids.emplace(object->getGuid(), object);
    if (attributeKey != nullptr) m_keys.Put(*attributeKey, object);
  } catch (const std::bad_alloc&) {
    // All or nothing: out of memory, the object is not left half known.
    if (byName && m_keys.Get(key) == object) m_keys.Remove(key);
    if (byGuid) forgetGuidOf(object);
    m_objects.Remove(object);
    throw;
  }
  return true;
}

KuvEeDicoObject* KuvEeDico::get(const KuvInGuid& guid) const {
  const auto found = m_guids.find(guid);
  return found != m_guids.end() ? found->second : nullptr;
}

KuvEeDicoObject* KuvEeDico::get(const KuvInString& name) const {
  return getFromAttribute(nameAttribute(), name);
}

KuvEeDicoObject* KuvEeDico::getFromAttribute(const KuvInString& attribute, const KuvInString& value) const {
  return static_cast<KuvEeDicoObject*>(m_keys.Get(createKey(attribute, value)));
}

HRESULT KuvEeDico::remove(KuvEeDicoObject* object) {
  if (object == nullptr || !m_objects.Find(object)) return E_FAIL;
  // Only the entries that point at this object: its name or GUID may have
  // been changed since it was added.
  try {
    const KuvInString key = createKey(nameAttribute(), object->getName());
    if (m_keys.Get(key) == object) m_keys.Remove(key);
  } catch (const std::bad_alloc&) {
    forgetKeysOf(object);
  }
  forgetGuidOf(object);
  m_objects.Remove(object);
  return S_OK;
}

void KuvEeDico::forgetGuidOf(const KuvEeDicoObject* object) noexcept {
  const auto found = m_guids.find(object->getGuid());
  if (found != m_guids.end() && found->second == object) m_guids.erase(found);
}

void KuvEeDico::forgetKeysOf(const KuvEeDicoObject* object) noexcept {
  // A removal ends the walk it was found in: the walk starts again.
  for (bool found = true; found;) {
    found = false;
    for (auto it = m_keys.cBegin(); !it.IsEnd(); it.Next())
      if (it.GetVal() == object) {
        m_keys.Remove(it.GetKey());
        found = true;
        break;
      }
  }
}

HRESULT KuvEeDico::remove(KuvEeDicoObject* object, const KuvInString& attribute, const KuvInString& value) {
  if (object == nullptr || !m_objects.Find(object)) return E_FAIL;
  const KuvInString key = createKey(attribute, value);
  if (m_keys.Get(key) == object) m_keys.Remove(key);
  return remove(object);
}

bool KuvEeDico::replace(KuvEeDicoObject* old, KuvEeDicoObject* replacement) {
  if (old == nullptr || replacement == nullptr || !m_objects.Find(old) || m_objects.Find(replacement))
    return false;
  const KuvInString& name = replacement->getName();
  if (m_nameCriteria == NAME_REQUIRED && name.IsEmpty()) return false;
  const bool byName = (m_mapping & MAP_BY_NAME) != 0;
  const bool byGuid = (m_mapping & MAP_BY_GUID) != 0;
  const KuvInGuid& guid = replacement->getGuid();
  const KuvInString key = createKey(nameAttribute(), name);
  const KuvInString oldKey = createKey(nameAttribute(), old->getName());
  if (byName && m_keys.ContainsKey(key) && m_keys.Get(key) != old) return false;
  const auto guidEntry = byGuid && guid.IsValuated() ? m_guids.find(guid) : m_guids.end();
  const bool sameGuid = guidEntry != m_guids.end() && guidEntry->second == old;
  if (guidEntry != m_guids.end() && !sameGuid) return false;

  // What allocates comes first, so that running out of memory leaves old in
  // place; the rest only unlinks.
  if (!m_objects.Put(replacement)) return false;
  const bool newGuid = byGuid && guid.IsValuated() && !sameGuid;
  try {
    if (newGuid) m_guids.emplace(guid, replacement);
    if (byName) m_keys.Put(key, replacement);
  } catch (const std::bad_alloc&) {
    if (newGuid) m_guids.erase(guid);
    m_objects.Remove(replacement);
    throw;
  }
  if (sameGuid)
    guidEntry->second = replacement;
  else
    forgetGuidOf(old);
  if (byName && key != oldKey && m_keys.Get(oldKey) == old) m_keys.Remove(oldKey);
  m_objects.Remove(old);
  return true;
}

bool KuvEeDico::swapContents(KuvEeDico& other) noexcept {
  if (other.m_mapping != m_mapping || other.m_nameCriteria != m_nameCriteria) return false;
  m_objects.SwapElements(other.m_objects);
  m_keys.SwapEntries(other.m_keys);
  m_guids.swap(other.m_guids);
  return true;
}

void KuvEeDico::deleteAll() {
  // The keys go first and each object leaves the set before it is deleted,
  // so that one whose destructor reaches back into the dictionary finds
  // nothing; nothing is allocated on the way, as destructors call this.
  m_keys.Clear();
  m_guids.clear();
  m_objects.DeleteAll();
}
