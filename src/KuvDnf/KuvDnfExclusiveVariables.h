// The process-wide exclusive-variables switch. 1 (the default, unless the
// environment defines "CFG_ENABLE_EXCLUSIVES_VARIABLES" when the library
// loads): serial variables are independent. 0: a configuration is on one
// serial variable at a time, which the serial leaves and the map terms of
// the normal forms take into account. Not locked: a host sets it only while
// no other thread tests normal forms. A guard, such as the filtering
// comparison's, overrides it for its own thread alone.
#pragma once

#include "KuvInTypes.h"

extern "C" KUV_API unsigned char CFG_DISABLE_EXCLUSIVES_VARIABLES;

// Sets the switch for the calling thread for one scope and restores it on
// every way out; other threads keep seeing the process-wide value.
class KUV_API KuvDnfExclusiveVariablesGuard {
public:
  explicit KuvDnfExclusiveVariablesGuard(unsigned char disable);
  ~KuvDnfExclusiveVariablesGuard();
  KuvDnfExclusiveVariablesGuard(const KuvDnfExclusiveVariablesGuard&) = delete;
  KuvDnfExclusiveVariablesGuard& operator=(const KuvDnfExclusiveVariablesGuard&) = delete;

  // The switch as the calling thread sees it: the innermost guard's value
  // on this thread, else the process-wide one.
  static unsigned char current();

private:
  int m_saved;  // the thread's previous override; -1 for none
};
