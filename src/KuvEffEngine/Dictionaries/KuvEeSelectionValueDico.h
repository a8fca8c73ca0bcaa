// KuvEeSelectionValueDico: selection values indexed by name and GUID, each
// with how it was selected (KuvCriteriaSelectedBy). Selection variables keep
// their values in one; selection effectivities keep the chosen values in
// another. As in the other dictionaries, an unset GUID is no key: such values
// are known by name only (and keep their selected-by code by name).
//
// The dictionary does not own its values: deleteValues() deletes them,
// clear() and the destructor only forget them. A copy indexes the same
// values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "KuvCriteriaSelectedBy.h"
#include "KuvEeSelectionValue.h"
#include "KuvInIntHolder.h"
#include "KuvInMapVal.h"
#include "KuvInSet.h"

class KUV_API KuvEeSelectionValueDico : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeSelectionValueDico)

public:
  KuvEeSelectionValueDico();
  KuvEeSelectionValueDico(const KuvEeSelectionValueDico& other);
  KuvEeSelectionValueDico& operator=(const KuvEeSelectionValueDico&) = delete;
  ~KuvEeSelectionValueDico() override;

  // False (nothing changes) for null or when the name or (set) GUID is
  // present.
  bool add(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None);
  KuvEeSelectionValue* get(const KuvInGuid& guid) const;
  KuvEeSelectionValue* get(const KuvInString& name) const;
  // KuvCriteriaSelectedBy_None for unknown values.
  KuvCriteriaSelectedBy getSelectedBy(const KuvEeSelectionValue* value) const;
  KuvCriteriaSelectedBy getSelectedBy(const KuvInGuid& guid) const;

  // S_OK, or E_FAIL with "ERROR: Unknown value".
  HRESULT remove(KuvEeSelectionValue* value);
  // Forgets every value.
  void clear();
  // Deletes every value, then forgets them.
  void deleteValues();

  // The same values, each with the same selected-by code.
  bool equals(const KuvEeSelectionValueDico& other) const;

  const KuvInSet& getValues() const { return m_values; }
  std::int32_t GetLength() const { return m_values.GetLength(); }
  bool IsEmpty() const { return m_values.IsEmpty(); }

private:
  // The name and GUID keys, as taken when each value was added. The few
  // keys of an effectivity are scanned; past sc_scanLimit keys two
  // open-addressing tables of positions in m_keys find them instead. Tables
  // of positions, not maps of key copies: simplification copies and
  // intersects effectivities of many values by the thousand.
  struct Key {
    KuvInString name;
    KuvInGuid guid;
    KuvEeSelectionValue* byName;  // null once the name key is removed
    KuvEeSelectionValue* byGuid;  // null without a GUID key
  };
  static constexpr std::size_t sc_scanLimit = 8;
  // Position + 1 in m_keys; 0 is a free slot.
  using Slots = std::vector<std::uint32_t>;

  static constexpr std::size_t sc_none = static_cast<std::size_t>(-1);

  // Out of line: most effectivities hold a few values and are read by the
  // thousand.
  struct Index {
    Slots names, guids;
    std::size_t deadKeys = 0;  // keys with neither value
  };

  bool isIndexed() const { return m_index != nullptr; }
  // Where in m_keys the live key that matches is, or sc_none.
  template <class Matches>
  std::size_t position(Slots Index::*slots, std::uint32_t hash, Matches matches) const;
  std::size_t namePosition(const KuvInString& name) const;
  std::size_t guidPosition(const KuvInGuid& guid) const;
  KuvEeSelectionValue* findName(const KuvInString& name) const;
  KuvEeSelectionValue* findGuid(const KuvInGuid& guid) const;
  void putKeys(KuvEeSelectionValue* value, bool hasGuid);
  void removeName(const KuvInString& name);
  void removeGuid(const KuvInGuid& guid);
  // Clears slot in the key at `at`. Scanned, a key left with neither value
  // goes; indexed, it stays (dead) until the next rebuild.
  void dropKey(std::size_t at, KuvEeSelectionValue* Key::*slot);
  // Drops the dead keys and, past sc_scanLimit keys (or room for them),
  // indexes the rest; out of memory, nothing changes.
  void rebuild(std::size_t room);
  static void slotIn(Slots& slots, std::uint32_t hash, std::size_t at);

  // Made when first needed: most effectivities hold no code.
  struct Codes {
    KuvInMapVal byGuid{KuvInGuid::sType(), KuvInIntHolder::sType()};
    // The codes of the values without a GUID, by name.
    KuvInMapVal byName{KuvInString::sType(), KuvInIntHolder::sType()};
  };
  Codes& codes();

  KuvInSet m_values;
  std::vector<Key> m_keys;
  // Null while the keys are scanned.
  std::unique_ptr<Index> m_index;
  // Null while every code is none.
  std::unique_ptr<Codes> m_codes;
};
