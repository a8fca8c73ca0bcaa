#include "KuvEeExpression.h"

KUV_DEFINE_TYPE(KuvEeExpression, KuvInObject)

KuvEeExpression::~KuvEeExpression() = default;
