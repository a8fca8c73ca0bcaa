// KuvEeSelectionVar: a configuration feature whose configurations choose
// among named values. The variable owns its values and deletes them with
// itself.
//
//     KuvEeSelectionVar color("Color", colorGuid);
//     KuvEeSelectionValue* red = color.addValue("Red", redGuid);  // null when refused
#pragma once

#include "KuvEeSelectionValueDico.h"
#include "KuvEeVariable.h"

class KUV_API KuvEeSelectionVar : public KuvEeVariable {
  KUV_DECLARE_TYPE(KuvEeSelectionVar)

public:
  KuvEeSelectionVar(const KuvInString& name, const unsigned char* guid);
  ~KuvEeSelectionVar() override;

  // Takes ownership on S_OK; E_FAIL when null or the name or (set) GUID is
  // used, tracing which; E_OUTOFMEMORY, nothing changed. Values without a
  // GUID are known by name only.
  HRESULT addValue(KuvEeSelectionValue* value);
  // The new value, or null (nothing created) when refused or out of memory.
  KuvEeSelectionValue* addValue(const KuvInString& name, const unsigned char* guid);
  KuvEeSelectionValue* getValue(const KuvInGuid& guid) const { return m_values.get(guid); }
  KuvEeSelectionValue* getValue(const KuvInString& name) const { return m_values.get(name); }

  // Remove and delete a value; E_FAIL when it is not one of ours.
  HRESULT removeValue(KuvEeSelectionValue* value);
  HRESULT removeValue(const KuvInGuid& guid);
  HRESULT removeValue(const KuvInString& name);

  const KuvEeSelectionValueDico& getValues() const { return m_values; }

private:
  KuvEeSelectionValueDico m_values;
};
