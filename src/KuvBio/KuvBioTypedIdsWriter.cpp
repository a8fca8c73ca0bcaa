#include "KuvBioTypedIdsWriter.h"

#include "KuvBioBasic.h"

KUV_DEFINE_TYPE(KuvBioTypedIdsWriter, KuvInObject)

KuvBioTypedIdsWriter::KuvBioTypedIdsWriter() = default;

KuvBioTypedIdsWriter::~KuvBioTypedIdsWriter() = default;

HRESULT KuvBioTypedIdsWriter::registerTypedGuid(KuvBioConstants::E_VarType type, const KuvInGuid& guid) {
  KuvBioTypedGuid key(type, guid);
  if (m_indices.try_emplace(key, getNbTypedGuids()).second) m_guids.push_back(key);
  return S_OK;
}

KuvBioConstants::E_IndexSize KuvBioTypedIdsWriter::getIndexSize() const {
  return KuvBioBasic::getIndexSizeFromNbIndices(getNbTypedGuids());
}

HRESULT KuvBioTypedIdsWriter::getIndex(const KuvInGuid& guid, KuvBioConstants::E_VarType type,
                                       std::uint32_t& index) const {
  const auto found = m_indices.find(KuvBioTypedGuid(type, guid));
  if (found == m_indices.end()) return S_FALSE;
  index = found->second;
  return S_OK;
}

void KuvBioTypedIdsWriter::writeTypedUids(KuvBioBufferOut& out) const {
  out.writeUINT32(getNbTypedGuids());
  for (const KuvBioTypedGuid& entry : m_guids) {
    out.PutBack(entry.getType());
    out.writeGuid(entry.getGuid());
  }
}

HRESULT KuvBioTypedIdsWriter::writeIndex(KuvBioBufferOut& out, const KuvInGuid& guid,
                                         KuvBioConstants::E_VarType type) const {
  std::uint32_t index = 0;
  if (getIndex(guid, type, index) != S_OK) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  out.writeIndex(index, getIndexSize());
  return S_OK;
}

void KuvBioTypedIdsWriter::clean() {
  m_indices.clear();
  m_guids.clear();
}
