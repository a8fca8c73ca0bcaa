#include "KuvXMLV2ExpressionData.h"

KUV_DEFINE_TYPE(KuvXMLV2ExpressionData, KuvInObject)

KuvXMLV2ExpressionData::KuvXMLV2ExpressionData() = default;

KuvXMLV2ExpressionData::~KuvXMLV2ExpressionData() = default;
