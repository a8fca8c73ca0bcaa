// KuvEeSelectionValue: one value of a selection variable. The variable owns
// its values (see KuvEeSelectionVar).
#pragma once

#include "KuvEeDicoObject.h"

class KuvEeSelectionVar;

class KUV_API KuvEeSelectionValue : public KuvEeDicoObject {
  KUV_DECLARE_TYPE(KuvEeSelectionValue)

public:
  KuvEeSelectionValue(const KuvInString& name, const unsigned char* guid, KuvEeSelectionVar* variable);
  ~KuvEeSelectionValue() override;

  KuvEeSelectionVar* getSelectionVar() const { return m_variable; }

  // "SelectionValue( " name "/" GUID text " )".
  KuvInString toString() const override;

private:
  KuvEeSelectionVar* m_variable;
};
