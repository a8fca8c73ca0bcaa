// What the four list classes (KuvInList, KuvInListVal, KuvInLinkList,
// KuvInLinkListVal) share: the element type they are bound to and the
// bad-cast flag that records the last type check.
//
// Every operation that checks a type sets the flag to 1 when the check fails
// and to 0 when it passes; badCastErr() reads it. Const operations (Find,
// operator==) check types too, so the flag is mutable.
#pragma once

#include <cstdint>

#include "KuvInObject.h"

namespace kuv::detail {

class ListTypeCheck {
public:
  // Null accepts every object.
  KuvInObjectTypeClass* GetElementType() const { return m_type; }
  bool IsTypeAccepted(const KuvInObjectTypeClass* type) const {
    return KuvInObjectTypeClass::isa(type, m_type) != 0;
  }
  unsigned char badCastErr() const { return m_badCast; }

protected:
  explicit ListTypeCheck(KuvInObjectTypeClass* type) : m_type(type) {}
  ListTypeCheck(const ListTypeCheck&) = default;
  // The element type is fixed at construction; assignment of a list never
  // changes it.
  ListTypeCheck& operator=(const ListTypeCheck&) = delete;
  ~ListTypeCheck() = default;

  bool typeIsBad(const KuvInObjectTypeClass* type) const {
    m_badCast = IsTypeAccepted(type) ? 0 : 1;
    return m_badCast != 0;
  }
  // Two containers combine when either element type is a kind of the other.
  bool typeIsNotCompatible(const KuvInObjectTypeClass* type) const {
    bool compatible = KuvInObjectTypeClass::isa(type, m_type) || KuvInObjectTypeClass::isa(m_type, type);
    m_badCast = compatible ? 0 : 1;
    return m_badCast != 0;
  }
  // A pointer list may hold null, which has no type to check.
  bool refuses(const KuvInObject* obj) const { return obj != nullptr && typeIsBad(obj->dType()); }

private:
  KuvInObjectTypeClass* m_type;
  mutable unsigned char m_badCast = 0;
};

// The index of a list iterator that has no position (the iterator of an
// empty list).
inline constexpr std::int32_t kNoPosition = -2;

// A half-open range (from, to) of a sequence of length elements is valid when
// 0 <= from < to <= length.
constexpr bool isValidRange(std::int32_t from, std::int32_t to, std::int32_t length) {
  return 0 <= from && from < to && to <= length;
}

}  // namespace kuv::detail
