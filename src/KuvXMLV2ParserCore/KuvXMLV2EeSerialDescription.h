// KuvXMLV2EeSerialDescription: the description text of a series of a
// dictionary document, which the series variable itself does not keep. The
// dictionary readers hand these to their caller beside the dictionary.
#pragma once

#include <cstdint>

#include "KuvInString.h"

class KUV_API KuvXMLV2EeSerialDescription : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvXMLV2EeSerialDescription)

public:
  enum SerialVarExternalType : std::int32_t { PRODUCT_STATE = 0, UNIT = 1, MANUF_PLAN = 2 };

  KuvXMLV2EeSerialDescription(const KuvInString& description, SerialVarExternalType type);
  KuvXMLV2EeSerialDescription(const KuvXMLV2EeSerialDescription& other) = default;
  ~KuvXMLV2EeSerialDescription() override;

  const KuvInString& getDescription() const { return m_description; }
  SerialVarExternalType getType() const { return m_type; }

  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override { return cloneOf(*this, where); }
  KuvInString toString() const override;

private:
  KuvInString m_description;
  SerialVarExternalType m_type;
};
