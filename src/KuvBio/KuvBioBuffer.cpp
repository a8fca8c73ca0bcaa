#include "KuvBioBuffer.h"

#include <algorithm>

#include "KuvBioBasic.h"
#include "KuvBioBufferOut.h"

KUV_DEFINE_TYPE(KuvBioBuffer, KuvInObject)

KuvBioBuffer::KuvBioBuffer(const std::uint8_t* bytes, std::uint32_t size, std::uint8_t copy) {
  if (copy != 0) {
    adoptCopy(bytes, size);
  } else {
    m_bytes = bytes;
    m_size = size;
    m_current = bytes;
  }
}

KuvBioBuffer::KuvBioBuffer(const KuvBioBuffer& other) : KuvInObject(other) { *this = other; }

KuvBioBuffer::KuvBioBuffer(const KuvBioBufferOut& out) { *this = out; }

KuvBioBuffer::~KuvBioBuffer() { release(); }

KuvBioBuffer& KuvBioBuffer::operator=(const KuvBioBuffer& other) {
  if (&other == this) return *this;
  release();
  if (other.m_owning != 0) {
    adoptCopy(other.m_bytes, other.m_size);
  } else {
    m_bytes = other.m_bytes;
    m_size = other.m_size;
  }
  m_position = other.m_position;
  m_current = m_bytes + m_position;
  return *this;
}

KuvBioBuffer& KuvBioBuffer::operator=(const KuvBioBufferOut& out) {
  release();
  adoptCopy(out.GetAsPtr(0), out.GetLength());
  return *this;
}

void KuvBioBuffer::release() {
  if (m_owning != 0) delete[] m_bytes;
  m_bytes = nullptr;
  m_current = nullptr;
  m_size = 0;
  m_position = 0;
  m_owning = 0;
}

void KuvBioBuffer::adoptCopy(const std::uint8_t* bytes, std::uint32_t size) {
  std::uint8_t* copy = nullptr;
  if (size > 0) {
    copy = new std::uint8_t[size];
    std::copy(bytes, bytes + size, copy);
  }
  m_bytes = copy;
  m_size = copy != nullptr ? size : 0;
  m_current = copy;
  m_position = 0;
  m_owning = copy != nullptr ? 1 : 0;
}

HRESULT KuvBioBuffer::getUINT8(std::uint8_t& v) const {
  if (!isReadValid(1)) return E_FAIL;
  v = m_current[0];
  return S_OK;
}

HRESULT KuvBioBuffer::getUINT16(std::uint16_t& v) const {
  if (!isReadValid(2)) return E_FAIL;
  v = KuvBioBasic::getUINT16(m_current);
  return S_OK;
}

HRESULT KuvBioBuffer::getUINT32(std::uint32_t& v) const {
  if (!isReadValid(4)) return E_FAIL;
  v = KuvBioBasic::getUINT32(m_current);
  return S_OK;
}

HRESULT KuvBioBuffer::readUINT8(std::uint8_t& v) {
  if (FAILED(getUINT8(v))) KUV_RETURN_ERROR(E_FAIL, "ERROR: getUINT8 failed");
  increment(1);
  return S_OK;
}

HRESULT KuvBioBuffer::readUINT16(std::uint16_t& v) {
  if (FAILED(getUINT16(v))) KUV_RETURN_ERROR(E_FAIL, "ERROR: getUINT16 failed");
  increment(2);
  return S_OK;
}

HRESULT KuvBioBuffer::readUINT32(std::uint32_t& v) {
  if (FAILED(getUINT32(v))) KUV_RETURN_ERROR(E_FAIL, "ERROR: getUINT32 failed");
  increment(4);
  return S_OK;
}

HRESULT KuvBioBuffer::getIndex(KuvBioConstants::E_IndexSize size, std::uint32_t& v) const {
  switch (size) {
    case KuvBioConstants::E_IndexSize1:
    case KuvBioConstants::E_IndexSize2:
    case KuvBioConstants::E_IndexSize4:
      if (!isReadValid(static_cast<std::uint32_t>(size))) return E_FAIL;
      v = KuvBioBasic::getIndex(m_current, size);
      return S_OK;
  }
  return E_FAIL;
}

HRESULT KuvBioBuffer::readIndex(KuvBioConstants::E_IndexSize size, std::uint32_t& v) {
  switch (size) {
    case KuvBioConstants::E_IndexSize1: {
      std::uint8_t b = 0;
      if (FAILED(readUINT8(b))) return E_FAIL;
      v = b;
      return S_OK;
    }
    case KuvBioConstants::E_IndexSize2: {
      std::uint16_t w = 0;
      if (FAILED(readUINT16(w))) return E_FAIL;
      v = w;
      return S_OK;
    }
    case KuvBioConstants::E_IndexSize4:
      return readUINT32(v);
  }
  return E_FAIL;
}

KuvInString KuvBioBuffer::toString() const { return KuvBioBasic::toHexText(m_bytes, m_size); }
