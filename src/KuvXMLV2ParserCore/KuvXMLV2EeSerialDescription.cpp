#include "KuvXMLV2EeSerialDescription.h"

KUV_DEFINE_TYPE(KuvXMLV2EeSerialDescription, KuvInObjectVal)

KuvXMLV2EeSerialDescription::KuvXMLV2EeSerialDescription(const KuvInString& description,
                                                         SerialVarExternalType type)
    : m_description(description), m_type(type) {}

KuvXMLV2EeSerialDescription::~KuvXMLV2EeSerialDescription() = default;

std::uint32_t KuvXMLV2EeSerialDescription::hash() const {
  return m_description.hash() ^ hashUINT32(static_cast<std::uint32_t>(m_type));
}

bool KuvXMLV2EeSerialDescription::equals(const KuvInObjectVal& other) const {
  const KuvXMLV2EeSerialDescription* o = cast(other);
  return o != nullptr && o->m_type == m_type && o->m_description == m_description;
}

KuvInString KuvXMLV2EeSerialDescription::toString() const {
  KuvInString text("SerialDescription( ");
  return text.Append(KuvInString::FromNum(m_type), ": ", m_description, " )");
}
