#include "KuvDnfExclusiveVariables.h"

#include <cstdlib>

// Read once at load; only whether the variable is defined counts.
unsigned char CFG_DISABLE_EXCLUSIVES_VARIABLES = std::getenv("CFG_ENABLE_EXCLUSIVES_VARIABLES") != nullptr ? 0 : 1;
