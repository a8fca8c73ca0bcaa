#include "KuvJSONModelDicoParser.h"

KUV_DEFINE_TYPE(KuvJSONModelDicoParser, KuvInObject)

HRESULT KuvJSONModelDicoParser::Read(const OrbUnicodeString&, KuvEeExpressionContext&, KuvEeModelDico*&,
                                     KuvInString& message) {
  message = "ERROR: JSON dictionaries are not supported.";
  KUV_RETURN_ERROR(E_NOTIMPL, message);
}
