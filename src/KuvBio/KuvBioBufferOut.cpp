#include "KuvBioBufferOut.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "KuvBioBasic.h"
#include "KuvInGuid.h"

KUV_DEFINE_TYPE(KuvBioBufferOut, KuvInObject)

KuvBioBufferOut::~KuvBioBufferOut() { std::free(m_bytes); }

// The array may end up with a host that frees it with free(), so it comes
// from malloc. Allocation failure is as fatal here as operator new's.
std::uint8_t* KuvBioBufferOut::allocate(std::uint32_t capacity) {
  auto* bytes = static_cast<std::uint8_t*>(std::malloc(capacity));
  if (bytes == nullptr) std::abort();
  return bytes;
}

void KuvBioBufferOut::reallocate(std::uint32_t capacity) {
  auto* bytes = allocate(capacity);
  std::copy(m_bytes, m_bytes + m_size, bytes);
  std::free(m_bytes);
  m_bytes = bytes;
  m_capacity = capacity;
}

std::uint32_t KuvBioBufferOut::grownFor(std::uint32_t needed) const {
  if (m_capacity == 0) return std::max<std::uint32_t>(needed, 4);
  return std::max(needed, 2 * m_capacity);
}

void KuvBioBufferOut::PutBack(const std::uint8_t& b) {
  // Read first: b may be one of our own bytes, freed by the growth.
  const std::uint8_t value = b;
  if (m_size == m_capacity) reallocate(m_capacity == 0 ? 4 : 2 * m_capacity);
  m_bytes[m_size++] = value;
}

void KuvBioBufferOut::PutBack(const KuvBioBufferOut& other) {
  // Copied first: other may be this buffer, whose array is about to move.
  const std::uint32_t length = other.m_size;
  const std::uint32_t needed = m_size + length;
  if (needed >= m_capacity) reallocate(grownFor(needed));
  std::copy(other.m_bytes, other.m_bytes + length, m_bytes + m_size);
  m_size = needed;
}

HRESULT KuvBioBufferOut::Insert(std::uint32_t pos, const std::uint8_t& first, std::uint32_t len) {
  if (pos > m_size) return E_FAIL;
  const std::uint8_t* from = &first;
  if (len > 0 && from >= m_bytes && from < m_bytes + m_capacity) {
    // Bytes of this very array would move under the copy.
    const std::vector<std::uint8_t> own(from, from + len);
    return Insert(pos, own[0], len);
  }
  const std::uint32_t needed = m_size + len;
  if (needed < m_capacity) {
    std::copy_backward(m_bytes + pos, m_bytes + m_size, m_bytes + needed);
    std::copy(from, from + len, m_bytes + pos);
  } else {
    const std::uint32_t capacity = grownFor(needed);
    auto* bytes = allocate(capacity);
    std::copy(m_bytes, m_bytes + pos, bytes);
    std::copy(from, from + len, bytes + pos);
    std::copy(m_bytes + pos, m_bytes + m_size, bytes + pos + len);
    std::free(m_bytes);
    m_bytes = bytes;
    m_capacity = capacity;
  }
  m_size = needed;
  return S_OK;
}

void KuvBioBufferOut::writeUINT16(std::uint32_t v) {
  PutBack(static_cast<std::uint8_t>(v >> 8));
  PutBack(static_cast<std::uint8_t>(v));
}

HRESULT KuvBioBufferOut::writeUINT16WithCheck(std::uint32_t v) {
  if (v > 0xFFFF) return KuvBioConstants::sc_valueTooLarge;
  writeUINT16(v);
  return S_OK;
}

void KuvBioBufferOut::writeINT32(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int shift = 24; shift >= 0; shift -= 8) PutBack(static_cast<std::uint8_t>(u >> shift));
}

void KuvBioBufferOut::writeIndex(std::uint32_t v, KuvBioConstants::E_IndexSize size) {
  switch (size) {
    case KuvBioConstants::E_IndexSize1:
      PutBack(static_cast<std::uint8_t>(v));
      return;
    case KuvBioConstants::E_IndexSize2:
      writeUINT16(v);
      return;
    case KuvBioConstants::E_IndexSize4:
      writeUINT32(v);
      return;
  }
}

void KuvBioBufferOut::writeGuid(const KuvInGuid& guid) {
  for (int i = 0; i < KuvInGuid::sc_size; ++i) PutBack(guid.getArray()[i]);
}

HRESULT KuvBioBufferOut::overwriteUINT16(std::uint32_t pos, std::uint32_t v) {
  if (v > 0xFFFF) return KuvBioConstants::sc_valueTooLarge;
  for (std::uint32_t k = 0; k < 2; ++k)
    if (pos + std::uint64_t{k} < m_size) m_bytes[pos + k] = static_cast<std::uint8_t>(v >> (8 * (1 - k)));
  return S_OK;
}

HRESULT KuvBioBufferOut::overwriteUINT32(std::uint32_t pos, std::uint32_t v) {
  for (std::uint32_t k = 0; k < 4; ++k)
    if (pos + std::uint64_t{k} < m_size) m_bytes[pos + k] = static_cast<std::uint8_t>(v >> (8 * (3 - k)));
  return S_OK;
}

HRESULT KuvBioBufferOut::Set(std::uint32_t i, std::uint8_t b) {
  if (i >= m_size) return E_FAIL;
  m_bytes[i] = b;
  return S_OK;
}

void KuvBioBufferOut::Clear() {
  std::free(m_bytes);
  m_bytes = nullptr;
  m_size = 0;
  m_capacity = 0;
}

HRESULT KuvBioBufferOut::KeepByteAndDeleteObject(KuvBioBufferOut*& buffer, const std::uint8_t*& bytes,
                                                 std::uint32_t& size, std::uint32_t& capacity) {
  if (buffer == nullptr) return E_FAIL;
  bytes = std::exchange(buffer->m_bytes, nullptr);
  size = buffer->m_size;
  capacity = buffer->m_capacity;
  delete buffer;
  buffer = nullptr;
  return S_OK;
}

void KuvBioBufferOut::FreeBytes(const std::uint8_t* bytes) { std::free(const_cast<std::uint8_t*>(bytes)); }

KuvInString KuvBioBufferOut::toString() const { return KuvBioBasic::toHexText(m_bytes, m_size); }
