// Reads the typed-GUID table at the head of a binary and resolves the
// indices of its body to (kind, GUID) pairs, in place: the reader keeps a
// pointer into the buffer's bytes, so the buffer must outlive it.
//
// The table (all integers big-endian):
//
//   offset   width  content
//   0        4      number N of entries
//   4+17k    1      kind of entry k (an E_VarType)
//   5+17k    16     GUID of entry k, in the GUID's byte order
//
// Entries stand in index order. An index in the body takes the width the
// header gives (setIndexSize), or getIndexSizeFromNbIndices(N) where the
// header gives none (setIndexSizeAccordingToTableSize).
#pragma once

#include <cstdint>

#include "KuvBioBuffer.h"

class KUV_API KuvBioTypedIdsReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBioTypedIdsReader)

public:
  KuvBioTypedIdsReader() = default;
  ~KuvBioTypedIdsReader() override;

  // Reads the count and skips the entries; E_FAIL, nothing read, when the
  // N * 17 bytes it promises are not there.
  HRESULT readTypedGuids(KuvBioBuffer& in);

  void setIndexSize(KuvBioConstants::E_IndexSize size) { m_indexSize = size; }
  KuvBioConstants::E_IndexSize getIndexSize() const { return m_indexSize; }
  void setIndexSizeAccordingToTableSize();
  std::uint32_t getNbTypedIds() const { return m_count; }

  // E_FAIL unless i is below the count; guidBytes points into the buffer.
  HRESULT getTypedGuidAtIndex(std::uint32_t i, std::uint8_t& type, const std::uint8_t*& guidBytes) const;
  // Reads an index of the reader's width and resolves it; E_FAIL, cursor
  // unmoved, when the read fails or the index is out of range.
  HRESULT readIndexGetTypedGuid(KuvBioBuffer& in, std::uint8_t& type, const std::uint8_t*& guidBytes) const;

  static constexpr std::uint32_t sc_entrySize = 17;

private:
  KuvBioConstants::E_IndexSize m_indexSize = KuvBioConstants::E_IndexSize4;
  std::uint32_t m_count = 0;
  const std::uint8_t* m_entries = nullptr;
};
