// Builds the typed-GUID table of one binary (layout in
// KuvBioTypedIdsReader.h) and writes the indices that refer to it.
//
// A writer first registers every (kind, GUID) its structure refers to,
// then writes the table, then the body, where each reference is an index
// of getIndexSize() bytes. Indices follow the order of first registration.
// It serves one binary; clean() empties it for the next.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "KuvBioBufferOut.h"
#include "KuvBioTypedGuid.h"

class KUV_API KuvBioTypedIdsWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBioTypedIdsWriter)

public:
  KuvBioTypedIdsWriter();
  ~KuvBioTypedIdsWriter() override;

  // The next index for a new pair; nothing for a pair already registered.
  HRESULT registerTypedGuid(KuvBioConstants::E_VarType type, const KuvInGuid& guid);
  KuvBioConstants::E_IndexSize getIndexSize() const;
  std::uint32_t getNbTypedGuids() const { return static_cast<std::uint32_t>(m_guids.size()); }
  // S_FALSE, index untouched, for a pair never registered.
  HRESULT getIndex(const KuvInGuid& guid, KuvBioConstants::E_VarType type, std::uint32_t& index) const;

  void writeTypedUids(KuvBioBufferOut& out) const;
  // E_FAIL, traced, for a pair never registered.
  HRESULT writeIndex(KuvBioBufferOut& out, const KuvInGuid& guid, KuvBioConstants::E_VarType type) const;
  void clean();

private:
  struct Hash {
    std::size_t operator()(const KuvBioTypedGuid& key) const { return key.hash(); }
  };
  std::unordered_map<KuvBioTypedGuid, std::uint32_t, Hash> m_indices;
  std::vector<KuvBioTypedGuid> m_guids;
};
