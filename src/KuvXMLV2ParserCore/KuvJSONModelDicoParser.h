// KuvJSONModelDicoParser: the entry point reserved for dictionaries in JSON.
// There is no JSON dictionary reader: Read answers E_NOTIMPL.
#pragma once

#include "KuvInString.h"

class KuvEeExpressionContext;
class KuvEeModelDico;

class KUV_API KuvJSONModelDicoParser : public KuvInObject {
  KUV_DECLARE_TYPE(KuvJSONModelDicoParser)

public:
  // E_NOTIMPL; dico stays as it is and message tells why.
  static HRESULT Read(const OrbUnicodeString& text, KuvEeExpressionContext& context, KuvEeModelDico*& dico,
                      KuvInString& message);
};
