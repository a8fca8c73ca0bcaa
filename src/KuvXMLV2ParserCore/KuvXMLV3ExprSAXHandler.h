// KuvXMLV3ExprSAXHandler: reads the current version of the XML expression
// document (see KuvXMLV2ExprSAXHandler for the vocabulary and ownership).
// It takes two more flags: readSelectedBy reads SelectedBy back into the
// options and values (otherwise they carry no code), and checkVersion
// requires SchemaVersion to be "1.1" ([E10] otherwise; a document without
// it is read as version 2).
#pragma once

#include "KuvXMLV2ExprSAXHandler.h"

class KUV_API KuvXMLV3ExprSAXHandler : public KuvXMLV2ExprSAXHandler {
  KUV_DECLARE_TYPE(KuvXMLV3ExprSAXHandler)

public:
  KuvXMLV3ExprSAXHandler(KuvEeExpressionContext& context, const KuvXMLV2ExpressionData& data,
                         const KuvXMLV2IModelerContext* modelerContext, KuvEeExpression*& expression,
                         unsigned char strictArity, unsigned char ignoreUnknownElements,
                         unsigned char readSelectedBy, unsigned char checkVersion);
  ~KuvXMLV3ExprSAXHandler() override;
};
