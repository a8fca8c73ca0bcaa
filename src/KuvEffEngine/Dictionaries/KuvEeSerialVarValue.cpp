#include "KuvEeSerialVarValue.h"

#include "KuvEeModelDico.h"
#include "KuvEeSerialVar.h"

KUV_DEFINE_TYPE(KuvEeSerialVarValue, KuvEeDicoObject)

KuvEeSerialVarValue::KuvEeSerialVarValue(const KuvInString& name, const unsigned char* guid,
                                         const KuvInString& revision, std::uint32_t seqNumber,
                                         KuvEeSerialVar* variable)
    : KuvEeDicoObject(name, guid),
      m_revision(revision),
      m_seqNumber(seqNumber),
      m_variable(variable),
      m_associated(KuvEeSerialVarValue::sType()) {}

KuvEeSerialVarValue::~KuvEeSerialVarValue() = default;

std::int32_t KuvEeSerialVarValue::getSerialType() const {
  return m_variable != nullptr ? m_variable->getExternalType() : KuvEeSerialVar::UNDEFINED;
}

KuvInGuid KuvEeSerialVarValue::getHolderMDGuid() const {
  if (m_variable == nullptr || m_variable->getHolderDico() == nullptr) return KuvInGuid();
  return m_variable->getHolderDico()->getGuid();
}

bool KuvEeSerialVarValue::addAssociatedElement(KuvEeSerialVarValue* element) {
  return m_associated.Put(element);
}

bool KuvEeSerialVarValue::equals(const KuvInObject* other) const {
  const KuvEeSerialVarValue* value = other != nullptr ? cast(*other) : nullptr;
  return value != nullptr && value->m_revision == m_revision && value->m_seqNumber == m_seqNumber &&
         value->getName() == getName() && value->getGuid() == getGuid() && value->m_variable == m_variable;
}

KuvInString KuvEeSerialVarValue::toString() const {
  KuvInString text("KuvEeSerialVarValue( ");
  return text.Append(getName(), " - ", getGuid().toString(), "/", m_revision, " - ",
                     KuvInString::FromNum(static_cast<int>(m_seqNumber)), " )");
}
