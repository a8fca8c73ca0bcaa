#include "KuvEeDicoObject.h"

#include <cstdlib>
#include <cstring>

#include "KuvEeLifeCycleMngr.h"
#include "KuvInHexaEncodingServices.h"

KUV_DEFINE_TYPE(KuvEeDicoObject, KuvInObject)

KuvEeDicoObject::KuvEeDicoObject(const KuvInString& name, const unsigned char* guid)
    : m_name(name), m_guid(guid) {
  KuvEeLifeCycleMngr::getInstance().reg(this);
}

KuvEeDicoObject::~KuvEeDicoObject() {
  if (KuvEeLifeCycleMngr* registry = KuvEeLifeCycleMngr::getInstanceIfAlive()) registry->unreg(this);
}

KuvInString KuvEeDicoObject::toString() const {
  KuvInString text("DicoObject (");
  return text.Append(m_name, ")");
}

HRESULT KuvEeDicoObject::initFakeNameAndGuid(std::int32_t index, std::int32_t kind) {
  unsigned char bytes[KuvInGuid::sc_size] = {};
  const KuvEeDicoObject* self = this;
  static_assert(sizeof self <= 8);
  std::memcpy(bytes, &self, sizeof self);
  m_guid.setArray(bytes);

  static constexpr const char* kindNames[] = {
      "CFG_ExpressionCriteria(index ", "CFG_ExpressionImpactingCriteria(index ", "CFG_CriteriaModel(index ",
      "CFG_InheritedEffectivity(index ", "CFG_InheritedEffectivityModel(index "};
  if (kind >= 1 && kind <= 5) {
    KuvInString name(kindNames[kind - 1]);
    m_name = name.Append(KuvInString::FromNum(index, "%d"), ")");
    return S_OK;
  }
  char* text = nullptr;
  std::int32_t length = 0;
  if (KuvInHexaEncodingServices::encode_hex(bytes, KuvInGuid::sc_size, text, length) != 0) return E_FAIL;
  m_name = text;
  std::free(text);
  return S_OK;
}
