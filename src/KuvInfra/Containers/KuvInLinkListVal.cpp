#include "KuvInLinkListVal.h"

KUV_DEFINE_TYPE(KuvInLinkListVal, KuvInObjectVal)
