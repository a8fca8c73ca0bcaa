#include "KuvEeExpressionToolbox.h"

KUV_DEFINE_TYPE(KuvEeExpressionToolbox, KuvInObject)
