#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvInListVal, KuvInObjectVal)
