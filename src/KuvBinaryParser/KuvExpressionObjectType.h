// KuvExpressionObjectType: the kind of the expressions one binary holds. An
// effectivity is stored from a KuvEeEffectivityExpression, a filter from a
// KuvEeFilterExpression, an applicability from a KuvEeChangeExpression; all
// expressions of one binary are of the same kind.
#pragma once

#include <cstdint>

enum KuvExpressionObjectType : std::int32_t {
  CFG_EXPRTYPE_EFFECTIVITY = 1,
  CFG_EXPRTYPE_FILTER = 2,
  CFG_EXPRTYPE_APPLICABILITY = 3
};
