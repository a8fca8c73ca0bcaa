// The process-wide decoupling switch. 1 when the environment defines
// "CGE_DecoupleVariantEvolution" (whatever its value) as the library
// loads, 0 otherwise: an effectivity that splits its Config Change part
// into an evolution (domain 4) and a variant (domain 5) part is then tested
// against a filter's Config Change part through those two. Not locked:
// change it only while no other thread filters.
#pragma once

#include "KuvInTypes.h"

extern "C" KUV_API unsigned char CGE_DECOUPLE_VARIANT_EVOLUTION;

// Sets the switch for one scope and restores it on every way out.
class KUV_API KuvFltDecouplingGuard {
public:
  explicit KuvFltDecouplingGuard(unsigned char decouple) : m_saved(CGE_DECOUPLE_VARIANT_EVOLUTION) {
    CGE_DECOUPLE_VARIANT_EVOLUTION = decouple;
  }
  ~KuvFltDecouplingGuard() { CGE_DECOUPLE_VARIANT_EVOLUTION = m_saved; }
  KuvFltDecouplingGuard(const KuvFltDecouplingGuard&) = delete;
  KuvFltDecouplingGuard& operator=(const KuvFltDecouplingGuard&) = delete;

private:
  unsigned char m_saved;
};
