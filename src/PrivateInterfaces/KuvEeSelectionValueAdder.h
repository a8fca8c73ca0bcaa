// For readers that unwind when memory runs out: a selection value created
// and added, the public call's null answer split into refusal and lack of
// memory.
#pragma once

#include <memory>

#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvOutOfMemory.h"

namespace kuv::detail {

// The new value, owned by variable, or null when variable refuses it;
// std::bad_alloc, nothing changed, when memory runs out.
inline KuvEeSelectionValue* addSelectionValue(KuvEeSelectionVar& variable, const KuvInString& name,
                                              const unsigned char* guid) {
  auto value = std::make_unique<KuvEeSelectionValue>(name, guid, &variable);
  if (throwIfOutOfMemory(variable.addValue(value.get())) != S_OK) return nullptr;
  return value.release();
}

}  // namespace kuv::detail
