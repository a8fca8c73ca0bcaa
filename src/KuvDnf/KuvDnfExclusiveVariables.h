// The process-wide exclusive-variables switch. 1 (the default, unless the
// environment defines "CFG_ENABLE_EXCLUSIVES_VARIABLES" when the library
// loads): serial variables are independent. 0: a configuration is on one
// serial variable at a time, which the serial leaves and the map terms of
// the normal forms take into account. Not locked: set it only while no
// other thread tests normal forms.
#pragma once

#include "KuvInTypes.h"

extern "C" KUV_API unsigned char CFG_DISABLE_EXCLUSIVES_VARIABLES;

// Sets the switch for one scope and restores it on every way out.
class KUV_API KuvDnfExclusiveVariablesGuard {
public:
  explicit KuvDnfExclusiveVariablesGuard(unsigned char disable)
      : m_saved(CFG_DISABLE_EXCLUSIVES_VARIABLES) {
    CFG_DISABLE_EXCLUSIVES_VARIABLES = disable;
  }
  ~KuvDnfExclusiveVariablesGuard() { CFG_DISABLE_EXCLUSIVES_VARIABLES = m_saved; }
  KuvDnfExclusiveVariablesGuard(const KuvDnfExclusiveVariablesGuard&) = delete;
  KuvDnfExclusiveVariablesGuard& operator=(const KuvDnfExclusiveVariablesGuard&) = delete;

private:
  unsigned char m_saved;
};
