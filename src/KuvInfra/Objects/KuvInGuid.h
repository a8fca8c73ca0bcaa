// The 16-byte identifier of every dictionary object, as a value that can be
// hashed, ordered and stored in the value containers.
//
// A default GUID is all zeros and counts as not valuated. Its text form is
// the 32 upper-case hexadecimal digits of the bytes in memory order, without
// braces or dashes; the order (<, <=) compares the bytes as unsigned numbers
// in the same order, so sorting GUIDs sorts their texts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KuvInObjectVal.h"

class KUV_API KuvInGuid : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInGuid)

public:
  static constexpr int sc_size = 16;

  KuvInGuid() = default;
  // A null bytes pointer gives the zero GUID.
  explicit KuvInGuid(const unsigned char* bytes);
  KuvInGuid(const KuvInGuid& other) = default;
  KuvInGuid& operator=(const KuvInGuid& other) = default;
  ~KuvInGuid() override;

  // Copies 16 bytes; a null pointer changes nothing.
  void setArray(const unsigned char* bytes);
  const unsigned char* getArray() const { return m_bytes; }
  // True when any byte is non-zero.
  bool IsValuated() const;

  bool operator==(const KuvInGuid& o) const;
  bool operator!=(const KuvInGuid& o) const { return !(*this == o); }
  bool operator<(const KuvInGuid& o) const;
  bool operator<=(const KuvInGuid& o) const { return !(o < *this); }

  // XOR of the four 32-bit little-endian words of the bytes.
  std::uint32_t hash() const override { return HashFunc(); }
  // A hash of every byte, for hash tables where no order depends on it:
  // hash() gives GUIDs that differ only in their last bytes the same low
  // bits, which a table indexes by.
  struct KUV_API MixedHash {
    std::size_t operator()(const KuvInGuid& guid) const noexcept;
  };
  std::uint32_t HashFunc() const;
  // False when other is not a KuvInGuid.
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;
  KuvInString toString() const override;

private:
  unsigned char m_bytes[sc_size] = {};
};
