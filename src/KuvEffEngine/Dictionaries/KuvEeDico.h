// KuvEeDico: a dictionary of dictionary objects, indexed by name, by GUID
// and by attribute.
//
// Keys are texts "{" attribute "}=" value; an object's name is indexed under
// the attribute "name". Duplicate names, duplicate GUIDs and (by default)
// empty names are refused without a trace; callers report the refusal.
//
//     KuvEeDico tracks;                          // by name and GUID, names required
//     tracks.add(track, "Discipline", "Structure");
//     KuvEeDicoObject* t = tracks.getFromAttribute("Discipline", "Structure");
//
// The dictionary does not own its objects; deleteAll() deletes them.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "KuvEeDicoObject.h"
#include "KuvInGuid.h"
#include "KuvInMap.h"
#include "KuvInSet.h"

class KUV_API KuvEeDico : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeDico)

public:
  // A bit set: which indexes an added object enters.
  enum E_Mapping : std::int32_t { MAP_BY_NAME = 1, MAP_BY_GUID = 2, MAP_BY_NAME_AND_GUID = 3 };
  enum E_NameCriteria : std::int32_t { NAME_OPTIONAL = 0, NAME_REQUIRED = 1 };

  explicit KuvEeDico(E_Mapping mapping = MAP_BY_NAME_AND_GUID, E_NameCriteria nameCriteria = NAME_REQUIRED);
  KuvEeDico(const KuvEeDico&) = delete;
  KuvEeDico& operator=(const KuvEeDico&) = delete;
  ~KuvEeDico() override;

  // False when the object is already here, has an empty name that is
  // required, or its name key or (set) GUID is taken; nothing changes then.
  // An optional empty name is a key too: one unnamed object per dictionary.
  bool add(KuvEeDicoObject* object);
  // add(object), then indexes the key of attribute and value, taking it
  // over from an earlier object; false (and nothing changes) when either is
  // empty or add(object) fails.
  bool add(KuvEeDicoObject* object, const KuvInString& attribute, const KuvInString& value);

  KuvEeDicoObject* get(const KuvInGuid& guid) const;
  KuvEeDicoObject* get(const KuvInString& name) const;
  KuvEeDicoObject* getFromAttribute(const KuvInString& attribute, const KuvInString& value) const;

  // S_OK when the object was here (its name key and GUID entry go too),
  // else E_FAIL.
  HRESULT remove(KuvEeDicoObject* object);
  // Removes the attribute key, then the object. The key goes only when it
  // leads to this object (a later one may have taken it over), and only when
  // the object is here: a failing call changes nothing.
  HRESULT remove(KuvEeDicoObject* object, const KuvInString& attribute, const KuvInString& value);

  // Puts replacement in the place of old, under its own name and GUID,
  // which must be free or old's; old's attribute keys do not follow it.
  // False, and nothing changes, when old is not here, replacement is, or a
  // key is taken; out of memory, nothing changes either.
  bool replace(KuvEeDicoObject* old, KuvEeDicoObject* replacement);

  // Forgets every key, then deletes every object.
  void deleteAll();

  // Exchanges objects and keys with other, a dictionary of the same mapping
  // and name rule, allocating nothing: one filled aside takes over at once.
  // False, and nothing changes, otherwise.
  bool swapContents(KuvEeDico& other) noexcept;

  const KuvInSet& getSet() const { return m_objects; }
  std::int32_t GetLength() const { return m_objects.GetLength(); }
  E_Mapping getMapping() const { return m_mapping; }
  E_NameCriteria getNameCriteria() const { return m_nameCriteria; }

  // "{" attribute "}=" value.
  static KuvInString createKey(const KuvInString& attribute, const KuvInString& value);

private:
  // add, with the key of an attribute (or none) indexed too.
  bool addWithKey(KuvEeDicoObject* object, const KuvInString* attributeKey);
  // Destructors remove their objects: without memory for a key, every key
  // that leads to the object is found by a walk instead.
  void forgetKeysOf(const KuvEeDicoObject* object) noexcept;

  // Removes the object's GUID entry when it leads to the object.
  void forgetGuidOf(const KuvEeDicoObject* object) noexcept;

  KuvInSet m_objects;
  KuvInMap m_keys;
  // Nothing walks it, so it needs no specified order; mixed, GUIDs that
  // differ only in their last bytes do not crowd.
  std::unordered_map<KuvInGuid, KuvEeDicoObject*, KuvInGuid::MixedHash> m_guids;
  E_Mapping m_mapping;
  E_NameCriteria m_nameCriteria;
};
