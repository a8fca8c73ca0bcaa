// The element type every container is bound to, and the bad-cast flag of
// its last type check (1 failed, 0 passed). Const operations (Find, ==)
// check types too, so the flag is mutable. Also the two ways a hash
// container holds what it is given.
#pragma once

#include "KuvInObject.h"

class KuvInObjectVal;

namespace kuv::detail {

// Pointers it does not own, the same when they are the same pointer.
struct KUV_API HoldsPointers {
  using Element = KuvInObject;
  using Arg = KuvInObject*;
  static constexpr bool kOwns = false;
};

// Copies it makes with clone() and owns, the same when they are equal.
struct KUV_API HoldsCopies {
  using Element = KuvInObjectVal;
  using Arg = const KuvInObjectVal*;
  static constexpr bool kOwns = true;
};

class ElementTypeCheck {
public:
  // Null accepts every object.
  KuvInObjectTypeClass* GetElementType() const { return m_type; }
  bool IsTypeAccepted(const KuvInObjectTypeClass* type) const {
    return KuvInObjectTypeClass::isa(type, m_type) != 0;
  }
  unsigned char badCastErr() const { return m_badCast; }

protected:
  explicit ElementTypeCheck(KuvInObjectTypeClass* type) : m_type(type) {}
  ElementTypeCheck(const ElementTypeCheck&) = default;
  // The element type is fixed at construction; assignment never changes it.
  ElementTypeCheck& operator=(const ElementTypeCheck&) = delete;
  ~ElementTypeCheck() = default;

  bool typeIsBad(const KuvInObjectTypeClass* type) const { return markBadCast(!IsTypeAccepted(type)); }
  // Two containers combine when either element type is a kind of the other.
  bool typeIsNotCompatible(const KuvInObjectTypeClass* type) const {
    return markBadCast(!KuvInObjectTypeClass::isa(type, m_type) && !KuvInObjectTypeClass::isa(m_type, type));
  }
  bool markBadCast(bool bad) const {
    m_badCast = bad ? 1 : 0;
    return bad;
  }

private:
  KuvInObjectTypeClass* m_type;
  mutable unsigned char m_badCast = 0;
};

}  // namespace kuv::detail
