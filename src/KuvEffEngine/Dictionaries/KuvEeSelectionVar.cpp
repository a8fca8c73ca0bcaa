#include "KuvEeSelectionVar.h"

#include <memory>

#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeSelectionVar, KuvEeVariable)

KuvEeSelectionVar::KuvEeSelectionVar(const KuvInString& name, const unsigned char* guid)
    : KuvEeVariable(name, guid) {}

KuvEeSelectionVar::~KuvEeSelectionVar() { m_values.deleteValues(); }

HRESULT KuvEeSelectionVar::addValue(KuvEeSelectionValue* value) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&]() -> HRESULT {
    if (value == nullptr) return E_FAIL;
    if (m_values.get(value->getName()) != nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: a value named ", value->getName(), " already exists in ", getName());
    if (value->getGuid().IsValuated() && m_values.get(value->getGuid()) != nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: the GUID ", value->getGuid().toString(), " is already taken in ",
                       getName());
    if (!m_values.add(value)) return E_FAIL;
    value->setLifeCycleOwner(this);
    return S_OK;
  });
}

KuvEeSelectionValue* KuvEeSelectionVar::addValue(const KuvInString& name, const unsigned char* guid) {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&]() -> KuvEeSelectionValue* {
        auto value = std::make_unique<KuvEeSelectionValue>(name, guid, this);
        if (addValue(value.get()) != S_OK) return nullptr;
        return value.release();
      },
      []() -> KuvEeSelectionValue* { return nullptr; });
}

HRESULT KuvEeSelectionVar::removeValue(KuvEeSelectionValue* value) {
  if (value == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (m_values.remove(value) != S_OK) KUV_RETURN_ERROR(E_FAIL, "ERROR: dico.remove failed");
  delete value;
  return S_OK;
}

HRESULT KuvEeSelectionVar::removeValue(const KuvInGuid& guid) { return removeValue(m_values.get(guid)); }

HRESULT KuvEeSelectionVar::removeValue(const KuvInString& name) { return removeValue(m_values.get(name)); }
