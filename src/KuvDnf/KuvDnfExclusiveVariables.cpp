#include "KuvDnfExclusiveVariables.h"

#include <cstdlib>

// Read once at load; only whether the variable is defined counts.
unsigned char CFG_DISABLE_EXCLUSIVES_VARIABLES = std::getenv("CFG_ENABLE_EXCLUSIVES_VARIABLES") != nullptr ? 0 : 1;

namespace {
thread_local int t_override = -1;
}

KuvDnfExclusiveVariablesGuard::KuvDnfExclusiveVariablesGuard(unsigned char disable) : m_saved(t_override) {
  t_override = disable;
}

KuvDnfExclusiveVariablesGuard::~KuvDnfExclusiveVariablesGuard() { t_override = m_saved; }

unsigned char KuvDnfExclusiveVariablesGuard::current() {
  return t_override >= 0 ? static_cast<unsigned char>(t_override) : CFG_DISABLE_EXCLUSIVES_VARIABLES;
}
