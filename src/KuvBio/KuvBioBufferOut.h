// The growable byte array every binary of kuv is written into. Integers are
// written big-endian.
//
// Growth is part of the contract (a host that takes the array with
// KeepByteAndDeleteObject sees the capacity): one byte appended to a full
// array doubles it, from 4; appending a block or inserting grows to the
// larger of the needed size and twice the capacity, at least 4. The write*
// helpers append byte by byte, so they grow by the one-byte rule.
//
// Ownership: the buffer owns its array exclusively; it is never copied
// (two buffers must never free the same array). KeepByteAndDeleteObject
// hands the array to the caller, who frees it with free() (or FreeBytes).
#pragma once

#include <cstdint>

#include "KuvBioConstants.h"
#include "KuvInObject.h"

class KuvInGuid;

class KUV_API KuvBioBufferOut : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBioBufferOut)

public:
  KuvBioBufferOut() = default;
  KuvBioBufferOut(const KuvBioBufferOut&) = delete;
  KuvBioBufferOut& operator=(const KuvBioBufferOut&) = delete;
  ~KuvBioBufferOut() override;

  void PutBack(const std::uint8_t& b);
  void PutBack(const KuvBioBufferOut& other);
  // Inserts len bytes from first before offset pos; E_FAIL past the end.
  HRESULT Insert(std::uint32_t pos, const std::uint8_t& first, std::uint32_t len);

  // The value cut to 16 bits.
  void writeUINT16(std::uint32_t v);
  // sc_valueTooLarge, nothing written, above 65535.
  HRESULT writeUINT16WithCheck(std::uint32_t v);
  void writeINT32(std::int32_t v);
  void writeUINT32(std::uint32_t v) { writeINT32(static_cast<std::int32_t>(v)); }
  // Nothing written for a size other than 1, 2 or 4.
  void writeIndex(std::uint32_t v, KuvBioConstants::E_IndexSize size);
  void writeGuid(const KuvInGuid& guid);
  // Patches a field written earlier; only the bytes that fall inside the
  // written size are changed. The 16-bit form refuses values above 65535.
  HRESULT overwriteUINT16(std::uint32_t pos, std::uint32_t v);
  HRESULT overwriteUINT32(std::uint32_t pos, std::uint32_t v);

  // 0 out of range.
  std::uint8_t Get(std::uint32_t i) const { return i < m_size ? m_bytes[i] : 0; }
  // Null out of range.
  const std::uint8_t* GetAsPtr(std::uint32_t i) const { return i < m_size ? m_bytes + i : nullptr; }
  HRESULT Set(std::uint32_t i, std::uint8_t b);
  std::uint32_t GetLength() const { return m_size; }
  std::uint32_t GetCapacity() const { return m_capacity; }
  void Clear();

  // Hands buffer's array to the caller and deletes buffer (set to null);
  // E_FAIL for a null buffer. bytes is null when nothing was written.
  static HRESULT KeepByteAndDeleteObject(KuvBioBufferOut*& buffer, const std::uint8_t*& bytes, std::uint32_t& size,
                                         std::uint32_t& capacity);
  // Frees an array handed over by KeepByteAndDeleteObject: free().
  static void FreeBytes(const std::uint8_t* bytes);

  // The written bytes as upper-case hexadecimal.
  KuvInString toString() const override;

private:
  static std::uint8_t* allocate(std::uint32_t capacity);
  // Moves the bytes to a new array of the given capacity.
  void reallocate(std::uint32_t capacity);
  // The capacity for a block of needed bytes: the larger of needed and
  // twice the capacity, at least 4.
  std::uint32_t grownFor(std::uint32_t needed) const;

  std::uint8_t* m_bytes = nullptr;
  std::uint32_t m_size = 0;
  std::uint32_t m_capacity = 0;
};
