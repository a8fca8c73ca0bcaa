// Value holders: a plain number or pointer wrapped as a KuvInObjectVal so
// that it can live in the value containers (indices and identifiers travel
// as KuvInIntHolder throughout kuv). A holder never owns what it points to.
//
// Two holders are equal only when they are of the same class and hold the
// same value: an unsigned holder of 5 is not equal to a signed holder of 5.
#pragma once

#include <cstdint>

#include "KuvInObjectVal.h"

class KUV_API KuvInIntHolder : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInIntHolder)

public:
  KuvInIntHolder(std::uint32_t value = 0) : m_value(value) {}  // NOLINT: implicit by design
  KuvInIntHolder(const KuvInIntHolder& other) = default;
  KuvInIntHolder& operator=(const KuvInIntHolder& other) = default;
  ~KuvInIntHolder() override;

  std::uint32_t getValue() const { return m_value; }
  void setValue(std::uint32_t value) { m_value = value; }

  // "%d": values of 2^31 and above print negative.
  KuvInString toString() const override;
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

  bool operator==(const KuvInIntHolder& o) const { return m_value == o.m_value; }
  bool operator!=(const KuvInIntHolder& o) const { return m_value != o.m_value; }
  bool operator<(const KuvInIntHolder& o) const { return m_value < o.m_value; }
  bool operator<=(const KuvInIntHolder& o) const { return m_value <= o.m_value; }
  bool operator>(const KuvInIntHolder& o) const { return m_value > o.m_value; }
  bool operator>=(const KuvInIntHolder& o) const { return m_value >= o.m_value; }

private:
  std::uint32_t m_value;
};

class KUV_API KuvInSignedIntHolder : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInSignedIntHolder)

public:
  KuvInSignedIntHolder(std::int32_t value = 0) : m_value(value) {}  // NOLINT: implicit by design
  KuvInSignedIntHolder(const KuvInSignedIntHolder& other) = default;
  KuvInSignedIntHolder& operator=(const KuvInSignedIntHolder& other) = default;
  ~KuvInSignedIntHolder() override;

  std::int32_t getValue() const { return m_value; }
  void setValue(std::int32_t value) { m_value = value; }

  KuvInString toString() const override;
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

  bool operator==(const KuvInSignedIntHolder& o) const { return m_value == o.m_value; }
  bool operator!=(const KuvInSignedIntHolder& o) const { return m_value != o.m_value; }
  bool operator<(const KuvInSignedIntHolder& o) const { return m_value < o.m_value; }
  bool operator<=(const KuvInSignedIntHolder& o) const { return m_value <= o.m_value; }
  bool operator>(const KuvInSignedIntHolder& o) const { return m_value > o.m_value; }
  bool operator>=(const KuvInSignedIntHolder& o) const { return m_value >= o.m_value; }

private:
  std::int32_t m_value;
};

class KUV_API KuvInDoubleHolder : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInDoubleHolder)

public:
  KuvInDoubleHolder(double value = 0.0) : m_value(value) {}  // NOLINT: implicit by design
  KuvInDoubleHolder(const KuvInDoubleHolder& other) = default;
  KuvInDoubleHolder& operator=(const KuvInDoubleHolder& other) = default;
  ~KuvInDoubleHolder() override;

  double getValue() const { return m_value; }
  void setValue(double value) { m_value = value; }

  // "%.2f".
  KuvInString toString() const override;
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

  bool operator==(const KuvInDoubleHolder& o) const { return m_value == o.m_value; }
  bool operator!=(const KuvInDoubleHolder& o) const { return m_value != o.m_value; }
  bool operator<(const KuvInDoubleHolder& o) const { return m_value < o.m_value; }
  bool operator<=(const KuvInDoubleHolder& o) const { return m_value <= o.m_value; }
  bool operator>(const KuvInDoubleHolder& o) const { return m_value > o.m_value; }
  bool operator>=(const KuvInDoubleHolder& o) const { return m_value >= o.m_value; }

private:
  double m_value;
};

class KUV_API KuvInPtrHolder : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInPtrHolder)

public:
  explicit KuvInPtrHolder(void* pointer = nullptr) : m_pointer(pointer) {}
  KuvInPtrHolder(const KuvInPtrHolder& other) = default;
  KuvInPtrHolder& operator=(const KuvInPtrHolder& other) = default;
  ~KuvInPtrHolder() override;

  void* getPointer() const { return m_pointer; }

  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  void* m_pointer;
};

// Identity of an object as a value: equal only to a holder of the very same
// pointer, never by the objects' contents.
class KUV_API KuvInObjectPtr : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInObjectPtr)

public:
  explicit KuvInObjectPtr(KuvInObject* object = nullptr) : m_object(object) {}
  KuvInObjectPtr(const KuvInObjectPtr& other) = default;
  KuvInObjectPtr& operator=(const KuvInObjectPtr& other) = default;
  ~KuvInObjectPtr() override;

  KuvInObject* getObject() const { return m_object; }

  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  KuvInObject* m_object;
};

class KUV_API KuvEeInObjectPtrHolder : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvEeInObjectPtrHolder)

public:
  explicit KuvEeInObjectPtrHolder(KuvInObject* object = nullptr) : m_object(object) {}
  KuvEeInObjectPtrHolder(const KuvEeInObjectPtrHolder& other) = default;
  KuvEeInObjectPtrHolder& operator=(const KuvEeInObjectPtrHolder& other) = default;
  ~KuvEeInObjectPtrHolder() override;

  KuvInObject* getObject() const { return m_object; }

  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  KuvInObject* m_object;
};

// A type class as a value, held by the address of a type-class pointer.
class KUV_API KuvInObjectTypeVal : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInObjectTypeVal)

public:
  explicit KuvInObjectTypeVal(KuvInObjectTypeClass* const* type = nullptr) : m_type(type) {}
  KuvInObjectTypeVal(const KuvInObjectTypeVal& other) = default;
  KuvInObjectTypeVal& operator=(const KuvInObjectTypeVal& other) = default;
  ~KuvInObjectTypeVal() override;

  KuvInObjectTypeClass* const* getTypeRef() const { return m_type; }

  std::uint32_t hash() const override;
  // Compares the held references; false for a value of another class.
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  KuvInObjectTypeClass* const* m_type;
};
