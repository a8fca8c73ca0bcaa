// A dictionary object's GUID with the kind of object it designates (one
// E_VarType byte): the key of a typed-GUID table. Equal when kind and GUID
// are; the hash is the GUID's alone.
#pragma once

#include <cstdint>

#include "KuvBioConstants.h"
#include "KuvInGuid.h"

class KUV_API KuvBioTypedGuid : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvBioTypedGuid)

public:
  KuvBioTypedGuid() = default;
  KuvBioTypedGuid(KuvBioConstants::E_VarType type, const KuvInGuid& guid)
      : m_type(static_cast<std::uint8_t>(type)), m_guid(guid) {}
  KuvBioTypedGuid(const KuvBioTypedGuid& other) = default;
  KuvBioTypedGuid& operator=(const KuvBioTypedGuid& other) = default;
  ~KuvBioTypedGuid() override;

  std::uint8_t getType() const { return m_type; }
  const KuvInGuid& getGuid() const { return m_guid; }

  bool operator==(const KuvBioTypedGuid& o) const { return m_type == o.m_type && m_guid == o.m_guid; }
  std::uint32_t hash() const override { return m_guid.HashFunc(); }
  // False when other is not a KuvBioTypedGuid.
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  std::uint8_t m_type = 0;
  KuvInGuid m_guid;
};
