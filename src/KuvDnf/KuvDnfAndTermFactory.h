// KuvDnfAndTermFactory: makes the term kind a conversion asks for.
#pragma once

#include "KuvDnfAndTermList.h"
#include "KuvDnfAndTermMap.h"

class KUV_API KuvDnfAndTermFactory {
public:
  enum E_Type : std::int32_t { List = 0, Map = 1 };
  // Type 0 makes a list term, any other a map term; the caller owns it.
  static KuvDnfAndTerm* create(E_Type type, std::int32_t capacity);
};
