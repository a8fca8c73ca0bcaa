#include "KuvBioTypedIdsReader.h"

#include "KuvBioBasic.h"

KUV_DEFINE_TYPE(KuvBioTypedIdsReader, KuvInObject)

KuvBioTypedIdsReader::~KuvBioTypedIdsReader() = default;

HRESULT KuvBioTypedIdsReader::readTypedGuids(KuvBioBuffer& in) {
  std::uint32_t count = 0;
  if (FAILED(in.getUINT32(count)) || !in.isReadValid(4 + std::uint64_t{count} * sc_entrySize)) return E_FAIL;
  in.increment(4);
  m_count = count;
  m_entries = in.getCurrent();
  in.increment(count * sc_entrySize);
  return S_OK;
}

void KuvBioTypedIdsReader::setIndexSizeAccordingToTableSize() {
  m_indexSize = KuvBioBasic::getIndexSizeFromNbIndices(m_count);
}

HRESULT KuvBioTypedIdsReader::getTypedGuidAtIndex(std::uint32_t i, std::uint8_t& type,
                                                  const std::uint8_t*& guidBytes) const {
  if (i >= m_count) return E_FAIL;
  const std::uint8_t* entry = m_entries + std::size_t{i} * sc_entrySize;
  type = entry[0];
  guidBytes = entry + 1;
  return S_OK;
}

HRESULT KuvBioTypedIdsReader::readIndexGetTypedGuid(KuvBioBuffer& in, std::uint8_t& type,
                                                    const std::uint8_t*& guidBytes) const {
  std::uint32_t index = 0;
  if (FAILED(in.getIndex(m_indexSize, index)) || FAILED(getTypedGuidAtIndex(index, type, guidBytes))) return E_FAIL;
  in.increment(static_cast<std::uint32_t>(m_indexSize));
  return S_OK;
}
