#include "KuvXMLV3ExprSAXHandler.h"

KUV_DEFINE_TYPE(KuvXMLV3ExprSAXHandler, KuvXMLV2ExprSAXHandler)

KuvXMLV3ExprSAXHandler::KuvXMLV3ExprSAXHandler(KuvEeExpressionContext& context,
                                               const KuvXMLV2ExpressionData& data,
                                               const KuvXMLV2IModelerContext*, KuvEeExpression*& expression,
                                               unsigned char strictArity, unsigned char ignoreUnknownElements,
                                               unsigned char readSelectedBy, unsigned char checkVersion)
    : KuvXMLV2ExprSAXHandler(traceChannel(), context, data, expression, strictArity, ignoreUnknownElements,
                             readSelectedBy, checkVersion) {}

KuvXMLV3ExprSAXHandler::~KuvXMLV3ExprSAXHandler() = default;
