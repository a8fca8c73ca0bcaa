#include "KuvFltDecoupling.h"

#include <cstdlib>

// Read once at load; only whether the variable is defined counts.
unsigned char CGE_DECOUPLE_VARIANT_EVOLUTION = std::getenv("CGE_DecoupleVariantEvolution") != nullptr ? 1 : 0;
