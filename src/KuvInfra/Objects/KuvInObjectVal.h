// The base of every value that can be hashed, compared and copied into the
// value containers (KuvInListVal, KuvInSetVal, KuvInMapVal...).
//
// clone(where) copies the value: into the memory at where when it is not
// null (value containers keep some copies inline; destroy such a copy with
// an explicit destructor call), otherwise onto the heap, owned by the caller.
#pragma once

#include <cstdint>
#include <new>

#include "KuvInObject.h"

class KUV_API KuvInObjectVal : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInObjectVal)

public:
  ~KuvInObjectVal() override = 0;

  // h = h * 131 + byte, bytes taken as signed, in unsigned 32-bit
  // arithmetic; bit 31 of the result cleared.
  virtual std::uint32_t BinHashFunc(const void* bytes, std::uint32_t length) const;
  virtual std::uint32_t hash() const { return 0; }
  virtual bool equals(const KuvInObjectVal& other) const = 0;
  virtual KuvInObjectVal& clone(void* where = nullptr) const = 0;

  // The byte hash without an object, for code that hashes raw bytes.
  static std::uint32_t ComputeBinHash(const void* bytes, std::uint32_t length);

protected:
  KuvInObjectVal() = default;
  KuvInObjectVal(const KuvInObjectVal&) = default;
  KuvInObjectVal& operator=(const KuvInObjectVal&) = default;

  // The usual body of clone: copy-construct in place or on the heap.
  template <class T>
  static T& cloneOf(const T& value, void* where) {
    return where != nullptr ? *new (where) T(value) : *new T(value);
  }
};

// Every value has a text form; make KuvInString complete for callers.
#include "KuvInString.h"
