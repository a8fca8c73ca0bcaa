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

#include <functional>
#include <memory>
#include <vector>

#include "KuvCriteriaSelectedBy.h"
#include "KuvEeSelectionValue.h"
#include "KuvInMap.h"
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
  // keys of an effectivity are scanned in m_keys, which costs no entry per
  // key; past sc_scanLimit values they move into the maps for good.
  struct Key {
    KuvInString name;
    KuvInGuid guid;
    KuvEeSelectionValue* byName;  // null once the name key is removed
    KuvEeSelectionValue* byGuid;  // null without a GUID key
  };
  static constexpr std::size_t sc_scanLimit = 8;

  KuvEeSelectionValue* findName(const KuvInString& name) const;
  KuvEeSelectionValue* findGuid(const KuvInGuid& guid) const;
  void putKeys(KuvEeSelectionValue* value, bool hasGuid);
  void removeName(const KuvInString& name);
  void removeGuid(const KuvInGuid& guid);
  // Clears slot in the first scanned key that has it and matches; a key
  // left with neither goes.
  void dropScannedKey(KuvEeSelectionValue* Key::*slot, const std::function<bool(const Key&)>& matches);

  // The maps are made when first needed: most effectivities hold a few
  // values and no code, and are read by the thousand.
  struct Index {
    KuvInMap byName{KuvInString::sType(), KuvEeSelectionValue::sType()};
    KuvInMap byGuid{KuvInGuid::sType(), KuvEeSelectionValue::sType()};
  };
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
