#include "KuvEeSelectionValue.h"

KUV_DEFINE_TYPE(KuvEeSelectionValue, KuvEeDicoObject)

KuvEeSelectionValue::KuvEeSelectionValue(const KuvInString& name, const unsigned char* guid,
                                         KuvEeSelectionVar* variable)
    : KuvEeDicoObject(name, guid), m_variable(variable) {}

KuvEeSelectionValue::~KuvEeSelectionValue() = default;

KuvInString KuvEeSelectionValue::toString() const {
  KuvInString text("SelectionValue( ");
  return text.Append(getName(), "/", getGuid().toString(), " )");
}
