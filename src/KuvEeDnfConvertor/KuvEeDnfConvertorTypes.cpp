// The type and trace channel of each static service of the conversions.
#include "KuvDnfModelDicoBuilder.h"
#include "KuvDnfVsBuilder.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeMakeDnfNode.h"
#include "KuvTbDnfBuilder.h"

KUV_DEFINE_TYPE(KuvEeMakeDnfNode, KuvInObject)
KUV_DEFINE_TYPE(KuvTbDnfBuilder, KuvInObject)
KUV_DEFINE_TYPE(KuvEeDnfConvertor, KuvInObject)
KUV_DEFINE_TYPE(KuvDnfModelDicoBuilder, KuvInObject)
KUV_DEFINE_TYPE(KuvDnfVsBuilder, KuvInObject)
