#include "KuvEeVariable.h"

KUV_DEFINE_TYPE(KuvEeVariable, KuvEeDicoObject)
KUV_DEFINE_TYPE(KuvEeVariablePtr, KuvInObjectVal)

KuvEeVariable::~KuvEeVariable() = default;

KuvEeVariablePtr::~KuvEeVariablePtr() = default;

std::uint32_t KuvEeVariablePtr::hash() const { return BinHashFunc(&m_variable, sizeof m_variable); }

bool KuvEeVariablePtr::equals(const KuvInObjectVal& other) const {
  const KuvEeVariablePtr* holder = cast(other);
  return holder != nullptr && holder->m_variable == m_variable;
}

KuvInObjectVal& KuvEeVariablePtr::clone(void* where) const { return cloneOf(*this, where); }
