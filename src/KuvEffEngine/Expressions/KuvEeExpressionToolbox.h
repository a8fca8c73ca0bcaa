// Static services of the expression engine. For now the class carries only
// the applying views of an expression (the same values as KuvExpressionView);
// its operations arrive with the expression engine.
#pragma once

#include "KuvInObject.h"

class KUV_API KuvEeExpressionToolbox : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeExpressionToolbox)

public:
  enum ExpressionView { SOURCE = 0, CURRENT = 1, PROJECTED = 2, NONE = 3 };

  KuvEeExpressionToolbox() = delete;
};
