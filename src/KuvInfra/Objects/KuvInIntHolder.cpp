#include "KuvInIntHolder.h"

KUV_DEFINE_TYPE(KuvInIntHolder, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvInSignedIntHolder, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvInDoubleHolder, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvInPtrHolder, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvInObjectPtr, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvEeInObjectPtrHolder, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvInObjectTypeVal, KuvInObjectVal)

namespace {

template <class Holder, class Value>
bool sameValue(const KuvInObjectVal& other, const Value& value, Value (Holder::*get)() const) {
  const Holder* o = Holder::cast(other);
  return o != nullptr && (o->*get)() == value;
}

KuvInString formatInt(KuvInTraceClass& channel, int value) {
  KuvInString text;
  if (text.BuildFromNum(value, "%d") < 0) KUV_TRACE_ERROR_ON(channel, "ERROR while converting num into string");
  return text;
}

}  // namespace

KuvInIntHolder::~KuvInIntHolder() = default;
KuvInString KuvInIntHolder::toString() const { return formatInt(traceChannel(), static_cast<int>(m_value)); }
std::uint32_t KuvInIntHolder::hash() const { return BinHashFunc(&m_value, sizeof m_value); }
bool KuvInIntHolder::equals(const KuvInObjectVal& o) const { return sameValue(o, m_value, &KuvInIntHolder::getValue); }
KuvInObjectVal& KuvInIntHolder::clone(void* where) const { return cloneOf(*this, where); }

KuvInSignedIntHolder::~KuvInSignedIntHolder() = default;
KuvInString KuvInSignedIntHolder::toString() const { return formatInt(traceChannel(), m_value); }
std::uint32_t KuvInSignedIntHolder::hash() const { return BinHashFunc(&m_value, sizeof m_value); }
bool KuvInSignedIntHolder::equals(const KuvInObjectVal& o) const {
  return sameValue(o, m_value, &KuvInSignedIntHolder::getValue);
}
KuvInObjectVal& KuvInSignedIntHolder::clone(void* where) const { return cloneOf(*this, where); }

KuvInDoubleHolder::~KuvInDoubleHolder() = default;
KuvInString KuvInDoubleHolder::toString() const {
  KuvInString text;
  if (text.BuildFromDouble(m_value, "%.2f") < 0) KUV_TRACE_ERROR("ERROR while converting num into string");
  return text;
}
std::uint32_t KuvInDoubleHolder::hash() const { return BinHashFunc(&m_value, sizeof m_value); }
bool KuvInDoubleHolder::equals(const KuvInObjectVal& o) const { return sameValue(o, m_value, &KuvInDoubleHolder::getValue); }
KuvInObjectVal& KuvInDoubleHolder::clone(void* where) const { return cloneOf(*this, where); }

KuvInPtrHolder::~KuvInPtrHolder() = default;
std::uint32_t KuvInPtrHolder::hash() const { return BinHashFunc(&m_pointer, sizeof m_pointer); }
bool KuvInPtrHolder::equals(const KuvInObjectVal& o) const { return sameValue(o, m_pointer, &KuvInPtrHolder::getPointer); }
KuvInObjectVal& KuvInPtrHolder::clone(void* where) const { return cloneOf(*this, where); }

KuvInObjectPtr::~KuvInObjectPtr() = default;
std::uint32_t KuvInObjectPtr::hash() const { return BinHashFunc(&m_object, sizeof m_object); }
bool KuvInObjectPtr::equals(const KuvInObjectVal& o) const { return sameValue(o, m_object, &KuvInObjectPtr::getObject); }
KuvInObjectVal& KuvInObjectPtr::clone(void* where) const { return cloneOf(*this, where); }

KuvEeInObjectPtrHolder::~KuvEeInObjectPtrHolder() = default;
std::uint32_t KuvEeInObjectPtrHolder::hash() const { return BinHashFunc(&m_object, sizeof m_object); }
bool KuvEeInObjectPtrHolder::equals(const KuvInObjectVal& o) const {
  return sameValue(o, m_object, &KuvEeInObjectPtrHolder::getObject);
}
KuvInObjectVal& KuvEeInObjectPtrHolder::clone(void* where) const { return cloneOf(*this, where); }

KuvInObjectTypeVal::~KuvInObjectTypeVal() = default;
std::uint32_t KuvInObjectTypeVal::hash() const { return BinHashFunc(&m_type, sizeof m_type); }
bool KuvInObjectTypeVal::equals(const KuvInObjectVal& o) const {
  return sameValue(o, m_type, &KuvInObjectTypeVal::getTypeRef);
}
KuvInObjectVal& KuvInObjectTypeVal::clone(void* where) const { return cloneOf(*this, where); }
