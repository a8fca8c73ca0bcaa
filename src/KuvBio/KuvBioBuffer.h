// A read cursor over the bytes of a binary. Integers are big-endian.
//
// Every read checks the remaining length first; a read that fails returns
// E_FAIL and leaves the cursor where it was, so a reader can report and stop
// without undoing anything. get* peeks, read* peeks and advances.
//
// Ownership: a buffer built with copy set (or from a KuvBioBufferOut) owns a
// copy of the bytes and frees it; otherwise the bytes stay the caller's and
// must outlive the buffer. A copy of an owning buffer copies the bytes; a
// copy of a non-owning one shares the caller's bytes.
//
//     KuvBioBuffer in(bytes, size, 0);
//     std::uint32_t count = 0;
//     if (FAILED(in.readUINT32(count))) return E_FAIL;
#pragma once

#include <cstdint>

#include "KuvBioConstants.h"
#include "KuvInObject.h"

class KuvBioBufferOut;

class KUV_API KuvBioBuffer : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBioBuffer)

public:
  KuvBioBuffer() = default;
  KuvBioBuffer(const std::uint8_t* bytes, std::uint32_t size, std::uint8_t copy);
  KuvBioBuffer(const KuvBioBuffer& other);
  explicit KuvBioBuffer(const KuvBioBufferOut& out);
  KuvBioBuffer& operator=(const KuvBioBuffer& other);
  KuvBioBuffer& operator=(const KuvBioBufferOut& out);
  ~KuvBioBuffer() override;

  HRESULT getUINT8(std::uint8_t& v) const;
  HRESULT getUINT16(std::uint16_t& v) const;
  HRESULT getUINT32(std::uint32_t& v) const;
  HRESULT readUINT8(std::uint8_t& v);
  HRESULT readUINT16(std::uint16_t& v);
  HRESULT readUINT32(std::uint32_t& v);
  // size 1, 2 or 4; E_FAIL for another size.
  HRESULT getIndex(KuvBioConstants::E_IndexSize size, std::uint32_t& v) const;
  HRESULT readIndex(KuvBioConstants::E_IndexSize size, std::uint32_t& v);

  // True when n more bytes can be read; counted in 64 bits, so a size
  // computed from a count read off the wire cannot wrap.
  bool isReadValid(std::uint64_t n) const { return std::uint64_t{m_position} + n <= m_size; }
  // Unchecked: callers test isReadValid first.
  void increment(std::uint32_t n) {
    m_position += n;
    m_current += n;
  }
  void reset() {
    m_position = 0;
    m_current = m_bytes;
  }

  std::uint32_t getPosition() const { return m_position; }
  std::uint32_t getSize() const { return m_size; }
  std::uint32_t getRemaining() const { return m_size - m_position; }
  // The bytes at the cursor, read in place (valid while the buffer is).
  const std::uint8_t* getCurrent() const { return m_current; }
  const std::uint8_t* getBytes() const { return m_bytes; }
  bool isOwning() const { return m_owning != 0; }

  // Every byte (not only what remains) as upper-case hexadecimal.
  KuvInString toString() const override;

private:
  void release();
  void adoptCopy(const std::uint8_t* bytes, std::uint32_t size);

  const std::uint8_t* m_bytes = nullptr;
  std::uint32_t m_size = 0;
  const std::uint8_t* m_current = nullptr;
  std::uint32_t m_position = 0;
  std::uint8_t m_owning = 0;
};
