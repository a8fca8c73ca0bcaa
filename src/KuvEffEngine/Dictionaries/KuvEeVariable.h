// KuvEeVariable: a criterion of a configuration model (an option, a
// selection, a date, a series, a milestone track or a tree series) that
// effectivities constrain. Abstract; see the derived classes.
//
// KuvEeVariablePtr holds a variable pointer (not owned) as a value, so that
// variables can key the value containers.
#pragma once

#include "KuvEeDicoObject.h"

class KUV_API KuvEeVariable : public KuvEeDicoObject {
  KUV_DECLARE_TYPE(KuvEeVariable)

public:
  ~KuvEeVariable() override = 0;

protected:
  KuvEeVariable(const KuvInString& name, const unsigned char* guid) : KuvEeDicoObject(name, guid) {}
};

class KUV_API KuvEeVariablePtr : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvEeVariablePtr)

public:
  explicit KuvEeVariablePtr(KuvEeVariable* variable = nullptr) : m_variable(variable) {}
  KuvEeVariablePtr(const KuvEeVariablePtr& other) = default;
  KuvEeVariablePtr& operator=(const KuvEeVariablePtr& other) = default;
  ~KuvEeVariablePtr() override;

  KuvEeVariable* getVariable() const { return m_variable; }

  // Byte hash of the pointer; equal when the other is a KuvEeVariablePtr
  // holding the same pointer.
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  KuvEeVariable* m_variable;
};
