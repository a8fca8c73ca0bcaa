// The domain of each expression of a binary: an object stores one
// expression per domain. 0 is never a valid domain.
#pragma once

#include <cstdint>

enum KuvDiversityDomain : std::int32_t {
  KuvDiversityDomain_DWS = 1,
  KuvDiversityDomain_ConfigChange = 2,
  KuvDiversityDomain_EngineeringActivation = 3,
  KuvDiversityDomain_ConfigChangeEvolution = 4,
  KuvDiversityDomain_ConfigChangeVariant = 5
};
